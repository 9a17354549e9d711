#include "app/settings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/files/module.h"
#include "platform/files/profile.h"

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

void FixSettingsPath(char* settingsPath, size_t size) {
    char module[kSettingsPathSize];
    uint32_t n = zplat::GetModuleFileNameA(nullptr, module, sizeof module);
    char beside[kSettingsPathSize];
    if (n == 0 || n >= sizeof module || !SettingsPathBeside(module, beside, sizeof beside) ||
        !ChooseSettingsPath(beside, zplat::CanWriteProfileFile(beside), settingsPath, size)) {
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
