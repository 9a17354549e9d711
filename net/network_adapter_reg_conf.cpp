#include "net/network_adapter_reg_conf.h"

#include <cstring>
#include <vector>

#include "net/registry_values.h"
#include "platform/network/net_snapshot_scope.h"

namespace {

constexpr const char* kAdaptersKey =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";

// Opens a key for reading. The settings are only read here, so read access is all that is asked
// for: asking for write access too would fail for every user without administrator rights.
zplat::HKEY OpenRead(zplat::HKEY parent, const char* path) {
    zplat::HKEY key = nullptr;
    if (zplat::RegOpenKeyEx(parent, path, 0, zplat::KEY_READ, &key) != zplat::ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

}  // namespace

ZNetworkAdapterRegConf::ZNetworkAdapterRegConf(const char* adapterName)
    : adapter_name_(adapterName) {}

ZString ZNetworkAdapterRegConf::MultiSzToList(const char* multiString) {
    ZString list;
    list.Assign("");
    if (multiString == nullptr) {
        return list;
    }
    for (const char* p = multiString; *p != '\0'; p += std::strlen(p) + 1) {
        if (list.GetLength() > 0) {
            list.Append(",");
        }
        list.Append(p);
    }
    return list;
}

int ZNetworkAdapterRegConf::ReadSettings(bool dhcpValues) {
    if (adapter_name_.IsEmpty()) {
        return 0;
    }
    zplat::NetSnapshotScope scope;  // one registry view for the keys read below

    // Locate the interface key through the adapter's IpConfig value.
    zplat::HKEY adapters = OpenRead(zplat::HKEY_LOCAL_MACHINE, kAdaptersKey);
    if (adapters == nullptr) {
        return 0;
    }
    ZString interfacePath;
    for (const std::string& name : RegistrySubKeys(adapters)) {
        if (!zplat::RegNameEquals(name, adapter_name_.GetString())) {
            continue;
        }
        // Only the first matching subkey is looked at.
        zplat::HKEY adapter = OpenRead(adapters, name.c_str());
        if (adapter != nullptr) {
            uint32_t type = 0;
            std::vector<uint8_t> data;
            if (ReadRegistryValue(adapter, "IpConfig", &type, &data)) {
                std::vector<std::string> strings = RegistryStrings(type, data);
                std::string first = strings.empty() ? std::string() : strings.front();
                first = first.substr(0, first.find(','));
                if (!first.empty()) {
                    interfacePath.Format("%s\\%s", kServicesKey, first.c_str());
                }
            }
            zplat::RegCloseKey(adapter);
        }
        break;
    }
    zplat::RegCloseKey(adapters);
    if (interfacePath.IsEmpty()) {
        return 0;
    }

    zplat::HKEY key = OpenRead(zplat::HKEY_LOCAL_MACHINE, interfacePath.GetString());
    if (key == nullptr) {
        return 1;
    }
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!ReadRegistryValue(key, "EnableDHCP", &type, &data) || data.size() < 4) {
        zplat::RegCloseKey(key);
        return 1;
    }
    uint32_t enable =
        data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
    dhcp_enabled_ = enable != 0;
    bool lease = dhcp_enabled_ && dhcpValues;
    const char* addressName = lease ? "DhcpIPAddress" : "IPAddress";
    const char* maskName = lease ? "DhcpSubnetMask" : "SubnetMask";
    const char* serverName = lease ? "DhcpNameServer" : "NameServer";
    const char* gatewayName = lease ? "DhcpDefaultGateway" : "DefaultGateway";

    auto readList = [&](const char* name, ZString* into) {
        if (ReadRegistryValue(key, name, &type, &data)) {
            // Read within the value's own bytes; a plain string (the lease's address is one)
            // reads as a list of one.
            std::vector<char> text = TerminatedRegistryText(data);
            into->Assign(MultiSzToList(text.data()));
        }
    };
    readList(addressName, &addresses_);
    readList(maskName, &masks_);
    if (ReadRegistryValue(key, serverName, &type, &data)) {
        name_servers_.Assign(TerminatedRegistryText(data).data());
    }
    readList(gatewayName, &gateways_);
    if (ReadRegistryValue(key, "NTEContextList", &type, &data)) {
        contexts_.Assign(TerminatedRegistryText(data).data());
    }
    zplat::RegCloseKey(key);
    return 1;
}
