#pragma once
// INetworkAdapterManager2: the adapter inventory's second interface, the first one's questions
// plus QueryInterface, through which its other interfaces are reached by name.
//
//   void* p = nullptr;
//   if (m2->QueryInterface("IAlternateIPAddress", &p)) { auto* alt =
//   static_cast<IAlternateIPAddress*>(p); }
//
// Ownership as for INetworkAdapterManager; interfaces handed out by QueryInterface belong to the
// object that hands them out.

#include <cstdint>

#include "net/network_adapter_interface.h"

class INetworkAdapterManager2 {
public:
    virtual bool Refresh() = 0;
    virtual void Sort(int key) = 0;
    virtual uint32_t GetCount() = 0;
    virtual INetworkAdapter* GetAdapter(uint32_t index) = 0;
    virtual INetworkAdapter* FindAdapterInSubnet(const char* address, const char* mask) = 0;
    virtual bool AddDerivedAddress(INetworkAdapter* adapter, const char* address, const char* mask,
                                   uint8_t lastOctet, char** result) = 0;
    virtual bool AddAddress(INetworkAdapter* adapter, const char* address, const char* mask) = 0;
    virtual bool DeleteAddedAddresses(INetworkAdapter* adapter) = 0;
    virtual const char* GetMaskOfAddress(const char* address) = 0;
    virtual const char* GetBroadcastOfAddress(const char* address) = 0;
    virtual INetworkAdapter* FindAdapterByIndex(uint32_t interfaceIndex) = 0;
    virtual INetworkAdapter* FindAdapter(const char* address, const char* mask) = 0;
    virtual bool GetNetworkAddressOverride(INetworkAdapter* adapter, char* result) = 0;
    virtual const char* DefaultMaskOf(const char* address) = 0;
    virtual bool QueryInterface(const char* interfaceName, void** result) = 0;
    virtual void Release() = 0;

    // After the operations, so their order stays as listed.
    virtual ~INetworkAdapterManager2() = default;
};
