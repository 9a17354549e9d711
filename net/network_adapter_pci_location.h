#pragma once
// ZNetworkAdapterPCILocation: the process-wide table of the machine's PCI network devices,
// ranked by their place on the PCI bus (bus, device, function folded into one number: (2,0,0)
// is 20000) and linked through WMI to the adapters' interface indexes. Every inventory snapshot
// stamps its adapters with their rank number from it.
//
//   ZNetworkAdapterPCILocation* table = GetPCILocationTable();
//   if (table->Build(false)) {                         // built once, then kept
//       for (uint32_t i = 0; i < table->GetCount(); ++i) {
//           ZAdapterLoc* loc = table->GetRecord(i);     // ascending location number
//       }
//   }
//
// The devices come from the registry's PCI enumeration (Class "Net", LocationInformation), the
// links from WMI's Win32_NetworkAdapter (PNPDeviceID, GUID, Index). Ownership: the table owns its
// records; pointers from GetRecord stay valid until the next Build that rebuilds. Built and read
// by the thread that refreshes the inventory, one at a time.

#include <cstdint>

#include "foundation/list_compare.h"
#include "net/adapter_loc.h"

class ZNetworkAdapterPCILocation : public IListCompare<ZAdapterLoc> {
public:
    ZNetworkAdapterPCILocation();
    // With param 0, true when a's location number is greater than b's; with 1, when smaller.
    bool Compare(ZIDoubleList<ZAdapterLoc>* list, ZAdapterLoc* a, ZAdapterLoc* b, int reserved,
                 int param) override;
    ~ZNetworkAdapterPCILocation() override;
    ZNetworkAdapterPCILocation(const ZNetworkAdapterPCILocation&) = delete;
    ZNetworkAdapterPCILocation& operator=(const ZNetworkAdapterPCILocation&) = delete;

    // Builds the table unless it holds records and force is false. True when it holds records.
    virtual bool Build(bool force);
    virtual uint32_t GetCount();
    virtual ZAdapterLoc* GetRecord(uint32_t index);

    // The location text and number of a LocationInformation value: the part after the last
    // ";" without its parentheses ("(3,0,1)" gives "3,0,1"), and that text's comma-separated
    // parts folded as number * 100 + the decimal value each part starts with (30001).
    static void ParseLocation(const char* locationInformation, ZString* text, int32_t* number);

private:
    void Free();
    LAdapterDefList* list_;  // owned, with its records
};

// The process's table; it lives as long as the process.
ZNetworkAdapterPCILocation* GetPCILocationTable();
