#pragma once
// The texts of the device list's cells: formatted into a buffer of 128 bytes, so at most 127
// bytes of text, and cut there safely: the cut never overruns the buffer and never leaves half
// of a multi-byte character at the end. Names, versions and descriptions come from the network,
// so their length is whatever a device sends.
//
//   QString cell = CellText("%s:%d", product->GetAddressText().GetString(), product->GetPort());
//
// Texts are the bytes devices send: UTF-8 when they are well-formed UTF-8, else the devices'
// Windows-1252 (ZDeviceText), decided on the whole text before the cut.

#include <QString>

#include <cstddef>

// Size of a cell's text buffer, its NUL included.
inline constexpr size_t kCellTextSize = 128;

// printf-style formatting of one cell; null arguments to "%s" are the caller's to avoid.
QString CellText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The number of bytes of text (of length bytes) that a cut at limit bytes keeps: limit, or less
// when the byte at the cut continues a UTF-8 character.
size_t Utf8CutLength(const char* text, size_t length, size_t limit);
