#include "platform/network/wmi.h"

#include <cstdio>
#include <mutex>

#include "platform/registry/registry.h"
#include "platform/registry/system_registry.h"

namespace zplat {

namespace {

std::mutex g_mutex;
std::shared_ptr<WmiProvider> g_provider;

std::shared_ptr<WmiProvider> Provider() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_provider) {
        g_provider = MakeSystemWmi();
    }
    return g_provider;
}

const WmiValue kEmpty;

std::string MacText(const AdapterInfo& a) {
    std::string out;
    for (uint32_t i = 0; i < a.addressLength && i < MAX_ADAPTER_ADDRESS_LENGTH; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", a.address[i]);
        if (!out.empty()) {
            out += ':';
        }
        out += pair;
    }
    return out;
}

bool HasAddress(const AdapterInfo& a) {
    for (const auto& ip : a.ipAddressList) {
        if (!ip.ipAddress.empty() && ip.ipAddress != "0.0.0.0") {
            return true;
        }
    }
    return false;
}

// Splits "SELECT * FROM name" into its words; the class name when the form fits.
bool ParseSelectAll(std::string_view wql, std::string* className) {
    std::vector<std::string> words;
    std::string current;
    for (char c : wql) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!current.empty()) {
                words.push_back(std::move(current));
                current.clear();
            }
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) {
        words.push_back(std::move(current));
    }
    if (words.size() != 4 || !RegNameEquals(words[0], "SELECT") || words[1] != "*" ||
        !RegNameEquals(words[2], "FROM")) {
        return false;
    }
    *className = words[3];
    return true;
}

bool IsCimv2(std::string_view ns) {
    std::string_view rest = ns;
    if (rest.substr(0, 4) == "\\\\.\\") {
        rest.remove_prefix(4);
    }
    return RegNameEquals(rest, "root\\cimv2");
}

}  // namespace

WmiValue WmiValue::Null() {
    WmiValue v;
    v.kind = Kind::Null;
    return v;
}

WmiValue WmiValue::Bool(bool value) {
    WmiValue v;
    v.kind = Kind::Bool;
    v.boolValue = value;
    return v;
}

WmiValue WmiValue::UInt(uint32_t value) {
    WmiValue v;
    v.kind = Kind::UInt;
    v.uintValue = value;
    return v;
}

WmiValue WmiValue::String(std::string value) {
    WmiValue v;
    v.kind = Kind::String;
    v.text = std::move(value);
    return v;
}

WmiValue WmiValue::Strings(std::vector<std::string> values) {
    WmiValue v;
    v.kind = Kind::StringArray;
    v.strings = std::move(values);
    return v;
}

void WmiObject::Set(std::string name, WmiValue value) {
    for (auto& p : properties_) {
        if (RegNameEquals(p.first, name)) {
            p.second = std::move(value);
            return;
        }
    }
    properties_.emplace_back(std::move(name), std::move(value));
}

const WmiValue& WmiObject::Get(std::string_view name) const {
    for (const auto& p : properties_) {
        if (RegNameEquals(p.first, name)) {
            return p.second;
        }
    }
    return kEmpty;
}

HRESULT WmiProvider::Connect(std::string_view nameSpace) {
    return IsCimv2(nameSpace) ? S_OK : WBEM_E_INVALID_NAMESPACE;
}

WbemServices::WbemServices(std::shared_ptr<WmiProvider> provider)
    : provider_(std::move(provider)) {}

HRESULT WbemServices::ExecQuery(std::string_view wql, std::vector<WmiObject>* objects) {
    if (objects == nullptr) {
        return E_FAIL;
    }
    objects->clear();
    std::string className;
    if (!ParseSelectAll(wql, &className)) {
        return WBEM_E_INVALID_QUERY;
    }
    return provider_->Query(className, objects);
}

HRESULT CoInitializeSecurity() {
    return Provider()->InitializeCom();
}
HRESULT CoInitialize() {
    return Provider()->InitializeCom();
}
void CoUninitialize() {}

HRESULT ConnectServer(std::string_view nameSpace, std::shared_ptr<WbemServices>* services) {
    if (services == nullptr) {
        return E_FAIL;
    }
    auto provider = Provider();
    HRESULT hr = provider->Connect(nameSpace);
    if (!Succeeded(hr)) {
        services->reset();
        return hr;
    }
    *services = std::make_shared<WbemServices>(std::move(provider));
    return S_OK;
}

void SetWmiProvider(std::shared_ptr<WmiProvider> provider) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_provider = std::move(provider);
}

ScopedWmiProvider::ScopedWmiProvider(std::shared_ptr<WmiProvider> provider) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        previous_ = g_provider;
    }
    SetWmiProvider(std::move(provider));
}

ScopedWmiProvider::~ScopedWmiProvider() {
    SetWmiProvider(std::move(previous_));
}

HRESULT FakeWmi::Connect(std::string_view nameSpace) {
    if (!Succeeded(connectResult)) {
        return connectResult;
    }
    return WmiProvider::Connect(nameSpace);
}

HRESULT FakeWmi::Query(std::string_view className, std::vector<WmiObject>* objects) {
    ++queries;
    for (const auto& c : classes) {
        if (RegNameEquals(c.first, className)) {
            *objects = c.second;
            return S_OK;
        }
    }
    return WBEM_E_INVALID_CLASS;
}

std::vector<WmiObject> WmiNetworkAdapters(const std::vector<AdapterInfo>& adapters,
                                          const std::vector<PciDeviceRecord>& pci) {
    std::vector<WmiObject> objects;
    unsigned virtualIndex = 0;
    for (const auto& a : adapters) {
        if (a.type == MIB_IF_TYPE_LOOPBACK) {
            continue;
        }
        WmiObject o;
        o.Set("Index", WmiValue::UInt(a.index));
        o.Set("InterfaceIndex", WmiValue::UInt(a.index));
        o.Set("DeviceID", WmiValue::String(std::to_string(a.index)));
        if (a.type == MIB_IF_TYPE_ETHERNET) {
            o.Set("AdapterTypeID", WmiValue::UInt(0));  // Ethernet 802.3
        } else if (a.type == IF_TYPE_IEEE80211) {
            o.Set("AdapterTypeID", WmiValue::UInt(9));  // Wireless
        } else {
            o.Set("AdapterTypeID", WmiValue::Null());
        }
        std::string pnp;
        for (const auto& d : pci) {
            for (const auto& name : d.interfaces) {
                if (pnp.empty() && name == a.adapterName) {
                    pnp = PciPnpDeviceId(d);
                }
            }
        }
        bool physical = !pnp.empty();
        if (!physical) {
            char id[32];
            std::snprintf(id, sizeof id, "ROOT\\NET\\%04u", virtualIndex++);
            pnp = id;
        }
        o.Set("PNPDeviceID", WmiValue::String(pnp));
        o.Set("Description", WmiValue::String(a.description));
        o.Set("Name", WmiValue::String(a.description));
        o.Set("NetConnectionID", WmiValue::String(a.adapterName));
        std::string mac = MacText(a);
        o.Set("MACAddress", mac.empty() ? WmiValue::Null() : WmiValue::String(mac));
        o.Set("GUID", WmiValue::String(a.adapterName));
        o.Set("PhysicalAdapter", WmiValue::Bool(physical));
        objects.push_back(std::move(o));
    }
    return objects;
}

std::vector<WmiObject> WmiAdapterConfigurations(
    const std::vector<AdapterInfo>& adapters,
    const std::map<uint32_t, std::vector<std::string>>& dns) {
    std::vector<WmiObject> objects;
    for (const auto& a : adapters) {
        if (a.type == MIB_IF_TYPE_LOOPBACK) {
            continue;
        }
        WmiObject o;
        o.Set("Index", WmiValue::UInt(a.index));
        o.Set("InterfaceIndex", WmiValue::UInt(a.index));
        o.Set("Description", WmiValue::String(a.description));
        o.Set("SettingID", WmiValue::String(a.adapterName));
        std::string mac = MacText(a);
        o.Set("MACAddress", mac.empty() ? WmiValue::Null() : WmiValue::String(mac));
        o.Set("DHCPEnabled", WmiValue::Bool(a.dhcpEnabled));
        bool enabled = HasAddress(a);
        o.Set("IPEnabled", WmiValue::Bool(enabled));
        if (enabled) {
            std::vector<std::string> addresses, masks, gateways;
            for (const auto& ip : a.ipAddressList) {
                addresses.push_back(ip.ipAddress);
                masks.push_back(ip.ipMask);
            }
            for (const auto& g : a.gatewayList) {
                gateways.push_back(g.ipAddress);
            }
            o.Set("IPAddress", WmiValue::Strings(addresses));
            o.Set("IPSubnet", WmiValue::Strings(masks));
            o.Set("DefaultIPGateway",
                  gateways.empty() ? WmiValue::Null() : WmiValue::Strings(gateways));
        } else {
            o.Set("IPAddress", WmiValue::Null());
            o.Set("IPSubnet", WmiValue::Null());
            o.Set("DefaultIPGateway", WmiValue::Null());
        }
        auto servers = dns.find(a.index);
        if (servers != dns.end() && !servers->second.empty()) {
            o.Set("DNSServerSearchOrder", WmiValue::Strings(servers->second));
        } else {
            o.Set("DNSServerSearchOrder", WmiValue::Null());
        }
        objects.push_back(std::move(o));
    }
    return objects;
}

}  // namespace zplat
