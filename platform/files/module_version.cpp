#include "platform/files/module_version.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace zplat {
namespace {

// Bounds-checked little-endian reader; once a read fails every later one fails too.
class Cursor {
public:
    explicit Cursor(std::span<const unsigned char> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    size_t position() const { return pos_; }

    uint32_t Number(int size) {
        if (!Has(static_cast<size_t>(size))) {
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            value |= static_cast<uint32_t>(bytes_[pos_ + static_cast<size_t>(i)]) << (8 * i);
        }
        pos_ += static_cast<size_t>(size);
        return value;
    }

    std::span<const unsigned char> Bytes(size_t size) {
        if (!Has(size)) {
            return {};
        }
        std::span<const unsigned char> out = bytes_.subspan(pos_, size);
        pos_ += size;
        return out;
    }

private:
    bool Has(size_t size) {
        if (ok_ && bytes_.size() - pos_ >= size) {
            return true;
        }
        ok_ = false;
        pos_ = bytes_.size();
        return false;
    }

    std::span<const unsigned char> bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

struct ParsedEntry {
    bool text = false;
    std::span<const unsigned char> key;    // with its NUL
    std::span<const unsigned char> value;  // a text with its NUL
};

// Walks the entries of a block whose size and check value were found right; visit returns true
// to stop. False when an entry is malformed.
template <typename Visit>
bool WalkEntries(std::span<const unsigned char> block, Visit visit) {
    Cursor cursor(block.first(block.size() - kVersionBlockCheckSize));
    cursor.Bytes(kVersionBlockMagic.size());
    cursor.Number(4);  // size, already checked
    uint32_t count = cursor.Number(4);
    for (uint32_t i = 0; i < count && cursor.ok(); ++i) {
        ParsedEntry entry;
        uint32_t kind = cursor.Number(1);
        cursor.Number(1);
        uint32_t keySize = cursor.Number(2);
        uint32_t valueSize = cursor.Number(2);
        entry.text = kind == 1;
        entry.key = cursor.Bytes(keySize);
        entry.value = cursor.Bytes(valueSize);
        if (!cursor.ok() || kind > 1 || keySize == 0 || entry.key.back() != 0 ||
            (entry.text && (valueSize == 0 || entry.value.back() != 0))) {
            return false;
        }
        if (visit(entry)) {
            return true;
        }
    }
    return cursor.ok() && cursor.position() == block.size() - kVersionBlockCheckSize;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameKey(std::span<const unsigned char> key, const char* wanted) {
    size_t length = key.size() - 1;  // without the NUL
    if (std::strlen(wanted) != length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (Lower(static_cast<char>(key[i])) != Lower(wanted[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<unsigned char> MakeVersionBlock(std::span<const VersionEntry> entries) {
    std::vector<unsigned char> block(VersionBlockSize(entries.data(), entries.size()));
    WriteVersionBlock(entries.data(), entries.size(), block.data());
    return block;
}

size_t CheckVersionBlock(std::span<const unsigned char> bytes) {
    Cursor cursor(bytes);
    std::span<const unsigned char> magic = cursor.Bytes(kVersionBlockMagic.size());
    uint32_t size = cursor.Number(4);
    if (!cursor.ok() || !std::equal(magic.begin(), magic.end(), kVersionBlockMagic.begin()) ||
        size < kVersionBlockHeaderSize + kVersionBlockCheckSize || size > kMaxVersionBlockSize ||
        size > bytes.size()) {
        return 0;
    }
    std::span<const unsigned char> block = bytes.first(size);
    Cursor check(block.last(kVersionBlockCheckSize));
    if (check.Number(4) != VersionBlockCheck(block.data(), size - kVersionBlockCheckSize)) {
        return 0;
    }
    if (!WalkEntries(block, [](const ParsedEntry&) { return false; })) {
        return 0;
    }
    return size;
}

ptrdiff_t FindVersionBlock(std::span<const unsigned char> bytes, size_t* size) {
    *size = 0;
    const std::boyer_moore_horspool_searcher searcher(kVersionBlockMagic.begin(),
                                                      kVersionBlockMagic.end());
    auto from = bytes.begin();
    for (;;) {
        auto hit = std::search(from, bytes.end(), searcher);
        if (hit == bytes.end()) {
            return -1;
        }
        size_t offset = static_cast<size_t>(hit - bytes.begin());
        size_t found = CheckVersionBlock(bytes.subspan(offset));
        if (found != 0) {
            *size = found;
            return static_cast<ptrdiff_t>(offset);
        }
        from = hit + 1;
    }
}

bool VerQueryValueA(const void* block, const char* subBlock, void** buffer, uint32_t* length) {
    if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) {
        return false;
    }
    // The block's own header says how far it reaches; the caller hands in what
    // GetFileVersionInfoA filled, as with the system call.
    const auto* bytes = static_cast<const unsigned char*>(block);
    Cursor header(std::span<const unsigned char>(bytes, kVersionBlockHeaderSize));
    header.Bytes(kVersionBlockMagic.size());
    uint32_t declared = header.Number(4);
    size_t size = CheckVersionBlock(
        std::span<const unsigned char>(bytes, std::min<size_t>(declared, kMaxVersionBlockSize)));
    if (size == 0) {
        return false;
    }
    const ParsedEntry* match = nullptr;
    ParsedEntry found;
    WalkEntries(std::span<const unsigned char>(bytes, size), [&](const ParsedEntry& entry) {
        if (SameKey(entry.key, subBlock)) {
            found = entry;
            match = &found;
            return true;
        }
        return false;
    });
    if (match == nullptr) {
        return false;
    }
    *buffer = const_cast<unsigned char*>(match->value.data());
    *length = static_cast<uint32_t>(match->value.size());
    return true;
}

}  // namespace zplat
