#pragma once
// ZWMIConfig2: a small reader of the WMI class Win32_NetworkAdapterConfiguration, used by
// ZSystemNetworkConfig to find the machine's first IPv4 address and mask.
//
//   ZWMIConfig2 wmi;
//   if (wmi.InitializeCOM() && wmi.Connect()) {
//       char** addresses; char** masks; int32_t count = 0;
//       if (wmi.GetAddresses(&addresses, &masks, &count) && count > 0) { ... addresses[0] ... }
//       // free every entry (delete[]) and both arrays (delete[])
//       wmi.Disconnect();
//       wmi.UninitializeCOM();
//   }
//
// Ownership: the arrays GetAddresses hands out and their entries belong to the caller. The
// destructor disconnects and releases COM. One thread uses an object.

#include <cstdint>

#include "net/wmi_session.h"

class ZWMIConfig2 {
public:
    // Room in each array that GetAddresses allocates.
    static constexpr int kMaxEntries = 16;
    // Longest address or mask text kept in an entry.
    static constexpr int kMaxTextLength = 23;

    ZWMIConfig2() = default;
    ZWMIConfig2(const ZWMIConfig2&) = delete;
    ZWMIConfig2& operator=(const ZWMIConfig2&) = delete;

    // False when COM is already prepared by this object or cannot be prepared.
    bool InitializeCOM();
    // Connects to the local root\cimv2 namespace; true at once when connected.
    bool Connect();
    // For each IP-enabled adapter (in WMI's order, at most kMaxEntries) the first address and
    // the first mask ("" when it reports none). True when any address or subnet list was found.
    bool GetAddresses(char*** addresses, char*** masks, int32_t* count);
    // False when not connected.
    bool Disconnect();
    // False when COM was not prepared by this object.
    bool UninitializeCOM();
    // Whether the last GetAddresses failed in the query itself (as opposed to finding nothing).
    bool LastQueryFailed() const { return query_failed_; }

private:
    ZWMISession session_;
    bool query_failed_ = false;
};
