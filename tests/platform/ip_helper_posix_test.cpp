// The POSIX face of the IP Helper: adapters read from the system, the loopback among them, and
// no changes to the system's addresses.

#include <gtest/gtest.h>

#include <vector>

#include "platform/network/inet.h"
#include "platform/network/ip_helper.h"

namespace {

using namespace zplat;

TEST(IpHelperPosixTest, SystemBackendListsTheLoopbackAndRefusesToAddAddresses) {
    ScopedIpHelper use(MakeSystemIpHelper());
    std::vector<AdapterInfo> adapters;
    ASSERT_EQ(GetAdaptersInfo(&adapters), NO_ERROR);
    const AdapterInfo* lo = nullptr;
    for (const auto& a : adapters) {
        if (a.type == MIB_IF_TYPE_LOOPBACK) {
            lo = &a;
        }
    }
    ASSERT_NE(lo, nullptr);
    EXPECT_EQ(lo->ipAddressList.at(0).ipAddress, "127.0.0.1");
    IfRow row;
    ASSERT_EQ(GetIfEntry(lo->index, &row), NO_ERROR);
    EXPECT_EQ(row.adminStatus, MIB_IF_ADMIN_STATUS_UP);
    uint32_t context, instance;
    EXPECT_EQ(
        AddIPAddress(InetAddr("10.9.9.9"), InetAddr("255.0.0.0"), lo->index, &context, &instance),
        ERROR_NOT_SUPPORTED);
}

}  // namespace
