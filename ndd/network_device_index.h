#pragma once
// ZNetworkDeviceIndex: finds the user agent's stored copy of an answering device in constant
// time. The agent keeps its stored devices in a list, in the order they first answered; with
// thousands of devices a walk over that list for every answer costs more than the rest of the
// answer path together. The index sits beside the list and holds the same devices, keyed by the
// identity the agent matches answers on: the texts of address 0 and its mask, the service name
// (exact, case-sensitive) and the port.
//
//   ZNetworkDeviceIndex index;
//   ZNetworkDevice* stored = index.Find(answer);     // null: a device not seen before
//   if (stored == nullptr) { stored = new ZNetworkDevice(...); list.AddTail(stored);
//                            index.Add(stored); }
//   ...
//   list.DeleteAll(); index.Clear();                 // list and index change together
//
// A device without address 0 has no identity: Find never returns it and Add skips it. Add takes
// a device only when Find found none of its identity, so each identity is held once. The fields of
// the identity must not change while a device is indexed (a stored device only ever gets a new
// local address, which takes no part).
//
// Ownership: the index owns none of the devices; it forgets them with Remove or Clear, which
// the owner calls before deleting them. No lock of its own: the owner guards it with the lock of
// the list it indexes.

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "ndd/network_device.h"
#include "ndd/network_device_interface.h"

class ZNetworkDeviceIndex {
public:
    ZNetworkDeviceIndex() = default;
    ZNetworkDeviceIndex(const ZNetworkDeviceIndex&) = delete;
    ZNetworkDeviceIndex& operator=(const ZNetworkDeviceIndex&) = delete;

    // The indexed device that device identifies, or null (also when device or its address 0 is
    // missing).
    ZNetworkDevice* Find(INetworkDevice* device) const;
    // Indexes device under its identity. False, and nothing changes, when device is null, has no
    // address 0 or is indexed already under that identity (another device of the same identity
    // included: the first one stays).
    bool Add(ZNetworkDevice* device);
    // Forgets device (the same object); false when it was not indexed.
    bool Remove(ZNetworkDevice* device);
    // Forgets every device.
    void Clear();
    size_t GetCount() const { return devices_.size(); }

    // The agent's matching rule: both have an address 0 with equal address and mask texts, equal
    // service names (exact) and equal ports.
    static bool IsSameDevice(INetworkDevice* a, INetworkDevice* b);

private:
    // A hash of the identity; devices whose hashes collide are told apart by IsSameDevice.
    // False when the device has no address 0.
    static bool HashOf(INetworkDevice* device, size_t* hash);

    std::unordered_multimap<size_t, ZNetworkDevice*> devices_;
};
