#include "catalogue/unitfinder_core.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/catalogue/fake_network_device.h"
#include "tests/catalogue/fake_user_agent.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char kIdentity[] =
    "<quillondata><ident name=\"cuedeckeditor\" edition=\"prime\" version=\"2.1.0\" "
    "/></quillondata>";

class RecordingHandler : public IUnitFinderCoreHandler {
public:
    void OnProductAdded(ZProduct* product) override {
        // The list's lock must be free: another thread can take it while we are called.
        if (list != nullptr) {
            auto other = std::async(std::launch::async, [this] {
                list->Lock(1);
                list->Unlock(1);
            });
            lockFree =
                lockFree && other.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
        }
        added.push_back(product);
    }
    LProductList* list = nullptr;
    bool lockFree = true;
    std::vector<ZProduct*> added;
};

class UnitFinderCoreTest : public ::testing::Test {
protected:
    std::unique_ptr<ZUnitFinderCore> MakeCore(int16_t startResult = 0) {
        auto core = std::make_unique<ZUnitFinderCore>(
            &handler_, [this, startResult](const char* group, uint16_t local, uint16_t remote) {
                factoryArgs_ = {group == nullptr ? "(null)" : group, std::to_string(local),
                                std::to_string(remote)};
                return new FakeUserAgent(&log_, startResult);
            });
        handler_.list = core->GetProductList();
        return core;
    }

    int Count(ZUnitFinderCore& core) {
        LProductList* list = core.GetProductList();
        list->Lock(1);
        int n = list->GetCount();
        list->Unlock(1);
        return n;
    }

    // Starts the core, measures the time between its first two searches, and stops it.
    void MeasureSearchGap(ZUnitFinderCore& core, Clock::duration* gap) {
        ASSERT_TRUE(core.Start());
        ASSERT_EQ(log_.searched.Wait(5000), zplat::WAIT_OBJECT_0);
        const auto first = Clock::now();
        ASSERT_EQ(log_.searched.Wait(5000), zplat::WAIT_OBJECT_0);
        *gap = Clock::now() - first;
        core.Stop();
    }

    FakeAgentLog log_;
    RecordingHandler handler_;
    std::vector<std::string> factoryArgs_;
};

TEST_F(UnitFinderCoreTest, OwnsItsAgentFromConstructionToDestruction) {
    auto core = MakeCore();
    EXPECT_EQ(factoryArgs_, (std::vector<std::string>{"(null)", "0", "4258"}));
    ASSERT_EQ(log_.handlers.size(), 1u);
    EXPECT_EQ(log_.handlers[0], static_cast<INDDUserAgentHandler*>(core.get()));
    core.reset();
    EXPECT_EQ(log_.Calls(),
              (std::vector<std::string>{"AddHandler", "RemoveHandler", "Stop", "Release"}));
}

TEST_F(UnitFinderCoreTest, StartSearchesWithTheIdentityUntilStop) {
    auto core = MakeCore();
    ASSERT_TRUE(core->Start());
    ASSERT_EQ(log_.searched.Wait(5000), zplat::WAIT_OBJECT_0);
    EXPECT_EQ(log_.serviceType, "zelvane.*");
    EXPECT_EQ(log_.retryCount, 3);
    EXPECT_TRUE(core->IsRunning());

    // The search thread now waits two seconds: Stop ends the wait at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto before = Clock::now();
    core->Stop();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(100));
    EXPECT_FALSE(core->IsRunning());

    std::vector<std::string> calls = log_.Calls();
    const std::string search = std::string("Search(|") + kIdentity + ")";
    ASSERT_GE(calls.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 6),
              (std::vector<std::string>{"AddHandler", "Start", "SetServiceType", "SetRetryCount",
                                        "ClearDevices", search}));
    EXPECT_EQ(calls.back(), "Stop");
    EXPECT_EQ(log_.Searches(), 1);  // the next search is two seconds away
}

TEST_F(UnitFinderCoreTest, SearchesRepeatEveryTwoSeconds) {
    auto core = MakeCore();
    Clock::duration gap{};
    ASSERT_NO_FATAL_FAILURE(MeasureSearchGap(*core, &gap));
    EXPECT_GE(gap, std::chrono::milliseconds(1900));
    EXPECT_LT(gap, std::chrono::milliseconds(3000));
}

TEST_F(UnitFinderCoreTest, SearchIntervalCanBeShortened) {
    auto core = MakeCore();
    EXPECT_EQ(core->GetSearchInterval(), ZUnitFinderCore::kSearchIntervalMs);
    core->SetSearchInterval(50);
    Clock::duration gap{};
    ASSERT_NO_FATAL_FAILURE(MeasureSearchGap(*core, &gap));
    EXPECT_GE(gap, std::chrono::milliseconds(40));
    EXPECT_LT(gap, std::chrono::milliseconds(1000));
    core->SetSearchInterval(0);  // never a busy loop
    EXPECT_EQ(core->GetSearchInterval(), 1u);
}

// The finder's own construction makes a real agent; without Start it opens nothing, so this runs
// without a network (the namespace tests search with it).
TEST(UnitFinderCoreDefaultTest, MakesItsOwnAgentAndNeedsNoStart) {
    RecordingHandler handler;
    auto core = std::make_unique<ZUnitFinderCore>(&handler);
    EXPECT_FALSE(core->IsRunning());
    core->Stop();  // before any Start: nothing to end
    LProductList* list = core->GetProductList();
    list->Lock(1);
    EXPECT_EQ(list->GetCount(), 0);
    list->Unlock(1);
    core.reset();
    EXPECT_TRUE(handler.added.empty());
}

TEST_F(UnitFinderCoreTest, AgentThatCannotStartMeansNoThread) {
    auto core = MakeCore(/*startResult=*/3);
    EXPECT_FALSE(core->Start());
    EXPECT_FALSE(core->IsRunning());
    EXPECT_EQ(log_.Searches(), 0);
    core->Stop();  // still safe
}

TEST_F(UnitFinderCoreTest, OneProductPerServiceAddressAndPort) {
    auto core = MakeCore();
    FakeNetworkDevice a("zelvane.cuedeck2", "10.0.0.5", 4258);
    a.name = "First Name";
    for (int cycle = 0; cycle < 5; ++cycle) {
        EXPECT_EQ(core->OnDeviceAnswer(&a, nullptr), 1);
    }
    a.name = "Renamed";
    core->OnDeviceAnswer(&a, nullptr);
    ASSERT_EQ(handler_.added.size(), 1u);
    EXPECT_STREQ(handler_.added[0]->GetName().GetString(), "First Name");

    FakeNetworkDevice otherService("zelvane.vxp2", "10.0.0.5", 4258);
    FakeNetworkDevice otherAddress("zelvane.cuedeck2", "10.0.0.6", 4258);
    FakeNetworkDevice otherPort("zelvane.cuedeck2", "10.0.0.5", 4259);
    FakeNetworkDevice caseDiffers("Zelvane.cuedeck2", "10.0.0.5", 4258);
    FakeNetworkDevice noAddress("zelvane.cuedeck2", "", 4258);
    for (FakeNetworkDevice* d : {&otherService, &otherAddress, &otherPort, &caseDiffers, &noAddress,
                                 &otherService, &noAddress}) {
        core->OnDeviceAnswer(d, nullptr);
    }
    EXPECT_EQ(core->OnErrorAnswer(0x0500000A, 5, nullptr), 1);
    EXPECT_EQ(core->OnDeviceAnswer(nullptr, nullptr), 1);

    ASSERT_EQ(Count(*core), 6);
    EXPECT_EQ(handler_.added.size(), 6u);
    EXPECT_TRUE(handler_.lockFree);
    // In the order of their first answers, at the tail of the list.
    LProductList* list = core->GetProductList();
    list->Lock(1);
    std::vector<std::string> order;
    for (ZProduct* p = list->First(); p != nullptr; p = list->Next()) {
        order.push_back(std::string(p->GetServiceName().GetString()) + "@" +
                        p->GetAddressText().GetString() + ":" + std::to_string(p->GetPort()));
    }
    list->Unlock(1);
    EXPECT_EQ(order, (std::vector<std::string>{
                         "zelvane.cuedeck2@10.0.0.5:4258", "zelvane.vxp2@10.0.0.5:4258",
                         "zelvane.cuedeck2@10.0.0.6:4258", "zelvane.cuedeck2@10.0.0.5:4259",
                         "Zelvane.cuedeck2@10.0.0.5:4258", "zelvane.cuedeck2@0.0.0.0:4258"}));
}

// Past the cap no product is added (nor announced) and each such answer is counted; the listed
// products stay in their order and known ones still answer as before; Start counts afresh.
TEST_F(UnitFinderCoreTest, ProductsPastTheCapAreCountedNotListed) {
    auto core = MakeCore();
    EXPECT_EQ(core->GetMaxProducts(), ZUnitFinderCore::kDefaultMaxProducts);
    EXPECT_GE(ZUnitFinderCore::kDefaultMaxProducts, 100000u);
    core->SetMaxProducts(3);
    std::vector<FakeNetworkDevice> devices;
    for (int i = 0; i < 5; ++i) {
        devices.emplace_back("zelvane.cuedeck", "10.0.0." + std::to_string(i + 1), 4300);
    }
    for (FakeNetworkDevice& d : devices) {
        EXPECT_EQ(core->OnDeviceAnswer(&d, nullptr), 1);
    }
    core->OnDeviceAnswer(&devices[4], nullptr);  // still past the cap: counted again
    core->OnDeviceAnswer(&devices[0], nullptr);  // known: nothing changes, nothing counted
    EXPECT_EQ(Count(*core), 3);
    EXPECT_EQ(handler_.added.size(), 3u);
    EXPECT_EQ(core->GetOverCapCount(), 3u);
    EXPECT_STREQ(handler_.added[2]->GetAddressText().GetString(), "10.0.0.3");

    core->SetMaxProducts(0);  // counts as 1; the three listed stay
    FakeNetworkDevice another("zelvane.vxp2", "10.0.0.9", 1);
    core->OnDeviceAnswer(&another, nullptr);
    EXPECT_EQ(core->GetMaxProducts(), 1u);
    EXPECT_EQ(Count(*core), 3);
    EXPECT_EQ(core->GetOverCapCount(), 4u);

    ASSERT_TRUE(core->Start());
    EXPECT_EQ(core->GetOverCapCount(), 0u);
    core->OnDeviceAnswer(&another, nullptr);
    core->OnDeviceAnswer(&devices[0], nullptr);
    core->Stop();
    EXPECT_EQ(Count(*core), 1);
    EXPECT_EQ(core->GetOverCapCount(), 1u);
}

TEST_F(UnitFinderCoreTest, ProductsStayUntilTheNextStart) {
    auto core = MakeCore();
    FakeNetworkDevice a("zelvane.cuedeck", "10.0.0.1", 1);
    core->OnDeviceAnswer(&a, nullptr);
    ASSERT_TRUE(core->Start());
    EXPECT_EQ(Count(*core), 0);  // Start empties the list
    core->OnDeviceAnswer(&a, nullptr);
    core->Stop();
    EXPECT_EQ(Count(*core), 1);  // Stop keeps it
    core->OnDeviceAnswer(&a, nullptr);
    EXPECT_EQ(handler_.added.size(), 2u);  // once before the Start, once after
    ASSERT_TRUE(core->Start());
    EXPECT_EQ(Count(*core), 0);
    core->OnDeviceAnswer(&a, nullptr);  // known again only after the index was emptied too
    EXPECT_EQ(Count(*core), 1);
    core->Stop();
}

TEST_F(UnitFinderCoreTest, DestructionWithoutStopEndsTheSearchThreadFirst) {
    auto core = MakeCore();
    ASSERT_TRUE(core->Start());
    ASSERT_EQ(log_.searched.Wait(5000), zplat::WAIT_OBJECT_0);
    auto before = Clock::now();
    core.reset();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_EQ(log_.Calls().back(), "Release");
}

// Answers arrive on one thread while the search thread runs and a reader walks the list, as the
// window does: run under ThreadSanitizer this shows the list's lock is the only one needed.
TEST_F(UnitFinderCoreTest, AnswersSearchesAndReadersMeet) {
    auto core = MakeCore();
    ASSERT_TRUE(core->Start());
    std::atomic<bool> done{false};
    std::thread answers([&] {
        for (int round = 0; round < 20; ++round) {
            for (int i = 0; i < 50; ++i) {
                FakeNetworkDevice d("zelvane.cuedeck2", "10.0.1." + std::to_string(i), 4258);
                core->OnDeviceAnswer(&d, nullptr);
            }
        }
        done = true;
    });
    LProductList* list = core->GetProductList();
    size_t chars = 0;
    while (!done) {
        list->Lock(1);
        for (ZProduct* p = list->First(); p != nullptr; p = list->Next()) {
            chars += p->GetAddressText().GetLength();
        }
        list->Unlock(1);
    }
    answers.join();
    core->Stop();
    EXPECT_EQ(Count(*core), 50);
    EXPECT_EQ(handler_.added.size(), 50u);
    (void)chars;
}

}  // namespace
