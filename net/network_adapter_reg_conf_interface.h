#pragma once
// INetworkAdapterRegConf: the TCP/IP settings configured for one adapter in the registry, as
// ZNetworkAdapterRegConf reads them (the inventory uses it for an adapter without an address).
//
//   INetworkAdapterRegConf* conf = ...;
//   if (conf->ReadSettings(true)) { ... conf->GetAddresses() ... }   // "10.0.0.1,10.0.0.2"
//
// Ownership: the texts belong to the object and stay valid until its next ReadSettings.

class INetworkAdapterRegConf {
public:
    // 1 when the adapter's interface key was located, 0 otherwise.
    virtual int ReadSettings(bool dhcpValues) = 0;
    virtual bool IsDhcpEnabled() = 0;
    virtual const char* GetAddresses() = 0;    // comma-separated
    virtual const char* GetMasks() = 0;        // comma-separated
    virtual const char* GetNameServers() = 0;  // as stored
    virtual const char* GetGateways() = 0;     // comma-separated
    virtual const char* GetContexts() = 0;     // the first string of the context list

    // After the operations, so their order stays as listed.
    virtual ~INetworkAdapterRegConf() = default;
};
