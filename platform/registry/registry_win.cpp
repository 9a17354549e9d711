// The system's own registry as a backend of the registry view: a key is opened with KEY_READ
// (never more), its subkey names and values are read into the view's snapshot, and it is closed
// again. Names are the byte-string ("A") forms.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

class WindowsRegistry : public RegistryBackend {
public:
    explicit WindowsRegistry(::HKEY root) : root_(root) {}

    bool Open(std::string_view path, RegKeyData* key) override {
        ::HKEY opened = nullptr;
        std::string subKey(path);
        if (::RegOpenKeyExA(root_, subKey.empty() ? nullptr : subKey.c_str(), 0, KEY_READ,
                            &opened) != ERROR_SUCCESS) {
            return false;
        }
        *key = RegKeyData{};
        DWORD subKeys = 0, longestSubKey = 0, values = 0, longestName = 0, longestData = 0;
        if (::RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr,
                               &values, &longestName, &longestData, nullptr,
                               nullptr) != ERROR_SUCCESS) {
            ::RegCloseKey(opened);
            return false;
        }
        std::vector<char> name(std::max<DWORD>(longestSubKey, longestName) + 2);
        for (DWORD i = 0;; ++i) {
            DWORD length = static_cast<DWORD>(name.size());
            LONG rc = ::RegEnumKeyExA(opened, i, name.data(), &length, nullptr, nullptr, nullptr,
                                      nullptr);
            if (rc == ERROR_MORE_DATA) {
                name.resize(name.size() * 2);
                --i;
                continue;
            }
            if (rc != ERROR_SUCCESS) {
                break;
            }
            key->subKeys.emplace_back(name.data(), length);
        }
        std::vector<BYTE> data(longestData + 2);
        for (DWORD i = 0;; ++i) {
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD dataLength = static_cast<DWORD>(data.size());
            DWORD type = 0;
            LONG rc = ::RegEnumValueA(opened, i, name.data(), &nameLength, nullptr, &type,
                                      data.data(), &dataLength);
            if (rc == ERROR_MORE_DATA) {
                // A value that grew since the key was asked about: make room and read it again.
                name.resize(name.size() * 2);
                data.resize(std::max<size_t>(data.size() * 2, dataLength));
                --i;
                continue;
            }
            if (rc != ERROR_SUCCESS) {
                break;
            }
            RegValue value;
            value.type = type;
            value.data.assign(data.begin(), data.begin() + dataLength);
            key->values.emplace_back(std::string(name.data(), nameLength), std::move(value));
        }
        ::RegCloseKey(opened);
        return true;
    }

private:
    ::HKEY root_;
};

}  // namespace

std::vector<RegistryMount> DefaultRegistryMounts() {
    // The view's roots and the system's have the same values (HKEY_CLASSES_ROOT 0x80000000, ...);
    // the names themselves are the system's macros here.
    std::vector<RegistryMount> mounts;
    for (uintptr_t root : {uintptr_t{0x80000002}, uintptr_t{0x80000001}, uintptr_t{0x80000000}}) {
        mounts.push_back({reinterpret_cast<zplat::HKEY>(root), "",
                          std::make_shared<WindowsRegistry>(reinterpret_cast<::HKEY>(root))});
    }
    return mounts;
}

}  // namespace zplat
