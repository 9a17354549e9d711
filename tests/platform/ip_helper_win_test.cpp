// The Windows face of the IP Helper: the system's adapter list. GetAdaptersInfo on Windows leaves
// the loopback interface out (the POSIX face lists it), and every adapter it lists has its
// interface entry.

#include <gtest/gtest.h>

#include <vector>

#include "platform/network/ip_helper.h"

namespace {

using namespace zplat;

TEST(IpHelperWinTest, SystemBackendListsAdaptersWithoutTheLoopback) {
    ScopedIpHelper use(MakeSystemIpHelper());
    std::vector<AdapterInfo> adapters;
    const uint32_t code = GetAdaptersInfo(&adapters);
    ASSERT_TRUE(code == NO_ERROR || code == ERROR_NO_DATA) << code;
    for (const auto& a : adapters) {
        SCOPED_TRACE(a.adapterName);
        EXPECT_NE(a.type, MIB_IF_TYPE_LOOPBACK);
        EXPECT_FALSE(a.ipAddressList.empty());
        IfRow row;
        EXPECT_EQ(GetIfEntry(a.index, &row), NO_ERROR);
    }
    IfRow none;
    EXPECT_NE(GetIfEntry(0x7fffffffu, &none), NO_ERROR);
}

}  // namespace
