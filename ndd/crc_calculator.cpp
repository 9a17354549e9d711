#include "ndd/crc_calculator.h"

namespace {

int WidthBits(int width) {
    return width == ZCRCCalculator::kWidth8 ? 8 : width == ZCRCCalculator::kWidth16 ? 16 : 32;
}

uint32_t Reflect(uint32_t value, int bits) {
    uint32_t reflected = 0;
    for (int i = 0; i < bits; ++i) {
        reflected = (reflected << 1) | (value & 1u);
        value >>= 1;
    }
    return reflected;
}

}  // namespace

ZCRCCalculator::ZCRCCalculator(int width, uint32_t polynomial) {
    SetWidth(width);
    SetPolynomial(polynomial);
}

void ZCRCCalculator::SetWidth(int width) {
    if (width != kWidth8 && width != kWidth16 && width != kWidth32)
        return;
    width_ = width;
    tableValid_ = false;
}

void ZCRCCalculator::SetPolynomial(uint32_t polynomial) {
    reflectedPolynomial_ = Reflect(polynomial, WidthBits(width_));
    tableValid_ = false;
}

uint32_t ZCRCCalculator::WidthMask() const {
    return width_ == kWidth8 ? 0xFFu : width_ == kWidth16 ? 0xFFFFu : 0xFFFFFFFFu;
}

void ZCRCCalculator::BuildTable() {
    // Entry b for each single bit b is the register after shifting that bit through; every other
    // entry is the XOR of the entries of its bits (CRC is linear), filled in from the top bit down.
    table_[0] = 0;
    uint32_t reg = 1;
    for (unsigned b = 128; b > 0; b >>= 1) {
        const bool out = (reg & 1u) != 0;
        reg >>= 1;
        if (out)
            reg ^= reflectedPolynomial_;
        for (unsigned i = 0; i < 256; i += 2 * b)
            table_[i + b] = reg ^ table_[i];
    }
    tableValid_ = true;
}

uint32_t ZCRCCalculator::Compute(const uint8_t* data, uint32_t length, bool invert,
                                 uint32_t initial) {
    if (!tableValid_)
        BuildTable();
    const uint32_t mask = invert ? WidthMask() : 0;
    uint32_t reg = initial ^ mask;
    if (data != nullptr) {
        for (uint32_t i = 0; i < length; ++i)
            reg = (reg >> 8) ^ table_[(data[i] ^ reg) & 0xFFu];
    }
    return reg ^ mask;
}

uint16_t ComputeCrc16(const uint8_t* data, uint32_t length, uint16_t polynomial, uint16_t initial) {
    ZCRCCalculator crc(ZCRCCalculator::kWidth16, 0);
    crc.SetWidth(ZCRCCalculator::kWidth16);
    crc.SetPolynomial(polynomial);
    return static_cast<uint16_t>(crc.Compute(data, length, false, initial));
}
