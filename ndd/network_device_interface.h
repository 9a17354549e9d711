#pragma once
// INetworkDevice: what one answer told about one device: its service, addresses, port, names,
// version and information document.
//
//   for (uint32_t i = 0; i < device->GetAddressCount(); ++i) {
//       IIPAddress* a = device->GetAddress(i);
//       printf("%s %s:%u\n", device->GetDeviceName(), a->GetAddressText(), device->GetPort());
//   }
//
// Values: addresses and masks are 32-bit values holding the octets in network order in memory;
// ports are in host order.
//
// Ownership: the device owns every text and address object it returns. Text getters never return
// null (an absent field reads as ""). Whoever created the device deletes it; a device handed to
// a callback is valid only as documented there (INDDUserAgentHandler::OnDeviceAnswer).

#include <cstdint>

#include "net/ip_address_interface.h"

class INetworkDevice {
public:
    // The service name the device offers.
    virtual const char* GetServiceName() = 0;
    // At most 32; a record built from an answer holds 1.
    virtual uint32_t GetAddressCount() = 0;
    // Null when index is not below the count. Address 0 is the device's own.
    virtual IIPAddress* GetAddress(uint32_t index) = 0;
    // The held address whose dotted text equals text, else null.
    virtual IIPAddress* FindAddress(const char* text) = 0;
    virtual IIPAddress* FindAddress(uint32_t address) = 0;
    // The held address whose broadcast address is (address AND mask) OR (NOT mask), else null.
    virtual IIPAddress* FindAddressInSubnet(uint32_t address, uint32_t mask) = 0;
    virtual uint32_t GetUserData() = 0;
    // Part of the device's identity, with the service name and address.
    virtual uint16_t GetPort() = 0;
    virtual uint16_t GetAuxValue() = 0;
    virtual const char* GetDeviceName() = 0;
    virtual const char* GetModel() = 0;
    virtual const char* GetVersion() = 0;
    // The device's information text (an XML document).
    virtual const char* GetInfo() = 0;
    // Dotted text of an address, in a buffer of the calling thread that its next conversion
    // overwrites.
    virtual const char* AddressToText(uint32_t address) = 0;
    // The local interface address and mask through which the device answered.
    virtual IIPAddress* GetLocalAddress() = 0;
    virtual const char* GetExtraText() = 0;

    // After the operations, so their order stays as listed.
    virtual ~INetworkDevice() = default;
};
