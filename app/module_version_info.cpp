#include "app/module_version_info.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files/module.h"
#include "platform/files/module_version.h"

namespace {

// The translation of most version resources: US English (0x0409), Windows Latin-1 (1252).
constexpr char kDefaultTranslation[] = "040904E4";

// Reads one "%d" as the C library does, skipping blanks, taking a sign and at least one digit,
// but holding the value at the int range instead of overflowing.
bool ReadNumber(const char*& text, int* value) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (*p < '0' || *p > '9') {
        return false;
    }
    long long magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= static_cast<long long>(INT_MAX) + 1) {
            magnitude = magnitude * 10 + (*p - '0');
        }
    }
    long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX) {
        signedValue = INT_MAX;
    } else if (signedValue < INT_MIN) {
        signedValue = INT_MIN;
    }
    *value = static_cast<int>(signedValue);
    text = p;
    return true;
}

// How many numbers of "%d.%d.%d.%d" the text gives.
int ParseFileVersion(const char* text, int numbers[4]) {
    int count = 0;
    while (count < 4) {
        if (count > 0) {
            if (*text != '.') {
                break;
            }
            ++text;
        }
        if (!ReadNumber(text, &numbers[count])) {
            break;
        }
        ++count;
    }
    return count;
}

bool QueryText(const std::vector<unsigned char>& block, const char* translation, const char* name,
               const char** text) {
    char key[96];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%s\\%s", translation, name);
    void* value = nullptr;
    uint32_t length = 0;
    if (!zplat::VerQueryValueA(block.data(), key, &value, &length) || value == nullptr) {
        return false;
    }
    *text = static_cast<const char*>(value);
    return true;
}

}  // namespace

bool GetModuleVersion(const char* path, int* major, int* minor, int* release, int* build,
                      char* productVersion, size_t productVersionSize) {
    uint32_t handle = 0;
    uint32_t size = zplat::GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) {
        return false;
    }
    std::vector<unsigned char> block(size);
    if (!zplat::GetFileVersionInfoA(path, handle, size, block.data())) {
        return false;
    }

    char translation[16];
    std::snprintf(translation, sizeof translation, "%s", kDefaultTranslation);
    void* value = nullptr;
    uint32_t length = 0;
    if (zplat::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) &&
        length >= 4) {
        // Language first, then code page, each 16 bits little-endian.
        const auto* bytes = static_cast<const unsigned char*>(value);
        unsigned language = bytes[0] | (bytes[1] << 8);
        unsigned codePage = bytes[2] | (bytes[3] << 8);
        std::snprintf(translation, sizeof translation, "%04X%04X", language, codePage);
    }

    const char* fileVersion = nullptr;
    if (!QueryText(block, translation, "FileVersion", &fileVersion)) {
        return false;
    }
    int numbers[4] = {0, 0, 0, 0};
    if (ParseFileVersion(fileVersion, numbers) >= 3) {
        int* outputs[4] = {major, minor, release, build};
        for (int i = 0; i < 4; ++i) {
            if (outputs[i] != nullptr) {
                *outputs[i] = numbers[i];
            }
        }
    }

    const char* product = nullptr;
    if (!QueryText(block, translation, "ProductVersion", &product)) {
        return false;
    }
    if (productVersion != nullptr && productVersionSize > 0) {
        std::snprintf(productVersion, productVersionSize, "%s", product);
    }
    return true;
}

char* FormatVersion(int major, int minor, int release, int build, const char* productVersion,
                    char* out, size_t outSize, bool full) {
    if (out == nullptr || outSize == 0) {
        return out;
    }
    if (!full && build == 0) {
        std::snprintf(out, outSize, "%d.%d.%d", major, minor, release);
    } else {
        std::snprintf(out, outSize, "%d.%d.%d %s %d", major, minor, release,
                      productVersion != nullptr ? productVersion : "Undef", build);
    }
    return out;
}

bool GetProgramVersionText(char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) {
        return false;
    }
    out[0] = '\0';
    // The same bound as the settings path of the window; a path cut to fit is not the program's.
    char path[1024];
    const uint32_t n = zplat::GetModuleFileNameA(nullptr, path, sizeof path);
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
    char product[64] = {};
    if (n == 0 || n >= sizeof path ||
        !GetModuleVersion(path, &major, &minor, &release, &build, product, sizeof product)) {
        return false;
    }
    FormatVersion(major, minor, release, build, product, out, outSize, false);
    return true;
}
