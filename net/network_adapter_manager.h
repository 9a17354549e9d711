#pragma once
// ZNetworkAdapterManager: a snapshot of the machine's network adapters (platform IP Helper) and
// the lookups the detection engine makes in it: the mask of a local address, the adapter that
// carries an address, the adapter that serves a subnet. Each Refresh also stamps every adapter
// with its rank in the process's PCI location table.
//
//   ZNetworkAdapterManager snapshot;
//   snapshot.Refresh();
//   const char* mask = snapshot.GetMaskOfAddress("192.168.1.10");     // first adapter wins
//   INetworkAdapter* a = snapshot.FindAdapter("192.168.1.10", mask);
//   if (a) { interfaceName = a->GetName(); }
//
// Texts compare exactly as dotted text: 192.168.001.002 does not match 192.168.1.2.
// Ownership: the snapshot owns its adapters; pointers it hands out stay valid until the next
// Refresh, Clear or destruction, which also removes every address the adapters added. No lock:
// one thread uses a snapshot at a time.

#include <cstdint>
#include <vector>

#include "net/alternate_ip_address.h"
#include "net/network_adapter.h"
#include "net/network_adapter_manager2.h"
#include "net/network_adapter_manager_interface.h"

// Room that GetNetworkAddressOverride's result must have, NUL included.
inline constexpr int kNetworkAddressOverrideRoom = 64;

// Sort keys of Sort and SortRange; any other value sorts by position.
enum ZAdapterSortKey : int {
    kSortByInterfaceIndex = 1,
    kSortByDescription = 2,
    kSortByType = 3,
    kSortByPCILocation = 4,
};

class ZNetworkAdapterManager : public virtual INetworkAdapterManager,
                               public virtual INetworkAdapterManager2,
                               public virtual IAlternateIPAddress {
public:
    ZNetworkAdapterManager() = default;
    ZNetworkAdapterManager(const ZNetworkAdapterManager&) = delete;
    ZNetworkAdapterManager& operator=(const ZNetworkAdapterManager&) = delete;

    virtual void Clear();
    virtual void SortRange(ZNetworkAdapter** adapters, int first, int last, int key);
    ~ZNetworkAdapterManager() override;
    bool Refresh() override;
    void Sort(int key) override;
    uint32_t GetCount() override { return static_cast<uint32_t>(adapters_.size()); }
    INetworkAdapter* GetAdapter(uint32_t index) override;
    INetworkAdapter* FindAdapterInSubnet(const char* address, const char* mask) override;
    bool AddDerivedAddress(INetworkAdapter* adapter, const char* address, const char* mask,
                           uint8_t lastOctet, char** result) override;
    bool AddAddress(INetworkAdapter* adapter, const char* address, const char* mask) override;
    bool DeleteAddedAddresses(INetworkAdapter* adapter) override;
    const char* GetMaskOfAddress(const char* address) override;
    const char* GetBroadcastOfAddress(const char* address) override;
    INetworkAdapter* FindAdapterByIndex(uint32_t interfaceIndex) override;
    INetworkAdapter* FindAdapter(const char* address, const char* mask) override;
    // result needs room for kNetworkAddressOverrideRoom bytes; a longer value is cut.
    bool GetNetworkAddressOverride(INetworkAdapter* adapter, char* result) override;
    const char* DefaultMaskOf(const char* address) override;
    bool QueryInterface(const char* interfaceName, void** result) override;
    void Release() override;
    INetworkAdapter* FindAdapterInSubnet(const char* address, const char* mask,
                                         uint32_t* addressIndex) override;

private:
    ZNetworkAdapter* AdapterWithIndex(uint32_t interfaceIndex);
    static bool Before(ZNetworkAdapter* a, ZNetworkAdapter* b, int key);

    std::vector<ZNetworkAdapter*> adapters_;  // owned, in the IP Helper's order
};
