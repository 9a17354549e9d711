// The Windows face of WMI: the system's own provider through COM. Every network adapter
// configuration it lists has its index; a class the system does not know is refused.

#include <gtest/gtest.h>

#include <vector>

#include "platform/network/wmi.h"
#include "platform/process/wine_detection.h"

namespace {

using namespace zplat;

TEST(WmiWinTest, SystemProviderListsTheAdapterConfigurations) {
    ScopedWmiProvider system(MakeSystemWmi());
    ASSERT_TRUE(Succeeded(CoInitializeSecurity()));
    std::shared_ptr<WbemServices> services;
    ASSERT_EQ(ConnectServer("\\\\.\\root\\cimv2", &services), S_OK);
    std::vector<WmiObject> objects;
    ASSERT_EQ(services->ExecQuery("SELECT * FROM Win32_NetworkAdapterConfiguration", &objects),
              S_OK);
    for (const auto& o : objects) {
        EXPECT_EQ(o.Get("Index").kind, WmiValue::Kind::UInt);
    }
    CoUninitialize();
}

TEST(WmiWinTest, SystemProviderRefusesAClassItDoesNotKnow) {
    if (RunningUnderWine()) {
        GTEST_SKIP() << "Wine's WMI answers a query of a class it does not know with success and "
                        "no objects, where Windows fails it (WBEM_E_INVALID_CLASS)";
    }
    ScopedWmiProvider system(MakeSystemWmi());
    ASSERT_TRUE(Succeeded(CoInitializeSecurity()));
    std::shared_ptr<WbemServices> services;
    ASSERT_EQ(ConnectServer("\\\\.\\root\\cimv2", &services), S_OK);
    std::vector<WmiObject> objects;
    EXPECT_FALSE(Succeeded(services->ExecQuery("SELECT * FROM Win32_NoSuchClass", &objects)));
    EXPECT_TRUE(objects.empty());
    CoUninitialize();
}

}  // namespace
