#include "platform/network/ip_helper.h"

#include <gtest/gtest.h>

#include "platform/network/fake_ip_helper.h"
#include "platform/network/inet.h"

namespace {

using namespace zplat;

TEST(IpHelperTest, FakeAnswersAndAddsAddresses) {
    auto fake = std::make_shared<FakeIpHelper>();
    AdapterInfo a;
    a.index = 7;
    a.adapterName = "eth7";
    a.ipAddressList.push_back({"0.0.0.0", "0.0.0.0", 0});
    fake->adapters.push_back(a);
    fake->dns[7] = {"10.0.0.53"};
    ScopedIpHelper use(fake);

    std::vector<AdapterInfo> adapters;
    ASSERT_EQ(GetAdaptersInfo(&adapters), NO_ERROR);
    ASSERT_EQ(adapters.size(), 1u);
    PerAdapterInfo info;
    ASSERT_EQ(GetPerAdapterInfo(7, &info), NO_ERROR);
    EXPECT_EQ(info.dnsServerList, std::vector<std::string>{"10.0.0.53"});
    EXPECT_EQ(GetPerAdapterInfo(8, &info), ERROR_NOT_FOUND);
    IfRow row;
    EXPECT_EQ(GetIfEntry(7, &row), ERROR_NOT_FOUND);

    uint32_t context = 0, instance = 0;
    ASSERT_EQ(AddIPAddress(InetAddr("10.1.1.1"), InetAddr("255.255.255.0"), 7, &context, &instance),
              NO_ERROR);
    ASSERT_EQ(GetAdaptersInfo(&adapters), NO_ERROR);
    ASSERT_EQ(adapters[0].ipAddressList.size(), 1u);
    EXPECT_EQ(adapters[0].ipAddressList[0].ipAddress, "10.1.1.1");
    EXPECT_EQ(DeleteIPAddress(context), NO_ERROR);
    EXPECT_EQ(DeleteIPAddress(context), ERROR_NOT_FOUND);
    ASSERT_EQ(GetAdaptersInfo(&adapters), NO_ERROR);
    EXPECT_EQ(adapters[0].ipAddressList[0].ipAddress, "0.0.0.0");

    fake->adaptersResult = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(GetAdaptersInfo(&adapters), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(GetAdaptersInfo(nullptr), ERROR_INVALID_PARAMETER);
}

TEST(IpHelperTest, ScopedBackendIsPutBack) {
    auto outer = std::make_shared<FakeIpHelper>();
    auto inner = std::make_shared<FakeIpHelper>();
    ScopedIpHelper a(outer);
    {
        ScopedIpHelper b(inner);
        EXPECT_EQ(CurrentIpHelper(), inner);
    }
    EXPECT_EQ(CurrentIpHelper(), outer);
}

}  // namespace
