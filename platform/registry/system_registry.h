#pragma once
// The part of the registry under HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet that the network
// code reads, synthesized from the adapter records (platform/network/ip_helper.h) and the PCI
// devices (platform/network/pci_devices.h):
//   Services\Tcpip\Parameters\Adapters\<name>     IpConfig = Tcpip\Parameters\Interfaces\<name>
//   Services\Tcpip\Parameters\Interfaces\<name>   EnableDHCP, IPAddress, SubnetMask,
//       DefaultGateway, NameServer, NTEContextList, and with DHCP the Dhcp... values
//   Control\Class\{4D36E972-...}\0000             NetCfgInstanceId = <name>, DriverDesc
//   Enum\PCI\VEN_xxxx&DEV_xxxx&SUBSYS_xxxxxxxx&REV_xx\<slot>
//       Class ("Net" for network controllers), LocationInformation
//       ("@system32\drivers\pci.sys,#65536;PCI bus 2, device 0, function 0;(2,0,0)"), ...
// where <name> is the adapter's name (the interface name here).
//
//   zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
//                        std::make_shared<zplat::SystemRegistry>());
//
// BuildSystemRegistry is the pure translation. SystemRegistry builds the view from the records of
// whatever IP Helper backend is installed: once per snapshot scope
// (platform/network/net_snapshot_scope.h) while one is open on the calling thread, else anew at
// every open, so the view follows the system.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/network/ip_helper.h"
#include "platform/network/pci_devices.h"
#include "platform/registry/registry.h"

namespace zplat {

inline constexpr const char* kNetClassGuid = "{4D36E972-E325-11CE-BFC1-08002bE10318}";

struct SystemRecords {
    std::vector<AdapterInfo> adapters;
    std::map<uint32_t, std::vector<std::string>> dns;  // by interface index
    std::vector<PciDeviceRecord> pci;
};

// "VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02"
std::string PciDeviceKeyName(const PciDeviceRecord& device);
// The instance key below it: the slot text.
std::string PciInstanceKeyName(const PciDeviceRecord& device);
// "PCI\<device key>\<instance key>", the device's plug-and-play id.
std::string PciPnpDeviceId(const PciDeviceRecord& device);
std::string PciLocationInformation(const PciDeviceRecord& device);
// The device setup class name of a PCI class code ("Net" for network controllers).
std::string PciClassName(uint32_t classCode);

void BuildSystemRegistry(const SystemRecords& records, MemoryRegistry* into);

class SystemRegistry : public RegistryBackend {
public:
    using PciSource = std::function<std::vector<PciDeviceRecord>()>;
    explicit SystemRegistry(PciSource pci = ReadPciDevices);
    bool Open(std::string_view path, RegKeyData* key) override;

private:
    PciSource pci_;
    const uint64_t key_;  // where the view is kept in a snapshot scope
};

// Reads adapters and DNS servers through the current IP Helper backend.
SystemRecords ReadSystemRecords(const SystemRegistry::PciSource& pci);

}  // namespace zplat
