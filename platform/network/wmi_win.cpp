// The system's WMI through COM: IWbemLocator connects to the namespace, IWbemServices::ExecQuery
// runs the query, and every property of each object found is copied into a WmiObject (strings,
// string arrays, booleans and unsigned numbers; other kinds count as null).

#include <string>
#include <vector>

#include "platform/network/wmi.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

#include <oleauto.h>
#include <wbemidl.h>

namespace zplat {

namespace {

std::wstring Wide(std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    int n =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Narrow(const wchar_t* text) {
    if (text == nullptr || *text == 0) {
        return std::string();
    }
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.empty() ? 0 : out.size() - 1);
    return out;
}

WmiValue FromVariant(const VARIANT& v) {
    switch (v.vt) {
        case VT_BSTR:
            return WmiValue::String(Narrow(v.bstrVal));
        case VT_BOOL:
            return WmiValue::Bool(v.boolVal != VARIANT_FALSE);
        case VT_UI1:
            return WmiValue::UInt(v.bVal);
        case VT_I2:
            return WmiValue::UInt(static_cast<uint32_t>(v.iVal));
        case VT_UI2:
            return WmiValue::UInt(v.uiVal);
        case VT_I4:
            return WmiValue::UInt(static_cast<uint32_t>(v.lVal));
        case VT_UI4:
            return WmiValue::UInt(v.ulVal);
        case VT_ARRAY | VT_BSTR: {
            std::vector<std::string> strings;
            LONG low = 0, high = -1;
            if (::SafeArrayGetLBound(v.parray, 1, &low) == S_OK &&
                ::SafeArrayGetUBound(v.parray, 1, &high) == S_OK) {
                for (LONG i = low; i <= high; ++i) {
                    BSTR item = nullptr;
                    if (::SafeArrayGetElement(v.parray, &i, &item) == S_OK) {
                        strings.push_back(Narrow(item));
                        ::SysFreeString(item);
                    }
                }
            }
            return WmiValue::Strings(std::move(strings));
        }
        default:
            return WmiValue::Null();
    }
}

template <typename T>
void Release(T*& p) {
    if (p != nullptr) {
        p->Release();
        p = nullptr;
    }
}

class ComWmi : public WmiProvider {
public:
    ~ComWmi() override { Release(services_); }

    HRESULT InitializeCom() override {
        HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) {
            return hr;
        }
        hr = ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        // Someone in the process set security up already: that serves as well.
        return hr == RPC_E_TOO_LATE ? S_OK : hr;
    }

    HRESULT Connect(std::string_view nameSpace) override {
        Release(services_);
        IWbemLocator* locator = nullptr;
        HRESULT hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWbemLocator, reinterpret_cast<void**>(&locator));
        if (FAILED(hr)) {
            return hr;
        }
        BSTR name = ::SysAllocString(Wide(nameSpace).c_str());
        hr = locator->ConnectServer(name, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                    &services_);
        ::SysFreeString(name);
        Release(locator);
        if (FAILED(hr)) {
            return hr;
        }
        ::CoSetProxyBlanket(services_, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                            RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                            EOAC_NONE);
        return S_OK;
    }

    HRESULT Query(std::string_view className, std::vector<WmiObject>* objects) override {
        objects->clear();
        if (services_ == nullptr) {
            HRESULT hr = Connect("root\\cimv2");
            if (FAILED(hr)) {
                return hr;
            }
        }
        BSTR language = ::SysAllocString(L"WQL");
        BSTR query = ::SysAllocString(Wide("SELECT * FROM " + std::string(className)).c_str());
        IEnumWbemClassObject* found = nullptr;
        HRESULT hr = services_->ExecQuery(language, query,
                                          WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                          nullptr, &found);
        ::SysFreeString(language);
        ::SysFreeString(query);
        if (FAILED(hr)) {
            return hr;
        }
        for (;;) {
            IWbemClassObject* object = nullptr;
            ULONG returned = 0;
            hr = found->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned);
            if (FAILED(hr)) {
                Release(found);
                return hr;
            }
            if (returned == 0) {
                break;
            }
            objects->push_back(Copy(object));
            Release(object);
        }
        Release(found);
        return S_OK;
    }

private:
    static WmiObject Copy(IWbemClassObject* object) {
        WmiObject out;
        SAFEARRAY* names = nullptr;
        if (FAILED(object->GetNames(nullptr, WBEM_FLAG_NONSYSTEM_ONLY, nullptr, &names))) {
            return out;
        }
        LONG low = 0, high = -1;
        ::SafeArrayGetLBound(names, 1, &low);
        ::SafeArrayGetUBound(names, 1, &high);
        for (LONG i = low; i <= high; ++i) {
            BSTR name = nullptr;
            if (::SafeArrayGetElement(names, &i, &name) != S_OK) {
                continue;
            }
            VARIANT value;
            ::VariantInit(&value);
            if (SUCCEEDED(object->Get(name, 0, &value, nullptr, nullptr))) {
                out.Set(Narrow(name), value.vt == VT_NULL ? WmiValue::Null() : FromVariant(value));
            }
            ::VariantClear(&value);
            ::SysFreeString(name);
        }
        ::SafeArrayDestroy(names);
        return out;
    }

    IWbemServices* services_ = nullptr;
};

}  // namespace

std::shared_ptr<WmiProvider> MakeSystemWmi() {
    return std::make_shared<ComWmi>();
}

}  // namespace zplat
