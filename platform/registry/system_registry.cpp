#include "platform/registry/system_registry.h"

#include <cstdio>
#include <memory>

#include "platform/network/net_snapshot_scope.h"

namespace zplat {

namespace {

constexpr const char* kTcpip = "Services\\Tcpip\\Parameters";

std::string Format(const char* format, unsigned a, unsigned b = 0, unsigned c = 0, unsigned d = 0,
                   unsigned e = 0, unsigned f = 0) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, a, b, c, d, e, f);
    return buffer;
}

bool HasAddress(const AdapterInfo& a) {
    for (const auto& ip : a.ipAddressList) {
        if (ip.ipAddress != "0.0.0.0" && !ip.ipAddress.empty()) {
            return true;
        }
    }
    return false;
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const auto& item : items) {
        if (!out.empty()) {
            out += separator;
        }
        out += item;
    }
    return out;
}

void AddInterfaceKey(const AdapterInfo& a, const std::vector<std::string>& dns,
                     MemoryRegistry* into) {
    const std::string key = std::string(kTcpip) + "\\Interfaces\\" + a.adapterName;
    std::vector<std::string> addresses, masks, gateways, contexts;
    for (const auto& ip : a.ipAddressList) {
        addresses.push_back(ip.ipAddress);
        masks.push_back(ip.ipMask);
        contexts.push_back(Format("0x%08X", ip.context));
    }
    for (const auto& g : a.gatewayList) {
        gateways.push_back(g.ipAddress);
    }
    into->SetValue(key, "EnableDHCP", RegValue::Dword(a.dhcpEnabled ? 1 : 0));
    into->SetValue(key, "NTEContextList", RegValue::MultiSz(contexts));
    if (a.dhcpEnabled && HasAddress(a)) {
        // As the system keeps a leased configuration: the static values stay at their
        // defaults, the lease's values sit beside them (DhcpIPAddress is a plain string).
        into->SetValue(key, "IPAddress", RegValue::MultiSz({"0.0.0.0"}));
        into->SetValue(key, "SubnetMask", RegValue::MultiSz({"0.0.0.0"}));
        into->SetValue(key, "DefaultGateway", RegValue::MultiSz({}));
        into->SetValue(key, "NameServer", RegValue::Sz(""));
        into->SetValue(key, "DhcpIPAddress", RegValue::Sz(addresses.front()));
        into->SetValue(key, "DhcpSubnetMask", RegValue::Sz(masks.front()));
        into->SetValue(key, "DhcpServer", RegValue::Sz(a.dhcpServer.ipAddress));
        into->SetValue(key, "DhcpNameServer", RegValue::Sz(Join(dns, " ")));
        into->SetValue(key, "DhcpDefaultGateway", RegValue::MultiSz(gateways));
        into->SetValue(key, "LeaseObtainedTime", RegValue::Dword(a.leaseObtained));
        into->SetValue(key, "LeaseTerminatesTime", RegValue::Dword(a.leaseExpires));
        uint32_t lease = a.leaseExpires > a.leaseObtained ? a.leaseExpires - a.leaseObtained : 0;
        into->SetValue(key, "Lease", RegValue::Dword(lease));
    } else {
        into->SetValue(key, "IPAddress", RegValue::MultiSz(addresses));
        into->SetValue(key, "SubnetMask", RegValue::MultiSz(masks));
        into->SetValue(key, "DefaultGateway", RegValue::MultiSz(gateways));
        into->SetValue(key, "NameServer", RegValue::Sz(Join(dns, ",")));
    }
}

}  // namespace

std::string PciDeviceKeyName(const PciDeviceRecord& d) {
    return Format("VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X", d.vendorId, d.deviceId,
                  d.subsystemId, d.subsystemVendorId, d.revision);
}

std::string PciInstanceKeyName(const PciDeviceRecord& d) {
    return d.slot;
}

std::string PciPnpDeviceId(const PciDeviceRecord& d) {
    return "PCI\\" + PciDeviceKeyName(d) + "\\" + PciInstanceKeyName(d);
}

std::string PciLocationInformation(const PciDeviceRecord& d) {
    return Format(
        "@system32\\drivers\\pci.sys,#65536;PCI bus %u, device %u, function %u;(%u,%u,%u)", d.bus,
        d.device, d.function, d.bus, d.device, d.function);
}

std::string PciClassName(uint32_t classCode) {
    switch (classCode >> 16) {
        case 0x01:
            return "SCSIAdapter";
        case 0x02:
            return "Net";
        case 0x03:
            return "Display";
        case 0x04:
            return "MEDIA";
        case 0x0C:
            return ((classCode >> 8) & 0xFF) == 0x03 ? "USB" : "System";
        default:
            return "System";
    }
}

void BuildSystemRegistry(const SystemRecords& records, MemoryRegistry* into) {
    into->CreateKey(std::string(kTcpip) + "\\Adapters");
    into->CreateKey(std::string(kTcpip) + "\\Interfaces");
    into->CreateKey("Enum\\PCI");
    const std::string classKey = std::string("Control\\Class\\") + kNetClassGuid;
    into->CreateKey(classKey);

    unsigned classIndex = 0;
    std::map<std::string, std::string> driverOf;  // adapter name -> its Class subkey path
    for (const auto& a : records.adapters) {
        if (a.type == MIB_IF_TYPE_LOOPBACK) {
            continue;
        }
        into->SetValue(std::string(kTcpip) + "\\Adapters\\" + a.adapterName, "IpConfig",
                       RegValue::MultiSz({"Tcpip\\Parameters\\Interfaces\\" + a.adapterName}));
        auto dns = records.dns.find(a.index);
        AddInterfaceKey(a, dns != records.dns.end() ? dns->second : std::vector<std::string>{},
                        into);
        const std::string number = Format("%04u", classIndex++);
        into->SetValue(classKey + "\\" + number, "NetCfgInstanceId", RegValue::Sz(a.adapterName));
        into->SetValue(classKey + "\\" + number, "DriverDesc", RegValue::Sz(a.description));
        driverOf[a.adapterName] = std::string(kNetClassGuid) + "\\" + number;
    }

    for (const auto& d : records.pci) {
        const std::string key = "Enum\\PCI\\" + PciDeviceKeyName(d) + "\\" + PciInstanceKeyName(d);
        into->SetValue(key, "Class", RegValue::Sz(PciClassName(d.classCode)));
        into->SetValue(key, "LocationInformation", RegValue::Sz(PciLocationInformation(d)));
        into->SetValue(
            key, "HardwareID",
            RegValue::MultiSz({"PCI\\" + PciDeviceKeyName(d),
                               Format("PCI\\VEN_%04X&DEV_%04X", d.vendorId, d.deviceId)}));
        if (!d.interfaces.empty()) {
            auto driver = driverOf.find(d.interfaces.front());
            if (driver != driverOf.end()) {
                into->SetValue(key, "Driver", RegValue::Sz(driver->second));
            }
        }
    }
}

SystemRecords ReadSystemRecords(const SystemRegistry::PciSource& pci) {
    SystemRecords records;
    if (GetAdaptersInfo(&records.adapters) != NO_ERROR) {
        records.adapters.clear();
    }
    for (const auto& a : records.adapters) {
        PerAdapterInfo info;
        if (GetPerAdapterInfo(a.index, &info) == NO_ERROR) {
            records.dns[a.index] = info.dnsServerList;
        }
    }
    if (pci) {
        records.pci = pci();
    }
    return records;
}

SystemRegistry::SystemRegistry(PciSource pci)
    : pci_(std::move(pci)), key_(NetSnapshotScope::NewKey()) {}

bool SystemRegistry::Open(std::string_view path, RegKeyData* key) {
    // Building the view reads every adapter; a walk over its keys opens many of them, so within
    // a snapshot scope the view is built once and every open is answered from it.
    auto view = std::static_pointer_cast<MemoryRegistry>(NetSnapshotScope::Kept(key_));
    if (!view) {
        view = std::make_shared<MemoryRegistry>();
        BuildSystemRegistry(ReadSystemRecords(pci_), view.get());
        NetSnapshotScope::Keep(key_, view);
    }
    return view->Open(path, key);
}

}  // namespace zplat
