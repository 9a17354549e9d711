// The version block of a file on Windows comes from its VERSIONINFO resource (compiled in with
// windres by zunit_version_block), read with GetFileVersionInfoA and looked up with
// VerQueryValueA. Its translation and the standard texts are copied into a block of the layout
// the rest of the program reads (module_version.h), so VerQueryValueA over it answers as on the
// other systems. Texts under names outside the standard list are not carried.

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files/module_version.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {
namespace {

constexpr const char* kStandardNames[] = {
    "Comments",     "CompanyName",    "FileDescription", "FileVersion",
    "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "PrivateBuild", "ProductName",    "ProductVersion",  "SpecialBuild",
};

// The block for the file at path, empty when it has no version resource.
std::vector<unsigned char> ReadBlock(const char* path) {
    if (path == nullptr) {
        return {};
    }
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) {
        return {};
    }
    std::vector<unsigned char> resource(size);
    if (!::GetFileVersionInfoA(path, 0, size, resource.data())) {
        return {};
    }
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(resource.data(), "\\VarFileInfo\\Translation", &value, &length) ||
        length < 4) {
        return {};
    }
    unsigned char translation[4];
    std::memcpy(translation, value, 4);
    const unsigned language = translation[0] | (translation[1] << 8);
    const unsigned codePage = translation[2] | (translation[3] << 8);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", language, codePage);

    // The keys and texts must outlive the entries that point at them.
    std::vector<std::string> keys;
    std::vector<std::string> texts;
    keys.reserve(std::size(kStandardNames));
    texts.reserve(std::size(kStandardNames));
    for (const char* name : kStandardNames) {
        std::string key = std::string(prefix) + name;
        if (::VerQueryValueA(resource.data(), key.c_str(), &value, &length) && length > 0) {
            const char* text = static_cast<const char*>(value);
            keys.push_back(std::move(key));
            texts.emplace_back(text, strnlen(text, length));
        }
    }
    std::vector<VersionEntry> entries;
    entries.push_back(
        {"\\VarFileInfo\\Translation", reinterpret_cast<const char*>(translation), 4, false});
    for (size_t i = 0; i < keys.size(); ++i) {
        entries.push_back(VersionText(keys[i].c_str(), texts[i].c_str()));
    }
    return MakeVersionBlock(entries);
}

}  // namespace

uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    return static_cast<uint32_t>(ReadBlock(path).size());
}

bool GetFileVersionInfoA(const char* path, uint32_t /*handle*/, uint32_t size, void* data) {
    if (data == nullptr) {
        return false;
    }
    std::vector<unsigned char> block = ReadBlock(path);
    if (block.empty() || block.size() > size) {
        return false;
    }
    std::memcpy(data, block.data(), block.size());
    return true;
}

}  // namespace zplat
