#pragma once
// The machine's PCI devices as plain records, with the network interfaces each one carries.
// ReadPciDevices fills them from /sys/bus/pci/devices; tests build them by hand.
//
//   for (const zplat::PciDeviceRecord& d : zplat::ReadPciDevices()) {
//       if (d.IsNetwork()) { ... d.bus, d.device, d.function, d.interfaces ... }
//   }

#include <cstdint>
#include <string>
#include <vector>

namespace zplat {

struct PciDeviceRecord {
    std::string slot;  // "0000:02:00.0"
    uint32_t domain = 0;
    uint32_t bus = 0;
    uint32_t device = 0;
    uint32_t function = 0;
    uint16_t vendorId = 0;
    uint16_t deviceId = 0;
    uint16_t subsystemVendorId = 0;
    uint16_t subsystemId = 0;
    uint8_t revision = 0;
    uint32_t classCode = 0;               // 24-bit class, subclass, programming interface
    std::vector<std::string> interfaces;  // network interface names below the device

    // PCI base class 0x02: network controller.
    bool IsNetwork() const { return (classCode >> 16) == 0x02; }
};

// Splits "dddd:bb:dd.f" (hexadecimal fields); false when the text has another form.
bool ParsePciSlot(const std::string& slot, uint32_t* domain, uint32_t* bus, uint32_t* device,
                  uint32_t* function);

// Every PCI device in slot order; empty when sysfs has none to show.
std::vector<PciDeviceRecord> ReadPciDevices();

}  // namespace zplat
