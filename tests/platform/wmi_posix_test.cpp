// The POSIX face's system provider: WMI answered from the records of the installed IP Helper
// (on Windows the system's own WMI answers; see wmi_win_test.cpp).

#include <gtest/gtest.h>

#include "platform/network/fake_ip_helper.h"
#include "platform/network/wmi.h"

namespace {

using namespace zplat;

TEST(WmiPosixTest, SystemProviderAnswersFromTheInstalledIpHelper) {
    auto fake = std::make_shared<FakeIpHelper>();
    AdapterInfo adapter;
    adapter.index = 9;
    adapter.adapterName = "veth9";
    adapter.type = MIB_IF_TYPE_ETHERNET;
    adapter.ipAddressList.push_back({"192.168.9.1", "255.255.255.0", 0});
    fake->adapters.push_back(adapter);
    ScopedIpHelper use(fake);
    ScopedWmiProvider system(MakeSystemWmi());
    std::shared_ptr<WbemServices> services;
    ASSERT_EQ(ConnectServer("\\\\.\\root\\cimv2", &services), S_OK);
    std::vector<WmiObject> objects;
    ASSERT_EQ(services->ExecQuery("SELECT * FROM Win32_NetworkAdapterConfiguration", &objects),
              S_OK);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].Get("IPAddress").strings, std::vector<std::string>{"192.168.9.1"});
}

}  // namespace
