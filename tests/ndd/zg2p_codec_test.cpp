#include "ndd/zg2p_codec.h"

#include <gtest/gtest.h>

#include "ndd/zg2p_codec_handler.h"
#include "ndd/zg2p_message.h"
#include "platform/threading/clock.h"
#include "tests/ndd/ndd_fixtures.h"

namespace {

using ndd_fixtures::Bytes;

// Records every call of the handler and the raw bytes of every delivered message.
class Recorder : public IZG2PCodecHandler {
public:
    std::vector<Bytes> messages;
    std::vector<int> messageContexts;
    std::vector<std::pair<int, int>> errors;  // code, context

    bool OnMessage(ZZG2PMessage* message, int context) override {
        ZZG2PMessage copy(*message);  // what a handler that keeps it does
        messageContexts.push_back(context);
        protocolIds.push_back(copy.GetProtocolId());
        return true;
    }
    bool OnError(int code, int context) override {
        errors.emplace_back(code, context);
        return true;
    }
    std::vector<uint16_t> protocolIds;
};

class RecordingCodec : public ZZG2PCodec {
public:
    using ZZG2PCodec::ZZG2PCodec;
    std::vector<Bytes>* delivered = nullptr;
    void DeliverMessage(const uint8_t* bytes, uint32_t length, int context) override {
        delivered->emplace_back(bytes, bytes + length);
        ZZG2PCodec::DeliverMessage(bytes, length, context);
    }
};

class ZG2PCodecTest : public ::testing::Test {
protected:
    void Feed(const Bytes& bytes, int context = 0) {
        codec.Feed(bytes.data(), static_cast<uint32_t>(bytes.size()), context);
    }
    Recorder handler;
    RecordingCodec codec{uint16_t{0x9015}, ZZG2PMessage::kCheckByteSum, false, &handler};
    std::vector<Bytes>& delivered = handler.messages;
    void SetUp() override { codec.delivered = &delivered; }
};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A finalised message with the given protocol id, check mode and one text.
Bytes Message(uint16_t protocolId, int checkMode, const char* text) {
    ZZG2PMessage m(false);
    m.SetProtocolId(protocolId);
    m.SetCheckMode(checkMode);
    m.AddString(text);
    return Bytes(m.GetData(), m.GetData() + m.GetLength());
}

TEST_F(ZG2PCodecTest, OneByteAtATimeDeliversOnceAfterTheLastByte) {
    const Bytes& answer = ndd_fixtures::kAnswer;
    for (size_t i = 0; i < answer.size(); ++i) {
        EXPECT_TRUE(delivered.empty()) << i;
        codec.Feed(&answer[i], 1, 5);
    }
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], answer);
    EXPECT_EQ(handler.messageContexts, std::vector<int>{5});
    EXPECT_EQ(codec.GetGatheredCount(), 0u);
}

TEST_F(ZG2PCodecTest, MessagesInOneFeedAreDeliveredInOrder) {
    Feed(Concat({ndd_fixtures::kRequest, ndd_fixtures::kAnswer, ndd_fixtures::kRefusal}));
    ASSERT_EQ(delivered.size(), 3u);
    EXPECT_EQ(delivered[0], ndd_fixtures::kRequest);
    EXPECT_EQ(delivered[1], ndd_fixtures::kAnswer);
    EXPECT_EQ(delivered[2], ndd_fixtures::kRefusal);
}

TEST_F(ZG2PCodecTest, PiecesOfAnySizeJoin) {
    const Bytes all = Concat({ndd_fixtures::kAnswer, ndd_fixtures::kRequest});
    for (size_t piece : {2u, 3u, 7u, 29u, 64u, 121u}) {
        SCOPED_TRACE(piece);
        delivered.clear();
        for (size_t i = 0; i < all.size(); i += piece) {
            const size_t n = std::min(piece, all.size() - i);
            codec.Feed(&all[i], static_cast<uint32_t>(n), 0);
        }
        ASSERT_EQ(delivered.size(), 2u);
        EXPECT_EQ(delivered[1], ndd_fixtures::kRequest);
    }
}

TEST_F(ZG2PCodecTest, WrongCheckValueIsReportedThenTheNextMessageIsDelivered) {
    Bytes bad = ndd_fixtures::kAnswer;
    bad.back() ^= 0x01;
    Feed(Concat({bad, ndd_fixtures::kRequest}), 3);
    EXPECT_EQ(handler.errors, (std::vector<std::pair<int, int>>{{1, 3}}));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], ndd_fixtures::kRequest);
}

TEST_F(ZG2PCodecTest, CheckValuesOfEachModeAreVerified) {
    struct Case {
        const char* name;
        int mode;
        bool corruptCheck;
        bool delivered;
    } cases[] = {
        {"byte sum", ZZG2PMessage::kCheckByteSum, false, true},
        {"CRC", ZZG2PMessage::kCheckCrc, false, true},
        {"CRC corrupted", ZZG2PMessage::kCheckCrc, true, false},
        {"none, whatever the last two bytes hold", ZZG2PMessage::kCheckNone, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        delivered.clear();
        handler.errors.clear();
        Bytes m = Message(0x9015, c.mode, "payload");
        if (c.corruptCheck)
            m[m.size() - 2] ^= 0xFF;
        Feed(m);
        EXPECT_EQ(delivered.size(), c.delivered ? 1u : 0u);
        EXPECT_EQ(handler.errors.size(), c.delivered ? 0u : 1u);
        if (c.delivered) {
            EXPECT_EQ(delivered[0], m);
        }
    }
}

TEST_F(ZG2PCodecTest, FilterDropsOtherProtocolsSilently) {
    Feed(Message(0x9016, ZZG2PMessage::kCheckByteSum, "x"));
    EXPECT_TRUE(delivered.empty());
    EXPECT_TRUE(handler.errors.empty());
    EXPECT_EQ(codec.GetGatheredCount(), 0u);
    Feed(Message(0x9015, ZZG2PMessage::kCheckByteSum, "x"));
    EXPECT_EQ(handler.protocolIds, std::vector<uint16_t>{0x9015});

    RecordingCodec open(false, &handler);  // filter 0: every protocol
    std::vector<Bytes> all;
    open.delivered = &all;
    const Bytes other = Message(0x1234, ZZG2PMessage::kCheckByteSum, "x");
    open.Feed(other.data(), static_cast<uint32_t>(other.size()), 0);
    EXPECT_EQ(all.size(), 1u);
}

TEST_F(ZG2PCodecTest, SilenceLongerThanTheTimeoutDropsTheFirstHalf) {
    const Bytes& answer = ndd_fixtures::kAnswer;
    const uint32_t half = static_cast<uint32_t>(answer.size() / 2);
    codec.SetTimeout(100);
    codec.Feed(answer.data(), half, 0);
    zplat::Sleep(150);
    codec.Feed(answer.data() + half, static_cast<uint32_t>(answer.size()) - half, 0);
    EXPECT_TRUE(delivered.empty());
    // The second half alone is the start of a new message: the codec ends where a fresh one fed
    // only the second half ends.
    Recorder freshHandler;
    ZZG2PCodec fresh(uint16_t{0x9015}, ZZG2PMessage::kCheckByteSum, false, &freshHandler);
    fresh.Feed(answer.data() + half, static_cast<uint32_t>(answer.size()) - half, 0);
    EXPECT_EQ(codec.GetGatheredCount(), fresh.GetGatheredCount());
    EXPECT_EQ(handler.errors, freshHandler.errors);
}

TEST_F(ZG2PCodecTest, HalvesWithinTheTimeoutJoin) {
    const Bytes& answer = ndd_fixtures::kAnswer;
    codec.SetTimeout(60000);
    codec.Feed(answer.data(), 50, 0);
    zplat::Sleep(20);
    codec.Feed(answer.data() + 50, static_cast<uint32_t>(answer.size()) - 50, 0);
    EXPECT_EQ(delivered.size(), 1u);
}

TEST_F(ZG2PCodecTest, OversizeAnnouncementDropsTheDatagramAndResynchronises) {
    // A long-form header announcing 0x7FFFFFF0 bytes of parameters, then more bytes in the same
    // datagram that must not be taken for a message.
    Bytes hostile = ndd_fixtures::kRequest;
    hostile[8] = 0x1D;                                   // long form: 4-byte length field
    hostile.insert(hostile.begin() + 25, {0x7F, 0xFF});  // length 0x7FFF0035
    const Bytes datagram = Concat({hostile, ndd_fixtures::kAnswer});
    Feed(datagram, 9);
    EXPECT_EQ(handler.errors, (std::vector<std::pair<int, int>>{{2, 9}}));
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(codec.GetGatheredCount(), 0u);
    Feed(ndd_fixtures::kAnswer);  // the next datagram starts clean
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], ndd_fixtures::kAnswer);
}

TEST_F(ZG2PCodecTest, LargestAcceptedMessageIsGatheredWhole) {
    ZZG2PMessage m(true);
    m.SetProtocolId(0x9015);
    // Parameters end exactly where the cap leaves room for the check value.
    const uint32_t room = ZZG2PCodec::kMaxMessageBytes - 31 - 2 - 5;
    const Bytes blob(room, 0x42);
    ASSERT_TRUE(m.AddBlob(blob.data(), room));
    ASSERT_EQ(m.GetLength(), ZZG2PCodec::kMaxMessageBytes);
    codec.Feed(m.GetData(), m.GetLength(), 0);
    EXPECT_EQ(delivered.size(), 1u);
    m.AddFlag(1);  // one parameter more: over the cap
    codec.Feed(m.GetData(), m.GetLength(), 0);
    EXPECT_EQ(delivered.size(), 1u);
    EXPECT_EQ(handler.errors.size(), 1u);
}

TEST_F(ZG2PCodecTest, NothingHappensForEmptyInput) {
    codec.Feed(nullptr, 10, 0);
    codec.Feed(ndd_fixtures::kAnswer.data(), 0, 0);
    EXPECT_EQ(codec.GetGatheredCount(), 0u);
}

TEST(ZG2PCodecConstructionTest, OutgoingMessageTakesProtocolIdAndCheckMode) {
    ZZG2PCodec codec(0x9015, ZZG2PMessage::kCheckCrc, false, nullptr);
    ZZG2PMessage* out = codec.GetMessage();
    out->GetLength();
    EXPECT_EQ(out->GetProtocolId(), 0x9015);
    EXPECT_EQ(out->GetCheckMode(), ZZG2PMessage::kCheckCrc);
    EXPECT_FALSE(out->IsLongForm());
    // Feeding without a handler is harmless.
    codec.Feed(ndd_fixtures::kRequest.data(), 82, 0);
    EXPECT_EQ(codec.GetGatheredCount(), 0u);

    ZZG2PCodec longCodec(true, nullptr);
    EXPECT_TRUE(longCodec.GetMessage()->IsLongForm());
}

}  // namespace
