#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace zplat;

std::string ReadString(HKEY root, const char* path, const char* name) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<no key>";
    }
    char buffer[256] = {};
    uint32_t size = sizeof buffer, type = 0;
    uint32_t rc = RegQueryValueEx(key, name, &type, reinterpret_cast<uint8_t*>(buffer), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(buffer) : "<no value>";
}

std::vector<std::string> SubKeys(HKEY root, const char* path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    char name[256];
    for (uint32_t i = 0;; ++i) {
        uint32_t length = sizeof name;
        if (RegEnumKeyEx(key, i, name, &length) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

class RegistryTest : public ::testing::Test {
protected:
    ScopedRegistry scope_;
    std::shared_ptr<MemoryRegistry> machine_ = std::make_shared<MemoryRegistry>();
    std::shared_ptr<MemoryRegistry> user_ = std::make_shared<MemoryRegistry>();

    void SetUp() override {
        MountRegistry(HKEY_LOCAL_MACHINE, "", machine_);
        MountRegistry(HKEY_CURRENT_USER, "", user_);
    }
};

TEST_F(RegistryTest, OpensKeysAndReadsValuesWithoutRegardToCase) {
    machine_->SetValue("SOFTWARE\\Vendor\\App", "InstallLocation", RegValue::Sz("C:\\App"));
    machine_->SetValue("SOFTWARE\\Vendor\\App", "", RegValue::Sz("default"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "software\\VENDOR\\app", "installlocation"),
              "C:\\App");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App", nullptr), "default");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App", "Missing"), "<no value>");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Other", "x"), "<no key>");

    // A key opened from an opened key.
    HKEY vendor, app;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, KEY_READ, &vendor),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyEx(vendor, "App", 0, KEY_READ | KEY_SET_VALUE, &app), ERROR_SUCCESS);
    RegCloseKey(app);
    RegCloseKey(vendor);
}

TEST_F(RegistryTest, QueryFollowsTheSizeProtocol) {
    machine_->SetValue("K", "Text", RegValue::Sz("abcdef"));
    machine_->SetValue("K", "Number", RegValue::Dword(0x01020304));
    HKEY key;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, &key), ERROR_SUCCESS);
    uint32_t type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Text", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);  // NUL included
    EXPECT_EQ(type, REG_SZ);
    uint8_t small[3];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Text", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    uint32_t number = 0;
    size = sizeof number;
    EXPECT_EQ(RegQueryValueEx(key, "Number", &type, reinterpret_cast<uint8_t*>(&number), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(number, 0x01020304u);
    RegCloseKey(key);
}

TEST_F(RegistryTest, EnumeratesSubkeysInOrder) {
    machine_->CreateKey("Enum\\PCI\\B");
    machine_->CreateKey("Enum\\PCI\\A");
    machine_->CreateKey("Enum\\PCI\\C\\deeper");
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, "Enum\\PCI"), (std::vector<std::string>{"B", "A", "C"}));
    HKEY key;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Enum\\PCI", 0, KEY_READ, &key), ERROR_SUCCESS);
    char name[2];
    uint32_t length = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(key, 0, name, &length), ERROR_SUCCESS);  // "B" fits with its NUL
    char tiny[1];
    length = sizeof tiny;
    EXPECT_EQ(RegEnumKeyEx(key, 0, tiny, &length), ERROR_MORE_DATA);
    length = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(key, 3, name, &length), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

// Subkeys and values are found by name in any letter case, keep the order they were made in,
// and a deleted key can be made again under the same name.
TEST_F(RegistryTest, ManyNamesUnderOneKeyKeepOrderAndCase) {
    const int kKeys = 2000;
    for (int i = 0; i < kKeys; ++i) {
        machine_->SetValue("Software\\Classes\\Doc" + std::to_string(i), "Value",
                           RegValue::Sz(std::to_string(i)));
        machine_->SetValue("Software\\Many", "v" + std::to_string(i), RegValue::Sz("x"));
    }
    machine_->SetValue("Software\\Many", "V7", RegValue::Sz("replaced"));  // same name
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\CLASSES\\doc1234", "VALUE"), "1234");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\Many", "v7"), "replaced");
    std::vector<std::string> names = SubKeys(HKEY_LOCAL_MACHINE, "Software\\Classes");
    ASSERT_EQ(names.size(), static_cast<size_t>(kKeys));
    EXPECT_EQ(names[0], "Doc0");
    EXPECT_EQ(names[kKeys - 1], "Doc" + std::to_string(kKeys - 1));

    EXPECT_TRUE(machine_->DeleteKey("software\\classes\\DOC5"));
    EXPECT_FALSE(machine_->DeleteKey("Software\\Classes\\Doc5"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Doc5", "Value"), "<no key>");
    machine_->SetValue("Software\\Classes\\doc5", "Value", RegValue::Sz("again"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Doc5", "Value"), "again");
    names = SubKeys(HKEY_LOCAL_MACHINE, "Software\\Classes");
    EXPECT_EQ(names.back(), "doc5");
    // The classes root merges the same many names once each.
    user_->CreateKey("Software\\Classes\\DOC9");
    EXPECT_EQ(SubKeys(HKEY_CLASSES_ROOT, "").size(), static_cast<size_t>(kKeys));
}

TEST_F(RegistryTest, DeeperMountHidesTheOuterOneAndAppearsOnTheWay) {
    machine_->SetValue("SYSTEM\\CurrentControlSet\\Services", "Outer", RegValue::Sz("outer"));
    machine_->CreateKey("SYSTEM\\Setup");
    auto inner = std::make_shared<MemoryRegistry>();
    inner->SetValue("Services", "Inner", RegValue::Sz("inner"));
    MountRegistry(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet", inner);

    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", "Inner"),
              "inner");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", "Outer"),
              "<no value>");
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, "SYSTEM"),
              (std::vector<std::string>{"CurrentControlSet", "Setup"}));

    // A mount point is reachable even when nothing outside knows the keys on the way.
    ScopedRegistry empty;
    MountRegistry(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet", inner);
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, ""), std::vector<std::string>{"SYSTEM"});
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", "Inner"),
              "inner");
}

TEST_F(RegistryTest, ClassesRootMergesUserOverMachine) {
    machine_->SetValue("Software\\Classes\\App.Doc\\DefaultIcon", "", RegValue::Sz("machine"));
    machine_->SetValue("Software\\Classes\\App.Doc", "OnlyMachine", RegValue::Sz("m"));
    user_->SetValue("Software\\Classes\\App.Doc\\DefaultIcon", "", RegValue::Sz("user"));
    user_->CreateKey("Software\\Classes\\App.Doc\\Shell");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "App.Doc\\DefaultIcon", ""), "user");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "App.Doc", "OnlyMachine"), "m");
    EXPECT_EQ(SubKeys(HKEY_CLASSES_ROOT, "App.Doc"),
              (std::vector<std::string>{"DefaultIcon", "Shell"}));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "Nothing.Here", ""), "<no key>");
}

TEST_F(RegistryTest, ScopedRegistryPutsTheMountsBack) {
    machine_->SetValue("K", "V", RegValue::Sz("kept"));
    {
        ScopedRegistry inner;
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "K", "V"), "<no key>");
    }
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "K", "V"), "kept");
}

TEST_F(RegistryTest, BadHandlesAndArguments) {
    HKEY key;
    EXPECT_EQ(RegOpenKeyEx(nullptr, "x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);  // roots are never freed
}

TEST(RegValueTest, MultiStringLayout) {
    RegValue v = RegValue::MultiSz({"10.0.0.1", "10.0.0.2"});
    std::string bytes(v.data.begin(), v.data.end());
    EXPECT_EQ(bytes, std::string("10.0.0.1\0"
                                 "10.0.0.2\0\0",
                                 19));
    EXPECT_EQ(RegValue::MultiSz({}).data, std::vector<uint8_t>{0});
}

}  // namespace
