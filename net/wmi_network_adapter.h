#pragma once
// ZWMINetworkAdapter: the table of Win32_NetworkAdapter objects that WMI lists (at most 256),
// read once at Connect, for the PCI location table to link its devices to adapters.
//
//   ZWMINetworkAdapter wmi;
//   if (wmi.InitializeCOM() && wmi.Connect()) {
//       ZWMINetworkAdapter::ZAdapterRecord r;
//       for (int i = 0; wmi.GetRecord(i, &r); ++i) { ... r.PNPDeviceID, r.Index ... }
//   }
//
// A property that an object does not carry (or carries with another type) leaves its field at
// zero or empty. Texts longer than their field are cut. The destructor disconnects and releases
// COM. One thread uses an object.

#include <cstdint>
#include <memory>

#include "net/wmi_session.h"

class ZWMINetworkAdapter {
public:
    static constexpr int kMaxRecords = 256;

    struct ZAdapterRecord {
        uint32_t Index = 0;
        uint32_t InterfaceIndex = 0;
        uint16_t AdapterTypeID = 0;
        uint16_t DeviceID = 0;
        char PNPDeviceID[256] = {};
        char Description[1024] = {};
        char MACAddress[32] = {};
        char GUID[256] = {};
    };

    ZWMINetworkAdapter();
    ZWMINetworkAdapter(const ZWMINetworkAdapter&) = delete;
    ZWMINetworkAdapter& operator=(const ZWMINetworkAdapter&) = delete;

    bool InitializeCOM();
    // Connects to root\cimv2 and reads the table; true at once when connected.
    bool Connect();
    int GetCount() const { return count_; }
    // A copy of record index; false when out of range.
    bool GetRecord(uint32_t index, ZAdapterRecord* record) const;
    void Disconnect();
    void UninitializeCOM();

private:
    void ReadTable();

    std::unique_ptr<ZAdapterRecord[]> records_;
    int count_ = 0;
    ZWMISession session_;
};
