// The device simulator without a network: requests go in as datagram bytes, answers come out of
// its queue and are read back with the protocol processor. Also the device file and generator.

#include "tools/device_simulator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ndd/ndd_protocol_handler.h"
#include "ndd/ndd_protocol_processor.h"
#include "ndd/zg2p_message.h"
#include "net/ip_address.h"
#include "platform/network/fake_ip_helper.h"
#include "tools/answer_flood.h"
#include "tools/device_generator.h"
#include "tools/simulated_device_file.h"

namespace {

uint32_t Ip(const char* text) {
    return ParseDottedAddress(text);
}

// Reads answers and refusals back.
class AnswerReader : public INDDProtocolHandler {
public:
    struct Seen {
        bool refusal = false;
        std::string service, name, model, version, info, extra;
        uint32_t address = 0, mask = 0, userData = 0, requester = 0, requesterMask = 0, index = 0;
        uint16_t port = 0, aux = 0, code = 0;
    };

    Seen Read(const std::vector<uint8_t>& bytes) {
        ZZG2PMessage message(bytes.data(), static_cast<uint32_t>(bytes.size()));
        ZNDDProtocolProcessor processor;
        processor.SetHandler(this);
        seen_ = Seen();
        processor.Process(&message, nullptr);
        return seen_;
    }

    int OnOtherMessage(uint16_t, void*) override { return 0; }
    int OnSearchRequest(uint32_t, uint32_t, uint16_t, const char*, uint32_t, const char*,
                        const char*, void*) override {
        return 0;
    }
    int OnAnswer(const char* service, uint32_t address, uint32_t mask, uint32_t userData,
                 uint16_t port, uint16_t aux, const char* name, const char* model,
                 const char* version, const char* info, uint32_t requester, uint32_t requesterMask,
                 uint32_t index, const char* extra, void*) override {
        seen_.service = service ? service : "";
        seen_.name = name ? name : "";
        seen_.model = model ? model : "";
        seen_.version = version ? version : "";
        seen_.info = info ? info : "";
        seen_.extra = extra ? extra : "";
        seen_.address = address;
        seen_.mask = mask;
        seen_.userData = userData;
        seen_.port = port;
        seen_.aux = aux;
        seen_.requester = requester;
        seen_.requesterMask = requesterMask;
        seen_.index = index;
        return 1;
    }
    int OnErrorAnswer(uint32_t address, const char* service, uint16_t code, void*) override {
        seen_.refusal = true;
        seen_.address = address;
        seen_.service = service ? service : "";
        seen_.code = code;
        return 1;
    }

private:
    Seen seen_;
};

ZSimulatedDevice Device(const char* service, const char* address, uint16_t port) {
    ZSimulatedDevice d;
    d.serviceName = service;
    d.deviceName = std::string("dev ") + address;
    d.address = Ip(address);
    d.mask = Ip("255.255.255.0");
    d.port = port;
    return d;
}

std::vector<uint8_t> Request(const char* service, uint32_t target, uint16_t requesterPort = 50000,
                             const char* requester = "192.168.1.20") {
    ZNDDProtocolProcessor p;
    p.BuildRequest(Ip(requester), Ip("255.255.255.0"), requesterPort, "STUDIO-PC", target, service,
                   "abc");
    return std::vector<uint8_t>(p.GetData(), p.GetData() + p.GetLength());
}

// Sends bytes to the limited broadcast, which reaches every device whatever its subnet.
void Feed(ZDeviceSimulator& sim, const std::vector<uint8_t>& bytes, uint64_t now = 1000) {
    sim.HandleDatagram(bytes.data(), static_cast<uint32_t>(bytes.size()), Ip("192.168.1.20"), 50000,
                       Ip("255.255.255.255"), now);
}

std::vector<ZSimulatedDevice> ThreeDevices() {
    std::vector<ZSimulatedDevice> devices = {Device("zelvane.cuedeck", "192.168.1.50", 4300),
                                             Device("zelvane.vxp2", "192.168.1.51", 80),
                                             Device("other.thing", "192.168.1.52", 1)};
    devices[0].model = "Cuedeck";
    devices[0].version = "6.4.2";
    devices[0].info = "<data/>";
    devices[0].extraText = "x";
    devices[0].userData = 7;
    devices[0].auxValue = 9;
    devices[0].indexValue = 2;
    return devices;
}

TEST(DeviceSimulator, AnswersEveryMatchingDeviceToTheRequester) {
    ZDeviceSimulator sim(ThreeDevices(), {});
    Feed(sim, Request("zelvane.*", 0xFFFFFFFF));
    std::vector<ZDeviceSimulator::Outgoing> out = sim.TakeDue(1000);
    ASSERT_EQ(out.size(), 2u);  // other.thing does not match
    AnswerReader reader;
    AnswerReader::Seen a = reader.Read(out[0].bytes);
    EXPECT_EQ(out[0].address, Ip("192.168.1.20"));  // the datagram's source
    EXPECT_EQ(out[0].port, 50000);                  // the requester port the request names
    EXPECT_FALSE(a.refusal);
    EXPECT_EQ(a.service, "zelvane.cuedeck");
    EXPECT_EQ(a.name, "dev 192.168.1.50");
    EXPECT_EQ(a.address, Ip("192.168.1.50"));
    EXPECT_EQ(a.mask, Ip("255.255.255.0"));
    EXPECT_EQ(a.port, 4300);
    EXPECT_EQ(a.aux, 9);
    EXPECT_EQ(a.userData, 7u);
    EXPECT_EQ(a.model, "Cuedeck");
    EXPECT_EQ(a.version, "6.4.2");
    EXPECT_EQ(a.info, "<data/>");
    EXPECT_EQ(a.extra, "x");
    EXPECT_EQ(a.index, 2u);
    EXPECT_EQ(a.requester, Ip("192.168.1.20"));  // echoed
    EXPECT_EQ(a.requesterMask, Ip("255.255.255.0"));
    EXPECT_EQ(reader.Read(out[1].bytes).service, "zelvane.vxp2");
    EXPECT_EQ(sim.GetStats().requests, 1u);
    EXPECT_EQ(sim.GetStats().answers, 2u);
}

TEST(DeviceSimulator, PatternAndTargetDecideWhoAnswers) {
    struct Case {
        const char* pattern;
        uint32_t target;
        size_t answers;
    } cases[] = {
        {"zelvane.*", 0xFFFFFFFF, 2},
        {"*.vxp2", 0xFFFFFFFF, 1},
        {"zelvane.cuedeck", 0xFFFFFFFF, 1},
        {"zelvane", 0xFFFFFFFF, 0},
        {"*", 0xFFFFFFFF, 0},  // a lone star matches nothing
        {"zelvane.*", Ip("192.168.1.51"), 1},
        {"zelvane.*", Ip("192.168.1.52"), 0},  // other.thing is there but does not match
        {"other.*", Ip("192.168.1.52"), 1},
        {"zelvane.*", Ip("192.168.1.99"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " " + FormatDottedAddress(c.target));
        ZDeviceSimulator sim(ThreeDevices(), {});
        Feed(sim, Request(c.pattern, c.target));
        EXPECT_EQ(sim.TakeDue(1000).size(), c.answers);
    }
}

// The devices (their names) that answer a search for every device sent to destination at nowMs.
std::vector<std::string> Answering(ZDeviceSimulator& sim, const char* destination,
                                   uint64_t nowMs = 1000) {
    const std::vector<uint8_t> bytes = Request("zelvane.*", 0xFFFFFFFF);
    sim.HandleDatagram(bytes.data(), static_cast<uint32_t>(bytes.size()), Ip("10.31.1.2"), 50000,
                       Ip(destination), nowMs);
    std::vector<std::string> names;
    AnswerReader reader;
    for (const auto& out : sim.TakeDue(nowMs)) {
        names.push_back(reader.Read(out.bytes).name);
        EXPECT_EQ(out.address, Ip("10.31.1.2"));
    }
    return names;
}

// The simulator's host: one interface, 10.77.0.2/24.
std::shared_ptr<zplat::FakeIpHelper> HostWithOneInterface() {
    auto ip = std::make_shared<zplat::FakeIpHelper>();
    zplat::AdapterInfo eth;
    eth.index = 2;
    eth.adapterName = "veth-b";
    eth.ipAddressList = {{"10.77.0.2", "255.255.255.0", 1}};
    ip->adapters.push_back(eth);
    return ip;
}

TEST(DeviceSimulator, ARequestToAnAddressReachesTheDevicesThatHaveIt) {
    zplat::ScopedIpHelper host(HostWithOneInterface());
    const std::vector<std::string> every = {"dev 192.168.1.50", "dev 192.168.1.51"};
    struct Case {
        const char* destination;
        std::vector<std::string> answering;
    } cases[] = {
        {"192.168.1.51", {"dev 192.168.1.51"}},
        {"192.168.1.52", {}},  // other.thing is reached but does not match
        // Broadcasts: the devices' subnet's, the host interface's, the limited one, a group.
        {"192.168.1.255", every},
        {"10.77.0.255", every},
        {"255.255.255.255", every},
        {"224.0.0.1", every},
        {"0.0.0.0", every},  // the system did not say
        // Addresses no device has: the host's own, and one a router sends to the host.
        {"10.77.0.2", {}},
        {"192.168.1.9", {}},
        {"10.31.6.7", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination);
        ZDeviceSimulator sim(ThreeDevices(), {});
        EXPECT_EQ(Answering(sim, c.destination), c.answering);
    }
}

TEST(DeviceSimulator, AnInterfaceAddedLaterIsKnownWithinASecond) {
    auto ip = HostWithOneInterface();
    zplat::ScopedIpHelper host(ip);
    ZDeviceSimulator sim(ThreeDevices(), {});
    EXPECT_TRUE(Answering(sim, "10.77.0.9", 1000).empty());  // the interfaces are read
    zplat::AdapterInfo added;
    added.index = 3;
    added.ipAddressList = {{"10.88.0.2", "255.255.255.0", 2}};
    ip->adapters.push_back(added);
    EXPECT_TRUE(Answering(sim, "10.88.0.255", 1500).empty());  // not read again so soon
    EXPECT_EQ(Answering(sim, "10.88.0.255", 2000).size(), 2u);
    EXPECT_EQ(ip->adapterCalls, 2);
}

TEST(DeviceSimulator, CountsRequestsInEachSecond) {
    ZDeviceSimulator sim(ThreeDevices(), {});
    const std::vector<uint8_t> bytes = Request("nothing.*", 0xFFFFFFFF);
    for (uint64_t at : {5000, 5999, 6000, 6001, 6002, 8500}) {
        Feed(sim, bytes, at);
    }
    EXPECT_EQ(sim.GetStats().requestsPerSecond, (std::vector<uint64_t>{2, 3, 0, 1}));
}

TEST(DeviceSimulator, RefusesWithItsCode) {
    std::vector<ZSimulatedDevice> devices = {Device("zelvane.cuedeck", "192.168.1.50", 4300)};
    devices[0].refusalCode = 255;
    ZDeviceSimulator sim(devices, {});
    Feed(sim, Request("zelvane.*", Ip("192.168.1.50")));
    std::vector<ZDeviceSimulator::Outgoing> out = sim.TakeDue(1000);
    ASSERT_EQ(out.size(), 1u);
    AnswerReader reader;
    AnswerReader::Seen r = reader.Read(out[0].bytes);
    EXPECT_TRUE(r.refusal);
    EXPECT_EQ(r.address, Ip("192.168.1.50"));
    EXPECT_EQ(r.service, "zelvane.cuedeck");
    EXPECT_EQ(r.code, 255);
    EXPECT_EQ(sim.GetStats().refusals, 1u);
}

TEST(DeviceSimulator, DelayAndJitterSpreadTheAnswers) {
    ZDeviceSimulator::Options options;
    options.delayMs = 100;
    options.jitterMs = 50;
    options.seed = 7;
    ZDeviceSimulator sim(ZDeviceGenerator::Generate(200, Ip("10.200.0.1"), Ip("255.255.0.0")),
                         options);
    Feed(sim, Request("zelvane.*", 0xFFFFFFFF), 1000);
    EXPECT_TRUE(sim.TakeDue(1099).empty());
    std::vector<ZDeviceSimulator::Outgoing> out = sim.TakeDue(1150);
    ASSERT_EQ(out.size(), 200u);
    uint64_t earliest = UINT64_MAX, latest = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        earliest = std::min(earliest, out[i].dueMs);
        latest = std::max(latest, out[i].dueMs);
        if (i > 0) {
            EXPECT_LE(out[i - 1].dueMs, out[i].dueMs);  // taken in order of time
        }
    }
    EXPECT_GE(earliest, 1100u);
    EXPECT_LE(latest, 1150u);
    EXPECT_GT(latest - earliest, 25u);  // spread, not all at one moment
}

TEST(DeviceSimulator, IgnoresWhatIsNotARequest) {
    ZDeviceSimulator sim(ThreeDevices(), {});
    const std::vector<uint8_t> garbage = {0x90, 0x15, 0x01, 0x00, 0x00, 0x08, 0x01,
                                          0x00, 0x0D, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    Feed(sim, garbage);  // an announced length it never delivers
    Feed(sim, Request("zelvane.*", 0xFFFFFFFF, /*requesterPort=*/0));  // nowhere to answer
    EXPECT_TRUE(sim.TakeDue(1000).empty());
    Feed(sim, Request("zelvane.*", 0xFFFFFFFF));  // the next datagram starts afresh
    EXPECT_EQ(sim.TakeDue(1000).size(), 2u);
    EXPECT_EQ(sim.GetStats().datagrams, 3u);
}

TEST(DeviceSimulator, AnswersBuiltForOneRequesterAreNotGivenToAnother) {
    ZDeviceSimulator sim(ThreeDevices(), {});
    AnswerReader reader;
    for (const char* requester : {"192.168.1.20", "192.168.1.20", "192.168.1.30"}) {
        SCOPED_TRACE(requester);
        Feed(sim, Request("zelvane.*", 0xFFFFFFFF, 50000, requester));
        std::vector<ZDeviceSimulator::Outgoing> out = sim.TakeDue(1000);
        ASSERT_EQ(out.size(), 2u);
        for (const ZDeviceSimulator::Outgoing& o : out) {
            EXPECT_EQ(reader.Read(o.bytes).requester, Ip(requester));
        }
        EXPECT_EQ(reader.Read(out[0].bytes).name, "dev 192.168.1.50");
    }
    EXPECT_EQ(sim.GetStats().answers, 6u);
}

// The flood's datagrams read back as valid answers that echo the requester, padded when asked,
// one device throughout (same) or a new one each time (forged).
TEST(AnswerFlood, SameRepeatsTheDevicesAnswerAndForgedNamesANewDeviceEach) {
    struct Row {
        const char* name;
        ZAnswerFlood::Mode mode;
        uint32_t bytes;
    };
    const Row rows[] = {{"same", ZAnswerFlood::kSame, 0},
                        {"same, 4096 bytes", ZAnswerFlood::kSame, 4096},
                        {"forged", ZAnswerFlood::kForged, 0},
                        {"forged, 4096 bytes", ZAnswerFlood::kForged, 4096}};
    AnswerReader reader;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ZSimulatedDevice device = ThreeDevices()[0];
        ZAnswerFlood flood(row.mode, device, 0, row.bytes);
        EXPECT_EQ(flood.Due(0, 10), 0u);  // nothing before it is aimed
        flood.Aim(Ip("192.168.1.20"), Ip("255.255.255.0"), 1000);
        ASSERT_TRUE(flood.IsAimed());
        std::vector<AnswerReader::Seen> seen;
        for (int i = 0; i < 3; ++i) {
            const std::vector<uint8_t>& bytes = flood.Next();
            if (row.bytes > 0) {
                // About that size: a forged device's name may be shorter than the original's.
                EXPECT_GT(bytes.size(), row.bytes - 32);
                EXPECT_LT(bytes.size(), row.bytes + 32);
            }
            seen.push_back(reader.Read(bytes));
            EXPECT_EQ(seen.back().service, device.serviceName);
            EXPECT_EQ(seen.back().requester, Ip("192.168.1.20"));
            EXPECT_EQ(seen.back().port, device.port);
        }
        if (row.mode == ZAnswerFlood::kSame) {
            EXPECT_EQ(seen[0].address, device.address);
            EXPECT_EQ(seen[2].address, device.address);
            EXPECT_EQ(seen[2].name, device.deviceName);
        } else {
            EXPECT_NE(seen[0].address, seen[1].address);
            EXPECT_NE(seen[1].address, seen[2].address);
            EXPECT_NE(seen[0].name, seen[1].name);
        }
        EXPECT_EQ(flood.GetCount(), 3u);
    }
}

TEST(AnswerFlood, RateSpreadsTheDatagramsOverTime) {
    ZAnswerFlood flood(ZAnswerFlood::kSame, ThreeDevices()[0], 1000, 0);
    flood.Aim(Ip("192.168.1.20"), Ip("255.255.255.0"), 5000);
    EXPECT_EQ(flood.Due(5000, 256), 1u);  // the first at once
    EXPECT_EQ(flood.Due(5000, 256), 0u);
    EXPECT_EQ(flood.WaitMs(5000), 1u);
    EXPECT_EQ(flood.Due(5100, 256), 100u);   // a thousand a second
    EXPECT_EQ(flood.Due(6000, 256), 256u);   // never more than asked for at once
    EXPECT_EQ(flood.Due(6000, 1000), 644u);  // the rest of the first second
    EXPECT_EQ(flood.WaitMs(6000), 1u);

    ZAnswerFlood unbounded(ZAnswerFlood::kSame, ThreeDevices()[0], 0, 0);
    unbounded.Aim(0, 0, 0);
    EXPECT_EQ(unbounded.Due(0, 256), 256u);
    EXPECT_EQ(unbounded.WaitMs(0), 0u);
    EXPECT_EQ(ZAnswerFlood::ParseMode("forged"), ZAnswerFlood::kForged);
    EXPECT_EQ(ZAnswerFlood::ParseMode("Same"), ZAnswerFlood::kNone);
}

TEST(DeviceGenerator, EveryKindInTurnWithUsableAddresses) {
    std::vector<ZSimulatedDevice> devices =
        ZDeviceGenerator::Generate(300, Ip("10.200.0.250"), Ip("255.255.0.0"));
    ASSERT_EQ(devices.size(), 300u);
    EXPECT_EQ(devices[0].serviceName, "zelvane.cuedeck");
    EXPECT_EQ(devices[10].serviceName, "zelvane.timekeeper");
    EXPECT_EQ(devices[11].serviceName, "zelvane.cuedeck");
    EXPECT_STREQ(FormatDottedAddress(devices[0].address), "10.200.0.250");
    EXPECT_STREQ(FormatDottedAddress(devices[4].address), "10.200.0.254");
    EXPECT_STREQ(FormatDottedAddress(devices[5].address), "10.200.1.1");  // .255 and .0 skipped
    for (size_t i = 1; i < devices.size(); ++i) {
        EXPECT_NE(devices[i].address, devices[i - 1].address);
    }
    EXPECT_NE(devices[0].info.find("serial=\"SIM000001\""), std::string::npos);
}

TEST(SimulatedDeviceFile, ReadsEveryField) {
    const char* text = R"([{"service":"zelvane.cuedeck","name":"Booth 2","address":"192.168.1.50",
        "mask":"255.255.255.0","port":4300,"model":"Cuedeck","version":"6.4.2","info":"<data/>",
        "aux":3,"user_data":4294967295,"index":2,"extra":"x","refusal":1},
        {"service":"zelvane.vxp2","name":"V","address":"10.0.0.1","mask":"255.0.0.0","port":80}])";
    std::vector<ZSimulatedDevice> devices;
    std::string error;
    ASSERT_TRUE(ZSimulatedDeviceFile::Parse(text, &devices, &error)) << error;
    ASSERT_EQ(devices.size(), 2u);
    const ZSimulatedDevice& d = devices[0];
    EXPECT_EQ(d.serviceName, "zelvane.cuedeck");
    EXPECT_EQ(d.deviceName, "Booth 2");
    EXPECT_EQ(d.address, Ip("192.168.1.50"));
    EXPECT_EQ(d.mask, Ip("255.255.255.0"));
    EXPECT_EQ(d.port, 4300);
    EXPECT_EQ(d.model, "Cuedeck");
    EXPECT_EQ(d.version, "6.4.2");
    EXPECT_EQ(d.info, "<data/>");
    EXPECT_EQ(d.auxValue, 3);
    EXPECT_EQ(d.userData, 4294967295u);
    EXPECT_EQ(d.indexValue, 2u);
    EXPECT_EQ(d.extraText, "x");
    ASSERT_TRUE(d.refusalCode.has_value());
    EXPECT_EQ(*d.refusalCode, 1);
    EXPECT_FALSE(devices[1].refusalCode.has_value());
    EXPECT_EQ(devices[1].model, "");

    ASSERT_TRUE(ZSimulatedDeviceFile::Parse(R"({"devices":[]})", &devices, &error)) << error;
    EXPECT_TRUE(devices.empty());
}

TEST(SimulatedDeviceFile, ErrorsNameTheEntryAndField) {
    const std::string good =
        R"("service":"s","name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":1)";
    struct Case {
        std::string text;
        std::string error;
    } cases[] = {
        {"[{" + good + "}", "not valid JSON"},
        {"42", "expected an array of devices"},
        {R"({"list":[]})", "expected an array of devices or an object with a \"devices\" array"},
        {"[{" + good + "}, 7]", "entry 2: expected an object"},
        {R"([{"name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":1}])",
         "entry 1 (\"N\"): field \"service\": missing"},
        {"[{" + good + R"(}, {"service":"s","name":"M","address":"1.2.3.4","mask":"255.0.0.0"}])",
         "entry 2 (\"M\"): field \"port\": missing"},
        {R"([{"service":"s","name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":"80"}])",
         "entry 1 (\"N\"): field \"port\": expected a whole number from 0 to 65535"},
        {R"([{"service":"s","name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":65536}])",
         "entry 1 (\"N\"): field \"port\": expected a whole number from 0 to 65535"},
        {R"([{"service":"s","name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":-1}])",
         "entry 1 (\"N\"): field \"port\": expected a whole number from 0 to 65535"},
        {R"([{"service":"s","name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":1.5}])",
         "entry 1 (\"N\"): field \"port\": expected a whole number from 0 to 65535"},
        {R"([{"service":7,"name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":1}])",
         "entry 1 (\"N\"): field \"service\": expected a text"},
        {R"([{"service":"s","name":"N","address":"1.2.3.400","mask":"255.0.0.0","port":1}])",
         "entry 1 (\"N\"): field \"address\": expected a dotted IPv4 address, got \"1.2.3.400\""},
        {R"([{"service":"s","name":"N","address":"host","mask":"255.0.0.0","port":1}])",
         "entry 1 (\"N\"): field \"address\": expected a dotted IPv4 address, got \"host\""},
        {"[{" + good + R"(,"adress":"1.2.3.4"}])",
         "entry 1 (\"N\"): field \"adress\": unknown field"},
        {"[{" + good + R"(,"refusal":0}])",
         "entry 1 (\"N\"): field \"refusal\": a refusal code is not 0 (0 is an answer)"},
        {"[{" + good + R"(,"user_data":4294967296}])",
         "entry 1 (\"N\"): field \"user_data\": expected a whole number from 0 to 4294967295"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<ZSimulatedDevice> devices = {ZSimulatedDevice()};
        std::string error;
        EXPECT_FALSE(ZSimulatedDeviceFile::Parse(c.text, &devices, &error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(devices.size(), 1u);  // nothing handed out
    }
}

TEST(SimulatedDeviceFile, LoadNamesTheFile) {
    std::vector<ZSimulatedDevice> devices;
    std::string error;
    EXPECT_FALSE(ZSimulatedDeviceFile::Load("/nonexistent/devices.json", &devices, &error));
    EXPECT_EQ(error, "/nonexistent/devices.json: cannot be read");
}

}  // namespace
