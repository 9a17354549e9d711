#include "net/wmi_network_adapter.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/network/wmi.h"

namespace {

template <size_t N>
void CopyString(const zplat::WmiValue& value, char (&field)[N]) {
    if (value.kind == zplat::WmiValue::Kind::String) {
        std::snprintf(field, N, "%s", value.text.c_str());
    }
}

// A number-valued property; some (DeviceID) come as decimal text.
bool NumberOf(const zplat::WmiValue& value, uint32_t* number) {
    if (value.kind == zplat::WmiValue::Kind::UInt) {
        *number = value.uintValue;
        return true;
    }
    if (value.kind == zplat::WmiValue::Kind::String && !value.text.empty()) {
        char* end = nullptr;
        unsigned long n = std::strtoul(value.text.c_str(), &end, 10);
        if (end != nullptr && *end == '\0') {
            *number = static_cast<uint32_t>(n);
            return true;
        }
    }
    return false;
}

}  // namespace

ZWMINetworkAdapter::ZWMINetworkAdapter() : records_(new ZAdapterRecord[kMaxRecords]) {}

bool ZWMINetworkAdapter::InitializeCOM() {
    return session_.InitializeCOM();
}

void ZWMINetworkAdapter::UninitializeCOM() {
    session_.UninitializeCOM();
}

bool ZWMINetworkAdapter::Connect() {
    if (session_.IsConnected()) {
        return true;
    }
    if (!session_.Connect()) {
        return false;
    }
    ReadTable();
    return true;
}

void ZWMINetworkAdapter::ReadTable() {
    count_ = 0;
    std::vector<zplat::WmiObject> objects;
    if (!zplat::Succeeded(
            session_.Services()->ExecQuery("SELECT * FROM Win32_NetworkAdapter", &objects))) {
        return;
    }
    for (const auto& object : objects) {
        // The table has room for kMaxRecords; further objects are not kept.
        if (count_ >= kMaxRecords) {
            break;
        }
        ZAdapterRecord& r = records_[count_];
        r = ZAdapterRecord{};
        uint32_t number;
        if (NumberOf(object.Get("AdapterTypeID"), &number)) {
            r.AdapterTypeID = static_cast<uint16_t>(number);
        }
        if (NumberOf(object.Get("DeviceID"), &number)) {
            r.DeviceID = static_cast<uint16_t>(number);
        }
        if (NumberOf(object.Get("InterfaceIndex"), &number)) {
            r.InterfaceIndex = number;
        }
        if (NumberOf(object.Get("Index"), &number)) {
            r.Index = number;
        }
        CopyString(object.Get("PNPDeviceID"), r.PNPDeviceID);
        CopyString(object.Get("GUID"), r.GUID);
        CopyString(object.Get("MACAddress"), r.MACAddress);
        CopyString(object.Get("Description"), r.Description);
        ++count_;
    }
}

bool ZWMINetworkAdapter::GetRecord(uint32_t index, ZAdapterRecord* record) const {
    if (record == nullptr || index >= static_cast<uint32_t>(count_)) {
        return false;
    }
    *record = records_[index];
    return true;
}

void ZWMINetworkAdapter::Disconnect() {
    session_.Disconnect();
}
