#pragma once
// ZCRCCalculator: table-driven reflected CRC of 8, 16 or 32 bits (input and output reflected,
// register started at a value of the caller's choice). ComputeCrc16 is the form the ZG2P message
// uses for its check value.
//
//   ZCRCCalculator crc(ZCRCCalculator::kWidth16, 0x8005);   // CRC-16/ARC polynomial
//   uint32_t v = crc.Compute(bytes, length, /*invert=*/false, /*initial=*/0xA5A5);
//   uint16_t same = ComputeCrc16(bytes, length, 0x8005, 0xA5A5);
//
// The polynomial is given in normal (MSB-first) notation and stored bit-reflected over the width
// in force when it is set: set the width before the polynomial. The table is built on first use
// after a change. Not thread-safe; one calculator per thread.

#include <cstdint>

class ZCRCCalculator {
public:
    // Width codes.
    static constexpr int kWidth8 = 0;
    static constexpr int kWidth16 = 1;
    static constexpr int kWidth32 = 2;

    ZCRCCalculator(int width, uint32_t polynomial);
    virtual ~ZCRCCalculator() = default;

    // A code other than the three above leaves the width unchanged.
    void SetWidth(int width);
    void SetPolynomial(uint32_t polynomial);
    // With invert, the register starts at initial XOR all-ones and the result is XORed with
    // all-ones of the width; without it neither.
    uint32_t Compute(const uint8_t* data, uint32_t length, bool invert, uint32_t initial);

private:
    uint32_t WidthMask() const;
    void BuildTable();

    uint32_t table_[256] = {};
    bool tableValid_ = false;
    uint32_t reflectedPolynomial_ = 0;
    int width_ = kWidth16;
};

// Reflected CRC-16 of the bytes, register started at initial, no final inversion.
uint16_t ComputeCrc16(const uint8_t* data, uint32_t length, uint16_t polynomial, uint16_t initial);
