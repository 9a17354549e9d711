#include "net/registry_values.h"

std::vector<std::string> RegistrySubKeys(zplat::HKEY key) {
    std::vector<std::string> names;
    char name[256];
    for (uint32_t i = 0;; ++i) {
        uint32_t length = sizeof name;
        uint32_t rc = zplat::RegEnumKeyEx(key, i, name, &length);
        if (rc == zplat::ERROR_MORE_DATA) {
            continue;  // longer than any key name the system allows; not one of ours
        }
        if (rc != zplat::ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

bool ReadRegistryValue(zplat::HKEY key, const char* name, uint32_t* type,
                       std::vector<uint8_t>* data) {
    uint32_t size = 0;
    if (zplat::RegQueryValueEx(key, name, type, nullptr, &size) != zplat::ERROR_SUCCESS) {
        return false;
    }
    data->assign(size, 0);
    if (size == 0) {
        return true;
    }
    if (zplat::RegQueryValueEx(key, name, type, data->data(), &size) != zplat::ERROR_SUCCESS) {
        return false;
    }
    data->resize(size);
    return true;
}

std::vector<std::string> RegistryStrings(uint32_t type, const std::vector<uint8_t>& data) {
    std::vector<std::string> strings;
    size_t i = 0;
    while (i < data.size()) {
        size_t start = i;
        while (i < data.size() && data[i] != 0) {
            ++i;
        }
        if (i == start && type == zplat::REG_MULTI_SZ) {
            break;  // the empty string that ends the list
        }
        strings.emplace_back(reinterpret_cast<const char*>(data.data()) + start, i - start);
        if (type != zplat::REG_MULTI_SZ) {
            break;
        }
        ++i;
    }
    return strings;
}

std::vector<char> TerminatedRegistryText(const std::vector<uint8_t>& data) {
    std::vector<char> text(data.begin(), data.end());
    text.push_back('\0');
    text.push_back('\0');
    return text;
}
