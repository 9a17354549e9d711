// The detection engine without a network: the wildcard rule, result texts, the mode check, and
// the whole receive path from datagram bytes to the handler (codec, processor, OnAnswer), fed
// through the socket-handler entry point. Searches on real interfaces are in tests/netns/.

#include "ndd/network_device_detection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ndd/network_device_interface.h"
#include "tests/ndd/ndd_fixtures.h"

namespace {

using ndd_fixtures::Address;
using ndd_fixtures::Bytes;

// What the handler saw of one answer, copied during the call.
struct SeenAnswer {
    std::string serviceName, deviceName, model, version, info, extra;
    std::string address, mask, local, localMask;
    uint32_t userData = 0, addressCount = 0;
    uint16_t port = 0, aux = 0;
    int32_t index = 0;
};

struct SeenRefusal {
    uint32_t address;
    std::string serviceName;
    uint16_t code;
};

class RecordingHandler : public INetworkDeviceDetectionHandler {
public:
    int OnDeviceAnswer(INetworkDevice* d, INetworkDeviceDetection* source) override {
        sources.push_back(source);
        devices.push_back(d);
        SeenAnswer a;
        a.serviceName = d->GetServiceName();
        a.deviceName = d->GetDeviceName();
        a.model = d->GetModel();
        a.version = d->GetVersion();
        a.info = d->GetInfo();
        a.extra = d->GetExtraText();
        a.addressCount = d->GetAddressCount();
        if (IIPAddress* ip = d->GetAddress(0)) {
            a.address = ip->GetAddressText();
            a.mask = ip->GetMaskText();
            a.index = ip->GetIndex();
        }
        a.local = d->GetLocalAddress()->GetAddressText();
        a.localMask = d->GetLocalAddress()->GetMaskText();
        a.userData = d->GetUserData();
        a.port = d->GetPort();
        a.aux = d->GetAuxValue();
        answers.push_back(a);
        if (during) {
            during();
        }
        return result;
    }
    int OnErrorAnswer(uint32_t address, const char* serviceName, uint16_t code,
                      INetworkDeviceDetection* source) override {
        sources.push_back(source);
        refusals.push_back({address, serviceName ? serviceName : "(null)", code});
        return result;
    }

    std::vector<SeenAnswer> answers;
    std::vector<SeenRefusal> refusals;
    std::vector<INetworkDeviceDetection*> sources;
    std::vector<INetworkDevice*> devices;  // the records as reported
    std::function<void()> during;          // runs inside OnDeviceAnswer
    int result = 1;
};

void FeedDatagram(ZNetworkDeviceDetection& engine, const Bytes& bytes) {
    engine.OnUDPData(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                     "192.168.1.50", 0, nullptr);
}

int Answer(ZNetworkDeviceDetection& engine, const char* service, uint16_t port) {
    return engine.OnAnswer(service, Address(10, 0, 0, 9), Address(255, 0, 0, 0), 0, port, 0, "dev",
                           "m", "1.0", "", Address(10, 0, 0, 5), Address(255, 0, 0, 0), 0, "",
                           nullptr);
}

TEST(NetworkDeviceDetection, MatchServiceNameRule) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"abc.*", "abc.def", true},
        {"abc.*", "xabc.def", false},
        {"*.def", "abc.def", true},
        {"*", "x", false},          // a lone star matches nothing
        {"*abc", "abcabc", false},  // the first abc is not at the end
        {"*abc", "xabc", true},
        {"abc", "abc", true},
        {"abc", "abcd", false},
        {"abc", "ABC", false},  // case-sensitive
        {"", "abc", false},
        {"abc", "", false},
        {nullptr, "abc", false},
        {"abc", nullptr, false},
        {"zelvane.*", "zelvane.cuedeck", true},
        {"zelvane.*", "zelvane.", true},
        {"zelvane.*", "zelvane", false},
        {"a*c", "a*c", true},  // a star inside is an ordinary character
        {"a*c", "abc", false},
        {"**", "x*", true},  // rest "*" found at the end
    };
    ZNetworkDeviceDetection engine(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern ? c.pattern : "(null)") + " / " +
                     (c.name ? c.name : "(null)"));
        EXPECT_EQ(engine.MatchServiceName(c.pattern, c.name), c.match);
        EXPECT_EQ(ZNetworkDeviceDetection::MatchServiceNamePattern(c.pattern, c.name), c.match);
    }
}

TEST(NetworkDeviceDetection, ErrorTexts) {
    struct Case {
        int16_t code;
        const char* text;
    } cases[] = {
        {-8191, "Wrong Mode"},    {-8190, "Bad Argument"},
        {-8189, "Network Error"}, {0, "No Error"},
        {1, "Invalid Parameter"}, {255, "Unknown Message"},
        {2047, "Timeout Error"},  {-1, "Undefined Error"},
        {42, "Undefined Error"},  {-8192, "Undefined Error"},
    };
    ZNetworkDeviceDetection engine(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(engine.GetErrorText(c.code), c.text);
    }
}

TEST(NetworkDeviceDetection, SendSearchBeforeStartIsWrongModeAndSendsNothing) {
    ZNetworkDeviceDetection engine(nullptr);
    int16_t result = 77;
    EXPECT_FALSE(engine.SendSearch("zelvane.*", "", "abc", &result));
    EXPECT_EQ(result, ZNetworkDeviceDetection::kWrongMode);
    EXPECT_FALSE(engine.SendSearch("zelvane.*", "", "abc", nullptr));  // no result slot
    EXPECT_FALSE(engine.IsSearching());
    EXPECT_EQ(engine.GetLocalPort(), 0);  // no socket was made
    EXPECT_EQ(engine.GetInterfaceCount(), 0u);
    EXPECT_EQ(engine.GetInterface(0), nullptr);
    engine.Stop();  // stopping an idle engine is harmless
}

TEST(NetworkDeviceDetection, WorkedAnswerReachesTheHandlerWithEveryField) {
    RecordingHandler handler;
    ZNetworkDeviceDetection engine(&handler);
    FeedDatagram(engine, ndd_fixtures::kAnswer);

    ASSERT_EQ(handler.answers.size(), 1u);
    const SeenAnswer& a = handler.answers[0];
    EXPECT_EQ(a.serviceName, "zelvane.cuedeck");
    EXPECT_EQ(a.addressCount, 1u);
    EXPECT_EQ(a.address, "192.168.1.50");
    EXPECT_EQ(a.mask, "255.255.255.0");
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(a.userData, 0u);
    EXPECT_EQ(a.port, 4300);
    EXPECT_EQ(a.aux, 0);
    EXPECT_EQ(a.deviceName, "Booth 2");
    EXPECT_EQ(a.model, "");
    EXPECT_EQ(a.version, "6.4.2");
    EXPECT_EQ(a.info, "");
    EXPECT_EQ(a.local, "192.168.1.20");  // the echoed requester address
    EXPECT_EQ(a.localMask, "255.255.255.0");
    EXPECT_EQ(a.extra, "");
    EXPECT_EQ(handler.sources[0], static_cast<INetworkDeviceDetection*>(&engine));
}

TEST(NetworkDeviceDetection, DirectAnswerCarriesNumbersAndTexts) {
    RecordingHandler handler;
    ZNetworkDeviceDetection engine(&handler);
    EXPECT_EQ(engine.OnAnswer("zelvane.vxp2", Address(172, 16, 5, 9), Address(255, 255, 0, 0),
                              0xDEADBEEF, 80, 7, "VXP", "model", "2.0", "<data/>",
                              Address(172, 16, 0, 1), Address(255, 255, 0, 0), 3, "extra", nullptr),
              1);
    ASSERT_EQ(handler.answers.size(), 1u);
    const SeenAnswer& a = handler.answers[0];
    EXPECT_EQ(a.address, "172.16.5.9");
    EXPECT_EQ(a.mask, "255.255.0.0");
    EXPECT_EQ(a.index, 3);
    EXPECT_EQ(a.userData, 0xDEADBEEFu);
    EXPECT_EQ(a.port, 80);
    EXPECT_EQ(a.aux, 7);
    EXPECT_EQ(a.info, "<data/>");
    EXPECT_EQ(a.extra, "extra");
    EXPECT_EQ(a.local, "172.16.0.1");

    handler.result = 0;  // the handler's verdict is the engine's result
    EXPECT_EQ(Answer(engine, "zelvane.vxp2", 80), 0);
    ZNetworkDeviceDetection alone(nullptr);
    EXPECT_EQ(Answer(alone, "zelvane.vxp2", 80), 1);  // without a handler: handled
}

TEST(NetworkDeviceDetection, RefusalIsForwarded) {
    RecordingHandler handler;
    ZNetworkDeviceDetection engine(&handler);
    FeedDatagram(engine, ndd_fixtures::kRefusal);
    ASSERT_EQ(handler.refusals.size(), 1u);
    EXPECT_EQ(handler.refusals[0].address, Address(192, 168, 1, 50));
    EXPECT_EQ(handler.refusals[0].serviceName, "zelvane.cuedeck");
    EXPECT_EQ(handler.refusals[0].code, 1);
    EXPECT_TRUE(handler.answers.empty());
}

TEST(NetworkDeviceDetection, RequestsAndOtherMessagesAreIgnored) {
    RecordingHandler handler;
    ZNetworkDeviceDetection engine(&handler);
    FeedDatagram(engine, ndd_fixtures::kRequest);  // the engine answers no requests
    EXPECT_TRUE(handler.answers.empty());
    EXPECT_TRUE(handler.refusals.empty());
}

// An answer that meets the engine lock held elsewhere (a search being sent, here the handler of
// an earlier answer) waits for it and is handled right after, in its turn.
TEST(NetworkDeviceDetection, AnswerThatMeetsTheLockHeldWaitsAndIsHandledAfter) {
    RecordingHandler handler;
    ZNetworkDeviceDetection engine(&handler);
    std::atomic<int> second{-1};
    std::thread other;
    size_t seenWhileHeld = 0;
    bool once = true;
    handler.during = [&] {
        if (std::exchange(once, false)) {
            other = std::thread([&] { second = Answer(engine, "zelvane.zth2", 2); });
            while (engine.GetCounters().answersWaited == 0) {
                std::this_thread::yield();
            }
            seenWhileHeld = handler.answers.size();  // the other one is still waiting
        }
    };
    EXPECT_EQ(Answer(engine, "zelvane.zth2", 1), 1);
    other.join();
    EXPECT_EQ(seenWhileHeld, 1u);
    EXPECT_EQ(second, 1);
    ASSERT_EQ(handler.answers.size(), 2u);
    EXPECT_EQ(handler.answers[0].port, 1);
    EXPECT_EQ(handler.answers[1].port, 2);
    const ZNetworkDeviceDetection::Counters counters = engine.GetCounters();
    EXPECT_EQ(counters.answersWaited, 1u);
    EXPECT_EQ(counters.queuedAtClose, 0u);
    EXPECT_EQ(engine.GetDroppedAnswerCount(), 0u);
}

// The records the handler gets: one per distinct answer of a cycle, shared by its repeats.
TEST(NetworkDeviceDetection, RepeatedAnswersOfACycleShareTheirRecord) {
    RecordingHandler handler;
    ZNetworkDeviceDetection engine(&handler);
    FeedDatagram(engine, ndd_fixtures::kAnswer);
    FeedDatagram(engine, ndd_fixtures::kAnswer);
    Answer(engine, "zelvane.zth2", 1);
    Answer(engine, "zelvane.zth2", 1);
    Answer(engine, "zelvane.zth2", 2);
    ASSERT_EQ(handler.devices.size(), 5u);
    EXPECT_EQ(handler.devices[0], handler.devices[1]);
    EXPECT_EQ(handler.devices[2], handler.devices[3]);
    EXPECT_NE(handler.devices[0], handler.devices[2]);
    EXPECT_NE(handler.devices[2], handler.devices[4]);
    EXPECT_EQ(handler.answers[1].deviceName, "Booth 2");  // every report carries the fields
}

// Datagrams that are not whole messages must not spoil the next one: each datagram starts
// afresh, whatever the previous one announced.
TEST(NetworkDeviceDetection, BrokenDatagramsDoNotSpoilTheNextAnswer) {
    Bytes truncated(ndd_fixtures::kAnswer.begin(), ndd_fixtures::kAnswer.begin() + 40);
    Bytes huge = ndd_fixtures::kAnswer;
    huge[25] = 0xFF;  // length field: 65,535 bytes of parameters announced
    huge[26] = 0xFF;
    Bytes badCheck = ndd_fixtures::kAnswer;
    badCheck.back() ^= 0xFF;
    Bytes headerOnly(ndd_fixtures::kAnswer.begin(), ndd_fixtures::kAnswer.begin() + 9);
    Bytes noNul = ndd_fixtures::kAnswer;
    noNul[49] = 'x';  // the service name's NUL replaced, check value (byte sum) made right again
    noNul[noNul.size() - 1] = static_cast<uint8_t>(noNul.back() + 'x');

    struct Case {
        const char* name;
        Bytes bytes;
        size_t answers;  // reported for the broken datagram itself
    } cases[] = {{"truncated", truncated, 0},
                 {"huge length", huge, 0},
                 {"bad check value", badCheck, 0},
                 {"header only", headerOnly, 0},
                 {"text without NUL", noNul, 1}};  // an answer whose service name reads as ""
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHandler handler;
        ZNetworkDeviceDetection engine(&handler);
        FeedDatagram(engine, c.bytes);
        ASSERT_EQ(handler.answers.size(), c.answers);
        if (c.answers == 1) {
            EXPECT_EQ(handler.answers[0].serviceName, "");
        }
        FeedDatagram(engine, ndd_fixtures::kAnswer);
        ASSERT_EQ(handler.answers.size(), c.answers + 1);
        EXPECT_EQ(handler.answers.back().deviceName, "Booth 2");
    }
}

TEST(NetworkDeviceDetection, EmptyDatagramsAreIgnored) {
    RecordingHandler handler;
    ZNetworkDeviceDetection engine(&handler);
    engine.OnUDPData(nullptr, 10, "1.2.3.4", 0, nullptr);
    engine.OnUDPData("x", 0, "1.2.3.4", 0, nullptr);
    engine.OnUDPData("x", -5, "1.2.3.4", 0, nullptr);
    FeedDatagram(engine, ndd_fixtures::kAnswer);
    EXPECT_EQ(handler.answers.size(), 1u);
}

}  // namespace
