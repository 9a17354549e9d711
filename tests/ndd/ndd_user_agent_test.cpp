// The user agent without a network: answers and refusals are handed to it as its engine would
// (INetworkDeviceDetectionHandler), so storing, fan-out, settings and the not-started paths are
// checked here. Locate against answering devices is in tests/netns/.

#include "ndd/ndd_user_agent.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ndd/network_device.h"
#include "ndd/network_device_detection.h"
#include "tests/ndd/ndd_fixtures.h"

namespace {

using ndd_fixtures::Address;

class CountingHandler : public INDDUserAgentHandler {
public:
    int OnDeviceAnswer(INetworkDevice* device, INDDUserAgent* agent) override {
        devices.push_back(device);
        agents.push_back(agent);
        return 0;
    }
    int OnErrorAnswer(uint32_t address, uint16_t code, INDDUserAgent* agent) override {
        refusals.push_back({address, code});
        agents.push_back(agent);
        return 0;
    }
    std::vector<INetworkDevice*> devices;
    std::vector<INDDUserAgent*> agents;
    std::vector<std::pair<uint32_t, uint16_t>> refusals;
};

// An answer as the engine builds it.
std::unique_ptr<ZNetworkDevice> MakeAnswer(const char* service, uint32_t address, uint32_t mask,
                                           uint16_t port, uint32_t local = Address(10, 0, 0, 5)) {
    auto d = std::make_unique<ZNetworkDevice>(service, port, 9, "Booth 2", "Cuedeck", "6.4.2",
                                              "<data/>", "extra");
    d->SetUserData(0x1234);
    d->AddAddress(address, mask, 4);
    d->SetLocalAddress(local, Address(255, 0, 0, 0));
    return d;
}

class NDDUserAgentTest : public ::testing::Test {
protected:
    // The agent's own engine serves as the source, as it would on the receive thread.
    int Deliver(ZNetworkDevice* d) { return agent_.OnDeviceAnswer(d, agent_.GetEngine()); }

    ZNDDUserAgent agent_{nullptr, 0, 4258};
};

TEST_F(NDDUserAgentTest, StoresACopyOfEveryField) {
    auto answer = MakeAnswer("zelvane.cuedeck", Address(10, 0, 0, 9), Address(255, 0, 0, 0), 4300);
    EXPECT_EQ(Deliver(answer.get()), 1);
    ASSERT_EQ(agent_.GetDeviceCount(), 1);
    INetworkDevice* stored = agent_.GetFirstDevice();
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, answer.get());
    answer.reset();  // the engine's record goes at the next cycle; the copy stays
    EXPECT_STREQ(stored->GetServiceName(), "zelvane.cuedeck");
    EXPECT_EQ(stored->GetPort(), 4300);
    EXPECT_EQ(stored->GetAuxValue(), 9);
    EXPECT_STREQ(stored->GetDeviceName(), "Booth 2");
    EXPECT_STREQ(stored->GetModel(), "Cuedeck");
    EXPECT_STREQ(stored->GetVersion(), "6.4.2");
    EXPECT_STREQ(stored->GetInfo(), "<data/>");
    EXPECT_STREQ(stored->GetExtraText(), "extra");
    EXPECT_EQ(stored->GetUserData(), 0x1234u);
    ASSERT_EQ(stored->GetAddressCount(), 1u);
    EXPECT_STREQ(stored->GetAddress(0)->GetAddressText(), "10.0.0.9");
    EXPECT_STREQ(stored->GetAddress(0)->GetMaskText(), "255.0.0.0");
    EXPECT_EQ(stored->GetAddress(0)->GetIndex(), 4);
    EXPECT_STREQ(stored->GetLocalAddress()->GetAddressText(), "10.0.0.5");
    EXPECT_EQ(agent_.GetNextDevice(), nullptr);
}

TEST_F(NDDUserAgentTest, OneStoredDevicePerAddressMaskServiceAndPort) {
    const uint32_t a = Address(10, 0, 0, 9), m = Address(255, 0, 0, 0);
    struct Step {
        const char* what;
        std::unique_ptr<ZNetworkDevice> answer;
        int count;  // stored devices afterwards
    } steps[] = {
        {"first answer", MakeAnswer("zelvane.cuedeck", a, m, 4300), 1},
        {"same device again", MakeAnswer("zelvane.cuedeck", a, m, 4300), 1},
        {"another port", MakeAnswer("zelvane.cuedeck", a, m, 4301), 2},
        {"another mask", MakeAnswer("zelvane.cuedeck", a, Address(255, 255, 0, 0), 4300), 3},
        {"another service", MakeAnswer("zelvane.cuedeck2", a, m, 4300), 4},
        {"service differs in case", MakeAnswer("Zelvane.cuedeck", a, m, 4300), 5},
        {"another address", MakeAnswer("zelvane.cuedeck", Address(10, 0, 0, 8), m, 4300), 6},
    };
    for (Step& s : steps) {
        SCOPED_TRACE(s.what);
        Deliver(s.answer.get());
        EXPECT_EQ(agent_.GetDeviceCount(), s.count);
    }
}

TEST_F(NDDUserAgentTest, RepeatedAnswerRefreshesOnlyTheLocalAddress) {
    const uint32_t a = Address(10, 0, 0, 9), m = Address(255, 0, 0, 0);
    auto first = MakeAnswer("zelvane.cuedeck", a, m, 4300, Address(10, 0, 0, 5));
    Deliver(first.get());
    auto second =
        std::make_unique<ZNetworkDevice>("zelvane.cuedeck", 4300, 1, "Renamed", "", "", "", "");
    second->AddAddress(a, m, 0);
    second->SetLocalAddress(Address(10, 1, 0, 5), Address(255, 255, 0, 0));
    Deliver(second.get());
    ASSERT_EQ(agent_.GetDeviceCount(), 1);
    INetworkDevice* stored = agent_.GetFirstDevice();
    EXPECT_STREQ(stored->GetDeviceName(), "Booth 2");
    EXPECT_STREQ(stored->GetLocalAddress()->GetAddressText(), "10.1.0.5");
    EXPECT_STREQ(stored->GetLocalAddress()->GetMaskText(), "255.255.0.0");
}

TEST_F(NDDUserAgentTest, ManyDevicesAreStoredOnceInTheOrderTheyFirstAnswered) {
    constexpr uint32_t kCount = 3000;
    auto numbered = [](uint32_t i, uint32_t local) {
        return MakeAnswer(
            "zelvane.cuedeck",
            Address(10, 200, static_cast<uint8_t>(i / 250), static_cast<uint8_t>(i % 250 + 1)),
            Address(255, 255, 0, 0), 4300, local);
    };
    for (uint32_t i = 0; i < kCount; ++i) {
        auto answer = numbered(i, Address(10, 0, 0, 5));
        Deliver(answer.get());
    }
    // Every device answers again, newest first and through another interface.
    for (uint32_t i = kCount; i-- > 0;) {
        auto answer = numbered(i, Address(10, 0, 0, 6));
        Deliver(answer.get());
    }
    ASSERT_EQ(agent_.GetDeviceCount(), static_cast<int>(kCount));
    uint32_t i = 0;
    for (INetworkDevice* d = agent_.GetFirstDevice(); d != nullptr; d = agent_.GetNextDevice()) {
        auto expected = numbered(i, 0);
        ASSERT_STREQ(d->GetAddress(0)->GetAddressText(), expected->GetAddress(0)->GetAddressText());
        ASSERT_STREQ(d->GetLocalAddress()->GetAddressText(), "10.0.0.6") << i;
        ++i;
    }
    EXPECT_EQ(i, kCount);
}

TEST_F(NDDUserAgentTest, EmptiedListStoresDevicesAnew) {
    auto answer = MakeAnswer("zelvane.zth2", Address(10, 0, 0, 9), Address(255, 0, 0, 0), 1);
    // Each way of emptying the list forgets the devices entirely: the next answer of the same
    // device is stored as a new copy (a forgotten copy found again would be a deleted one).
    agent_.SetServiceType("zelvane.*");
    struct Way {
        const char* what;
        std::function<void()> empty;
    } ways[] = {
        {"ClearDevices", [this] { agent_.ClearDevices(); }},
        {"another service type", [this] { agent_.SetServiceType("zelvane.zth*"); }},
    };
    for (const Way& w : ways) {
        SCOPED_TRACE(w.what);
        Deliver(answer.get());
        w.empty();
        ASSERT_EQ(agent_.GetDeviceCount(), 0);
        Deliver(answer.get());
        Deliver(answer.get());
        EXPECT_EQ(agent_.GetDeviceCount(), 1);
        agent_.ClearDevices();
    }
}

TEST_F(NDDUserAgentTest, AnswerWithoutAddressIsStoredAsAddressZero) {
    ZNetworkDevice bare("zelvane.zth2", 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
    Deliver(&bare);
    Deliver(&bare);  // no address: it matches nothing, so it is stored again
    EXPECT_EQ(agent_.GetDeviceCount(), 2);
    INetworkDevice* first = agent_.GetFirstDevice();
    EXPECT_STREQ(first->GetAddress(0)->GetAddressText(), "0.0.0.0");
    EXPECT_STREQ(first->GetAddress(0)->GetMaskText(), "0.0.0.0");
    // An answer that does carry 0.0.0.0/0.0.0.0 matches the oldest such copy.
    auto zero = MakeAnswer("zelvane.zth2", 0, 0, 1, Address(10, 0, 0, 7));
    Deliver(zero.get());
    EXPECT_EQ(agent_.GetDeviceCount(), 2);
    EXPECT_STREQ(first->GetLocalAddress()->GetAddressText(), "10.0.0.7");
}

TEST_F(NDDUserAgentTest, HandlersGetTheEnginesRecordOncePerAnswer) {
    CountingHandler h1, h2;
    agent_.AddHandler(&h1);
    agent_.AddHandler(&h1);  // twice: still one callback per answer
    agent_.AddHandler(&h2);
    auto answer = MakeAnswer("zelvane.handset", Address(10, 0, 0, 9), Address(255, 0, 0, 0), 1);
    Deliver(answer.get());
    Deliver(answer.get());  // two answers of one device: two callbacks
    ASSERT_EQ(h1.devices.size(), 2u);
    EXPECT_EQ(h1.devices[0], answer.get());  // the engine's record, not the stored copy
    EXPECT_EQ(h1.agents[0], static_cast<INDDUserAgent*>(&agent_));
    EXPECT_EQ(h2.devices.size(), 2u);

    agent_.RemoveHandler(&h1);
    agent_.RemoveHandler(&h1);  // not registered any more: ignored
    Deliver(answer.get());
    EXPECT_EQ(h1.devices.size(), 2u);
    EXPECT_EQ(h2.devices.size(), 3u);
}

TEST_F(NDDUserAgentTest, RefusalsReachTheHandlers) {
    CountingHandler h;
    agent_.AddHandler(&h);
    EXPECT_EQ(
        agent_.OnErrorAnswer(Address(192, 168, 1, 50), "zelvane.cuedeck", 1, agent_.GetEngine()),
        1);
    EXPECT_EQ(agent_.OnErrorAnswer(Address(192, 168, 1, 51), nullptr, 255, agent_.GetEngine()), 1);
    ASSERT_EQ(h.refusals.size(), 2u);
    EXPECT_EQ(h.refusals[0], std::make_pair(Address(192, 168, 1, 50), uint16_t{1}));
    EXPECT_EQ(h.refusals[1], std::make_pair(Address(192, 168, 1, 51), uint16_t{255}));
    EXPECT_EQ(agent_.GetDeviceCount(), 0);
}

TEST_F(NDDUserAgentTest, ChangingANonEmptyServiceTypeEmptiesTheList) {
    auto answer = MakeAnswer("zelvane.zth2", Address(10, 0, 0, 9), Address(255, 0, 0, 0), 1);
    Deliver(answer.get());
    agent_.SetServiceType("a");  // the first pattern: nothing is emptied
    EXPECT_EQ(agent_.GetDeviceCount(), 1);
    EXPECT_STREQ(agent_.GetServiceType(), "a");
    agent_.SetServiceType("b");
    EXPECT_EQ(agent_.GetDeviceCount(), 0);

    agent_.SetServiceType(nullptr);
    EXPECT_STREQ(agent_.GetServiceType(), "");
    const std::string longPattern(300, 'p');
    agent_.SetServiceType(longPattern.c_str());
    EXPECT_EQ(std::string(agent_.GetServiceType()), longPattern.substr(0, 255));
}

TEST_F(NDDUserAgentTest, RetryCountIsAtLeastOne) {
    EXPECT_EQ(agent_.GetRetryCount(), 1);
    for (uint16_t n : {0, 1}) {
        agent_.SetRetryCount(n);
        EXPECT_EQ(agent_.GetRetryCount(), 1) << n;
    }
    agent_.SetRetryCount(5);
    EXPECT_EQ(agent_.GetRetryCount(), 5);
}

TEST_F(NDDUserAgentTest, NothingIsSentBeforeStart) {
    int16_t result = 99;
    // No service type: false and the result untouched.
    EXPECT_FALSE(agent_.Search("", "abc", &result));
    EXPECT_EQ(result, 99);
    // With one, the engine refuses: wrong mode.
    agent_.SetServiceType("zelvane.*");
    EXPECT_FALSE(agent_.Search("", "abc", &result));
    EXPECT_EQ(result, ZNetworkDeviceDetection::kWrongMode);

    // Locate needs a started agent and leaves the result alone without one.
    result = 99;
    INetworkDevice* device = reinterpret_cast<INetworkDevice*>(0x1);
    EXPECT_FALSE(agent_.Locate("10.0.0.9", 0, &result, &device, nullptr, 50));
    EXPECT_FALSE(agent_.Locate("10.0.0.9", &result, 50));
    EXPECT_FALSE(agent_.Locate("10.0.0.9", 4300, &result, &device, 50));
    EXPECT_EQ(result, 99);
    EXPECT_EQ(device, reinterpret_cast<INetworkDevice*>(0x1));
    EXPECT_FALSE(agent_.IsStarted());
    EXPECT_EQ(agent_.GetInterfaceCount(), 0u);
    EXPECT_EQ(agent_.GetInterface(0), nullptr);
    agent_.Stop();  // allowed without a Start
}

TEST_F(NDDUserAgentTest, ClearDevicesEmptiesTheList) {
    auto a = MakeAnswer("zelvane.zth2", Address(10, 0, 0, 9), Address(255, 0, 0, 0), 1);
    auto b = MakeAnswer("zelvane.zth2", Address(10, 0, 0, 8), Address(255, 0, 0, 0), 1);
    Deliver(a.get());
    Deliver(b.get());
    EXPECT_EQ(agent_.GetDeviceCount(), 2);
    agent_.ClearDevices();
    EXPECT_EQ(agent_.GetDeviceCount(), 0);
    EXPECT_EQ(agent_.GetFirstDevice(), nullptr);
}

TEST(NDDUserAgent, ErrorTexts) {
    struct Case {
        int16_t code;
        const char* text;
    } cases[] = {{0, "Success"},
                 {1, "Bad Argument"},
                 {2, "Timeout"},
                 {3, "Network Error"},
                 {4, "Server Cannot Start"},
                 {5, "Server Not Started"},
                 {6, "Service Already Exists"},
                 {7, "Service Doesn't Exist"},
                 {8, "Undefined Error"},
                 {-1, "Undefined Error"},
                 {2047, "Undefined Error"}};
    ZNDDUserAgent agent(nullptr, 0, 4258);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(agent.GetErrorText(c.code), c.text);
    }
}

TEST(NDDUserAgent, ReleaseDeletesTheAgent) {
    INDDUserAgent* agent = new ZNDDUserAgent("10.0.0.1", 0, 4258);
    agent->Release();  // the leak checker of the sanitizer builds sees the rest
}

}  // namespace
