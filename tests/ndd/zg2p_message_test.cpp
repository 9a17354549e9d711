#include "ndd/zg2p_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ndd/crc_calculator.h"
#include "tests/ndd/ndd_fixtures.h"

namespace {

using ndd_fixtures::Bytes;

Bytes Data(ZZG2PMessage& m) {
    const uint8_t* data = m.GetData();
    return Bytes(data, data + m.GetLength());
}

// The 25 header bytes of a new short-form message with both blocks, as finalised.
Bytes NewHeader(uint8_t flags = 0x0D) {
    Bytes h(25, 0);
    h[2] = 0x01;  // format marker 01 00 00
    h[8] = flags;
    return h;
}

TEST(ZG2PMessageTest, NewShortFormMessageFinalisesTo31Bytes) {
    ZZG2PMessage m(false);
    Bytes expected = NewHeader();
    expected.insert(expected.end(), {0x00, 0x02,    // length: just the count
                                     0x00, 0x00,    // parameter count
                                     0xA5, 0xB5});  // byte sum: 0xA5A5 + 0x01 + 0x0D + 0x02
    EXPECT_EQ(Data(m), expected);
    EXPECT_FALSE(m.IsLongForm());
}

TEST(ZG2PMessageTest, HeaderGettersReadZeroUntilTheMessageHoldsMoreThanNineBytes) {
    ZZG2PMessage m(false);
    m.SetProtocolId(0x9015);
    m.SetMessageId(0x0801);
    m.SetMessageKind(1);
    EXPECT_EQ(m.GetProtocolId(), 0);
    EXPECT_EQ(m.GetMessageId(), 0);
    EXPECT_EQ(m.GetMessageKind(), 0);
    EXPECT_EQ(m.GetCheckMode(), 0);
    EXPECT_FALSE(m.HasBlockA());
    m.GetLength();
    EXPECT_EQ(m.GetProtocolId(), 0x9015);
    EXPECT_EQ(m.GetMessageId(), 0x0801);
    EXPECT_EQ(m.GetMessageKind(), 1);
    EXPECT_EQ(m.GetCheckMode(), ZZG2PMessage::kCheckByteSum);
    EXPECT_TRUE(m.HasBlockA());
    EXPECT_TRUE(m.HasBlockB());

    const uint8_t nine[9] = {0x90, 0x15, 1, 0, 0, 8, 1, 1, 0x0D};
    ZZG2PMessage shortOne(nine, 9);
    EXPECT_EQ(shortOne.GetProtocolId(), 0);
    EXPECT_EQ(shortOne.GetMessageKind(), 0);
    EXPECT_FALSE(shortOne.HasBlockA());
}

TEST(ZG2PMessageTest, NullAndEmptyTextsAreEncodedApart) {
    ZZG2PMessage m(false);
    m.AddString("");
    m.AddString(nullptr);
    Bytes expected = NewHeader();
    expected.insert(expected.end(), {0x00, 0x09,              // length
                                     0x00, 0x02,              // count
                                     0x06, 0x00, 0x01, 0x00,  // "": count 1, its NUL
                                     0x06, 0x00, 0x00});      // null: count 0
    Bytes data = Data(m);
    ASSERT_EQ(data.size(), expected.size() + 2);
    EXPECT_EQ(Bytes(data.begin(), data.end() - 2), expected);
    EXPECT_STREQ(m.GetString(0), "");
    EXPECT_EQ(m.GetString(1), nullptr);
}

TEST(ZG2PMessageTest, CheckModes) {
    struct Case {
        int mode;
        uint8_t flags;
        int readBack;
    } cases[] = {{0, 0x0C, 0}, {1, 0x0D, 1}, {2, 0x0F, 2}, {3, 0x0D, 1}, {-5, 0x0D, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ZZG2PMessage m(false);
        m.AddString("abc");
        m.SetCheckMode(c.mode);
        Bytes data = Data(m);
        EXPECT_EQ(data[8], c.flags);
        EXPECT_EQ(m.GetCheckMode(), c.readBack);
        const uint32_t covered = static_cast<uint32_t>(data.size() - 2);
        const uint16_t check = static_cast<uint16_t>(data[covered] << 8 | data[covered + 1]);
        EXPECT_EQ(check, ComputeZG2PCheckValue(c.flags, data.data(), covered));
    }
    // CRC over real content.
    ZZG2PMessage crc(false);
    crc.SetCheckMode(ZZG2PMessage::kCheckCrc);
    Bytes data = Data(crc);
    EXPECT_EQ(data.back() | data[data.size() - 2] << 8,
              ComputeCrc16(data.data(), 29, kZG2PCrcPolynomial, kZG2PCheckInitial));
}

TEST(ZG2PMessageTest, SetCheckModeOnAFinalisedMessageRewritesItsCheckValue) {
    ZZG2PMessage m(false);
    m.AddString("abc");
    m.GetData();
    m.SetCheckMode(ZZG2PMessage::kCheckCrc);
    // Flags and check value agree: the CRC, not the byte sum of the first finalisation.
    const Bytes data = Data(m);
    EXPECT_EQ(data[8], 0x0F);
    const uint32_t covered = static_cast<uint32_t>(data.size() - 2);
    EXPECT_EQ(data[covered] << 8 | data[covered + 1],
              ComputeCrc16(data.data(), covered, kZG2PCrcPolynomial, kZG2PCheckInitial));
}

TEST(ZG2PMessageTest, EveryParameterTypeRoundTrips) {
    ZZG2PMessage m(false);
    const uint8_t blob[3] = {0x00, 0xFF, 0x7F};
    ASSERT_TRUE(m.AddByte(-2));
    ASSERT_TRUE(m.AddFlag(0xAB));
    ASSERT_TRUE(m.AddShort(0xBEEF));
    ASSERT_TRUE(m.AddLong(0xCAFEF00D));
    ASSERT_TRUE(m.AddDouble(-1.5e300));
    ASSERT_TRUE(m.AddString("text"));
    ASSERT_TRUE(m.AddBlob(blob, 3));
    ASSERT_TRUE(m.AddBlob(nullptr, 9));  // null counts as length 0

    ZZG2PMessage in(m.GetData(), m.GetLength());  // read as received bytes
    for (ZZG2PMessage* msg : {&m, &in}) {
        SCOPED_TRACE(msg == &m ? "built" : "received");
        ASSERT_EQ(msg->GetParamCount(), 8);
        const uint8_t types[8] = {1, 2, 3, 4, 5, 6, 7, 7};
        for (uint32_t i = 0; i < 8; ++i)
            EXPECT_EQ(msg->GetParamType(i), types[i]) << i;
        EXPECT_EQ(msg->GetByte(0), -2);
        EXPECT_EQ(msg->GetFlag(1), 0xAB);
        EXPECT_EQ(msg->GetShort(2), 0xBEEF);
        EXPECT_EQ(msg->GetLong(3), 0xCAFEF00Du);
        EXPECT_EQ(msg->GetDouble(4), -1.5e300);
        EXPECT_STREQ(msg->GetString(5), "text");
        uint32_t length = 99;
        const uint8_t* bytes = msg->GetBlob(6, &length);
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(Bytes(bytes, bytes + length), Bytes(blob, blob + 3));
        ASSERT_NE(msg->GetBlob(7, &length), nullptr);
        EXPECT_EQ(length, 0u);
        // Wrong type or index past the count: the absent value.
        EXPECT_EQ(msg->GetLong(2), 0u);
        EXPECT_EQ(msg->GetByte(1), 0);
        EXPECT_EQ(msg->GetDouble(3), 0.0);
        EXPECT_EQ(msg->GetString(6), nullptr);
        length = 99;
        EXPECT_EQ(msg->GetBlob(5, &length), nullptr);
        EXPECT_EQ(length, 99u);  // untouched
        EXPECT_EQ(msg->GetParamType(8), 0);
        EXPECT_EQ(msg->GetShort(8), 0);
    }
    // Byte layout of the fixed-size values: type byte then the value, most significant first.
    const Bytes data = Data(m);
    EXPECT_EQ(Bytes(data.begin() + 29, data.begin() + 29 + 14),
              (Bytes{0x01, 0xFE, 0x02, 0xAB, 0x03, 0xBE, 0xEF, 0x04, 0xCA, 0xFE, 0xF0, 0x0D, 0x05,
                     0xFE}));
}

TEST(ZG2PMessageTest, LongFormUsesFourByteLengthAndLongTextsAndBlocks) {
    ZZG2PMessage m(true);
    const std::string big(70000, 'x');
    const Bytes blob(70001, 0x5A);
    ASSERT_TRUE(m.AddString("short"));
    ASSERT_TRUE(m.AddString(big.c_str()));
    ASSERT_TRUE(m.AddBlob(blob.data(), static_cast<uint32_t>(blob.size())));
    ASSERT_TRUE(m.AddBlob(blob.data(), 10));
    Bytes data = Data(m);
    EXPECT_EQ(data[8], 0x1D);
    EXPECT_TRUE(m.IsLongForm());
    const uint32_t declared = data[25] << 24 | data[26] << 16 | data[27] << 8 | data[28];
    EXPECT_EQ(declared, data.size() - 2 - 29);  // from the count to the last parameter
    ZZG2PMessage in(data.data(), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(in.GetParamType(0), ZZG2PMessage::kTypeString);
    EXPECT_EQ(in.GetParamType(1), ZZG2PMessage::kTypeLongString);
    EXPECT_EQ(in.GetParamType(2), ZZG2PMessage::kTypeLongBlob);
    EXPECT_EQ(in.GetParamType(3), ZZG2PMessage::kTypeBlob);
    EXPECT_STREQ(in.GetString(0), "short");
    EXPECT_EQ(std::string(in.GetString(1)), big);
    uint32_t length = 0;
    ASSERT_NE(in.GetBlob(2, &length), nullptr);
    EXPECT_EQ(length, 70001u);
}

TEST(ZG2PMessageTest, ShortFormRefusesParametersEndingPastItsLimit) {
    ZZG2PMessage m(false);
    // Parameters start at 29; a block is measured as count + 5: 29 + 65501 + 5 = 65535.
    const Bytes blob(65502, 1);
    EXPECT_FALSE(m.AddBlob(blob.data(), 65502));
    EXPECT_EQ(m.GetParamCount(), 0);
    ASSERT_TRUE(m.AddBlob(blob.data(), 65501));  // ends at 65533
    EXPECT_TRUE(m.AddFlag(1));                   // ends at 65535
    const Bytes before = Data(m);
    EXPECT_FALSE(m.AddFlag(1));
    EXPECT_FALSE(m.AddString(""));
    EXPECT_EQ(Data(m), before);  // unchanged
    EXPECT_EQ(m.GetLength(), 65537u);
    EXPECT_EQ(before[25] << 8 | before[26], 65535 - 27);
}

TEST(ZG2PMessageTest, LongFormStopsAtTheParameterCount) {
    ZZG2PMessage m(true);
    for (int i = 0; i < 0xFFFF; ++i)
        ASSERT_TRUE(m.AddFlag(1));
    EXPECT_FALSE(m.AddFlag(1));  // the 16-bit count would wrap to 0
    EXPECT_EQ(m.GetParamCount(), 0xFFFF);
}

TEST(ZG2PMessageTest, SequentialAndRandomReadsAgree) {
    ZZG2PMessage m(false);
    m.AddLong(10);
    m.AddString("one");
    m.AddShort(2);
    m.AddLong(3);
    ZZG2PMessage in(m.GetData(), m.GetLength());
    const uint32_t order[] = {0, 1, 2, 0, 3, 3, 1, 2, 0};
    for (uint32_t i : order) {
        SCOPED_TRACE(i);
        ZZG2PMessage alone(m.GetData(), m.GetLength());
        EXPECT_EQ(in.GetParamType(i), alone.GetParamType(i));
        EXPECT_EQ(in.GetLong(i), alone.GetLong(i));
        EXPECT_EQ(in.GetShort(i), alone.GetShort(i));
    }
    EXPECT_STREQ(in.GetString(1), "one");
}

TEST(ZG2PMessageTest, ClearParametersKeepsTheHeader) {
    ZZG2PMessage m(false);
    m.SetProtocolId(0x9015);
    m.SetMessageId(0x0801);
    m.SetMessageKind(1);
    m.SetBlockAByte(7);
    m.AddString("a long text that leaves bytes behind");
    m.GetData();
    m.ClearParameters();
    EXPECT_EQ(m.GetParamCount(), 0);
    m.AddShort(0x1234);
    Bytes expected = NewHeader();
    expected[0] = 0x90;
    expected[1] = 0x15;
    expected[5] = 0x08;
    expected[6] = 0x01;
    expected[7] = 0x01;
    expected[10] = 7;
    expected.insert(expected.end(), {0x00, 0x05, 0x00, 0x01, 0x03, 0x12, 0x34});
    const Bytes data = Data(m);
    ASSERT_EQ(data.size(), expected.size() + 2);
    EXPECT_EQ(Bytes(data.begin(), data.end() - 2), expected);
    EXPECT_EQ(m.GetProtocolId(), 0x9015);
    EXPECT_EQ(m.GetMessageKind(), 1);
}

TEST(ZG2PMessageTest, CopiesKeepTheBytesAndTheFinalisedState) {
    ZZG2PMessage m(false);
    m.SetProtocolId(0x9015);
    m.AddString("abc");
    const Bytes original = Data(m);
    ZZG2PMessage copy(m);
    EXPECT_EQ(copy.GetProtocolId(), 0x9015);  // finalised, so the header reads
    EXPECT_EQ(Data(copy), original);
    EXPECT_STREQ(copy.GetString(0), "abc");
    copy.AddFlag(1);  // the copy is independent
    EXPECT_EQ(Data(m), original);
    EXPECT_EQ(copy.GetParamCount(), 2);
}

TEST(ZG2PMessageTest, BlocksAreInsertedAndRemovedInPlace) {
    ZZG2PMessage m(false);
    m.SetProtocolId(0x9015);
    m.AddString("keep");
    m.AddLong(42);
    m.RemoveBlockA();
    m.RemoveBlockB();
    Bytes data = Data(m);
    EXPECT_EQ(data[8], 0x01);
    EXPECT_EQ(data.size(), 31u - 15 + 8 + 5);  // no blocks; "keep" and 42
    EXPECT_FALSE(m.HasBlockA());
    EXPECT_FALSE(m.HasBlockB());
    EXPECT_EQ(m.GetBlockALong(), 0u);
    EXPECT_STREQ(m.GetString(0), "keep");

    m.SetBlockBSecond(0x01020304);  // inserts B alone, at offset 10
    m.SetBlockAWord(0xA0B0);        // inserts A before it
    m.SetBlockALong(0x11223344);
    m.SetBlockBFirst(0x55667788);
    m.SetBlockAByte(0x99);
    data = Data(m);
    EXPECT_EQ(data[8], 0x0D);
    EXPECT_EQ(Bytes(data.begin() + 10, data.begin() + 25),
              (Bytes{0x99, 0xA0, 0xB0, 0x11, 0x22, 0x33, 0x44,           // block A
                     0x55, 0x66, 0x77, 0x88, 0x01, 0x02, 0x03, 0x04}));  // block B
    EXPECT_EQ(m.GetBlockAByte(), 0x99);
    EXPECT_EQ(m.GetBlockAWord(), 0xA0B0);
    EXPECT_EQ(m.GetBlockALong(), 0x11223344u);
    EXPECT_EQ(m.GetBlockBFirst(), 0x55667788u);
    EXPECT_EQ(m.GetBlockBSecond(), 0x01020304u);
    EXPECT_STREQ(m.GetString(0), "keep");
    EXPECT_EQ(m.GetLong(1), 42u);

    m.RemoveBlockA();  // block B moves down to offset 10
    data = Data(m);
    EXPECT_EQ(data[8], 0x09);
    EXPECT_EQ(m.GetBlockBFirst(), 0x55667788u);
    EXPECT_EQ(m.GetLong(1), 42u);
    ZZG2PMessage in(data.data(), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(in.GetBlockBSecond(), 0x01020304u);
    EXPECT_STREQ(in.GetString(0), "keep");
}

TEST(ZG2PMessageTest, HeaderDataIsReplacedAndRemovedInPlace) {
    ZZG2PMessage m(false);
    m.AddLong(7);
    const uint8_t three[3] = {1, 2, 3};
    m.SetHeaderData(three, 3);
    Bytes data = Data(m);
    EXPECT_EQ(data[9], 3);
    EXPECT_EQ(Bytes(data.begin() + 25, data.begin() + 28), Bytes(three, three + 3));
    uint8_t length = 0;
    const uint8_t* got = m.GetHeaderData(&length);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(Bytes(got, got + length), Bytes(three, three + 3));
    EXPECT_EQ(m.GetLong(0), 7u);

    const uint8_t same[3] = {9, 8, 7};
    m.SetHeaderData(same, 3);  // same length: overwritten in place
    got = m.GetHeaderData(&length);
    EXPECT_EQ(Bytes(got, got + length), Bytes(same, same + 3));

    m.SetHeaderData(got + 1, 2);  // from its own bytes, another length
    got = m.GetHeaderData(&length);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(Bytes(got, got + length), (Bytes{8, 7}));
    EXPECT_EQ(m.GetLong(0), 7u);

    m.SetHeaderData(nullptr, 0);
    EXPECT_EQ(m.GetHeaderData(&length), nullptr);
    EXPECT_EQ(length, 0);
    data = Data(m);
    EXPECT_EQ(data.size(), 31u + 5);
    EXPECT_EQ(m.GetLong(0), 7u);
}

// --- received bytes are hostile ---------------------------------------------------------------

// A short-form frame with both blocks: header, length field (the parameter bytes and the count,
// plus lengthAdjust), count, the parameter bytes and a zero check value.
Bytes Frame(const Bytes& parameters, uint16_t count, int lengthAdjust = 0) {
    Bytes f = NewHeader();
    const int length = static_cast<int>(parameters.size()) + 2 + lengthAdjust;
    f.push_back(static_cast<uint8_t>(length >> 8));
    f.push_back(static_cast<uint8_t>(length));
    f.push_back(static_cast<uint8_t>(count >> 8));
    f.push_back(static_cast<uint8_t>(count));
    f.insert(f.end(), parameters.begin(), parameters.end());
    f.push_back(0);
    f.push_back(0);
    return f;
}

TEST(ZG2PMessageTest, HostileParametersReadAsAbsent) {
    struct Case {
        const char* name;
        Bytes bytes;
        // Parameter 0 and 1 as read: type, long, text.
        uint8_t type0;
        uint32_t long0;
        const char* text0;
        uint8_t type1;
        const char* text1;
    } cases[] = {
        {"well formed", Frame({0x04, 0, 0, 0, 5, 0x06, 0, 2, 'x', 0}, 2), 4, 5, nullptr, 6, "x"},
        {"text count runs past the message", Frame({0x06, 0x00, 0xFF, 'a', 'b', 0}, 1), 0, 0,
         nullptr, 0, nullptr},
        {"text without its NUL", Frame({0x06, 0, 3, 'a', 'b', 'c', 0x04, 0, 0, 0, 1}, 2), 6, 0,
         nullptr, 4, nullptr},
        {"unknown type hides what follows", Frame({0x0A, 0x06, 0, 1, 0}, 2), 0, 0, nullptr, 0,
         nullptr},
        {"count larger than the parameters present", Frame({0x04, 0, 0, 0, 9}, 5), 4, 9, nullptr, 0,
         nullptr},
        {"length field larger than the bytes", Frame({0x04, 0, 0, 0, 9}, 1, +1), 0, 0, nullptr, 0,
         nullptr},
        {"length field smaller than the bytes", Frame({0x04, 0, 0, 0, 9}, 1, -1), 0, 0, nullptr, 0,
         nullptr},
        {"length field of 0", Frame({}, 0, -2), 0, 0, nullptr, 0, nullptr},
        {"long text count past the message", Frame({0x08, 0xFF, 0xFF, 0xFF, 0xF0, 'a', 0}, 1), 0, 0,
         nullptr, 0, nullptr},
        {"blob count past the message", Frame({0x07, 0x10, 0x00, 1, 2, 3}, 1), 0, 0, nullptr, 0,
         nullptr},
        {"fixed-size value cut short", Frame({0x05, 1, 2, 3}, 1), 0, 0, nullptr, 0, nullptr},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The exact bytes on the heap, so that any read past them is caught by ASan.
        ZZG2PMessage received(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
        ZZG2PMessage copy(received);  // what the engine hands to the processor
        for (ZZG2PMessage* m : {&received, &copy}) {
            EXPECT_EQ(m->GetParamType(0), c.type0);
            EXPECT_EQ(m->GetLong(0), c.long0);
            EXPECT_STREQ(m->GetString(0), c.text0);
            EXPECT_EQ(m->GetParamType(1), c.type1);
            EXPECT_STREQ(m->GetString(1), c.text1);
            uint32_t length = 0;
            m->GetBlob(0, &length);
            EXPECT_EQ(m->GetDouble(0), 0.0);
            EXPECT_EQ(m->GetParamType(7), 0);
        }
    }
}

TEST(ZG2PMessageTest, EveryPrefixOfAnAnswerIsReadSafely) {
    const Bytes& answer = ndd_fixtures::kAnswer;
    for (size_t n = 0; n <= answer.size(); ++n) {
        SCOPED_TRACE(n);
        const Bytes prefix(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(n));
        ZZG2PMessage m(prefix.empty() ? nullptr : prefix.data(), static_cast<uint32_t>(n));
        const bool whole = n == answer.size();
        EXPECT_EQ(m.GetProtocolId(), n > 9 ? 0x9015 : 0);
        EXPECT_EQ(m.GetString(1) != nullptr, whole);  // the length field disagrees until whole
        EXPECT_EQ(m.GetLong(2), whole ? 0x3201A8C0u : 0u);
        for (uint32_t i = 0; i < 16; ++i) {
            m.GetParamType(i);
            m.GetString(i);
        }
        uint8_t length;
        m.GetHeaderData(&length);
        m.GetBlockBSecond();
        // Finalising a broken message rewrites it but stays inside its own buffer.
        ZZG2PMessage copy(m);
        EXPECT_GE(copy.GetLength(), 14u);
    }
}

TEST(ZG2PMessageTest, FinalisingAReceivedMessageKeepsTheCheckValueOutOfTheParameters) {
    // The count claims two parameters, one is present; the check bytes 02 05 would read as a
    // flag parameter if the walk went past the length field's end.
    Bytes bytes = Frame({0x04, 0, 0, 0, 9}, 2);
    bytes[bytes.size() - 2] = 0x02;
    bytes[bytes.size() - 1] = 0x05;
    ZZG2PMessage m(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(m.GetLength(), bytes.size());
    EXPECT_EQ(m.GetLong(0), 9u);
    EXPECT_EQ(m.GetParamType(1), 0);
}

TEST(ZG2PMessageTest, HeaderDataPastTheMessageIsAbsent) {
    Bytes bytes = ndd_fixtures::kRequest;
    bytes[9] = 0xFF;  // announces 255 bytes of header data in an 82-byte message
    ZZG2PMessage m(bytes.data(), static_cast<uint32_t>(bytes.size()));
    uint8_t length = 9;
    EXPECT_EQ(m.GetHeaderData(&length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(m.GetParamCount(), 0);
    EXPECT_EQ(m.GetString(3), nullptr);
}

TEST(ZG2PMessageTest, TextsReadBackIntoTheSameMessageAreCopiedFirst) {
    ZZG2PMessage m(false);
    m.AddString(std::string(5000, 'y').c_str());
    // Appending its own text makes the buffer grow past 8192 bytes while copying from it.
    ASSERT_TRUE(m.AddString(m.GetString(0)));
    EXPECT_EQ(std::string(m.GetString(1)), std::string(5000, 'y'));
}

}  // namespace
