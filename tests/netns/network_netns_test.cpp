// The real POSIX backends and the socket inside private namespaces: namespace a has a veth with a
// known hardware address and three addresses, namespace b is its peer.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "net/network_adapter_manager.h"
#include "net/system_network_config.h"
#include "net/udp_socket.h"
#include "platform/network/addr_change.h"
#include "platform/network/inet.h"
#include "platform/network/ip_helper.h"
#include "platform/network/wmi.h"
#include "platform/registry/registry.h"
#include "platform/registry/system_registry.h"
#include "platform/threading/clock.h"
#include "tests/support/netns_fixture.h"

namespace {

constexpr const char* kMac = "02:5a:00:00:00:01";

class NetworkNetnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZTEST_REQUIRE_NETNS(net_);
        pair_.ifA = "veth-a";
        ASSERT_TRUE(net_.MakeLinkedPair(&pair_));
        ASSERT_TRUE(net_.Ip(pair_.a, std::string("link set dev veth-a address ") + kMac));
        ASSERT_TRUE(net_.Ip(pair_.a, "addr add 10.78.0.1/16 dev veth-a"));
        ASSERT_TRUE(net_.Ip(pair_.a, "addr add 10.79.1.1/8 dev veth-a"));
        // The system backends, whatever an earlier test installed.
        zplat::SetIpHelper(nullptr);
        zplat::SetAddrChangeBackend(nullptr);
        zplat::SetWmiProvider(nullptr);
    }

    ztest::NetnsFixture net_;
    ztest::LinkedPair pair_;
};

const zplat::AdapterInfo* FindAdapter(const std::vector<zplat::AdapterInfo>& adapters,
                                      const std::string& name) {
    for (const auto& a : adapters) {
        if (a.adapterName == name) {
            return &a;
        }
    }
    return nullptr;
}

TEST_F(NetworkNetnsTest, AdapterRecordsOfTheNamespace) {
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    std::vector<zplat::AdapterInfo> adapters;
    ASSERT_EQ(zplat::GetAdaptersInfo(&adapters), zplat::NO_ERROR);
    ASSERT_EQ(adapters.size(), 2u);  // lo and the veth, nothing of the machine's own

    const zplat::AdapterInfo* lo = FindAdapter(adapters, "lo");
    ASSERT_NE(lo, nullptr);
    EXPECT_EQ(lo->type, zplat::MIB_IF_TYPE_LOOPBACK);

    const zplat::AdapterInfo* veth = FindAdapter(adapters, "veth-a");
    ASSERT_NE(veth, nullptr);
    EXPECT_EQ(veth->type, zplat::MIB_IF_TYPE_ETHERNET);
    ASSERT_EQ(veth->addressLength, 6u);
    const uint8_t mac[6] = {0x02, 0x5a, 0, 0, 0, 1};
    EXPECT_EQ(std::memcmp(veth->address, mac, 6), 0);
    ASSERT_EQ(veth->ipAddressList.size(), 3u);
    EXPECT_EQ(veth->ipAddressList[0].ipAddress, "10.77.0.1");
    EXPECT_EQ(veth->ipAddressList[0].ipMask, "255.255.255.0");
    EXPECT_EQ(veth->ipAddressList[1].ipAddress, "10.78.0.1");
    EXPECT_EQ(veth->ipAddressList[1].ipMask, "255.255.0.0");
    EXPECT_EQ(veth->ipAddressList[2].ipAddress, "10.79.1.1");
    EXPECT_EQ(veth->ipAddressList[2].ipMask, "255.0.0.0");
    EXPECT_FALSE(veth->dhcpEnabled);  // addresses set by hand are permanent

    zplat::IfRow row;
    ASSERT_EQ(zplat::GetIfEntry(veth->index, &row), zplat::NO_ERROR);
    EXPECT_EQ(row.adminStatus, zplat::MIB_IF_ADMIN_STATUS_UP);
    EXPECT_EQ(row.operStatus, zplat::IF_OPER_STATUS_OPERATIONAL);
    ASSERT_TRUE(net_.Ip(pair_.b, "link set veth-b down"));  // the peer goes: no carrier
    for (int i = 0; i < 40 && row.operStatus != zplat::IF_OPER_STATUS_DISCONNECTED; ++i) {
        zplat::Sleep(50);  // the kernel reports a carrier change a moment later
        ASSERT_EQ(zplat::GetIfEntry(veth->index, &row), zplat::NO_ERROR);
    }
    EXPECT_EQ(row.operStatus, zplat::IF_OPER_STATUS_DISCONNECTED);
    EXPECT_EQ(row.adminStatus, zplat::MIB_IF_ADMIN_STATUS_UP);
}

TEST_F(NetworkNetnsTest, LocalInterfacesInSystemOrder) {
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    ZUDPSocket socket;
    IPADDRLIST list;
    list.count = 32;
    ASSERT_EQ(socket.GetLocalInterfaces(&list), 0);
    ASSERT_EQ(list.count, 3);  // the loopback address is not among them
    EXPECT_STREQ(list.address[0], "10.77.0.1");
    EXPECT_STREQ(list.address[1], "10.78.0.1");
    EXPECT_STREQ(list.address[2], "10.79.1.1");

    IPADDRLIST two;
    two.count = 2;
    std::strcpy(two.address[2], "untouched");
    ASSERT_EQ(socket.GetLocalInterfaces(&two), 0);
    EXPECT_EQ(two.count, 2);
    EXPECT_STREQ(two.address[1], "10.78.0.1");
    EXPECT_STREQ(two.address[2], "untouched");
    socket.Close();
}

TEST_F(NetworkNetnsTest, AddressChangeSignalsAnArmedWatchOnce) {
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    zplat::Event changed(true, false);
    zplat::Overlapped ov;
    ov.event = &changed;
    ASSERT_EQ(zplat::NotifyAddrChange(&ov), zplat::ERROR_IO_PENDING);
    EXPECT_EQ(changed.Wait(0), zplat::WAIT_TIMEOUT);  // tested without waiting

    ASSERT_TRUE(net_.Ip(pair_.a, "addr add 10.80.0.1/24 dev veth-a"));
    EXPECT_EQ(changed.Wait(2000), zplat::WAIT_OBJECT_0);

    // Re-armed: quiet until the next change.
    changed.Reset();
    ASSERT_EQ(zplat::NotifyAddrChange(&ov), zplat::ERROR_IO_PENDING);
    EXPECT_EQ(changed.Wait(200), zplat::WAIT_TIMEOUT);
    ASSERT_TRUE(net_.Ip(pair_.a, "addr del 10.80.0.1/24 dev veth-a"));
    EXPECT_EQ(changed.Wait(2000), zplat::WAIT_OBJECT_0);

    // Cancelled: a change no longer reaches the event.
    changed.Reset();
    ASSERT_EQ(zplat::NotifyAddrChange(&ov), zplat::ERROR_IO_PENDING);
    EXPECT_TRUE(zplat::CancelIPChangeNotify(&ov));
    ASSERT_TRUE(net_.Ip(pair_.a, "addr add 10.81.0.1/24 dev veth-a"));
    EXPECT_EQ(changed.Wait(300), zplat::WAIT_TIMEOUT);

    // A change in the peer namespace is not this namespace's change.
    ASSERT_EQ(zplat::NotifyAddrChange(&ov), zplat::ERROR_IO_PENDING);
    ASSERT_TRUE(net_.Ip(pair_.b, "addr add 10.82.0.2/24 dev veth-b"));
    EXPECT_EQ(changed.Wait(300), zplat::WAIT_TIMEOUT);
    zplat::CancelIPChangeNotify(&ov);
}

TEST_F(NetworkNetnsTest, SynthesizedRegistryAndWmiFollowTheNamespace) {
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    zplat::ScopedRegistry scope;
    zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
                         std::make_shared<zplat::SystemRegistry>());
    zplat::HKEY key;
    ASSERT_EQ(zplat::RegOpenKeyEx(zplat::HKEY_LOCAL_MACHINE,
                                  "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"
                                  "Interfaces\\veth-a",
                                  0, zplat::KEY_READ, &key),
              zplat::ERROR_SUCCESS);
    char data[128] = {};
    uint32_t size = sizeof data;
    ASSERT_EQ(
        zplat::RegQueryValueEx(key, "IPAddress", nullptr, reinterpret_cast<uint8_t*>(data), &size),
        zplat::ERROR_SUCCESS);
    EXPECT_EQ(std::string(data, size), std::string("10.77.0.1\0"
                                                   "10.78.0.1\0"
                                                   "10.79.1.1\0\0",
                                                   31));
    zplat::RegCloseKey(key);

    ZSystemNetworkConfig config;
    EXPECT_TRUE(config.Load());
    EXPECT_STREQ(config.GetPrimaryAddressText(), "10.77.0.1");
    EXPECT_STREQ(config.GetPrimaryMaskText(), "255.255.255.0");
}

TEST_F(NetworkNetnsTest, InventoryNamesEveryLocalInterface) {
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    zplat::ScopedRegistry scope;
    zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
                         std::make_shared<zplat::SystemRegistry>());

    // What the detection engine does when it builds its interface table.
    ZUDPSocket socket;
    IPADDRLIST list;
    list.count = 32;
    ASSERT_EQ(socket.GetLocalInterfaces(&list), 0);
    ZNetworkAdapterManager snapshot;
    ASSERT_TRUE(snapshot.Refresh());
    const char* masks[] = {"255.255.255.0", "255.255.0.0", "255.0.0.0"};
    ASSERT_EQ(list.count, 3);
    for (int i = 0; i < list.count; ++i) {
        SCOPED_TRACE(list.address[i]);
        const char* mask = snapshot.GetMaskOfAddress(list.address[i]);
        ASSERT_NE(mask, nullptr);
        EXPECT_STREQ(mask, masks[i]);
        INetworkAdapter* adapter = snapshot.FindAdapter(list.address[i], mask);
        ASSERT_NE(adapter, nullptr);
        EXPECT_STREQ(adapter->GetName(), "veth-a");
    }
    auto* veth = static_cast<ZNetworkAdapter*>(snapshot.FindAdapter("10.77.0.1", nullptr));
    EXPECT_STREQ(veth->GetHardwareAddressText(), "02 5A 00 00 00 01");
    EXPECT_STREQ(veth->GetTypeName(static_cast<int>(veth->GetType())), "Ethernet");
    EXPECT_TRUE(veth->IsOperational());
    // The synthesized registry lists the addresses in the system's order.
    EXPECT_EQ(veth->GetIPAddressIndex(0), 1);
    EXPECT_EQ(veth->GetIPAddressIndex(2), 3);
    EXPECT_EQ(veth->GetPCILocation(), -1);  // a virtual link sits on no PCI bus
    INetworkAdapter* lo = snapshot.FindAdapter("127.0.0.1", "255.0.0.0");
    ASSERT_NE(lo, nullptr);
    EXPECT_STREQ(lo->GetTypeName(static_cast<int>(lo->GetType())), "Loopback");
    socket.Close();
}

// Collects datagrams delivered on the receive thread.
class Inbox : public IUDPSocketHandler {
public:
    int OnUDPData(const char* data, int length, const char* from, uint16_t, ZUDPSocket*) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(std::string(data, static_cast<size_t>(length)) + "@" + from);
        cv_.notify_all();
        return 0;
    }
    int OnUDPError(int, ZUDPSocket*) override { return 0; }
    bool WaitFor(size_t n, int ms = 2000) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(ms),
                            [&] { return messages_.size() >= n; });
    }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> messages_;
};

TEST_F(NetworkNetnsTest, BroadcastsReachAListenerInThePeerNamespace) {
    constexpr uint16_t kPort = 42580;
    Inbox inbox;
    ZUDPSocket listener;
    listener.AddHandler(&inbox);
    {
        ztest::EnterNetns in(pair_.b);
        ASSERT_TRUE(in.ok());
        listener.SetPort(kPort);
        ASSERT_EQ(listener.Open(0, nullptr, 0), 0);  // every address of b
    }
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    ZTEST_REFUSE_INITIAL_NETNS();
    ZUDPSocket sender;
    const char* interfaces[] = {"10.77.0.1"};
    ASSERT_EQ(sender.Open(1, interfaces, 1), 0);
    EXPECT_FALSE(sender.IsBroadcast());

    ASSERT_EQ(sender.SendTo("all", 3, "255.255.255.255", kPort), 0);
    EXPECT_TRUE(sender.IsBroadcast());  // the first send to 255.255.255.255 switched it on
    ASSERT_TRUE(inbox.WaitFor(1));
    ASSERT_EQ(sender.SendTo("subnet", 6, "10.77.0.255", kPort), 0);  // stays on
    ASSERT_TRUE(inbox.WaitFor(2));
    EXPECT_EQ(inbox.Messages(), (std::vector<std::string>{"all@10.77.0.1", "subnet@10.77.0.1"}));

    EXPECT_EQ(sender.Close(), 0);
    EXPECT_FALSE(sender.IsBroadcast());  // off with the socket
    listener.Close();
}

TEST_F(NetworkNetnsTest, MulticastMembershipOnTheGivenInterface) {
    constexpr uint16_t kPort = 42581;
    Inbox inbox;
    ZUDPSocket listener;
    listener.AddHandler(&inbox);
    // A second link into b gives it a second interface to join on.
    ASSERT_TRUE(net_.AddVethPair(pair_.b, "veth-c", pair_.a, "veth-d"));
    ASSERT_TRUE(net_.Ip(pair_.b, "addr add 10.90.0.2/24 dev veth-c"));
    {
        ztest::EnterNetns in(pair_.b);
        ASSERT_TRUE(in.ok());
        listener.SetPort(kPort);
        listener.SetGroupAddress("239.77.0.1");
        // Two interfaces: bound to every address, the group joined on each listed one, in order;
        // the same membership twice fails and tears the socket down.
        const char* twice[] = {"10.77.0.2", "10.77.0.2"};
        ASSERT_EQ(listener.Open(1, twice, 2), -22);
        EXPECT_FALSE(listener.IsStarted());
        const char* both[] = {"10.90.0.2", "10.77.0.2"};
        ASSERT_EQ(listener.Open(1, both, 2), 0);
    }
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    ZTEST_REFUSE_INITIAL_NETNS();
    ZUDPSocket sender;
    ASSERT_EQ(sender.SendTo("group", 5, "239.77.0.1", kPort), 0);
    ASSERT_TRUE(inbox.WaitFor(1));
    EXPECT_EQ(inbox.Messages()[0], "group@10.77.0.1");
    sender.Close();
    listener.Close();
}

// A default route over two next hops, in place of the fixture's own default route: each adapter
// carrying one has that gateway (the routing table file would show the first alone).
TEST_F(NetworkNetnsTest, MultipathDefaultRouteGivesEveryNextHopAGateway) {
    ASSERT_TRUE(net_.Ip(pair_.a, "link add veth-m1 type veth peer name veth-m2"));
    ASSERT_TRUE(net_.Ip(pair_.a, "link set veth-m1 up"));
    ASSERT_TRUE(net_.Ip(pair_.a, "link set veth-m2 up"));
    ASSERT_TRUE(net_.Ip(pair_.a, "addr add 10.91.0.1/24 dev veth-m1"));
    ASSERT_TRUE(net_.Ip(pair_.a, "addr add 10.92.0.1/24 dev veth-m2"));
    ASSERT_TRUE(net_.Ip(pair_.a,
                        "route replace default nexthop via 10.91.0.254 dev veth-m1 "
                        "nexthop via 10.92.0.254 dev veth-m2"));
    ztest::EnterNetns in(pair_.a);
    ASSERT_TRUE(in.ok());
    std::vector<zplat::AdapterInfo> adapters;
    ASSERT_EQ(zplat::GetAdaptersInfo(&adapters), zplat::NO_ERROR);
    const zplat::AdapterInfo* m1 = FindAdapter(adapters, "veth-m1");
    const zplat::AdapterInfo* m2 = FindAdapter(adapters, "veth-m2");
    ASSERT_NE(m1, nullptr);
    ASSERT_NE(m2, nullptr);
    ASSERT_EQ(m1->gatewayList.size(), 1u);
    EXPECT_EQ(m1->gatewayList[0].ipAddress, "10.91.0.254");
    ASSERT_EQ(m2->gatewayList.size(), 1u);
    EXPECT_EQ(m2->gatewayList[0].ipAddress, "10.92.0.254");
    EXPECT_TRUE(FindAdapter(adapters, "veth-a")->gatewayList.empty());
}

}  // namespace
