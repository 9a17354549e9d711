// The Windows face of client resolution and launch: a client application registered in the
// system's own registry, as its installer would (for the machine, or for the user: the
// application classes merge both), is found, and started with CreateProcess from the registered
// path, spaces and icon index included. The client is client_stub.exe, copied under a folder and
// name with spaces; it writes a file when it runs.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "catalogue/client_launch.h"
#include "catalogue/product.h"
#include "platform/files/module.h"
#include "platform/process/wine_detection.h"
#include "tests/catalogue/fake_network_device.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace {

namespace fs = std::filesystem;

constexpr char kClassesKey[] = "Software\\Classes\\ZelvaneConductor6.Application";

class ClientLaunchWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        char self[4096];
        const uint32_t n = zplat::GetModuleFileNameA(nullptr, self, sizeof self);
        ASSERT_GT(n, 0u);
        const fs::path here = fs::path(std::string(self, n)).parent_path();
        stub_ = here / "client_stub.exe";
        ASSERT_TRUE(fs::exists(stub_)) << stub_;
        dir_ = fs::temp_directory_path() / ("zclient-" + std::to_string(::GetCurrentProcessId()));
        fs::create_directories(dir_ / "Conductor 6");
        client_ = dir_ / "Conductor 6" / "run conductor.exe";
        fs::copy_file(stub_, client_, fs::copy_options::overwrite_existing);
        ClearClientInstalledCaches();
        ZProduct::InitProductResources(nullptr, nullptr);
    }

    void TearDown() override {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            ::RegDeleteTreeA(root, kClassesKey);
        }
        ClearClientInstalledCaches();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Registers the client as its installer would: DefaultIcon = "<path>,<icon index>".
    void Register(const std::string& value, HKEY root = HKEY_LOCAL_MACHINE) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(root, (std::string(kClassesKey) + "\\DefaultIcon").c_str(), 0,
                                    nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
        ::RegCloseKey(key);
    }

    // Whether the client ran, waiting up to ten seconds.
    bool Ran() const {
        const fs::path marker = client_.string() + ".ran";
        for (int i = 0; i < 1000 && !fs::exists(marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return fs::exists(marker);
    }

    static std::unique_ptr<ZProduct> Conductor6() {
        FakeNetworkDevice device("zelvane.conductor6", "10.0.0.5", 4320);
        return std::make_unique<ZProduct>(&device);
    }

    fs::path stub_;
    fs::path dir_;
    fs::path client_;
};

TEST_F(ClientLaunchWinTest, UnregisteredClientIsNotInstalledAndDoesNotStart) {
    auto product = Conductor6();
    EXPECT_FALSE(product->IsClientInstalled());
    EXPECT_FALSE(product->LaunchClient());
}

TEST_F(ClientLaunchWinTest, RegisteredClientIsFoundAndStartedByItsPath) {
    // The path unquoted, with spaces, and the icon index after the comma, as installers write it.
    Register(client_.string() + ",0");
    auto product = Conductor6();
    EXPECT_TRUE(product->IsClientInstalled());
    EXPECT_TRUE(product->CanConnect());
    EXPECT_TRUE(product->LaunchClient());
    EXPECT_TRUE(Ran()) << client_;
}

TEST_F(ClientLaunchWinTest, RegisteredPathToNothingFailsToStart) {
    Register((dir_ / "Conductor 6" / "missing.exe").string() + ",0");
    auto product = Conductor6();
    EXPECT_TRUE(product->IsClientInstalled());  // the registry says so
    EXPECT_FALSE(product->LaunchClient());
}

TEST_F(ClientLaunchWinTest, ClientRegisteredForTheUserIsFoundToo) {
    if (zplat::RunningUnderWine()) {
        GTEST_SKIP()
            << "Wine's HKEY_CLASSES_ROOT shows only HKEY_LOCAL_MACHINE\\Software\\Classes, "
               "not the user's HKEY_CURRENT_USER\\Software\\Classes merged over it";
    }
    Register(client_.string() + ",0", HKEY_CURRENT_USER);
    auto product = Conductor6();
    EXPECT_TRUE(product->IsClientInstalled());
    EXPECT_TRUE(product->LaunchClient());
    EXPECT_TRUE(Ran()) << client_;
}

}  // namespace
