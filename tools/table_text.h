#pragma once
// Text helpers the command line's tables share (ZProductTable, ZDeviceTable, ZWatchView): texts
// that come from the network made safe for a terminal or a CSV file, and cells aligned in columns.
//
//   std::string cell = table_text::Printable(name);     // "Booth?[2J" for "Booth\x1b[2J"
//   std::string field = table_text::CsvField(name);     // "\"Booth \"\"2\"\"\"" for Booth "2"
//   std::fputs(table_text::Align({{"Name", "Port"}, {cell, "80"}}).c_str(), stdout);
//
// Pure functions over plain strings; no state, no ownership.

#include <cstddef>
#include <string>
#include <vector>

namespace table_text {

// The text with every control character (below 0x20, and DEL) replaced by '?', so that a name
// from the network cannot move the cursor or clear the terminal.
std::string Printable(const std::string& text);

// The text as one CSV field: always in double quotes, inner quotes doubled.
std::string CsvField(const std::string& text);

// Characters on screen: UTF-8 continuation bytes take no column of their own.
size_t DisplayWidth(const std::string& text);

// Rows of cells in columns two spaces apart (no trailing spaces), one line each, widths counted
// with DisplayWidth.
std::string Align(const std::vector<std::vector<std::string>>& rows);

}  // namespace table_text
