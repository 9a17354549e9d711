#pragma once
// ZAdapterLoc: one PCI network device of the PCI location table: its device instance in the
// registry's PCI enumeration, its location text and rank number, and the adapter GUID and WMI
// index that WMI links to it.
//
//   ZAdapterLoc loc("PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\0000:02:00.0");
//   loc.SetLocationText("2,0,0");
//   loc.SetLocationNumber(20000);
//
// A plain record; the table owns its records.

#include <cstdint>

#include "foundation/double_list.h"
#include "foundation/string.h"

class ZAdapterLoc {
public:
    explicit ZAdapterLoc(const char* deviceInstance) : device_instance_(deviceInstance) {}
    virtual ~ZAdapterLoc() = default;

    virtual const char* GetGUID() { return guid_.GetString(); }
    virtual const char* GetLocationText() { return location_text_.GetString(); }
    virtual int32_t GetLocationNumber() { return location_number_; }
    virtual const char* GetDeviceInstance() { return device_instance_.GetString(); }
    virtual int32_t GetWMIIndex() { return wmi_index_; }

    void SetGUID(const char* guid) { guid_.Assign(guid); }
    void SetLocationText(const char* text) { location_text_.Assign(text); }
    void SetLocationNumber(int32_t number) { location_number_ = number; }
    void SetWMIIndex(int32_t index) { wmi_index_ = index; }

private:
    ZString guid_;
    ZString location_text_;
    int32_t location_number_ = -1;
    ZString device_instance_;
    int32_t wmi_index_ = 0;
};

// The records of the PCI location table, sorted by location number.
using LAdapterDefList = ZIDoubleList<ZAdapterLoc>;
