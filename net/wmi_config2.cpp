#include "net/wmi_config2.h"

#include <cstdio>
#include <vector>

#include "platform/network/wmi.h"

namespace {

char* CopyText(const std::string& text) {
    char* copy = new char[ZWMIConfig2::kMaxTextLength + 1];
    std::snprintf(copy, ZWMIConfig2::kMaxTextLength + 1, "%s", text.c_str());
    return copy;
}

}  // namespace

bool ZWMIConfig2::InitializeCOM() {
    return session_.InitializeCOM();
}

bool ZWMIConfig2::Connect() {
    return session_.Connect();
}

bool ZWMIConfig2::Disconnect() {
    return session_.Disconnect();
}

bool ZWMIConfig2::UninitializeCOM() {
    return session_.UninitializeCOM();
}

bool ZWMIConfig2::GetAddresses(char*** addresses, char*** masks, int32_t* count) {
    query_failed_ = false;
    if (!session_.IsConnected() || addresses == nullptr || count == nullptr) {
        return false;
    }
    *addresses = new char*[kMaxEntries]();
    if (masks != nullptr) {
        *masks = new char*[kMaxEntries]();
    }
    *count = 0;
    std::vector<zplat::WmiObject> objects;
    if (!zplat::Succeeded(session_.Services()->ExecQuery(
            "SELECT * FROM Win32_NetworkAdapterConfiguration", &objects))) {
        query_failed_ = true;
        return false;
    }
    bool found = false;
    for (const auto& object : objects) {
        const zplat::WmiValue& enabled = object.Get("IPEnabled");
        if (enabled.kind != zplat::WmiValue::Kind::Bool || !enabled.boolValue) {
            continue;
        }
        const zplat::WmiValue& address = object.Get("IPAddress");
        const zplat::WmiValue& subnet = object.Get("IPSubnet");
        bool haveAddress = address.kind == zplat::WmiValue::Kind::StringArray;
        bool haveSubnet = subnet.kind == zplat::WmiValue::Kind::StringArray;
        found = found || haveAddress || haveSubnet;
        // Only an adapter with an address takes a place, and its mask sits at the same place:
        // a mask without an address would be overwritten by the next adapter and lost.
        if (!haveAddress || address.strings.empty() || *count >= kMaxEntries) {
            continue;
        }
        (*addresses)[*count] = CopyText(address.strings.front());
        if (masks != nullptr) {
            (*masks)[*count] =
                CopyText(haveSubnet && !subnet.strings.empty() ? subnet.strings.front() : "");
        }
        ++*count;
    }
    return found;
}
