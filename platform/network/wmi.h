#pragma once
// A small stand-in for WMI through COM: COM set-up calls, a connection to a namespace, and WQL
// queries of the form "SELECT * FROM <class>" that return objects of named properties. The
// system provider answers Win32_NetworkAdapter and Win32_NetworkAdapterConfiguration with records
// synthesized from the adapter records and the PCI devices (Index and InterfaceIndex = interface
// index, GUID and SettingID = adapter name, PNPDeviceID = the PCI key of the synthesized registry);
// tests install FakeWmi.
//
//   zplat::CoInitialize();
//   std::shared_ptr<zplat::WbemServices> services;
//   if (zplat::ConnectServer("\\\\.\\root\\cimv2", &services) == zplat::S_OK) {
//       std::vector<zplat::WmiObject> objects;
//       services->ExecQuery("SELECT * FROM Win32_NetworkAdapter", &objects);
//       const zplat::WmiValue& v = objects[0].Get("PNPDeviceID");
//       if (v.kind == zplat::WmiValue::Kind::String) { ... v.text ... }
//   }
//   zplat::CoUninitialize();
//
// Ownership: objects are plain values; services are shared pointers. Install providers from one
// thread while no query runs (tests do it in their set-up).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/network/ip_helper.h"
#include "platform/network/pci_devices.h"

namespace zplat {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT RPC_E_TOO_LATE = static_cast<HRESULT>(0x80010119u);
inline constexpr HRESULT WBEM_E_INVALID_CLASS = static_cast<HRESULT>(0x80041010u);
inline constexpr HRESULT WBEM_E_INVALID_NAMESPACE = static_cast<HRESULT>(0x8004100Eu);
inline constexpr HRESULT WBEM_E_INVALID_QUERY = static_cast<HRESULT>(0x80041017u);

inline bool Succeeded(HRESULT hr) {
    return hr >= 0;
}

struct WmiValue {
    enum class Kind { Empty, Null, Bool, UInt, String, StringArray };
    Kind kind = Kind::Empty;
    bool boolValue = false;
    uint32_t uintValue = 0;
    std::string text;
    std::vector<std::string> strings;

    static WmiValue Null();
    static WmiValue Bool(bool value);
    static WmiValue UInt(uint32_t value);
    static WmiValue String(std::string value);
    static WmiValue Strings(std::vector<std::string> values);
};

class WmiObject {
public:
    void Set(std::string name, WmiValue value);
    // The property's value; Kind::Empty when the object has no such property.
    const WmiValue& Get(std::string_view name) const;

private:
    std::vector<std::pair<std::string, WmiValue>> properties_;
};

class WmiProvider {
public:
    virtual ~WmiProvider() = default;
    // What CoInitialize / CoInitializeSecurity answer.
    virtual HRESULT InitializeCom() { return S_OK; }
    // Connecting to a namespace ("\\.\root\cimv2", "root\cimv2").
    virtual HRESULT Connect(std::string_view nameSpace);
    // Every object of a class; WBEM_E_INVALID_CLASS for a class it does not know.
    virtual HRESULT Query(std::string_view className, std::vector<WmiObject>* objects) = 0;
};

class WbemServices {
public:
    explicit WbemServices(std::shared_ptr<WmiProvider> provider);
    // Takes "SELECT * FROM <class>" (keywords in any case); the objects come in provider order.
    HRESULT ExecQuery(std::string_view wql, std::vector<WmiObject>* objects);

private:
    std::shared_ptr<WmiProvider> provider_;
};

HRESULT CoInitializeSecurity();
HRESULT CoInitialize();
void CoUninitialize();
HRESULT ConnectServer(std::string_view nameSpace, std::shared_ptr<WbemServices>* services);

std::shared_ptr<WmiProvider> MakeSystemWmi();
// Null restores the system's own.
void SetWmiProvider(std::shared_ptr<WmiProvider> provider);

class ScopedWmiProvider {
public:
    explicit ScopedWmiProvider(std::shared_ptr<WmiProvider> provider);
    ~ScopedWmiProvider();
    ScopedWmiProvider(const ScopedWmiProvider&) = delete;
    ScopedWmiProvider& operator=(const ScopedWmiProvider&) = delete;

private:
    std::shared_ptr<WmiProvider> previous_;
};

// Canned answers for tests.
class FakeWmi : public WmiProvider {
public:
    std::map<std::string, std::vector<WmiObject>> classes;  // by class name
    HRESULT comResult = S_OK;
    HRESULT connectResult = S_OK;
    int queries = 0;

    HRESULT InitializeCom() override { return comResult; }
    HRESULT Connect(std::string_view nameSpace) override;
    HRESULT Query(std::string_view className, std::vector<WmiObject>* objects) override;
};

// The pure translations the system provider uses. Loopback adapters are left out, as the system
// lists no object for its loopback interface.
std::vector<WmiObject> WmiNetworkAdapters(const std::vector<AdapterInfo>& adapters,
                                          const std::vector<PciDeviceRecord>& pci);
std::vector<WmiObject> WmiAdapterConfigurations(
    const std::vector<AdapterInfo>& adapters,
    const std::map<uint32_t, std::vector<std::string>>& dns);

}  // namespace zplat
