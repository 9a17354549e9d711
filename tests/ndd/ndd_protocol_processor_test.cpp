#include "ndd/ndd_protocol_processor.h"

#include <gtest/gtest.h>

#include "ndd/zg2p_message.h"
#include "tests/ndd/ndd_fixtures.h"
#include "tests/ndd/recording_protocol_handler.h"

namespace {

using ndd_fixtures::Address;
using ndd_fixtures::Bytes;
using ndd_fixtures::RecordingProtocolHandler;
using ndd_fixtures::Text;

Bytes Outgoing(ZNDDProtocolProcessor& p) {
    const uint8_t* data = p.GetData();
    return Bytes(data, data + p.GetLength());
}

const uint32_t kStudio = Address(192, 168, 1, 20);
const uint32_t kBooth = Address(192, 168, 1, 50);
const uint32_t kMask24 = Address(255, 255, 255, 0);
const uint32_t kEveryDevice = 0xFFFFFFFFu;

void BuildExampleRequest(ZNDDProtocolProcessor& p) {
    p.BuildRequest(kStudio, kMask24, 50000, "STUDIO-PC", kEveryDevice, "zelvane.*", "abc");
}

void BuildExampleAnswer(ZNDDProtocolProcessor& p) {
    p.BuildAnswer("zelvane.cuedeck", kBooth, kMask24, 0, 4300, 0, "Booth 2", "", "6.4.2", "",
                  kStudio, kMask24, 0, "");
}

TEST(NDDProtocolProcessorTest, BuildsTheWorkedExamplesByteForByte) {
    ZNDDProtocolProcessor p;
    BuildExampleRequest(p);
    EXPECT_EQ(p.GetLength(), 82u);
    EXPECT_EQ(Outgoing(p), ndd_fixtures::kRequest);

    BuildExampleAnswer(p);  // the same outgoing message, rebuilt
    EXPECT_EQ(p.GetLength(), 120u);
    EXPECT_EQ(Outgoing(p), ndd_fixtures::kAnswer);

    p.BuildRefusal(kBooth, "zelvane.cuedeck", 1);
    EXPECT_EQ(p.GetLength(), 60u);
    EXPECT_EQ(Outgoing(p), ndd_fixtures::kRefusal);

    BuildExampleRequest(p);  // shorter again: nothing of the longer answer is left behind
    EXPECT_EQ(Outgoing(p), ndd_fixtures::kRequest);
}

TEST(NDDProtocolProcessorTest, ProcessHandsEachExampleToTheRightOperation) {
    RecordingProtocolHandler handler;
    ZNDDProtocolProcessor p;
    p.SetHandler(&handler);
    int context = 0;

    ZZG2PMessage request(ndd_fixtures::kRequest.data(), 82);
    EXPECT_EQ(p.Process(&request, &context), handler.result);
    ZZG2PMessage answer(ndd_fixtures::kAnswer.data(), 120);
    EXPECT_EQ(p.Process(&answer, &context), handler.result);
    ZZG2PMessage refusal(ndd_fixtures::kRefusal.data(), 60);
    EXPECT_EQ(p.Process(&refusal, &context), handler.result);

    ASSERT_EQ(handler.calls.size(), 3u);
    const auto& r = handler.calls[0];
    EXPECT_EQ(r.operation, "OnSearchRequest");
    EXPECT_EQ(r.numbers, (std::vector<uint64_t>{kStudio, kMask24, 50000, kEveryDevice}));
    EXPECT_EQ(r.texts, (std::vector<Text>{"STUDIO-PC", "zelvane.*", "abc"}));
    EXPECT_EQ(r.context, &context);

    const auto& a = handler.calls[1];
    EXPECT_EQ(a.operation, "OnAnswer");
    // device address, mask, user data, port, aux, requester address, mask, index value
    EXPECT_EQ(a.numbers, (std::vector<uint64_t>{kBooth, kMask24, 0, 4300, 0, kStudio, kMask24, 0}));
    // service, device name, model, version, info, extra
    EXPECT_EQ(a.texts, (std::vector<Text>{"zelvane.cuedeck", "Booth 2", "", "6.4.2", "", ""}));
    EXPECT_EQ(a.context, &context);

    const auto& e = handler.calls[2];
    EXPECT_EQ(e.operation, "OnErrorAnswer");
    EXPECT_EQ(e.numbers, (std::vector<uint64_t>{kBooth, 1}));
    EXPECT_EQ(e.texts, (std::vector<Text>{"zelvane.cuedeck"}));
}

TEST(NDDProtocolProcessorTest, BuiltMessagesReadBackWithTheSameValues) {
    RecordingProtocolHandler handler;
    ZNDDProtocolProcessor builder;
    ZNDDProtocolProcessor reader;
    reader.SetHandler(&handler);

    // Every number at a value whose bytes differ, null texts where the answer allows them.
    builder.BuildAnswer("svc", Address(10, 1, 2, 3), Address(255, 0, 0, 0), 0xDEADBEEF, 0xFFFF,
                        0x1234, nullptr, "M", nullptr, "<x/>", Address(10, 9, 8, 7),
                        Address(255, 255, 0, 0), 0x01020304, nullptr);
    ZZG2PMessage m(builder.GetData(), builder.GetLength());
    reader.Process(&m, nullptr);
    ASSERT_EQ(handler.calls.size(), 1u);
    EXPECT_EQ(
        handler.calls[0].numbers,
        (std::vector<uint64_t>{Address(10, 1, 2, 3), Address(255, 0, 0, 0), 0xDEADBEEF, 0xFFFF,
                               0x1234, Address(10, 9, 8, 7), Address(255, 255, 0, 0), 0x01020304}));
    EXPECT_EQ(handler.calls[0].texts,
              (std::vector<Text>{"svc", std::nullopt, "M", std::nullopt, "<x/>", std::nullopt}));
}

// A finalised message of the NDD protocol with the given header and the parameters that add
// puts in, as received bytes.
template <typename AddParameters>
ZZG2PMessage Received(uint16_t protocolId, uint16_t messageId, uint8_t kind, AddParameters add) {
    ZZG2PMessage m(false);
    m.SetProtocolId(protocolId);
    m.SetMessageId(messageId);
    m.SetMessageKind(kind);
    add(m);
    return ZZG2PMessage(m.GetData(), m.GetLength());
}

TEST(NDDProtocolProcessorTest, DispatchFollowsProtocolIdMessageIdAndKind) {
    struct Case {
        const char* name;
        uint16_t protocolId;
        uint16_t messageId;
        uint8_t kind;
        const char* expected;  // operation called, or null for none
        int result;
    };
    const Case cases[] = {
        {"other protocol", 0x9016, 0x0801, 1, nullptr, 0},
        {"other message id", 0x9015, 0x0802, 1, "OnOtherMessage", 0},
        {"kind 2", 0x9015, 0x0801, 2, nullptr, 0},
        {"request", 0x9015, 0x0801, 0, "OnSearchRequest", 7},
        {"answer", 0x9015, 0x0801, 1, "OnAnswer", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingProtocolHandler handler;
        ZNDDProtocolProcessor p;
        p.SetHandler(&handler);
        ZZG2PMessage m =
            Received(c.protocolId, c.messageId, c.kind, [](ZZG2PMessage& msg) { msg.AddFlag(0); });
        EXPECT_EQ(p.Process(&m, nullptr), c.result);
        if (c.expected == nullptr) {
            EXPECT_TRUE(handler.calls.empty());
        } else {
            ASSERT_EQ(handler.calls.size(), 1u);
            EXPECT_EQ(handler.calls[0].operation, c.expected);
        }
    }
}

TEST(NDDProtocolProcessorTest, OtherMessageIdIsReportedWithItsId) {
    RecordingProtocolHandler handler;
    ZNDDProtocolProcessor p;
    p.SetHandler(&handler);
    ZZG2PMessage m = Received(0x9015, 0x0802, 0, [](ZZG2PMessage&) {});
    p.Process(&m, nullptr);
    ASSERT_EQ(handler.calls.size(), 1u);
    EXPECT_EQ(handler.calls[0].numbers, (std::vector<uint64_t>{0x0802}));
}

TEST(NDDProtocolProcessorTest, RefusalFlagCountsOnlyAsATypeTwoParameter) {
    RecordingProtocolHandler handler;
    ZNDDProtocolProcessor p;
    p.SetHandler(&handler);
    // Parameter 0 a type 1 byte of value 1: still an answer.
    ZZG2PMessage m = Received(0x9015, 0x0801, 1, [](ZZG2PMessage& msg) {
        msg.AddByte(1);
        msg.AddString("zelvane.x");
    });
    p.Process(&m, nullptr);
    ASSERT_EQ(handler.calls.size(), 1u);
    EXPECT_EQ(handler.calls[0].operation, "OnAnswer");
    EXPECT_EQ(handler.calls[0].texts[0], Text("zelvane.x"));
}

TEST(NDDProtocolProcessorTest, MissingAnswerParametersArriveAsNullAndZero) {
    RecordingProtocolHandler handler;
    ZNDDProtocolProcessor p;
    p.SetHandler(&handler);
    // Only five parameters: flag, service name, address, mask, user data.
    ZZG2PMessage m = Received(0x9015, 0x0801, 1, [](ZZG2PMessage& msg) {
        msg.AddFlag(0);
        msg.AddString("zelvane.x");
        msg.AddLong(0x11111111);
        msg.AddLong(0x22222222);
        msg.AddLong(0x33333333);
    });
    p.Process(&m, nullptr);
    ASSERT_EQ(handler.calls.size(), 1u);
    EXPECT_EQ(handler.calls[0].numbers,
              (std::vector<uint64_t>{0x11111111, 0x22222222, 0x33333333, 0, 0, 0, 0, 0}));
    EXPECT_EQ(handler.calls[0].texts,
              (std::vector<Text>{"zelvane.x", std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt}));
}

TEST(NDDProtocolProcessorTest, WithoutHandlerNothingIsCalled) {
    ZNDDProtocolProcessor p;
    ZZG2PMessage answer(ndd_fixtures::kAnswer.data(), 120);
    EXPECT_EQ(p.Process(&answer, nullptr), 0);
    ZZG2PMessage other = Received(0x9015, 0x0802, 0, [](ZZG2PMessage&) {});
    EXPECT_EQ(p.Process(&other, nullptr), 0);
    EXPECT_EQ(p.Process(nullptr, nullptr), 0);

    RecordingProtocolHandler handler;
    p.SetHandler(&handler);
    p.SetHandler(nullptr);
    EXPECT_EQ(p.Process(&answer, nullptr), 0);
    EXPECT_TRUE(handler.calls.empty());
}

TEST(NDDProtocolProcessorTest, ErrorTexts) {
    ZNDDProtocolProcessor p;
    const struct {
        int16_t code;
        const char* text;
    } cases[] = {{0, "No Error"},           {1, "Invalid Parameter"}, {255, "Unknown Message"},
                 {2047, "Timeout Error"},   {-1, "Undefined Error"},  {2, "Undefined Error"},
                 {-8191, "Undefined Error"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(p.GetErrorText(c.code), c.text);
    }
}

}  // namespace
