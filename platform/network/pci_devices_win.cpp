// On Windows the PCI devices are in the system's own registry (SYSTEM\CurrentControlSet\Enum\PCI),
// which the network layer reads directly; there is no sysfs to read them from.

#include "platform/network/pci_devices.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

std::vector<PciDeviceRecord> ReadPciDevices() {
    return {};
}

}  // namespace zplat
