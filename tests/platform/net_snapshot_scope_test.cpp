#include "platform/network/net_snapshot_scope.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/network/fake_ip_helper.h"

namespace {

using namespace zplat;

AdapterInfo Adapter(uint32_t index, const char* name) {
    AdapterInfo a;
    a.index = index;
    a.adapterName = name;
    a.ipAddressList.push_back({"10.0.0.1", "255.0.0.0", 1});
    return a;
}

class NetSnapshotScopeTest : public ::testing::Test {
protected:
    NetSnapshotScopeTest() {
        fake_->adapters.push_back(Adapter(2, "eth0"));
        fake_->dns[2] = {"10.0.0.53"};
        fake_->ifRows[2].adminStatus = MIB_IF_ADMIN_STATUS_UP;
    }
    std::string FirstName() {
        std::vector<AdapterInfo> list;
        return GetAdaptersInfo(&list) == NO_ERROR ? list.front().adapterName : "<failed>";
    }
    std::shared_ptr<FakeIpHelper> fake_ = std::make_shared<FakeIpHelper>();
    ScopedIpHelper use_{fake_};
};

TEST_F(NetSnapshotScopeTest, CallsInAScopeAnswerAsTheyFirstDid) {
    {
        NetSnapshotScope scope;
        EXPECT_EQ(FirstName(), "eth0");
        fake_->adapters[0].adapterName = "eth1";
        EXPECT_EQ(FirstName(), "eth0");
        {
            NetSnapshotScope inner;  // shares the outer scope's answers
            EXPECT_EQ(FirstName(), "eth0");
        }
        EXPECT_EQ(FirstName(), "eth0");
        PerAdapterInfo info;
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(GetPerAdapterInfo(2, &info), NO_ERROR);
            EXPECT_EQ(GetPerAdapterInfo(9, &info), ERROR_NOT_FOUND);  // failures are kept too
        }
        IfRow row;
        EXPECT_EQ(GetIfEntry(2, &row), NO_ERROR);
        EXPECT_EQ(row.adminStatus, MIB_IF_ADMIN_STATUS_UP);
        EXPECT_EQ(fake_->adapterCalls, 1);
        EXPECT_EQ(fake_->perAdapterCalls, 2);
    }
    // Outside every scope each call reads anew.
    EXPECT_EQ(FirstName(), "eth1");
    EXPECT_EQ(FirstName(), "eth1");
    EXPECT_EQ(fake_->adapterCalls, 3);
}

TEST_F(NetSnapshotScopeTest, ChangingAnAddressForgetsWhatTheScopeHeld) {
    NetSnapshotScope scope;
    EXPECT_EQ(FirstName(), "eth0");
    uint32_t context = 0, instance = 0;
    ASSERT_EQ(AddIPAddress(0x0200000A, 0x00FFFFFF, 2, &context, &instance), NO_ERROR);
    std::vector<AdapterInfo> list;
    ASSERT_EQ(GetAdaptersInfo(&list), NO_ERROR);
    EXPECT_EQ(list.front().ipAddressList.size(), 2u);  // the added address is seen
    ASSERT_EQ(DeleteIPAddress(context), NO_ERROR);
    ASSERT_EQ(GetAdaptersInfo(&list), NO_ERROR);
    EXPECT_EQ(list.front().ipAddressList.size(), 1u);
    EXPECT_EQ(fake_->adapterCalls, 3);
}

TEST_F(NetSnapshotScopeTest, ScopeBelongsToItsThread) {
    NetSnapshotScope scope;
    EXPECT_EQ(FirstName(), "eth0");
    fake_->adapters[0].adapterName = "eth1";
    std::string other;
    std::thread([&] { other = FirstName(); }).join();
    EXPECT_EQ(other, "eth1");
    EXPECT_EQ(FirstName(), "eth0");
}

TEST_F(NetSnapshotScopeTest, KeptValuesLiveUntilTheOutermostScopeCloses) {
    const uint64_t key = NetSnapshotScope::NewKey();
    NetSnapshotScope::Keep(key, std::make_shared<int>(1));  // no scope: nothing kept
    EXPECT_EQ(NetSnapshotScope::Kept(key), nullptr);
    std::weak_ptr<void> watch;
    {
        NetSnapshotScope outer;
        {
            NetSnapshotScope inner;
            auto value = std::make_shared<int>(7);
            watch = value;
            NetSnapshotScope::Keep(key, value);
        }
        ASSERT_NE(NetSnapshotScope::Kept(key), nullptr);
        EXPECT_EQ(*std::static_pointer_cast<int>(NetSnapshotScope::Kept(key)), 7);
        EXPECT_NE(NetSnapshotScope::NewKey(), key);
    }
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(NetSnapshotScope::IsOpen());
}

}  // namespace
