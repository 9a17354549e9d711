#pragma once
// IIPAddress: read-only view of one IPv4 interface address (address, mask and the directed
// broadcast address derived from both) plus a number that its owner attaches.
//
//   IIPAddress* a = device->GetAddress(0);
//   if (a && a->GetBroadcast() == BroadcastOf(myAddress, myMask)) { /* same subnet */ }
//
// Numbers are 32-bit values holding the four octets in network order in memory, exactly as the
// dotted-text parser returns them (ParseDottedAddress, net/ip_address.h).
//
// Ownership: the object that hands out an IIPAddress owns it and deletes it; callers do not.
// Texts returned are owned by the address and never null.

#include <cstdint>

class IIPAddress {
public:
    virtual const char* GetAddressText() = 0;
    virtual uint32_t GetAddress() = 0;
    virtual const char* GetMaskText() = 0;
    virtual uint32_t GetMask() = 0;
    virtual const char* GetBroadcastText() = 0;
    virtual uint32_t GetBroadcast() = 0;
    virtual bool IsEqual(IIPAddress* other) = 0;
    virtual int32_t GetIndex() = 0;

    // After the operations, so their order stays as listed; virtual so that deleting through the
    // interface, should an owner ever do it, is sound.
    virtual ~IIPAddress() = default;
};
