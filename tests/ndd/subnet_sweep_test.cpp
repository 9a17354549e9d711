#include "ndd/subnet_sweep.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/zg2p_message.h"
#include "net/network_adapter_pci_location.h"
#include "net/route_finder.h"
#include "platform/network/fake_ip_helper.h"
#include "platform/network/inet.h"
#include "platform/network/wmi.h"
#include "platform/registry/registry.h"
#include "platform/threading/clock.h"
#include "recording_protocol_handler.h"

namespace {

using ndd_fixtures::RecordingProtocolHandler;
using zplat::InetAddr;

ZCIDRBlock Block(const char* text) {
    ZCIDRBlock block;
    EXPECT_TRUE(ZCIDRBlock::Parse(text, &block, nullptr)) << text;
    return block;
}

// One datagram the sweep sent.
struct Sent {
    std::string to;
    std::vector<char> bytes;
};

// A searcher on 10.31.1.2/24 and 10.50.0.2/16; 10.31.0.0/16 is behind the router 10.31.1.1 but
// for 10.31.6.0/24, which is reached through 10.50.0.1 as 10.60.0.0/16 is, and nothing else
// routes. The sweep runs on a clock turned by hand and sends into a list.
class SubnetSweepTest : public ::testing::Test {
protected:
    void SetUp() override {
        zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", registry_);
        GetPCILocationTable()->Build(true);
        zplat::AdapterInfo a;
        a.index = 3;
        a.adapterName = "veth-s";
        a.type = zplat::MIB_IF_TYPE_ETHERNET;
        a.ipAddressList = {{"10.31.1.2", "255.255.255.0", 1}};
        ip_->adapters.push_back(a);
        a.index = 4;
        a.adapterName = "veth-t";
        a.ipAddressList = {{"10.50.0.2", "255.255.0.0", 2}};
        ip_->adapters.push_back(a);
        ip_->routes.push_back(
            {InetAddr("10.31.0.0"), 16, {3, InetAddr("10.31.1.2"), InetAddr("10.31.1.1")}});
        ip_->routes.push_back({InetAddr("10.31.1.0"), 24, {3, InetAddr("10.31.1.2"), 0}});
        ip_->routes.push_back({InetAddr("10.50.0.0"), 16, {4, InetAddr("10.50.0.2"), 0}});
        ip_->routes.push_back(
            {InetAddr("10.60.0.0"), 16, {4, InetAddr("10.50.0.2"), InetAddr("10.50.0.1")}});
        ip_->routes.push_back(
            {InetAddr("10.31.6.0"), 24, {4, InetAddr("10.50.0.2"), InetAddr("10.50.0.1")}});
    }

    // The requester address and mask of a sent request, as "address/mask".
    static std::string RequesterOf(const Sent& sent) {
        RecordingProtocolHandler handler;
        ZNDDProtocolProcessor reader;
        reader.SetHandler(&handler);
        ZZG2PMessage m(sent.bytes.data(), static_cast<uint32_t>(sent.bytes.size()));
        reader.Process(&m, nullptr);
        if (handler.calls.size() != 1 || handler.calls[0].operation != "OnSearchRequest") {
            return "not a request";
        }
        return zplat::InetNtoa(static_cast<uint32_t>(handler.calls[0].numbers[0])) + "/" +
               zplat::InetNtoa(static_cast<uint32_t>(handler.calls[0].numbers[1]));
    }

    std::unique_ptr<ZSubnetSweep> MakeSweep(std::vector<const char*> blocks, uint32_t rate) {
        std::vector<ZCIDRBlock> parsed;
        for (const char* b : blocks) {
            parsed.push_back(Block(b));
        }
        auto sweep = std::make_unique<ZSubnetSweep>(parsed, rate, [this] { return now_; });
        ZRouteFinder routes;
        sweep->Prepare({{InetAddr("10.31.1.2"), InetAddr("255.255.255.0")},
                        {InetAddr("10.50.0.2"), InetAddr("255.255.0.0")}},
                       &routes);
        return sweep;
    }

    void Cycle(ZSubnetSweep* sweep, uint32_t target = ZSubnetSweep::kEveryDevice) {
        sweep->BeginCycle(40001, "STUDIO-PC", target, "zelvane.*", "<identity/>");
    }

    // Turns the clock by ms, one millisecond at a time, and lets the sweep send at each step.
    uint32_t Run(ZSubnetSweep* sweep, uint32_t ms) {
        uint32_t count = 0;
        for (uint32_t i = 0; i < ms; ++i) {
            ++now_;
            count += sweep->SendDue(send_);
        }
        return count;
    }

    std::vector<std::string> Destinations() const {
        std::vector<std::string> out;
        for (const Sent& s : sent_) {
            out.push_back(s.to);
        }
        return out;
    }

    uint64_t now_ = 5000;
    std::vector<Sent> sent_;
    ZSubnetSweep::Send send_ = [this](const char* data, int length, uint32_t address) {
        sent_.push_back({zplat::InetNtoa(address), std::vector<char>(data, data + length)});
        return 0;
    };
    std::shared_ptr<zplat::FakeIpHelper> ip_ = std::make_shared<zplat::FakeIpHelper>();
    zplat::ScopedIpHelper useIp_{ip_};
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> registry_ = std::make_shared<zplat::MemoryRegistry>();
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider useWmi_{wmi_};
};

TEST_F(SubnetSweepTest, OneRequestToEveryRemoteHostCarryingTheRoutingInterface) {
    auto sweep = MakeSweep({"10.31.2.0/24", "10.60.7.0/30"}, 2000);
    Cycle(sweep.get());
    EXPECT_EQ(Run(sweep.get(), 1000), 254u + 2u);
    EXPECT_FALSE(sweep->HasWork());
    EXPECT_EQ(sweep->GetPassCount(), 1u);
    ASSERT_EQ(sent_.size(), 256u);
    EXPECT_EQ(sent_.front().to, "10.31.2.1");
    EXPECT_EQ(sent_[253].to, "10.31.2.254");
    EXPECT_EQ(sent_[254].to, "10.60.7.1");
    EXPECT_EQ(sent_[255].to, "10.60.7.2");
    const std::vector<std::string> to = Destinations();
    EXPECT_EQ(std::set<std::string>(to.begin(), to.end()).size(), 256u);

    // Each request is a search of the cycle, with the requester of its block's route.
    struct Row {
        size_t index;
        const char* requester;
        const char* mask;
    };
    for (const Row& row :
         {Row{0, "10.31.1.2", "255.255.255.0"}, Row{255, "10.50.0.2", "255.255.0.0"}}) {
        SCOPED_TRACE(row.index);
        RecordingProtocolHandler handler;
        ZNDDProtocolProcessor reader;
        reader.SetHandler(&handler);
        const std::vector<char>& bytes = sent_[row.index].bytes;
        ZZG2PMessage m(bytes.data(), static_cast<uint32_t>(bytes.size()));
        reader.Process(&m, nullptr);
        ASSERT_EQ(handler.calls.size(), 1u);
        const auto& call = handler.calls[0];
        EXPECT_EQ(call.operation, "OnSearchRequest");
        EXPECT_EQ(call.numbers[0], InetAddr(row.requester));
        EXPECT_EQ(call.numbers[1], InetAddr(row.mask));
        EXPECT_EQ(call.numbers[2], 40001u);
        EXPECT_EQ(call.numbers[3], 0xFFFFFFFFu);
        EXPECT_EQ(call.texts[0], "STUDIO-PC");
        EXPECT_EQ(call.texts[1], "zelvane.*");
        EXPECT_EQ(call.texts[2], "<identity/>");
    }
}

TEST_F(SubnetSweepTest, ABlockReachedThroughTwoInterfacesCarriesEachOnesRequester) {
    auto sweep = MakeSweep({"10.31.4.0/22"}, 100000);
    Cycle(sweep.get());
    Run(sweep.get(), 100);
    ASSERT_EQ(sent_.size(), 1022u);
    std::map<std::string, size_t> perRequester;
    for (const Sent& sent : sent_) {
        const bool second = sent.to.rfind("10.31.6.", 0) == 0;
        const std::string requester = RequesterOf(sent);
        ASSERT_EQ(requester, second ? "10.50.0.2/255.255.0.0" : "10.31.1.2/255.255.255.0")
            << sent.to;
        ++perRequester[requester];
    }
    EXPECT_EQ(perRequester["10.50.0.2/255.255.0.0"], 256u);
    EXPECT_EQ(perRequester["10.31.1.2/255.255.255.0"], 1022u - 256u);

    // A search for one address asks from the interface that routes there.
    for (const char* target : {"10.31.6.9", "10.31.7.9"}) {
        SCOPED_TRACE(target);
        sent_.clear();
        Cycle(sweep.get(), InetAddr(target));
        Run(sweep.get(), 10);
        ASSERT_EQ(sent_.size(), 1u);
        EXPECT_EQ(RequesterOf(sent_[0]), std::string(target) == "10.31.6.9"
                                             ? "10.50.0.2/255.255.0.0"
                                             : "10.31.1.2/255.255.255.0");
    }
}

TEST_F(SubnetSweepTest, EveryBlockIsSweptHoweverMany) {
    // More than the 256 blocks a sweep once took, each one host.
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) {
        texts.push_back("10.60." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1) +
                        "/32");
    }
    std::vector<const char*> blocks;
    for (const std::string& t : texts) {
        blocks.push_back(t.c_str());
    }
    auto sweep = MakeSweep(blocks, 100000);
    EXPECT_EQ(sweep->GetBlocks().size(), 300u);
    EXPECT_TRUE(sweep->HasRoute(299));
    Cycle(sweep.get());
    Run(sweep.get(), 100);
    ASSERT_EQ(sent_.size(), 300u);
    EXPECT_EQ(sent_.back().to, "10.60.1.100");
    EXPECT_EQ(sweep->GetPassCount(), 1u);
}

TEST_F(SubnetSweepTest, PacedToTheRateInEveryMillisecond) {
    auto sweep = MakeSweep({"10.31.4.0/22"}, 1000);
    Cycle(sweep.get());
    std::vector<uint32_t> perMs;
    for (int i = 0; i < 500; ++i) {
        perMs.push_back(Run(sweep.get(), 1));
    }
    for (size_t i = 0; i < perMs.size(); ++i) {
        ASSERT_EQ(perMs[i], 1u) << "at " << i << " ms";
    }
    // Held up for a while, it catches up by one short burst only.
    now_ += 1000;
    EXPECT_EQ(sweep->SendDue(send_), 1000u * ZSendPacer::kBurstMs / 1000 + 1);
    EXPECT_EQ(sweep->SendDue(send_), 0u);
    EXPECT_EQ(sweep->MsUntilNext(), 1u);
}

TEST_F(SubnetSweepTest, ACycleThatCannotFinishGoesOnWhereItStopped) {
    // 1,022 hosts at 1,000 a second do not fit a 500 ms cycle.
    auto sweep = MakeSweep({"10.31.4.0/22"}, 1000);
    Cycle(sweep.get());
    EXPECT_EQ(Run(sweep.get(), 500), 500u);
    EXPECT_TRUE(sweep->HasWork());
    Cycle(sweep.get());  // the next cycle does not start again from the first host
    EXPECT_EQ(Run(sweep.get(), 500), 500u);
    Cycle(sweep.get());
    EXPECT_EQ(Run(sweep.get(), 500), 22u);  // the pass ends, and waits for the next cycle
    EXPECT_EQ(sweep->GetPassCount(), 1u);
    const std::vector<std::string> to = Destinations();
    EXPECT_EQ(std::set<std::string>(to.begin(), to.end()).size(), 1022u);
    EXPECT_EQ(to[499], "10.31.5.244");
    EXPECT_EQ(to[500], "10.31.5.245");
    // A new pass with the next cycle.
    Cycle(sweep.get());
    EXPECT_EQ(Run(sweep.get(), 1), 1u);
    EXPECT_EQ(sent_.back().to, "10.31.4.1");
}

TEST_F(SubnetSweepTest, LocalSubnetsAndBlocksWithoutARouteAreLeftOut) {
    // 10.31.1.0/24 is local; 10.70.0.0/30 has no route.
    auto sweep = MakeSweep({"10.31.0.0/22", "10.70.0.0/30"}, 100000);
    EXPECT_TRUE(sweep->HasRoute(0));
    EXPECT_FALSE(sweep->HasRoute(1));
    Cycle(sweep.get());
    Run(sweep.get(), 100);
    EXPECT_EQ(sent_.size(), 1022u - 256u);
    for (const Sent& s : sent_) {
        ASSERT_NE(s.to.rfind("10.31.1.", 0), 0u) << s.to;
        ASSERT_NE(s.to.rfind("10.70.", 0), 0u) << s.to;
    }
    EXPECT_EQ(sweep->GetPassCount(), 1u);
}

TEST_F(SubnetSweepTest, NothingIsSentOutsideACycle) {
    auto sweep = MakeSweep({"10.31.2.0/24"}, 2000);
    EXPECT_EQ(Run(sweep.get(), 100), 0u);  // before the first cycle
    Cycle(sweep.get());
    EXPECT_EQ(Run(sweep.get(), 10), 20u);
    sweep->Halt();  // the socket closes
    EXPECT_EQ(Run(sweep.get(), 100), 0u);
    // Prepared again (the addresses changed), it waits for the next cycle, then goes on.
    ZRouteFinder routes;
    sweep->Prepare({{InetAddr("10.31.1.2"), InetAddr("255.255.255.0")}}, &routes);
    EXPECT_EQ(Run(sweep.get(), 100), 0u);
    Cycle(sweep.get());
    EXPECT_EQ(Run(sweep.get(), 1), 2u);  // at the rate again, no burst for the pause
    ASSERT_EQ(sent_.size(), 22u);
    EXPECT_EQ(sent_[20].to, "10.31.2.21");
}

TEST_F(SubnetSweepTest, ASearchForOneAddressSendsOneRequestWhenABlockHoldsIt) {
    auto sweep = MakeSweep({"10.31.2.0/24"}, 2000);
    struct Row {
        const char* target;
        size_t sent;
    };
    const Row rows[] = {{"10.31.2.77", 1}, {"10.31.3.77", 0}, {"10.31.1.77", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target);
        sent_.clear();
        Cycle(sweep.get(), InetAddr(row.target));
        Run(sweep.get(), 100);
        ASSERT_EQ(sent_.size(), row.sent);
        if (row.sent == 1) {
            EXPECT_EQ(sent_[0].to, row.target);
            RecordingProtocolHandler handler;
            ZNDDProtocolProcessor reader;
            reader.SetHandler(&handler);
            ZZG2PMessage m(sent_[0].bytes.data(), static_cast<uint32_t>(sent_[0].bytes.size()));
            reader.Process(&m, nullptr);
            ASSERT_EQ(handler.calls.size(), 1u);
            EXPECT_EQ(handler.calls[0].numbers[3], InetAddr(row.target));
        }
    }
}

TEST_F(SubnetSweepTest, ThreadSendsUntilHaltedAndNotAfter) {
    // On the steady clock: the thread must see time pass.
    auto sweep =
        std::make_unique<ZSubnetSweep>(std::vector<ZCIDRBlock>{Block("10.31.0.0/16")}, 20000);
    ZRouteFinder routes;
    sweep->Prepare({}, &routes);
    std::atomic<bool> halted{false};
    std::atomic<int> afterHalt{0};
    std::atomic<int> count{0};
    zplat::Event some(/*manualReset=*/true, /*initialState=*/false);
    sweep->StartThread([&](const char*, int, uint32_t) {
        if (halted.load()) {
            afterHalt.fetch_add(1);
        }
        if (count.fetch_add(1) == 100) {
            some.Set();
        }
        return 0;
    });
    sweep->BeginCycle(40001, "PC", ZSubnetSweep::kEveryDevice, "zelvane.*", "");
    ASSERT_EQ(some.Wait(5000), zplat::WAIT_OBJECT_0);
    sweep->Halt();
    halted.store(true);  // after Halt returned: no send may follow
    zplat::Sleep(50);
    EXPECT_EQ(afterHalt.load(), 0);
    EXPECT_TRUE(sweep->HasWork() == false);
    sweep->StopThread();
    EXPECT_GT(sweep->GetSentCount(), 100u);
}

}  // namespace
