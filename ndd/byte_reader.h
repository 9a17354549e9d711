#pragma once
// ZByteReader: the one way the protocol code reads bytes it did not write itself. Every read
// checks what is left first; a failed read moves the cursor to the end and marks the reader
// failed, so every later read fails too and a parser never needs to check after each step.
// Multi-byte integers are big-endian, as on the wire.
//
//   ZByteReader r(bytes, length);
//   uint8_t type = 0;
//   uint16_t count = 0;
//   const uint8_t* text = r.ReadU8(&type) && r.ReadU16(&count) ? r.ReadBytes(count) : nullptr;
//   if (!r.Ok()) { /* ran past the end: treat the field as absent */ }
//
// Ownership: the reader only views the bytes; they must outlive it. Pointers it returns point
// into those bytes.

#include <cstddef>
#include <cstdint>

class ZByteReader {
public:
    ZByteReader(const uint8_t* data, size_t length)
        : data_(data), length_(data != nullptr ? length : 0) {}

    bool Ok() const { return ok_; }
    size_t Position() const { return position_; }
    size_t Remaining() const { return length_ - position_; }
    size_t Length() const { return length_; }

    // Moves the cursor to an absolute position; a position past the end fails.
    bool Seek(size_t position) {
        if (!ok_ || position > length_)
            return Fail();
        position_ = position;
        return true;
    }
    bool Skip(size_t count) {
        if (!ok_ || count > Remaining())
            return Fail();
        position_ += count;
        return true;
    }
    // A pointer to the next count bytes (which then count as read), or null.
    const uint8_t* ReadBytes(size_t count) {
        if (!ok_ || count > Remaining()) {
            Fail();
            return nullptr;
        }
        const uint8_t* bytes = data_ + position_;
        position_ += count;
        return bytes;
    }
    bool ReadU8(uint8_t* value) { return ReadBigEndian(value, 1); }
    bool ReadU16(uint16_t* value) { return ReadBigEndian(value, 2); }
    bool ReadU32(uint32_t* value) { return ReadBigEndian(value, 4); }
    bool ReadU64(uint64_t* value) { return ReadBigEndian(value, 8); }

private:
    bool Fail() {
        ok_ = false;
        position_ = length_;
        return false;
    }
    template <typename T>
    bool ReadBigEndian(T* value, size_t size) {
        const uint8_t* bytes = ReadBytes(size);
        if (bytes == nullptr)
            return false;
        T v = 0;
        for (size_t i = 0; i < size; ++i)
            v = static_cast<T>((v << 8) | bytes[i]);
        *value = v;
        return true;
    }

    const uint8_t* data_;
    size_t length_;
    size_t position_ = 0;
    bool ok_ = true;
};
