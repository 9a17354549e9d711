#include "app/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/send_pacer.h"
#include "net/subnet_check.h"
#include "platform/files/module.h"
#include "platform/files/profile.h"

// Where the build installs programs (CMAKE_INSTALL_FULL_BINDIR); empty when it says nothing.
#ifndef ZUNIT_INSTALL_BINDIR
#define ZUNIT_INSTALL_BINDIR ""
#endif

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// Offset where the file name of path starts.
size_t NameStart(const char* path, size_t length) {
    size_t start = length;
    while (start > 0 && !IsSeparator(path[start - 1])) {
        --start;
    }
    return start;
}

// The value of a key of the section as a whole decimal number; fallback when the key is missing
// or holds anything else (the profile's own number reading takes "name" as 0).
long long ReadWhole(const char* key, long long fallback, const char* settingsPath) {
    char text[32];
    zplat::GetPrivateProfileStringA(kSettingsSection, key, "", text, sizeof text, settingsPath);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    return text[0] == '\0' || *end != '\0' || errno != 0 ? fallback : value;
}

bool CopyOut(const char* text, size_t length, const char* suffix, char* out, size_t size) {
    size_t suffixLength = std::strlen(suffix);
    if (out == nullptr || size == 0) {
        return false;
    }
    if (length + suffixLength + 1 > size) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out, text, length);
    std::memcpy(out + length, suffix, suffixLength + 1);
    return true;
}

}  // namespace

bool SettingsPathBeside(const char* modulePath, char* out, size_t size) {
    if (modulePath == nullptr || modulePath[0] == '\0') {
        return CopyOut(kSettingsFileName, std::strlen(kSettingsFileName), "", out, size);
    }
    size_t length = std::strlen(modulePath);
    size_t name = NameStart(modulePath, length);
    // The scan for the extension stops at the file name: a "." in a directory name (or a Linux
    // program without any extension) must not cut the path.
    size_t cut = length;
    for (size_t i = length; i > name + 1; --i) {
        if (modulePath[i - 1] == '.') {
            cut = i - 1;
            break;
        }
    }
    return CopyOut(modulePath, cut, ".cfg", out, size);
}

bool ChooseSettingsPath(const char* beside, bool besideWritable, char* out, size_t size) {
    size_t length = std::strlen(beside);
    if (besideWritable) {
        return CopyOut(beside, length, "", out, size);
    }
    size_t name = NameStart(beside, length);
    return CopyOut(beside + name, length - name, "", out, size);
}

bool IsInInstallDirectory(const char* modulePath, const char* installDir) {
    if (modulePath == nullptr || installDir == nullptr || installDir[0] == '\0') {
        return false;
    }
    size_t directory = NameStart(modulePath, std::strlen(modulePath));
    // The program's directory without its last separator, against installDir without its own.
    while (directory > 1 && IsSeparator(modulePath[directory - 1])) {
        --directory;
    }
    size_t wanted = std::strlen(installDir);
    while (wanted > 1 && IsSeparator(installDir[wanted - 1])) {
        --wanted;
    }
    return directory == wanted && std::strncmp(modulePath, installDir, wanted) == 0;
}

void FixSettingsPath(char* settingsPath, size_t size) {
    char module[kSettingsPathSize];
    uint32_t n = zplat::GetModuleFileNameA(nullptr, module, sizeof module);
    char beside[kSettingsPathSize];
    if (n == 0 || n >= sizeof module || !SettingsPathBeside(module, beside, sizeof beside) ||
        !ChooseSettingsPath(beside,
                            !IsInInstallDirectory(module, ZUNIT_INSTALL_BINDIR) &&
                                !zplat::IsInProgramFilesFolder(module) &&
                                zplat::CanWriteProfileFile(beside),
                            settingsPath, size)) {
        CopyOut(kSettingsFileName, std::strlen(kSettingsFileName), "", settingsPath, size);
    }
}

bool ReadCloseOnConnect(const char* settingsPath) {
    return zplat::GetPrivateProfileIntA(kSettingsSection, kCloseOnConnectKey, 0, settingsPath) != 0;
}

bool WriteCloseOnConnect(const char* settingsPath, bool closeOnConnect) {
    char text[4];
    std::snprintf(text, sizeof text, "%d", closeOnConnect ? 1 : 0);
    return zplat::WritePrivateProfileStringA(kSettingsSection, kCloseOnConnectKey, text,
                                             settingsPath);
}

std::vector<std::string> SplitSubnetList(const std::string& list) {
    std::vector<std::string> entries;
    constexpr char kSeparators[] = ", \t\r\n";
    size_t start = list.find_first_not_of(kSeparators);
    while (start != std::string::npos) {
        const size_t end = list.find_first_of(kSeparators, start);
        entries.push_back(list.substr(start, end == std::string::npos ? end : end - start));
        start = list.find_first_not_of(kSeparators, end);
    }
    return entries;
}

std::vector<std::string> ReadSubnetTexts(const char* settingsPath) {
    std::vector<char> value(kSubnetsValueSize);
    zplat::GetPrivateProfileStringA(kSettingsSection, kSubnetsKey, "", value.data(),
                                    static_cast<uint32_t>(value.size()), settingsPath);
    return SplitSubnetList(value.data());
}

std::vector<ZCIDRBlock> ReadSubnets(const char* settingsPath) {
    std::vector<ZCIDRBlock> blocks;
    for (const std::string& entry : ReadSubnetTexts(settingsPath)) {
        ZCIDRBlock block;
        if (ZCIDRBlock::Parse(entry.c_str(), &block, nullptr) &&
            std::find(blocks.begin(), blocks.end(), block) == blocks.end()) {
            blocks.push_back(block);
        }
    }
    return blocks;
}

std::string FormatSubnets(const std::vector<ZCIDRBlock>& blocks) {
    std::string value;
    for (const ZCIDRBlock& block : blocks) {
        value += (value.empty() ? "" : ", ") + block.GetText();
    }
    return value;
}

bool WriteSubnets(const char* settingsPath, const std::vector<ZCIDRBlock>& blocks) {
    const std::string value = FormatSubnets(blocks);
    if (value.size() >= kSubnetsValueSize) {
        return false;  // it would be cut when read
    }
    return zplat::WritePrivateProfileStringA(kSettingsSection, kSubnetsKey, value.c_str(),
                                             settingsPath);
}

uint32_t ReadSweepRate(const char* settingsPath) {
    const long long rate = ReadWhole(kSweepRateKey, ZSendPacer::kDefaultRate, settingsPath);
    std::string ignored;
    return rate > 0 && ZSubnetCheck::CheckRate(static_cast<uint64_t>(rate), &ignored)
               ? static_cast<uint32_t>(rate)
               : ZSendPacer::kDefaultRate;
}

bool WriteSweepRate(const char* settingsPath, uint32_t rate) {
    return zplat::WritePrivateProfileStringA(kSettingsSection, kSweepRateKey,
                                             std::to_string(rate).c_str(), settingsPath);
}

bool ReadHideSilent(const char* settingsPath) {
    return zplat::GetPrivateProfileIntA(kSettingsSection, kHideSilentKey, 0, settingsPath) != 0;
}

bool WriteHideSilent(const char* settingsPath, bool hide) {
    return zplat::WritePrivateProfileStringA(kSettingsSection, kHideSilentKey, hide ? "1" : "0",
                                             settingsPath);
}

void ReadSortOrder(const char* settingsPath, int columnCount, int* column, bool* descending) {
    const long long value = ReadWhole(kSortColumnKey, kNoSortColumn, settingsPath);
    *column = value >= 0 && value < columnCount ? static_cast<int>(value) : kNoSortColumn;
    *descending =
        *column != kNoSortColumn &&
        zplat::GetPrivateProfileIntA(kSettingsSection, kSortDescendingKey, 0, settingsPath) != 0;
}

bool WriteSortOrder(const char* settingsPath, int column, bool descending) {
    return zplat::WritePrivateProfileStringA(kSettingsSection, kSortColumnKey,
                                             std::to_string(column).c_str(), settingsPath) &&
           zplat::WritePrivateProfileStringA(kSettingsSection, kSortDescendingKey,
                                             descending ? "1" : "0", settingsPath);
}
