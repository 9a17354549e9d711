#include "catalogue/client_launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/product.h"
#include "platform/process/process.h"
#include "platform/process/shell.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry.h"
#include "tests/catalogue/fake_network_device.h"

namespace {

namespace fs = std::filesystem;

constexpr const char kToneKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{5E0B7A41-2C9D-4F63-9A1E-7D34C8B2F015}_is1";
constexpr const char kTimekeeperKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{B3F1C6D2-8A47-4E95-B0C3-1F6A29D7E84C}";
constexpr const char kTimekeeperKey32[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{B3F1C6D2-8A47-4E95-B0C3-1F6A29D7E84C}";

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Every test gets an empty registry view (the in-memory backends mounted on HKCR and HKLM), clear
// installed caches, a scratch directory, and a shell that records instead of starting a browser.
class ClientLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zclient-XXXXXX";
        dir_ = mkdtemp(pattern);
        zplat::MountRegistry(zplat::HKEY_CLASSES_ROOT, "", classes_);
        zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", machine_);
        ZProduct::InitProductResources(nullptr, nullptr);
        previous_shell_ =
            zplat::SetShellExecuteBackend([this](const zplat::ShellExecuteRequest& r) {
                shell_requests_.push_back(r);
                return intptr_t{42};
            });
    }
    void TearDown() override {
        zplat::SetShellExecuteBackend(previous_shell_);
        fs::remove_all(dir_);
    }

    // An executable script that writes its arguments, one per line, to dir/<marker>.
    std::string Client(const std::string& relative, const std::string& marker) {
        std::string path = dir_ + "/" + relative;
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                            << dir_ << "/" << marker << ".tmp'\nmv '" << dir_ << "/" << marker
                            << ".tmp' '" << dir_ << "/" << marker << "'\n";
        chmod(path.c_str(), 0755);
        return path;
    }

    // The lines a client wrote, waiting up to five seconds for it to run; nullopt if it never did.
    std::optional<std::vector<std::string>> Ran(const std::string& marker) {
        const std::string path = dir_ + "/" + marker;
        for (int i = 0; i < 500 && !fs::exists(path); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!fs::exists(path)) {
            return std::nullopt;
        }
        std::vector<std::string> lines;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    static std::unique_ptr<ZProduct> Product(const char* service, const std::string& info = "") {
        FakeNetworkDevice device(service, "10.0.0.5", 80);
        device.info = info;
        return std::make_unique<ZProduct>(&device);
    }

    std::string dir_;
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> classes_ = std::make_shared<zplat::MemoryRegistry>();
    std::shared_ptr<zplat::MemoryRegistry> machine_ = std::make_shared<zplat::MemoryRegistry>();
    zplat::ShellExecuteBackend previous_shell_;
    std::vector<zplat::ShellExecuteRequest> shell_requests_;
};

TEST_F(ClientLaunchTest, ConductorSixKeyServesRuntimeTwoWhateverItsVersion) {
    classes_->SetValue("ZelvaneConductor6.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz("C:\\x.exe,0"));
    auto runtime2 = Product("zelvane.conductorrt2");  // major version 2 from the table
    auto runtime2v9 = Product("zelvane.conductorrt2",
                              "<data><systemconfig><entry "
                              "masterversion=\"9\"/></systemconfig></data>");
    auto conductor5 = Product("zelvane.conductor5");
    auto conductor6 = Product("zelvane.conductor6");
    EXPECT_TRUE(runtime2->IsClientInstalled());
    EXPECT_TRUE(runtime2v9->IsClientInstalled());
    EXPECT_TRUE(runtime2->CanConnect());
    EXPECT_FALSE(conductor5->IsClientInstalled());
    EXPECT_FALSE(conductor5->CanConnect());
    EXPECT_TRUE(conductor6->IsClientInstalled());
}

TEST_F(ClientLaunchTest, CuedeckEditorKeyDependsOnTheMajorVersion) {
    classes_->SetValue("ZelvaneCuedeckEditor.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz("/x,0"));
    auto v1 = Product("zelvane.cuedeck");
    auto v3 = Product("zelvane.cuedeck",
                      "<data><systemconfig><entry masterversion=\"3\"/></systemconfig></data>");
    auto v0 = Product("zelvane.cuedeck",
                      "<data><systemconfig><entry masterversion=\"0\"/></systemconfig></data>");
    EXPECT_TRUE(v1->IsClientInstalled());
    EXPECT_TRUE(v0->IsClientInstalled());
    EXPECT_FALSE(v3->IsClientInstalled());
    classes_->SetValue("ZelvaneCuedeckEditor3.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz("/x,0"));
    EXPECT_TRUE(v3->IsClientInstalled());  // a miss is not remembered
    EXPECT_FALSE(Product("zelvane.cuedeck2")->IsClientInstalled());
}

TEST_F(ClientLaunchTest, DefaultIconStartsThePathBeforeTheComma) {
    std::string withIndex = Client("Conductor 6/run conductor", "with-index");
    std::string whole = Client("Editor/editor", "whole");
    std::string commaFolder = Client("Show, Main/editor", "comma-folder");
    std::string commaNoIndex = Client("Show, Spare/editor", "comma-no-index");
    classes_->SetValue("ZelvaneConductor6.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz(withIndex + ",0"));
    classes_->SetValue("ZelvaneCuedeckEditor2.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz(whole));
    classes_->SetValue("ZelvaneCuedeckEditor.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz(commaFolder + ",-101"));
    classes_->SetValue("ZelvaneCuedeckEditor3.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz(commaNoIndex));

    EXPECT_TRUE(Product("zelvane.conductor6")->LaunchClient());
    auto ran = Ran("with-index");
    ASSERT_TRUE(ran.has_value());
    EXPECT_TRUE(ran->empty());  // no arguments: the ",0" is not part of the command line

    EXPECT_TRUE(Product("zelvane.cuedeck2")->LaunchClient());
    EXPECT_TRUE(Ran("whole").has_value());

    // A comma inside the path is not the one before the icon index.
    EXPECT_TRUE(Product("zelvane.cuedeck")->LaunchClient());
    EXPECT_TRUE(Ran("comma-folder").has_value());
    EXPECT_TRUE(Product("zelvane.cuedeck",
                        "<data><systemconfig><entry masterversion=\"3\"/></systemconfig></data>")
                    ->LaunchClient());
    EXPECT_TRUE(Ran("comma-no-index").has_value());
}

TEST_F(ClientLaunchTest, LaunchFailures) {
    // Not installed, an empty value, a path to nothing, a value that is not text.
    EXPECT_FALSE(Product("zelvane.conductor5")->LaunchClient());
    classes_->SetValue("ZelvaneConductor5.Application\\DefaultIcon", "", zplat::RegValue::Sz(""));
    EXPECT_FALSE(Product("zelvane.conductor5")->LaunchClient());
    classes_->SetValue("ZelvaneConductor6.Application\\DefaultIcon", "",
                       zplat::RegValue::Sz(dir_ + "/missing.exe,0"));
    EXPECT_FALSE(Product("zelvane.conductor6")->LaunchClient());
    classes_->SetValue("ZelvaneCuedeckEditor.Application\\DefaultIcon", "",
                       zplat::RegValue::Dword(0x2F62696E));  // "/bin" in bytes
    EXPECT_FALSE(Product("zelvane.cuedeck")->LaunchClient());
    // The Tone Client has no installed check before its launch; without its key it fails.
    EXPECT_FALSE(Product("zelvane.zth2")->LaunchClient());
    auto unknown = Product("zelvane.unknown");
    EXPECT_FALSE(unknown->IsClientInstalled());
    EXPECT_FALSE(unknown->LaunchClient());
}

TEST_F(ClientLaunchTest, WebPageOpensTheAddressWithoutThePort) {
    auto vxp = Product("zelvane.vxp2");
    ASSERT_EQ(vxp->GetPort(), 80);
    EXPECT_TRUE(vxp->IsClientInstalled());
    EXPECT_TRUE(vxp->LaunchClient());
    ASSERT_EQ(shell_requests_.size(), 1u);
    EXPECT_EQ(shell_requests_[0].verb, "open");
    EXPECT_EQ(shell_requests_[0].file, "http://10.0.0.5");
    EXPECT_EQ(shell_requests_[0].parameters, "");
    EXPECT_EQ(shell_requests_[0].directory, zplat::GetCurrentDirectory());
    EXPECT_EQ(shell_requests_[0].showCommand, 10);

    EXPECT_FALSE(OpenWebPage(nullptr));
    zplat::SetShellExecuteBackend([](const zplat::ShellExecuteRequest&) { return intptr_t{32}; });
    EXPECT_FALSE(OpenWebPage("10.0.0.5"));  // 32 and below are failures
}

TEST_F(ClientLaunchTest, RemoteDesktopCountsAsInstalledButCannotConnect) {
    auto cuedeck7 = Product("zelvane.cuedeck7");
    EXPECT_TRUE(cuedeck7->IsClientInstalled());
    EXPECT_FALSE(cuedeck7->CanConnect());
    EXPECT_TRUE(cuedeck7->LaunchClient());
    EXPECT_TRUE(shell_requests_.empty());
}

TEST_F(ClientLaunchTest, HitsAreCachedPerVersionAndOutOfRangeVersionsNeverAre) {
    auto key = [](int v) {
        return "ZelvaneConductor" + std::to_string(v) + ".Application\\DefaultIcon";
    };
    for (int v : {0, 31}) {
        classes_->SetValue(key(v), "", zplat::RegValue::Sz("/x"));
        EXPECT_TRUE(IsConductorClientInstalled(v));
        classes_->DeleteKey(key(v));
        EXPECT_TRUE(IsConductorClientInstalled(v)) << "a hit is remembered";
    }
    ClearClientInstalledCaches();
    EXPECT_FALSE(IsConductorClientInstalled(0));

    for (int v : {-1, 32, 1000, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(v);
        classes_->SetValue(key(v), "", zplat::RegValue::Sz("/x"));
        EXPECT_TRUE(IsConductorClientInstalled(v));
        classes_->DeleteKey(key(v));
        EXPECT_FALSE(IsConductorClientInstalled(v));
        // The uninstall entries do not depend on the version; the caches still must not be
        // indexed with it.
        machine_->CreateKey(kToneKey);
        EXPECT_TRUE(IsToneClientInstalled(v));
        machine_->DeleteKey(kToneKey);
        EXPECT_FALSE(IsToneClientInstalled(v));
        EXPECT_FALSE(IsCuedeckEditorInstalled(v));
        EXPECT_FALSE(IsTimekeeperClientInstalled(v));
    }
    // The in-range entries were not disturbed by the others.
    EXPECT_FALSE(IsConductorClientInstalled(31) && IsConductorClientInstalled(0));
}

// A Wine prefix with its registry files and a stand-in `wine` that records what it was asked to
// run: the way clients installed under Wine are found and started on Linux.
class WineClientLaunchTest : public ClientLaunchTest {
protected:
    void SetUp() override {
        ClientLaunchTest::SetUp();
        prefix_ = dir_ + "/prefix";
        fs::create_directories(prefix_ + "/drive_c");
        Client("bin/wine", "wine-ran");
        path_ = std::make_unique<ScopedEnv>(
            "PATH", dir_ + "/bin:" + std::string(std::getenv("PATH") ? std::getenv("PATH") : ""));
        wineprefix_ = std::make_unique<ScopedEnv>("WINEPREFIX", prefix_);
    }
    void TearDown() override {
        wineprefix_.reset();
        path_.reset();
        ClientLaunchTest::TearDown();
    }

    void WindowsFile(const std::string& relativeToDriveC) {
        std::string path = prefix_ + "/drive_c/" + relativeToDriveC;
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "MZ";
    }
    void SystemReg(const std::string& body) {
        std::ofstream(prefix_ + "/system.reg") << "WINE REGISTRY Version 2\n;; All keys relative "
                                                  "to \\\\Machine\n\n#arch=win64\n\n"
                                               << body;
    }
    // The registry view of this machine: the prefix's files, as the program mounts them.
    void MountPrefix() {
        wine_scope_.reset();  // the previous view first, so scopes end in the order they began
        wine_scope_ = std::make_unique<zplat::ScopedRegistry>();
        zplat::MountDefaultRegistry();
    }

    std::string prefix_;
    std::unique_ptr<ScopedEnv> path_;
    std::unique_ptr<ScopedEnv> wineprefix_;
    std::unique_ptr<zplat::ScopedRegistry> wine_scope_;
};

TEST_F(WineClientLaunchTest, ClientsInTheWinePrefixStartThroughWine) {
    WindowsFile("Program Files/Zelvane/Conductor 6/Conductor.exe");
    WindowsFile("Program Files/Zelvane Tone Client/ZelvaneToneClientPrime.exe");
    SystemReg(
        "[Software\\\\Classes\\\\ZelvaneConductor6.Application\\\\DefaultIcon] 1700000000\n"
        "@=\"C:\\\\Program Files\\\\Zelvane\\\\Conductor 6\\\\Conductor.exe,0\"\n\n"
        "[SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
        "{5E0B7A41-2C9D-4F63-9A1E-7D34C8B2F015}_is1] 1700000000\n"
        "\"Inno Setup: App Path\"=\"C:\\\\Program Files\\\\Zelvane Tone Client\"\n\n");
    MountPrefix();

    auto conductor = Product("zelvane.conductor6");
    EXPECT_TRUE(conductor->IsClientInstalled());
    EXPECT_TRUE(conductor->LaunchClient());
    auto ran = Ran("wine-ran");
    ASSERT_TRUE(ran.has_value());
    EXPECT_EQ(*ran,
              std::vector<std::string>{"C:\\Program Files\\Zelvane\\Conductor 6\\Conductor.exe"});
    fs::remove(dir_ + "/wine-ran");

    // The executable's name differs from the file's in letter case, as Windows allows.
    auto tone = Product("zelvane.zth2");
    EXPECT_TRUE(tone->IsClientInstalled());
    EXPECT_TRUE(tone->LaunchClient());
    ran = Ran("wine-ran");
    ASSERT_TRUE(ran.has_value());
    EXPECT_EQ(*ran, std::vector<std::string>{
                        "C:\\Program Files\\Zelvane Tone Client\\ZelvaneToneCLientPrime.exe"});
}

// A 32-bit installer on a 64-bit system (or in a 64-bit Wine prefix) writes its uninstall entry
// in the 32-bit view; both clients found by their uninstall entry look there after the native one.
TEST_F(WineClientLaunchTest, UninstallEntriesFoundOnlyUnderWow6432Node) {
    struct Case {
        const char* service;
        const char* file;   // below drive_c
        const char* entry;  // the key below ...\Uninstall
        const char* value;  // a line of system.reg
        const char* started;
    } cases[] = {
        {"zelvane.timekeeper",
         "Program Files (x86)/Zelvane/Zelvane Timekeeper Client/ZelvaneTimekeeperClient.exe",
         "{B3F1C6D2-8A47-4E95-B0C3-1F6A29D7E84C}",
         "\"InstallLocation\"=\"C:\\\\Program Files (x86)\\\\Zelvane\"",
         "C:\\Program Files (x86)\\Zelvane\\Zelvane Timekeeper Client\\"
         "ZelvaneTimekeeperClient.exe"},
        {"zelvane.zth2", "Program Files (x86)/Zelvane Tone Client/ZelvaneToneClientPrime.exe",
         "{5E0B7A41-2C9D-4F63-9A1E-7D34C8B2F015}_is1",
         "\"Inno Setup: App Path\"=\"C:\\\\Program Files (x86)\\\\Zelvane Tone Client\"",
         "C:\\Program Files (x86)\\Zelvane Tone Client\\ZelvaneToneCLientPrime.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.service);
        ClearClientInstalledCaches();
        WindowsFile(c.file);
        SystemReg(
            std::string("[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
                        "Uninstall\\\\") +
            c.entry + "] 1700000000\n" + c.value + "\n\n");
        MountPrefix();

        auto product = Product(c.service);
        EXPECT_TRUE(product->IsClientInstalled());
        EXPECT_TRUE(product->LaunchClient());
        auto ran = Ran("wine-ran");
        ASSERT_TRUE(ran.has_value());
        EXPECT_EQ(*ran, std::vector<std::string>{c.started});
        fs::remove(dir_ + "/wine-ran");
    }
}

TEST_F(ClientLaunchTest, TimekeeperPrefersTheNativeUninstallEntry) {
    // A native install: the joined path keeps its backslashes, which are plain characters here.
    Client("tk\\Zelvane Timekeeper Client\\ZelvaneTimekeeperClient.exe", "native-ran");
    machine_->SetValue(kTimekeeperKey, "InstallLocation", zplat::RegValue::Sz(dir_ + "/tk"));
    machine_->SetValue(kTimekeeperKey32, "InstallLocation", zplat::RegValue::Sz(dir_ + "/other"));
    EXPECT_TRUE(Product("zelvane.timekeeper")->LaunchClient());
    EXPECT_TRUE(Ran("native-ran").has_value());
}

}  // namespace
