#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/network/pci_devices.h"

namespace zplat {

namespace {

constexpr const char* kPciRoot = "/sys/bus/pci/devices";

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

uint32_t ReadHex(const std::string& path) {
    std::string text = ReadLine(path);
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) {
        return std::string();
    }
    return buffer;
}

}  // namespace

bool ParsePciSlot(const std::string& slot, uint32_t* domain, uint32_t* bus, uint32_t* device,
                  uint32_t* function) {
    // dddd:bb:dd.f, each field a fixed number of hexadecimal digits.
    static const int kDigits[4] = {4, 2, 2, 1};
    static const char kAfter[4] = {':', ':', '.', '\0'};
    uint32_t fields[4] = {};
    size_t i = 0;
    for (int f = 0; f < 4; ++f) {
        for (int n = 0; n < kDigits[f]; ++n, ++i) {
            if (i >= slot.size() || !std::isxdigit(static_cast<unsigned char>(slot[i]))) {
                return false;
            }
            char c = slot[i];
            uint32_t digit = (c <= '9') ? static_cast<uint32_t>(c - '0')
                                        : static_cast<uint32_t>((c | 0x20) - 'a' + 10);
            fields[f] = fields[f] * 16 + digit;
        }
        if (kAfter[f] != '\0') {
            if (i >= slot.size() || slot[i] != kAfter[f]) {
                return false;
            }
            ++i;
        }
    }
    if (i != slot.size()) {
        return false;
    }
    *domain = fields[0];
    *bus = fields[1];
    *device = fields[2];
    *function = fields[3];
    return true;
}

std::vector<PciDeviceRecord> ReadPciDevices() {
    std::vector<PciDeviceRecord> devices;
    for (const auto& slot : ListDir(kPciRoot)) {
        PciDeviceRecord d;
        d.slot = slot;
        if (!ParsePciSlot(slot, &d.domain, &d.bus, &d.device, &d.function)) {
            continue;
        }
        const std::string base = std::string(kPciRoot) + "/" + slot;
        d.vendorId = static_cast<uint16_t>(ReadHex(base + "/vendor"));
        d.deviceId = static_cast<uint16_t>(ReadHex(base + "/device"));
        d.subsystemVendorId = static_cast<uint16_t>(ReadHex(base + "/subsystem_vendor"));
        d.subsystemId = static_cast<uint16_t>(ReadHex(base + "/subsystem_device"));
        d.revision = static_cast<uint8_t>(ReadHex(base + "/revision"));
        d.classCode = ReadHex(base + "/class");
        devices.push_back(std::move(d));
    }
    // A network interface belongs to the PCI device it sits below, directly or through a bus of
    // its own in between (virtio: 0000:00:03.0/virtio2/net/eth0).
    for (const auto& name : ListDir("/sys/class/net")) {
        std::string device = RealPath("/sys/class/net/" + name + "/device");
        if (device.empty()) {
            continue;
        }
        for (auto& d : devices) {
            std::string marker = "/" + d.slot;
            size_t at = device.find(marker);
            // The slot must be a whole path component of the device's path, the last PCI one.
            while (at != std::string::npos) {
                size_t end = at + marker.size();
                if (end == device.size() || device[end] == '/') {
                    break;
                }
                at = device.find(marker, at + 1);
            }
            if (at == std::string::npos) {
                continue;
            }
            std::string rest = device.substr(at + marker.size());
            bool deeperPci = false;
            for (const auto& other : devices) {
                deeperPci =
                    deeperPci || (&other != &d && rest.find("/" + other.slot) != std::string::npos);
            }
            if (!deeperPci) {
                d.interfaces.push_back(name);
            }
        }
    }
    return devices;
}

}  // namespace zplat
