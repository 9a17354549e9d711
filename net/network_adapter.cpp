#include "net/network_adapter.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/double_list_iterator.h"
#include "foundation/string_parser.h"
#include "net/network_adapter_reg_conf.h"
#include "net/registry_values.h"
#include "platform/network/net_snapshot_scope.h"
#include "platform/registry/registry.h"

namespace {

constexpr const char* kInterfacesKey =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";

// The non-empty fields of a comma-separated text, in order.
std::vector<std::string> SplitCommas(const char* text) {
    std::vector<std::string> fields;
    ZStringParser parser(text);
    if (LCharPtrList* list = parser.Split(',')) {
        ZIDoubleListIterator<char> it(list);
        for (char* f = it.First(); f != nullptr; f = it.Next()) {
            fields.emplace_back(f);
        }
    }
    return fields;
}

}  // namespace

ZNetworkAdapter::ZNetworkAdapter(const zplat::AdapterInfo& info, int32_t position)
    : name_(info.adapterName.c_str()),
      description_(info.description.c_str()),
      interface_index_(info.index),
      type_(info.type),
      hardware_address_length_(info.addressLength),
      lease_obtained_(info.leaseObtained),
      lease_expires_(info.leaseExpires),
      dhcp_enabled_(info.dhcpEnabled),
      dhcp_server_(info.dhcpServer.ipAddress.c_str()),
      wins_present_(info.haveWins),
      primary_wins_(info.primaryWinsServer.ipAddress.c_str()),
      secondary_wins_(info.secondaryWinsServer.ipAddress.c_str()),
      added_(nullptr),
      position_(position) {
    std::memcpy(hardware_address_, info.address, sizeof hardware_address_);
    SetAddresses(info.ipAddressList);
    for (const auto& g : info.gatewayList) {
        gateways_.emplace_back(g.ipAddress.c_str());
    }
    zplat::PerAdapterInfo perAdapter;
    if (zplat::GetPerAdapterInfo(interface_index_, &perAdapter) == zplat::NO_ERROR) {
        for (const auto& server : perAdapter.dnsServerList) {
            dns_servers_.emplace_back(server.c_str());
        }
    }
    if (!HasAssignedAddress()) {
        LoadFromRegistry();
    }
    added_ = new ZIDoubleList<ZAdditionalIPAddr>(false);
}

ZNetworkAdapter::~ZNetworkAdapter() {
    destroying_ = true;
    DeleteAlternateAddresses();
    delete added_;
}

void ZNetworkAdapter::SetAddresses(const std::vector<zplat::IpAddrString>& list) {
    addresses_.clear();
    for (const auto& entry : list) {
        auto address = std::make_unique<ZIPAddress>();
        address->Set(entry.ipAddress.c_str(), entry.ipMask.c_str(),
                     static_cast<int32_t>(entry.context));
        address->SetIndex(GetRegistryAddressPosition(entry.ipAddress.c_str()));
        addresses_.push_back(std::move(address));
    }
}

ZIPAddress* ZNetworkAdapter::AddressAt(uint32_t index) {
    return index < addresses_.size() ? addresses_[index].get() : nullptr;
}

const char* ZNetworkAdapter::GetTypeName(int type) {
    switch (type) {
        case 1:
            return "Other";
        case 6:
            return "Ethernet";
        case 9:
            return "Token Ring";
        case 15:
            return "FDDI";
        case 23:
            return "PPP";
        case 24:
            return "Loopback";
        case 28:
            return "SLIP";
        case 71:
            return "Wifi";
        default:
            return "Unknown";
    }
}

const char* ZNetworkAdapter::GetHardwareAddressText() {
    hardware_address_text_.Assign("");
    // The length comes from the system; the field holds 8 bytes whatever it claims.
    uint32_t length = hardware_address_length_ < sizeof hardware_address_
                          ? hardware_address_length_
                          : static_cast<uint32_t>(sizeof hardware_address_);
    for (uint32_t i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", hardware_address_[i]);
        if (i > 0) {
            hardware_address_text_.Append(" ");
        }
        hardware_address_text_.Append(pair);
    }
    return hardware_address_text_.GetString();
}

const char* ZNetworkAdapter::GetIPAddressText(uint32_t index) {
    ZIPAddress* a = AddressAt(index);
    return a != nullptr ? a->GetAddressText() : nullptr;
}

const char* ZNetworkAdapter::GetIPMaskText(uint32_t index) {
    ZIPAddress* a = AddressAt(index);
    return a != nullptr ? a->GetMaskText() : nullptr;
}

const char* ZNetworkAdapter::GetIPBroadcastText(uint32_t index) {
    ZIPAddress* a = AddressAt(index);
    return a != nullptr ? a->GetBroadcastText() : nullptr;
}

int32_t ZNetworkAdapter::GetIPAddressIndex(uint32_t index) {
    ZIPAddress* a = AddressAt(index);
    return a != nullptr ? a->GetIndex() : 0;
}

int ZNetworkAdapter::FindIPAddress(const char* address) {
    if (address == nullptr) {
        return -1;
    }
    for (size_t i = 0; i < addresses_.size(); ++i) {
        if (std::strcmp(addresses_[i]->GetAddressText(), address) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const char* ZNetworkAdapter::GetDnsServer(uint32_t index) {
    return index < dns_servers_.size() ? dns_servers_[index].GetString() : nullptr;
}

const char* ZNetworkAdapter::GetGateway(uint32_t index) {
    return index < gateways_.size() ? gateways_[index].GetString() : nullptr;
}

bool ZNetworkAdapter::IsOperational() {
    zplat::IfRow row;
    return zplat::GetIfEntry(interface_index_, &row) == zplat::NO_ERROR &&
           row.adminStatus == zplat::MIB_IF_ADMIN_STATUS_UP &&
           row.operStatus >= zplat::IF_OPER_STATUS_CONNECTED;
}

bool ZNetworkAdapter::RefreshAddresses() {
    zplat::NetSnapshotScope scope;  // one reading for the list and every registry position
    bool found = false;
    std::vector<zplat::AdapterInfo> adapters;
    if (zplat::GetAdaptersInfo(&adapters) == zplat::NO_ERROR) {
        for (const auto& info : adapters) {
            if (info.index == interface_index_) {
                SetAddresses(info.ipAddressList);
                found = true;
                break;
            }
        }
    }
    if (!HasAssignedAddress()) {
        LoadFromRegistry();
    }
    return found;
}

int32_t ZNetworkAdapter::GetRegistryAddressPosition(const char* address) {
    if (address == nullptr || name_.IsEmpty()) {
        return 0;
    }
    zplat::HKEY interfaces = nullptr;
    // Read access only: the position is only read, and write access is refused to users
    // without administrator rights.
    if (zplat::RegOpenKeyEx(zplat::HKEY_LOCAL_MACHINE, kInterfacesKey, 0, zplat::KEY_READ,
                            &interfaces) != zplat::ERROR_SUCCESS) {
        return 0;
    }
    int32_t position = 0;
    for (const std::string& sub : RegistrySubKeys(interfaces)) {
        if (sub != name_.GetString()) {
            continue;
        }
        zplat::HKEY key = nullptr;
        if (zplat::RegOpenKeyEx(interfaces, sub.c_str(), 0, zplat::KEY_READ, &key) !=
            zplat::ERROR_SUCCESS) {
            break;
        }
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (ReadRegistryValue(key, "EnableDHCP", &type, &data) && data.size() >= 4) {
            bool dhcp = (data[0] | data[1] | data[2] | data[3]) != 0;
            if (ReadRegistryValue(key, dhcp ? "DhcpIPAddress" : "IPAddress", &type, &data)) {
                std::vector<std::string> list = RegistryStrings(zplat::REG_MULTI_SZ, data);
                for (size_t i = 0; i < list.size(); ++i) {
                    if (list[i] == address) {
                        position = static_cast<int32_t>(i + 1);
                        break;
                    }
                }
            }
        }
        zplat::RegCloseKey(key);
        break;
    }
    zplat::RegCloseKey(interfaces);
    return position;
}

bool ZNetworkAdapter::HasAssignedAddress() {
    for (const auto& a : addresses_) {
        if (a->GetAddress() != 0) {
            return true;
        }
    }
    return false;
}

bool ZNetworkAdapter::HasListedAddress(const ZString* list) {
    if (list == nullptr) {
        return false;
    }
    for (const std::string& item : SplitCommas(list->GetString())) {
        if (!item.empty() && item != "0.0.0.0") {
            return true;
        }
    }
    return false;
}

bool ZNetworkAdapter::LoadFromRegistry() {
    addresses_.clear();
    dns_servers_.clear();
    gateways_.clear();
    ZNetworkAdapterRegConf conf(name_.GetString());
    if (conf.ReadSettings(true) == 0) {
        return false;
    }
    if (conf.GetAddresses()[0] == '\0' || conf.GetMasks()[0] == '\0') {
        return true;
    }
    std::vector<std::string> addresses = SplitCommas(conf.GetAddresses());
    std::vector<std::string> masks = SplitCommas(conf.GetMasks());
    std::vector<std::string> contexts = SplitCommas(conf.GetContexts());
    for (size_t i = 0; i < addresses.size(); ++i) {
        auto address = std::make_unique<ZIPAddress>();
        const char* mask = i < masks.size() ? masks[i].c_str() : "";
        uint32_t context = i < contexts.size() ? ParseContext(contexts[i].c_str()) : 0;
        address->Set(addresses[i].c_str(), mask, static_cast<int32_t>(context));
        address->SetIndex(GetRegistryAddressPosition(addresses[i].c_str()));
        addresses_.push_back(std::move(address));
    }
    for (const std::string& server : SplitCommas(conf.GetNameServers())) {
        dns_servers_.emplace_back(server.c_str());
    }
    for (const std::string& gateway : SplitCommas(conf.GetGateways())) {
        gateways_.emplace_back(gateway.c_str());
    }
    return true;
}

uint32_t ZNetworkAdapter::ParseContext(const char* text) {
    if (text == nullptr || std::strlen(text) != 10) {
        return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value =
            (value << 8) | static_cast<uint32_t>(ZStringParser::HexPairValue(text + 2 + 2 * i, 0));
    }
    return value;
}

bool ZNetworkAdapter::AddAlternateAddress(const char* address, const char* mask) {
    uint32_t context = 0, instance = 0;
    if (zplat::AddIPAddress(ParseDottedAddress(address), ParseDottedAddress(mask), interface_index_,
                            &context, &instance) != zplat::NO_ERROR) {
        return false;
    }
    auto* added = new ZAdditionalIPAddr();
    added->address.Assign(address);
    added->mask.Assign(mask);
    added->context = context;
    added->instance = instance;
    added_->AddTail(added);
    RefreshAddresses();
    return true;
}

bool ZNetworkAdapter::DeleteAlternateAddress(const char* address, const char* mask) {
    bool removed = false;
    added_->Lock(ZIDoubleList<ZAdditionalIPAddr>::kLockReason);
    for (ZAdditionalIPAddr* a = added_->First(); a != nullptr; a = added_->Next()) {
        if (a->address == address && a->mask == mask &&
            zplat::DeleteIPAddress(a->context) == zplat::NO_ERROR) {
            added_->Remove(a);
            delete a;
            removed = true;
            break;
        }
    }
    added_->Unlock(ZIDoubleList<ZAdditionalIPAddr>::kLockReason);
    if (removed) {
        RefreshAddresses();
    }
    return removed;
}

bool ZNetworkAdapter::DeleteAlternateAddresses() {
    bool any = false;
    added_->Lock(ZIDoubleList<ZAdditionalIPAddr>::kLockReason);
    for (ZAdditionalIPAddr* a = added_->First(); a != nullptr; a = added_->First()) {
        any = zplat::DeleteIPAddress(a->context) == zplat::NO_ERROR || any;
        added_->Remove(a);
        delete a;
    }
    added_->Unlock(ZIDoubleList<ZAdditionalIPAddr>::kLockReason);
    if (!destroying_) {
        RefreshAddresses();
    }
    return any;
}
