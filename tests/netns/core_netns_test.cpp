// The finder's discovery core as the finder builds it (its own user agent, no group address, any
// local port, devices on port 4258), searching in a private namespace with `zunit simulate` as
// the devices in another: one product per service, address and port however many cycles, the
// identity document on every search, the first name kept, and Stop in the middle of the wait.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "catalogue/product.h"
#include "catalogue/unitfinder_core.h"
#include "tests/netns/simulated_network.h"

namespace products_test {
namespace {

constexpr const char kIdentity[] =
    "<quillondata><ident name=\"cuedeckeditor\" edition=\"prime\" version=\"2.1.0\" "
    "/></quillondata>";

// One device entry of a simulator device file.
std::string Device(const std::string& service, const std::string& name, const std::string& address,
                   int port) {
    return Json({{"service", service},
                 {"name", name},
                 {"address", address},
                 {"mask", "255.255.255.0"},
                 {"port", port},
                 {"model", "Cuedeck"},
                 {"version", "6.4.2"}})
        .dump();
}

class Added : public IUnitFinderCoreHandler {
public:
    void OnProductAdded(ZProduct* product) override {
        std::lock_guard<std::mutex> lock(mutex_);
        products_.push_back(product);
    }
    std::vector<ZProduct*> Products() {
        std::lock_guard<std::mutex> lock(mutex_);
        return products_;
    }
    size_t Count() { return Products().size(); }

private:
    std::mutex mutex_;
    std::vector<ZProduct*> products_;
};

// The core made and started inside the test side of the pair.
class CoreNetnsTest : public SimulatedNetworkTest {
protected:
    void TearDown() override {
        if (core_) {
            core_->Stop();
            core_.reset();
        }
        in_.reset();
        SimulatedNetworkTest::TearDown();
    }

    // Enters a and starts a core that searches every intervalMs.
    void StartCore(uint32_t intervalMs) {
        in_ = std::make_unique<ztest::EnterNetns>(pair_.a);
        ASSERT_TRUE(in_->ok());
        ZTEST_REFUSE_INITIAL_NETNS();
        core_ = std::make_unique<ZUnitFinderCore>(&added_);
        core_->SetSearchInterval(intervalMs);
        ASSERT_TRUE(core_->Start());
    }

    // "service@address:port name" of every listed product, in list order.
    std::vector<std::string> Listed() {
        std::vector<std::string> listed;
        LProductList* list = core_->GetProductList();
        list->Lock(LProductList::kLockReason);
        for (ZProduct* p = list->First(); p != nullptr; p = list->Next()) {
            listed.push_back(std::string(p->GetServiceName().GetString()) + "@" +
                             p->GetAddressText().GetString() + ":" + std::to_string(p->GetPort()) +
                             " " + p->GetName().GetString());
        }
        list->Unlock(LProductList::kLockReason);
        return listed;
    }

    // Search cycles the simulator has seen since it started: two datagrams each on one interface.
    size_t Cycles() { return Requests().size() / 2; }

    Added added_;
    std::unique_ptr<ztest::EnterNetns> in_;
    std::unique_ptr<ZUnitFinderCore> core_;
};

TEST_F(CoreNetnsTest, OneProductPerDeviceHoweverManyCyclesAndEverySearchCarriesTheIdentity) {
    std::string devices = "[";
    for (int i = 1; i <= 11; ++i) {
        devices += (i > 1 ? "," : "") + Device("zelvane.cuedeck", "Booth " + std::to_string(i),
                                               "10.200.0." + std::to_string(i), 4300);
    }
    StartSimulator(devices + "]");
    StartCore(150);
    ASSERT_TRUE(WaitFor([&] { return Cycles() >= 6; }, 10000)) << Requests().size();
    core_->Stop();

    EXPECT_EQ(Listed().size(), 11u);
    const std::vector<ZProduct*> added = added_.Products();
    EXPECT_EQ(added.size(), 11u);
    EXPECT_EQ(std::set<ZProduct*>(added.begin(), added.end()).size(), added.size());

    // Every datagram of every cycle: to the devices' port 4258 (the simulator listens there), from
    // the system-chosen port the answers come back to, with the identity byte for byte.
    const std::vector<Json> requests = Requests();
    ASSERT_GE(requests.size(), 12u);
    const Json firstPort = requests[0]["from_port"];
    EXPECT_NE(firstPort, 0);
    for (size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE(i);
        const Json& r = requests[i];
        EXPECT_EQ(r["data"], kIdentity);
        EXPECT_EQ(r["service"], "zelvane.*");
        EXPECT_EQ(r["target"], "255.255.255.255");
        EXPECT_EQ(r["requester"], pair_.addressA);
        EXPECT_EQ(r["from_port"], firstPort);
        EXPECT_EQ(r["port"], firstPort);
    }
}

TEST_F(CoreNetnsTest, ServiceAddressAndPortEachMakeTheirOwnProduct) {
    StartSimulator("[" + Device("zelvane.cuedeck", "Base", "10.200.0.50", 4300) + "," +
                   Device("zelvane.cuedeck2", "Other service", "10.200.0.50", 4300) + "," +
                   Device("zelvane.cuedeck", "Other address", "10.200.0.51", 4300) + "," +
                   Device("zelvane.cuedeck", "Other port", "10.200.0.50", 4301) + "]");
    StartCore(150);
    ASSERT_TRUE(WaitFor([&] { return Cycles() >= 3; }, 10000));
    core_->Stop();

    const std::vector<std::string> listed = Listed();
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()),
              (std::set<std::string>{"zelvane.cuedeck@10.200.0.50:4300 Base",
                                     "zelvane.cuedeck2@10.200.0.50:4300 Other service",
                                     "zelvane.cuedeck@10.200.0.51:4300 Other address",
                                     "zelvane.cuedeck@10.200.0.50:4301 Other port"}));
    EXPECT_EQ(listed.size(), 4u);
    EXPECT_EQ(added_.Count(), 4u);
}

TEST_F(CoreNetnsTest, RenamedDeviceKeepsItsFirstNameAndASilentOneStays) {
    StartSimulator("[" + Device("zelvane.vxp2", "First Name", "10.200.0.8", 80) + "]");
    StartCore(150);
    ASSERT_TRUE(WaitFor([&] { return added_.Count() == 1; }, 5000));

    StopSimulator();  // silent for several cycles: still listed
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(Listed(), std::vector<std::string>{"zelvane.vxp2@10.200.0.8:80 First Name"});

    StartSimulator("[" + Device("zelvane.vxp2", "Second Name", "10.200.0.8", 80) + "]");
    ASSERT_TRUE(WaitFor([&] { return Cycles() >= 3; }, 5000));  // the new name has answered
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    core_->Stop();
    EXPECT_EQ(Listed(), std::vector<std::string>{"zelvane.vxp2@10.200.0.8:80 First Name"});
    EXPECT_EQ(added_.Count(), 1u);
}

TEST_F(CoreNetnsTest, StopInTheMiddleOfTheTwoSecondWaitReturnsAtOnce) {
    StartSimulator("[" + Device("zelvane.vxp2", "Wall", "10.200.0.8", 80) + "]");
    StartCore(ZUnitFinderCore::kSearchIntervalMs);
    ASSERT_TRUE(WaitFor([&] { return added_.Count() == 1; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well inside the wait

    const auto before = Clock::now();
    core_->Stop();
    EXPECT_LT(MsSince(before), 100);
    EXPECT_FALSE(core_->IsRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Requests().size(), 2u);  // the one cycle before Stop, nothing after
}

}  // namespace
}  // namespace products_test
