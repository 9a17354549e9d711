#include "ndd/crc_calculator.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ndd/zg2p_message.h"

namespace {

const uint8_t* Bytes(const char* text) {
    return reinterpret_cast<const uint8_t*>(text);
}
uint32_t Length(const char* text) {
    return static_cast<uint32_t>(std::strlen(text));
}

TEST(CrcCalculatorTest, ZG2PCheckValuesOfTheReferenceTexts) {
    EXPECT_EQ(ComputeByteSum16(Bytes("abc"), 3, kZG2PCheckInitial), 0xA6CB);
    EXPECT_EQ(ComputeCrc16(Bytes("abc"), 3, kZG2PCrcPolynomial, kZG2PCheckInitial), 0xE453);
    EXPECT_EQ(ComputeCrc16(Bytes("123456789"), 9, kZG2PCrcPolynomial, kZG2PCheckInitial), 0xAB30);
}

TEST(CrcCalculatorTest, ByteSumWrapsAndCountsBytesUnsigned) {
    const uint8_t ff[2] = {0xFF, 0xFF};
    EXPECT_EQ(ComputeByteSum16(ff, 2, 0xFFFF), static_cast<uint16_t>(0xFFFF + 0x1FE));
    EXPECT_EQ(ComputeByteSum16(nullptr, 5, 0xA5A5), 0xA5A5);
}

// The table-building algorithm must give the standard reflected CRCs of every width.
TEST(CrcCalculatorTest, StandardCheckValuesOfEachWidth) {
    const char* check = "123456789";
    struct Case {
        const char* name;
        int width;
        uint32_t polynomial;
        bool invert;
        uint32_t initial;
        uint32_t expected;
    } cases[] = {
        {"CRC-16/ARC", ZCRCCalculator::kWidth16, 0x8005, false, 0, 0xBB3D},
        {"CRC-16/USB", ZCRCCalculator::kWidth16, 0x8005, true, 0, 0xB4C8},
        {"CRC-32", ZCRCCalculator::kWidth32, 0x04C11DB7, true, 0, 0xCBF43926},
        {"CRC-8/MAXIM", ZCRCCalculator::kWidth8, 0x31, false, 0, 0xA1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZCRCCalculator crc(c.width, c.polynomial);
        EXPECT_EQ(crc.Compute(Bytes(check), Length(check), c.invert, c.initial), c.expected);
    }
}

TEST(CrcCalculatorTest, ChangingWidthOrPolynomialRebuildsTheTable) {
    ZCRCCalculator crc(ZCRCCalculator::kWidth16, 0x8005);
    EXPECT_EQ(crc.Compute(Bytes("123456789"), 9, false, 0), 0xBB3Du);
    // The polynomial is reflected over the width in force when it is set, so width first.
    crc.SetWidth(ZCRCCalculator::kWidth32);
    crc.SetPolynomial(0x04C11DB7);
    EXPECT_EQ(crc.Compute(Bytes("123456789"), 9, true, 0), 0xCBF43926u);
    crc.SetWidth(7);  // not a width code: ignored
    EXPECT_EQ(crc.Compute(Bytes("123456789"), 9, true, 0), 0xCBF43926u);
}

}  // namespace
