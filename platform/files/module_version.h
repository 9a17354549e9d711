#pragma once
// Version information of an executable file, in the shape of GetFileVersionInfoSizeA,
// GetFileVersionInfoA and VerQueryValueA. The build embeds one version block in every program
// (zunit_version_block in cmake/ZUnitVersion.cmake writes it from the project version); these
// calls find that block in the file at a path and look its values up by the paths the Windows
// version resource uses:
//   "\VarFileInfo\Translation"               4 bytes: language, code page (16 bits each)
//   "\StringFileInfo\040904E4\FileVersion"   text, e.g. "1.0.0.0"
//   "\StringFileInfo\040904E4\ProductVersion" text
//
//   uint32_t handle;
//   uint32_t size = zplat::GetFileVersionInfoSizeA(path, &handle);
//   std::vector<unsigned char> block(size);
//   if (size != 0 && zplat::GetFileVersionInfoA(path, handle, size, block.data())) {
//       void* text; uint32_t length;
//       zplat::VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\FileVersion", &text,
//                             &length);
//   }
//
// Layout of a block (numbers little-endian):
//   magic     12 bytes   kVersionBlockMagic
//   size      u32        bytes of the whole block, this header and the check value included
//   count     u32        number of entries
//   entries   count x    u8 kind (0 bytes, 1 text), u8 0, u16 key size, u16 value size,
//                        key bytes with their NUL, value bytes (a text with its NUL)
//   check     u32        FNV-1a (32 bits) of every byte before it
// A file may hold the magic by chance (the reader's own copy of it, for one); the scan takes the
// first place where a whole block with a right check value follows.
//
// Ownership: callers own every buffer; the pointer VerQueryValueA hands out points into the
// caller's block and lives as long as it. All calls are safe from any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zplat {

inline constexpr std::array<unsigned char, 12> kVersionBlockMagic = {
    'Z', 'U', 'N', 'I', 'T', '-', 'V', 'E', 'R', 'S', 0x00, 0x01};
// Bounds of a block: the header and the check value around no entry, and the largest block the
// reader accepts (keys and values are at most 65535 bytes; a program has a handful).
inline constexpr size_t kVersionBlockHeaderSize = 20;
inline constexpr size_t kVersionBlockCheckSize = 4;
inline constexpr size_t kVersionEntryHeaderSize = 6;
inline constexpr size_t kMaxVersionBlockSize = 65536;

// Returns the size of the version block in the file at path (0 when the file cannot be read or
// holds no block); *handle, when given, is set to 0 as the call does.
uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle);

// Copies the version block of the file at path into data. False when there is none or when it
// does not fit into size bytes (then nothing is copied). handle is not used.
bool GetFileVersionInfoA(const char* path, uint32_t handle, uint32_t size, void* data);

// Looks subBlock up in a block that GetFileVersionInfoA filled (keys compared without regard to
// ASCII letter case). On success *buffer points at the value inside the block and *length is its
// size: bytes for a binary value, characters with the NUL for a text. False when the key is
// missing or the block is malformed.
bool VerQueryValueA(const void* block, const char* subBlock, void** buffer, uint32_t* length);

// --- Pure part: building and finding blocks ---

// One value of a block.
struct VersionEntry {
    const char* key;
    const char* value;
    uint16_t valueSize;  // bytes of the value; a text's size without its NUL
    bool text;
};

constexpr size_t VersionTextLength(const char* text) {
    size_t n = 0;
    while (text[n] != '\0') {
        ++n;
    }
    return n;
}

constexpr VersionEntry VersionText(const char* key, const char* value) {
    return VersionEntry{key, value, static_cast<uint16_t>(VersionTextLength(value)), true};
}

constexpr size_t VersionBlockSize(const VersionEntry* entries, size_t count) {
    size_t size = kVersionBlockHeaderSize + kVersionBlockCheckSize;
    for (size_t i = 0; i < count; ++i) {
        size += kVersionEntryHeaderSize + VersionTextLength(entries[i].key) + 1 +
                entries[i].valueSize + (entries[i].text ? 1 : 0);
    }
    return size;
}

constexpr uint32_t VersionBlockCheck(const unsigned char* bytes, size_t size) {
    uint32_t hash = 2166136261u;  // FNV-1a 32-bit offset basis
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;  // FNV 32-bit prime
    }
    return hash;
}

// Writes the block of the entries into out, which holds VersionBlockSize(entries, count) bytes.
// Usable at compile time, which is how the build embeds a block.
constexpr void WriteVersionBlock(const VersionEntry* entries, size_t count, unsigned char* out) {
    size_t pos = 0;
    auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out[pos++] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    for (unsigned char byte : kVersionBlockMagic) {
        out[pos++] = byte;
    }
    const size_t size = VersionBlockSize(entries, count);
    put(static_cast<uint32_t>(size), 4);
    put(static_cast<uint32_t>(count), 4);
    for (size_t i = 0; i < count; ++i) {
        const VersionEntry& entry = entries[i];
        const size_t keySize = VersionTextLength(entry.key) + 1;
        put(entry.text ? 1 : 0, 1);
        put(0, 1);
        put(static_cast<uint32_t>(keySize), 2);
        put(static_cast<uint32_t>(entry.valueSize + (entry.text ? 1 : 0)), 2);
        for (size_t k = 0; k < keySize; ++k) {
            out[pos++] = static_cast<unsigned char>(entry.key[k]);
        }
        for (size_t v = 0; v < entry.valueSize; ++v) {
            out[pos++] = static_cast<unsigned char>(entry.value[v]);
        }
        if (entry.text) {
            out[pos++] = 0;
        }
    }
    put(VersionBlockCheck(out, pos), 4);
}

// The same at run time.
std::vector<unsigned char> MakeVersionBlock(std::span<const VersionEntry> entries);

// Size of the well-formed block at the start of bytes, or 0.
size_t CheckVersionBlock(std::span<const unsigned char> bytes);

// Offset of the first well-formed block in bytes (its size in *size), or -1 with *size 0.
ptrdiff_t FindVersionBlock(std::span<const unsigned char> bytes, size_t* size);

}  // namespace zplat
