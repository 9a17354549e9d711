// Discovery between private network namespaces: the detection engine, the user agent and the
// zunit command line in one namespace, the device simulator (zunit simulate) in another. Every
// broadcast stays inside namespaces made here; each test refuses to run in the machine's own.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_detection.h"
#include "ndd/zg2p_message.h"
#include "net/ip_address.h"
#include "tests/netns/simulated_network.h"
#include "tests/support/netns_fixture.h"
#include "tools/network_namespace.h"

#ifndef ZUNIT_EXE
#error "ZUNIT_EXE must name the zunit executable"
#endif

namespace {

using products_test::Clock;
using products_test::Json;
using products_test::MsSince;
using products_test::ReadFile;
using products_test::WaitFor;

// Records what the agent reports, thread-safely.
class Recorder : public INDDUserAgentHandler {
public:
    int OnDeviceAnswer(INetworkDevice* d, INDDUserAgent*) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++answers;
        lastName = d->GetDeviceName();
        lastService = d->GetServiceName();
        lastLocal = d->GetLocalAddress()->GetAddressText();
        return 0;
    }
    int OnErrorAnswer(uint32_t, uint16_t code, INDDUserAgent*) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++refusals;
        lastCode = code;
        return 0;
    }
    int Answers() {
        std::lock_guard<std::mutex> lock(mutex);
        return answers;
    }

    std::mutex mutex;
    int answers = 0;
    int refusals = 0;
    uint16_t lastCode = 0;
    std::string lastName, lastService, lastLocal;
};

// Two devices on one address and two ports, one that refuses, one far away in time.
const char* kDevices = R"([
  {"service":"zelvane.cuedeck","name":"Booth 2","address":"10.200.0.50","mask":"255.255.255.0",
   "port":4300,"model":"Cuedeck","version":"6.4.2","info":"<data/>","aux":5,"user_data":9,
   "index":3,"extra":"x"},
  {"service":"zelvane.cuedeck","name":"Booth 2 second","address":"10.200.0.50",
   "mask":"255.255.255.0","port":4301},
  {"service":"zelvane.vxp2","name":"Refuser","address":"10.200.0.51","mask":"255.255.255.0",
   "port":80,"refusal":1}
])";

// The namespace pair, scratch directory and zunit runner of the product tests, with the simulator
// started in any namespace and, by default, on the devices above.
class DiscoveryNetnsTest : public products_test::SimulatedNetworkTest {
protected:
    // Starts zunit simulate in ns with the test devices (or the given arguments) and a request
    // log; returns once it listens. The default devices answer 30 ms late, so that no answer
    // meets the engine still sending its cycle (it would be dropped, as designed) even when the
    // machine is busy.
    void StartSimulator(const std::string& ns, std::vector<std::string> args = {}) {
        if (args.empty()) {
            std::ofstream(Path("devices.json")) << kDevices;
            args = {"--devices", Path("devices.json"), "--delay", "30"};
        }
        std::vector<std::string> argv = {ZUNIT_EXE, "simulate", "--log", Path("requests.jsonl")};
        argv.insert(argv.end(), args.begin(), args.end());
        simulator_ = net_.Spawn(ns, argv, Path("simulator.out"));
        ASSERT_NE(simulator_, nullptr);
        ASSERT_TRUE(WaitFor(
            [&] { return ReadFile(Path("simulator.out")).find("listening") != std::string::npos; },
            5000))
            << ReadFile(Path("simulator.out"));
    }

    // Requests that the simulator logged for a target.
    int RequestsFor(const std::string& target) {
        int n = 0;
        for (const Json& r : Requests()) {
            n += r["target"] == target ? 1 : 0;
        }
        return n;
    }
};

// An agent running inside the test side of the pair, started with the service pattern.
class AgentNetnsTest : public DiscoveryNetnsTest {
protected:
    void SetUp() override {
        DiscoveryNetnsTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        in_ = std::make_unique<ztest::EnterNetns>(pair_.a);
        ASSERT_TRUE(in_->ok());
        ASSERT_FALSE(ztest::InInitialNetworkNamespace());
        agent_ = std::make_unique<ZNDDUserAgent>(nullptr, 0, 4258);
        agent_->AddHandler(&recorder_);
        ASSERT_EQ(agent_->Start(), INDDUserAgent::kSuccess);
        agent_->SetServiceType("zelvane.*");
    }

    void TearDown() override {
        if (agent_) {
            agent_->RemoveHandler(&recorder_);
            agent_->Stop();
            agent_.reset();
        }
        in_.reset();
        DiscoveryNetnsTest::TearDown();
    }

    Recorder recorder_;
    std::unique_ptr<ztest::EnterNetns> in_;
    std::unique_ptr<ZNDDUserAgent> agent_;
};

TEST_F(DiscoveryNetnsTest, OneCycleOnTwoInterfacesSendsFourDatagramsInOrder) {
    // A test namespace with two interfaces, each joined to the simulator's namespace.
    const std::string t = net_.AddNamespace("t");
    const std::string s = net_.AddNamespace("s");
    ASSERT_FALSE(t.empty() || s.empty());
    ASSERT_TRUE(net_.AddVethPair(t, "vt1", s, "vs1"));
    ASSERT_TRUE(net_.AddVethPair(t, "vt2", s, "vs2"));
    ASSERT_TRUE(net_.Ip(t, "addr add 192.168.1.20/24 dev vt1"));
    ASSERT_TRUE(net_.Ip(t, "addr add 10.0.0.5/8 dev vt2"));
    ASSERT_TRUE(net_.Ip(t, "route add default dev vt1"));
    ASSERT_TRUE(net_.Ip(s, "addr add 192.168.1.1/24 dev vs1"));
    ASSERT_TRUE(net_.Ip(s, "addr add 10.0.0.1/8 dev vs2"));
    StartSimulator(s);

    ztest::EnterNetns in(t);
    ASSERT_TRUE(in.ok());
    ZTEST_REFUSE_INITIAL_NETNS();
    ZNetworkDeviceDetection engine(nullptr);
    ASSERT_EQ(engine.Start(nullptr, 0, 4258), 0);
    ASSERT_EQ(engine.GetInterfaceCount(), 2u);
    EXPECT_STREQ(engine.GetInterfaceName(0), "vt1");
    EXPECT_STREQ(engine.GetInterfaceName(1), "vt2");
    const uint16_t port = engine.GetLocalPort();
    ASSERT_NE(port, 0);
    int16_t result = -1;
    ASSERT_TRUE(engine.SendSearch("zelvane.*", "", "abc", &result));
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(WaitFor([&] { return Requests().size() >= 4; }, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // nothing more comes
    engine.Stop();

    const std::vector<Json> requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    struct Expected {
        const char* destination;
        const char* requester;
        const char* mask;
    } expected[] = {{"192.168.1.255", "192.168.1.20", "255.255.255.0"},
                    {"255.255.255.255", "192.168.1.20", "255.255.255.0"},
                    {"10.255.255.255", "10.0.0.5", "255.0.0.0"},
                    {"255.255.255.255", "10.0.0.5", "255.0.0.0"}};
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const Json& r = requests[i];
        EXPECT_EQ(r["destination"], expected[i].destination);
        EXPECT_EQ(r["requester"], expected[i].requester);
        EXPECT_EQ(r["mask"], expected[i].mask);
        EXPECT_EQ(r["port"], port);
        EXPECT_EQ(r["from_port"], port);
        EXPECT_EQ(r["target"], "255.255.255.255");
        EXPECT_EQ(r["service"], "zelvane.*");
        EXPECT_EQ(r["data"], "abc");
        EXPECT_EQ(r["name"], host);
    }
}

TEST_F(DiscoveryNetnsTest, BeforeStartNothingIsSentAndStartTwiceOpensOnce) {
    StartSimulator(pair_.b);
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    ZTEST_REFUSE_INITIAL_NETNS();
    ZNetworkDeviceDetection engine(nullptr);
    int16_t result = 5;
    EXPECT_FALSE(engine.SendSearch("zelvane.*", "", "", &result));
    EXPECT_EQ(result, ZNetworkDeviceDetection::kWrongMode);

    ASSERT_EQ(engine.Start(nullptr, 0, 4258), 0);
    const uint16_t port = engine.GetLocalPort();
    EXPECT_EQ(engine.Start(nullptr, 0, 4258), 0);  // already searching: nothing happens
    EXPECT_EQ(engine.GetLocalPort(), port);        // the same socket, not a new one
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(Requests().empty());  // neither the refused search nor the starts sent anything
    engine.Stop();
}

TEST_F(DiscoveryNetnsTest, ASearchThatCannotBeSentSaysSoWithACode) {
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    ZTEST_REFUSE_INITIAL_NETNS();
    // Port 0 is no destination: the system refuses every datagram to it.
    ZNetworkDeviceDetection engine(nullptr);
    ASSERT_EQ(engine.Start(nullptr, 0, 0), 0);
    int16_t result = 0;
    EXPECT_FALSE(engine.SendSearch("zelvane.*", "", "abc", &result));
    EXPECT_EQ(result, ZNetworkDeviceDetection::kNetworkError);
    EXPECT_STREQ(engine.GetErrorText(result), "Network Error");
    engine.Stop();
}

TEST_F(AgentNetnsTest, AnswersAreStoredOncePerDeviceAndReportedOncePerHandler) {
    // Answers come a little later, so none meets the engine still sending its cycle.
    std::ofstream(Path("devices.json")) << kDevices;
    StartSimulator(pair_.b, {"--devices", Path("devices.json"), "--delay", "50"});
    agent_->AddHandler(&recorder_);  // a second time: still one callback per answer
    Recorder second;
    agent_->AddHandler(&second);
    for (int cycle = 0; cycle < 2; ++cycle) {
        int16_t result = -1;
        ASSERT_TRUE(agent_->Search("", "abc", &result));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    agent_->RemoveHandler(&second);

    int sent = 0;
    for (const Json& r : Requests()) {
        sent += r["answers"].get<int>() - 1;  // the refuser's refusals are not answers
    }
    EXPECT_EQ(Requests().size(), 4u);
    EXPECT_EQ(sent, 8);  // two devices, two datagrams per cycle, two cycles
    EXPECT_EQ(recorder_.Answers(), sent);
    EXPECT_EQ(second.Answers(), sent);
    EXPECT_EQ(recorder_.refusals, 4);
    EXPECT_EQ(recorder_.lastCode, 1);
    EXPECT_EQ(recorder_.lastLocal, pair_.addressA);

    agent_->Stop();                          // the list may be walked once no answers arrive
    ASSERT_EQ(agent_->GetDeviceCount(), 2);  // one address, two ports
    INetworkDevice* d = agent_->GetFirstDevice();
    ASSERT_NE(d, nullptr);
    if (d->GetPort() != 4300) {
        d = agent_->GetNextDevice();
    }
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->GetServiceName(), "zelvane.cuedeck");
    EXPECT_STREQ(d->GetDeviceName(), "Booth 2");
    EXPECT_STREQ(d->GetModel(), "Cuedeck");
    EXPECT_STREQ(d->GetVersion(), "6.4.2");
    EXPECT_STREQ(d->GetInfo(), "<data/>");
    EXPECT_STREQ(d->GetExtraText(), "x");
    EXPECT_EQ(d->GetAuxValue(), 5);
    EXPECT_EQ(d->GetUserData(), 9u);
    EXPECT_STREQ(d->GetAddress(0)->GetAddressText(), "10.200.0.50");
    EXPECT_STREQ(d->GetAddress(0)->GetMaskText(), "255.255.255.0");
    EXPECT_EQ(d->GetAddress(0)->GetIndex(), 3);
    EXPECT_STREQ(d->GetLocalAddress()->GetAddressText(), pair_.addressA.c_str());
}

TEST_F(AgentNetnsTest, LocateFindsTimesOutAndFollowsRefusalRules) {
    StartSimulator(pair_.b);
    agent_->SetRetryCount(3);

    int16_t result = -1;
    INetworkDevice* device = nullptr;
    auto start = Clock::now();
    EXPECT_TRUE(agent_->Locate("10.200.0.50", 4301, &result, &device, nullptr, 3000));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(result, 0);
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->GetDeviceName(), "Booth 2 second");  // the port filter chose it
    EXPECT_EQ(RequestsFor("10.200.0.50"), 2);                 // one cycle was enough

    // Nobody there: three cycles of 200 ms, then the time-out code.
    start = Clock::now();
    EXPECT_FALSE(agent_->Locate("10.200.0.99", &result, 600));
    EXPECT_GE(MsSince(start), 590);
    EXPECT_EQ(result, ZNDDProtocolProcessor::kTimeoutError);
    EXPECT_EQ(RequestsFor("10.200.0.99"), 6);  // two datagrams per cycle

    // 20 ms over three cycles: each waits the 10 ms minimum, not 6 ms.
    start = Clock::now();
    EXPECT_FALSE(agent_->Locate("10.200.0.98", &result, 20));
    EXPECT_GE(MsSince(start), 29);
    EXPECT_EQ(result, ZNDDProtocolProcessor::kTimeoutError);
    EXPECT_TRUE(WaitFor([&] { return RequestsFor("10.200.0.98") == 6; }, 1000));

    // A refusal ends a cycle of a lookup without a port filter with its code...
    agent_->SetRetryCount(1);
    start = Clock::now();
    EXPECT_FALSE(agent_->Locate("10.200.0.51", &result, 2000));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(result, 1);
    // ...and leaves one with a port filter waiting until its time is up.
    start = Clock::now();
    EXPECT_FALSE(agent_->Locate("10.200.0.51", 80, &result, &device, nullptr, 400));
    EXPECT_GE(MsSince(start), 390);
    EXPECT_EQ(result, ZNDDProtocolProcessor::kTimeoutError);
    EXPECT_EQ(device, nullptr);

    // No service type: 7, nothing sent.
    agent_->SetServiceType("");
    const size_t before = Requests().size();
    EXPECT_FALSE(agent_->Locate("10.200.0.50", &result, 300));
    EXPECT_EQ(result, INDDUserAgent::kServiceDoesntExist);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Requests().size(), before);
}

TEST_F(AgentNetnsTest, LocateWithALateAnswerEndsAfterTheSecondRequest) {
    std::ofstream(Path("devices.json")) << kDevices;
    StartSimulator(pair_.b, {"--devices", Path("devices.json"), "--delay", "1500"});
    agent_->SetRetryCount(3);
    int16_t result = -1;
    const auto start = Clock::now();
    EXPECT_TRUE(agent_->Locate("10.200.0.50", &result, 3000));
    const int64_t took = MsSince(start);
    EXPECT_GE(took, 1450);
    EXPECT_LT(took, 2000);  // within the second cycle
    EXPECT_EQ(result, 0);
    EXPECT_EQ(RequestsFor("10.200.0.50"), 4);  // two cycles of two datagrams
}

TEST_F(AgentNetnsTest, StopWakesALocateAtOnce) {
    StartSimulator(pair_.b);
    agent_->SetRetryCount(2);
    int16_t result = -1;
    bool found = true;
    std::atomic<int64_t> returnedAt{-1};
    const auto start = Clock::now();
    std::thread lookup([&] {
        ztest::EnterNetns in(pair_.a);
        found = agent_->Locate("10.200.0.99", &result, 10000);
        returnedAt = MsSince(start);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int64_t stoppedAt = MsSince(start);
    agent_->Stop();
    lookup.join();
    EXPECT_FALSE(found);
    EXPECT_EQ(result, ZNDDProtocolProcessor::kTimeoutError);
    EXPECT_LT(returnedAt.load() - stoppedAt, 200);  // not at the end of its 5 s cycle
    EXPECT_FALSE(agent_->IsStarted());
    int16_t untouched = 42;
    EXPECT_FALSE(agent_->Locate("10.200.0.50", &untouched, 100));  // stopped: not started
    EXPECT_EQ(untouched, 42);
}

// Lookups and stops racing: each Locate keeps its record until it no longer touches it, so the
// sanitizer builds see no use after free, whatever the timing.
TEST_F(AgentNetnsTest, StopRacingLocatesTouchesNoFreedRecord) {
    StartSimulator(pair_.b);
    std::mt19937 random(1);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        if (!agent_->IsStarted()) {
            ASSERT_EQ(agent_->Start(), INDDUserAgent::kSuccess);
        }
        agent_->SetRetryCount(10);
        std::vector<std::thread> lookups;
        std::atomic<int> returned{0};
        for (int i = 0; i < 3; ++i) {
            lookups.emplace_back([&, i] {
                ztest::EnterNetns in(pair_.a);
                int16_t result = 0;
                INetworkDevice* device = nullptr;
                const char* target = i == 0 ? "10.200.0.50" : i == 1 ? "10.200.0.99" : "";
                agent_->Locate(target, 0, &result, &device, nullptr, 300);
                returned.fetch_add(1);
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
        agent_->Stop();
        for (auto& t : lookups) {
            t.join();
        }
        EXPECT_EQ(returned.load(), 3);
    }
}

TEST_F(AgentNetnsTest, AddressAddedWhileSearchingReopensAndTheNextCycleCoversIt) {
    StartSimulator(pair_.b);
    int16_t result = -1;
    ASSERT_TRUE(agent_->Search("", "", &result));
    ASSERT_TRUE(WaitFor([&] { return recorder_.Answers() >= 2; }, 2000));
    ASSERT_EQ(agent_->GetInterfaceCount(), 1u);

    ASSERT_TRUE(net_.Ip(pair_.a, "addr add 10.78.0.1/16 dev " + pair_.ifA));
    ASSERT_TRUE(net_.Ip(pair_.b, "addr add 10.78.0.2/16 dev " + pair_.ifB));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the change is reported
    const size_t before = Requests().size();
    const int answersBefore = recorder_.Answers();
    ASSERT_TRUE(agent_->Search("", "", &result));  // notices the change, reopens, then sends
    ASSERT_TRUE(WaitFor([&] { return Requests().size() >= before + 4; }, 3000));
    EXPECT_EQ(agent_->GetInterfaceCount(), 2u);

    bool newInterface = false;
    const std::vector<Json> after = Requests();
    for (size_t i = before; i < after.size(); ++i) {
        const Json& r = after[i];
        newInterface =
            newInterface || (r["requester"] == "10.78.0.1" && r["destination"] == "10.78.255.255" &&
                             r["mask"] == "255.255.0.0");
    }
    EXPECT_TRUE(newInterface);
    // The reopened socket still hears the answers.
    EXPECT_TRUE(WaitFor([&] { return recorder_.Answers() > answersBefore; }, 2000));
}

// Hostile datagrams at the scanner's port while it searches: nothing crashes, nothing leaks
// (the sanitizer builds check both), and the real devices keep being found.
TEST_F(AgentNetnsTest, HostileDatagramsBreakNothing) {
    // Answers a little later, so none meets the engine still sending its cycle.
    StartSimulator(pair_.b, {"--count", "30", "--delay", "20"});
    const uint16_t port = agent_->GetEngine()->GetLocalPort();
    ASSERT_NE(port, 0);

    // A real answer to mutate.
    ZNDDProtocolProcessor builder;
    builder.BuildAnswer("zelvane.cuedeck", ParseDottedAddress("10.201.0.1"),
                        ParseDottedAddress("255.255.0.0"), 0, 4300, 0, "Hostile", "m", "1",
                        "<data/>", ParseDottedAddress(pair_.addressA.c_str()),
                        ParseDottedAddress("255.255.255.0"), 0, "");
    const std::vector<uint8_t> answer(builder.GetData(), builder.GetData() + builder.GetLength());
    auto fixSum = [](std::vector<uint8_t> m) {  // a check value that matches again
        const uint16_t check =
            ComputeZG2PCheckValue(m[8], m.data(), static_cast<uint32_t>(m.size() - 2));
        m[m.size() - 2] = static_cast<uint8_t>(check >> 8);
        m[m.size() - 1] = static_cast<uint8_t>(check);
        return m;
    };
    ASSERT_EQ(fixSum(answer), answer);

    std::vector<std::vector<uint8_t>> hostile;
    std::mt19937 random(5);
    for (int i = 0; i < 300; ++i) {  // random bytes of random lengths
        std::vector<uint8_t> bytes(random() % 1400);
        for (auto& b : bytes) {
            b = static_cast<uint8_t>(random());
        }
        hostile.push_back(bytes);
    }
    for (size_t n = 0; n < answer.size(); ++n) {  // every truncation
        hostile.emplace_back(answer.begin(), answer.begin() + static_cast<long>(n));
    }
    for (uint8_t hi : {0x7F, 0xFF}) {  // huge lengths and counts
        std::vector<uint8_t> m = answer;
        m[25] = hi;
        m[26] = 0xFF;
        hostile.push_back(fixSum(m));
        m = answer;
        m[27] = hi;
        m[28] = 0xFF;
        hostile.push_back(fixSum(m));
    }
    std::vector<uint8_t> badCheck = answer;
    badCheck.back() ^= 0x55;
    hostile.push_back(badCheck);
    for (size_t i = 29; i + 2 < answer.size(); ++i) {  // every text without its NUL, and more
        std::vector<uint8_t> m = answer;
        m[i] = m[i] == 0 ? 'x' : static_cast<uint8_t>(m[i] ^ 0xA5);
        hostile.push_back(fixSum(m));
    }

    std::atomic<bool> done{false};
    std::thread attacker([&] {
        ztest::EnterNetns in(pair_.b);
        const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = ParseDottedAddress(pair_.addressA.c_str());
        for (int round = 0; round < 3 && !done; ++round) {
            for (const auto& m : hostile) {
                ::sendto(s, m.data(), m.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::close(s);
    });
    for (int cycle = 0; cycle < 4; ++cycle) {
        agent_->ClearDevices();
        int16_t result = -1;
        ASSERT_TRUE(agent_->Search("", "", &result));
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    done = true;
    attacker.join();

    // After the attack a clean cycle finds every real device.
    agent_->ClearDevices();
    int16_t result = -1;
    ASSERT_TRUE(agent_->Search("", "", &result));
    EXPECT_TRUE(WaitFor([&] { return agent_->GetDeviceCount() >= 30; }, 2000));
    agent_->Stop();  // the list may be walked once nothing arrives
    int real = 0;
    for (INetworkDevice* d = agent_->GetFirstDevice(); d != nullptr; d = agent_->GetNextDevice()) {
        real += std::string(d->GetDeviceName()).rfind("Sim ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(real, 30);
}

// The command line end to end: scan, locate and interfaces in the test namespace.
TEST_F(DiscoveryNetnsTest, CommandLineScanLocateAndInterfaces) {
    StartSimulator(pair_.b, {"--count", "11", "--delay", "30"});
    std::string out;
    ASSERT_EQ(RunZunit("scan --time 1 --json", &out), 0) << ReadFile(Path("cli.err"));
    const Json devices = Json::parse(out, nullptr, false);
    ASSERT_TRUE(devices.is_array()) << out;
    EXPECT_EQ(devices.size(), 11u);
    for (const Json& d : devices) {
        EXPECT_EQ(d["local_address"], pair_.addressA);
        EXPECT_EQ(d["local_interface"], pair_.ifA);
    }

    EXPECT_EQ(RunZunit("scan --time 0.5 --csv --service nobody.*", &out), 1);  // nothing found

    EXPECT_EQ(RunZunit("locate 10.200.0.3 --timeout 1000", &out), 0);
    EXPECT_NE(out.find("zelvane.cuedeck7"), std::string::npos) << out;
    EXPECT_EQ(RunZunit("locate 10.200.0.99 --timeout 200", &out), 1);
    EXPECT_NE(ReadFile(Path("cli.err")).find("Timeout Error (2047)"), std::string::npos);
    EXPECT_EQ(RunZunit("locate not-an-address", &out), 2);

    ASSERT_EQ(RunZunit("interfaces --json", &out), 0);
    const Json interfaces = Json::parse(out, nullptr, false);
    ASSERT_TRUE(interfaces.is_object()) << out;
    ASSERT_EQ(interfaces["interfaces"].size(), 1u);
    EXPECT_EQ(interfaces["interfaces"][0]["address"], pair_.addressA);
    EXPECT_EQ(interfaces["interfaces"][0]["name"], pair_.ifA);
    bool listed = false;
    for (const Json& a : interfaces["adapters"]) {
        listed = listed || (a["name"] == pair_.ifA && a["type"] == "Ethernet" &&
                            a["addresses"][0]["address"] == pair_.addressA &&
                            a["addresses"][0]["mask"] == "255.255.255.0");
    }
    EXPECT_TRUE(listed) << out;
}

TEST(NetworkNamespaceCheck, TellsTheMachinesOwnFromAPrivateOne) {
    ztest::NetnsFixture net;
    ZTEST_REQUIRE_NETNS(net);
    if (!ztest::InInitialNetworkNamespace()) {
        GTEST_SKIP() << "the test itself runs in a private namespace";
    }
    EXPECT_TRUE(ZNetworkNamespace::IsInitial());
    EXPECT_FALSE(ZNetworkNamespace::MayUseNetwork("scan", false));
    EXPECT_TRUE(ZNetworkNamespace::MayUseNetwork("scan", true));  // only says yes, sends nothing
    const std::string ns = net.AddNamespace("check");
    ASSERT_FALSE(ns.empty());
    ztest::EnterNetns in(ns);
    ASSERT_TRUE(in.ok());
    EXPECT_FALSE(ZNetworkNamespace::IsInitial());
    EXPECT_TRUE(ZNetworkNamespace::MayUseNetwork("scan", false));
}

}  // namespace
