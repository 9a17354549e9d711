#include "app/settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

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

std::vector<ZCIDRBlock> ReadSubnets(const char* settingsPath) {
    char value[kSubnetsValueSize];
    zplat::GetPrivateProfileStringA(kSettingsSection, kSubnetsKey, "", value, sizeof value,
                                    settingsPath);
    std::vector<ZCIDRBlock> blocks;
    const std::string text(value);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const size_t first = text.find_first_not_of(" \t", start);
        std::string entry;
        if (first != std::string::npos && first < end) {
            const size_t last = text.find_last_not_of(" \t", end - 1);
            entry = text.substr(first, last - first + 1);
        }
        ZCIDRBlock block;
        if (!entry.empty() && ZCIDRBlock::Parse(entry.c_str(), &block, nullptr) &&
            std::find(blocks.begin(), blocks.end(), block) == blocks.end()) {
            blocks.push_back(block);
        }
        start = end + 1;
    }
    return blocks;
}
