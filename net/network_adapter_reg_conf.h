#pragma once
// ZNetworkAdapterRegConf: reads the TCP/IP settings that the registry holds for one adapter: its
// addresses, masks, gateways, name servers and address contexts, from the adapter's interface key
// under SYSTEM\CurrentControlSet\Services (found through
// Tcpip\Parameters\Adapters\<name>\IpConfig).
//
//   ZNetworkAdapterRegConf conf("{4F2A...}");
//   if (conf.ReadSettings(true) == 1) {
//       conf.GetAddresses();   // "10.0.0.1,10.0.0.2"
//   }
//
// With DHCP on and dhcpValues true it reads the lease's values (DhcpIPAddress, ...), otherwise
// the static ones (IPAddress, ...). Missing keys and values leave their texts empty. The keys are
// opened for reading only. Ownership: texts belong to the object. One thread uses an object.

#include "foundation/string.h"
#include "net/network_adapter_reg_conf_interface.h"

class ZNetworkAdapterRegConf : public virtual INetworkAdapterRegConf {
public:
    explicit ZNetworkAdapterRegConf(const char* adapterName);

    int ReadSettings(bool dhcpValues) override;
    bool IsDhcpEnabled() override { return dhcp_enabled_; }
    const char* GetAddresses() override { return addresses_.GetString(); }
    const char* GetMasks() override { return masks_.GetString(); }
    const char* GetNameServers() override { return name_servers_.GetString(); }
    const char* GetGateways() override { return gateways_.GetString(); }
    const char* GetContexts() override { return contexts_.GetString(); }
    const char* GetAdapterName() { return adapter_name_.GetString(); }

    // The strings of a multi-string (a run of NUL-terminated strings ended by an empty one)
    // joined by commas; "" for a null or empty multi-string.
    ZString MultiSzToList(const char* multiString);

private:
    ZString adapter_name_;
    bool dhcp_enabled_ = false;
    ZString addresses_;
    ZString masks_;
    ZString name_servers_;
    ZString gateways_;
    ZString contexts_;
};
