#include "net/network_adapter_pci_location.h"

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/string_parser.h"
#include "net/registry_values.h"
#include "net/wmi_network_adapter.h"
#include "platform/network/net_snapshot_scope.h"

namespace {

constexpr const char* kPciKey = "SYSTEM\\CurrentControlSet\\Enum\\PCI";

// The last text of a split, or null.
const char* LastField(LCharPtrList* fields) {
    return fields != nullptr ? fields->Last() : nullptr;
}

// The decimal value a part starts with after blanks, 0 without digits; kept within int32.
int64_t LeadingNumber(const char* part) {
    while (*part == ' ' || *part == '\t') {
        ++part;
    }
    int64_t value = 0;
    for (; *part >= '0' && *part <= '9'; ++part) {
        value = value * 10 + (*part - '0');
        if (value > INT32_MAX) {
            return INT32_MAX;
        }
    }
    return value;
}

std::string ReadText(zplat::HKEY key, const char* name) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!ReadRegistryValue(key, name, &type, &data)) {
        return std::string();
    }
    std::vector<std::string> strings = RegistryStrings(type, data);
    return strings.empty() ? std::string() : strings.front();
}

bool HasValue(zplat::HKEY key, const char* name) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    return ReadRegistryValue(key, name, &type, &data);
}

}  // namespace

ZNetworkAdapterPCILocation::ZNetworkAdapterPCILocation() : list_(new LAdapterDefList(false)) {}

ZNetworkAdapterPCILocation::~ZNetworkAdapterPCILocation() {
    Free();
    delete list_;
}

void ZNetworkAdapterPCILocation::Free() {
    list_->DeleteAll();
}

bool ZNetworkAdapterPCILocation::Compare(ZIDoubleList<ZAdapterLoc>*, ZAdapterLoc* a, ZAdapterLoc* b,
                                         int, int param) {
    if (param == 0) {
        return a->GetLocationNumber() > b->GetLocationNumber();
    }
    if (param == 1) {
        return a->GetLocationNumber() < b->GetLocationNumber();
    }
    return false;
}

uint32_t ZNetworkAdapterPCILocation::GetCount() {
    return static_cast<uint32_t>(list_->GetCount());
}

ZAdapterLoc* ZNetworkAdapterPCILocation::GetRecord(uint32_t index) {
    if (index >= GetCount()) {
        return nullptr;
    }
    return list_->GetAt(static_cast<int>(index));
}

void ZNetworkAdapterPCILocation::ParseLocation(const char* locationInformation, ZString* text,
                                               int32_t* number) {
    text->Assign("");
    *number = -1;
    if (locationInformation == nullptr) {
        return;
    }
    ZStringParser parts(locationInformation);
    const char* last = LastField(parts.Split(';'));
    if (last == nullptr) {
        return;
    }
    std::string location;
    for (const char* p = last; *p != '\0'; ++p) {
        if (*p != '(' && *p != ')') {
            location.push_back(*p);
        }
    }
    text->Assign(location.c_str());
    if (location.empty()) {
        return;
    }
    int64_t folded = 0;
    ZStringParser numbers(location.c_str());
    if (LCharPtrList* fields = numbers.Split(',')) {
        ZIDoubleListIterator<char> it(fields);
        for (char* part = it.First(); part != nullptr; part = it.Next()) {
            // Wider than any bus address; kept within the field rather than overflowing it.
            folded = folded * 100 + LeadingNumber(part);
            if (folded > INT32_MAX) {
                folded = INT32_MAX;
            }
        }
    }
    *number = static_cast<int32_t>(folded);
}

bool ZNetworkAdapterPCILocation::Build(bool force) {
    if (GetCount() > 0 && !force) {
        return true;
    }
    Free();
    // One registry view and one adapter list for the walk and the WMI pass.
    zplat::NetSnapshotScope scope;

    zplat::HKEY pci = nullptr;
    if (zplat::RegOpenKeyEx(zplat::HKEY_LOCAL_MACHINE, kPciKey, 0, zplat::KEY_READ, &pci) ==
        zplat::ERROR_SUCCESS) {
        for (const std::string& deviceName : RegistrySubKeys(pci)) {
            zplat::HKEY device = nullptr;
            if (zplat::RegOpenKeyEx(pci, deviceName.c_str(), 0, zplat::KEY_READ, &device) !=
                zplat::ERROR_SUCCESS) {
                continue;
            }
            for (const std::string& instanceName : RegistrySubKeys(device)) {
                zplat::HKEY instance = nullptr;
                if (zplat::RegOpenKeyEx(device, instanceName.c_str(), 0, zplat::KEY_READ,
                                        &instance) != zplat::ERROR_SUCCESS) {
                    continue;
                }
                if (zplat::RegNameEquals(ReadText(instance, "Class"), "net")) {
                    std::string id = "PCI\\" + deviceName + "\\" + instanceName;
                    auto* loc = new ZAdapterLoc(id.c_str());
                    if (HasValue(instance, "LocationInformation")) {
                        ZString text;
                        int32_t number = -1;
                        ParseLocation(ReadText(instance, "LocationInformation").c_str(), &text,
                                      &number);
                        loc->SetLocationText(text.GetString());
                        if (!text.IsEmpty()) {
                            loc->SetLocationNumber(number);
                        }
                    }
                    if (loc->GetLocationText()[0] != '\0') {
                        list_->AddTail(loc);
                    } else {
                        delete loc;
                    }
                }
                zplat::RegCloseKey(instance);
            }
            zplat::RegCloseKey(device);
        }
        zplat::RegCloseKey(pci);
    }
    if (list_->GetCount() > 1) {
        list_->Sort(this, 0);
    }

    auto* wmi = new ZWMINetworkAdapter();
    if (wmi->InitializeCOM() && wmi->Connect()) {
        ZWMINetworkAdapter::ZAdapterRecord record;
        for (uint32_t i = 0; wmi->GetRecord(i, &record); ++i) {
            ZIDoubleListIterator<ZAdapterLoc> it(list_);
            for (ZAdapterLoc* loc = it.First(); loc != nullptr; loc = it.Next()) {
                if (zplat::RegNameEquals(loc->GetDeviceInstance(), record.PNPDeviceID)) {
                    loc->SetGUID(record.GUID);
                    loc->SetWMIIndex(static_cast<int32_t>(record.Index));
                    break;
                }
            }
        }
        wmi->Disconnect();
        wmi->UninitializeCOM();
    }
    delete wmi;
    return GetCount() > 0;
}

ZNetworkAdapterPCILocation* GetPCILocationTable() {
    static ZNetworkAdapterPCILocation table;
    return &table;
}
