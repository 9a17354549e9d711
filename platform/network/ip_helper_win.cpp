// The system's IP Helper behind the adapter records: GetAdaptersInfo, GetPerAdapterInfo,
// GetIfEntry, AddIPAddress and DeleteIPAddress, their results copied into the plain records, the
// route to a destination (best_route_win.cpp) and the routing table's destinations.

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/network/best_route.h"
#include "platform/network/ip_helper.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

std::vector<IpAddrString> Chain(const IP_ADDR_STRING* first) {
    std::vector<IpAddrString> out;
    for (const IP_ADDR_STRING* p = first; p != nullptr; p = p->Next) {
        IpAddrString entry;
        entry.ipAddress = p->IpAddress.String;
        entry.ipMask = p->IpMask.String;
        entry.context = p->Context;
        out.push_back(std::move(entry));
    }
    return out;
}

IpAddrString One(const IP_ADDR_STRING& a) {
    IpAddrString entry;
    entry.ipAddress = a.IpAddress.String;
    entry.ipMask = a.IpMask.String;
    entry.context = a.Context;
    return entry;
}

// The call's buffer protocol: ask, grow to the size it names, ask again (the list may grow in
// between, hence the loop).
template <typename Call>
DWORD WithBuffer(std::vector<unsigned char>* buffer, Call call) {
    ULONG size = static_cast<ULONG>(buffer->size());
    for (int tries = 0; tries < 4; ++tries) {
        DWORD rc = call(buffer->empty() ? nullptr : buffer->data(), &size);
        if (rc != ERROR_BUFFER_OVERFLOW) {
            return rc;
        }
        buffer->assign(size, 0);
    }
    return ERROR_BUFFER_OVERFLOW;
}

class WindowsIpHelper : public IpHelper {
public:
    uint32_t GetAdaptersInfo(std::vector<AdapterInfo>* adapters) override {
        std::vector<unsigned char> buffer(16 * 1024);
        DWORD rc = WithBuffer(&buffer, [](unsigned char* data, ULONG* size) {
            return ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(data), size);
        });
        adapters->clear();
        if (rc != NO_ERROR) {
            return rc;
        }
        for (auto* p = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); p != nullptr;
             p = p->Next) {
            AdapterInfo a;
            a.comboIndex = p->ComboIndex;
            a.adapterName = p->AdapterName;
            a.description = p->Description;
            a.addressLength = std::min<uint32_t>(p->AddressLength, MAX_ADAPTER_ADDRESS_LENGTH);
            std::memcpy(a.address, p->Address, a.addressLength);
            a.index = p->Index;
            a.type = p->Type;
            a.dhcpEnabled = p->DhcpEnabled != 0;
            a.ipAddressList = Chain(&p->IpAddressList);
            a.gatewayList = Chain(&p->GatewayList);
            // The system lists an absent gateway as 0.0.0.0; the records leave the list empty.
            if (a.gatewayList.size() == 1 && a.gatewayList[0].ipAddress == "0.0.0.0") {
                a.gatewayList.clear();
            }
            a.dhcpServer = One(p->DhcpServer);
            a.haveWins = p->HaveWins != 0;
            a.primaryWinsServer = One(p->PrimaryWinsServer);
            a.secondaryWinsServer = One(p->SecondaryWinsServer);
            a.leaseObtained = static_cast<uint32_t>(p->LeaseObtained);
            a.leaseExpires = static_cast<uint32_t>(p->LeaseExpires);
            adapters->push_back(std::move(a));
        }
        return adapters->empty() ? ERROR_NO_DATA : NO_ERROR;
    }

    uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) override {
        std::vector<unsigned char> buffer(4096);
        DWORD rc = WithBuffer(&buffer, [ifIndex](unsigned char* data, ULONG* size) {
            return ::GetPerAdapterInfo(ifIndex, reinterpret_cast<IP_PER_ADAPTER_INFO*>(data), size);
        });
        if (rc != NO_ERROR) {
            return rc;
        }
        const auto* p = reinterpret_cast<const IP_PER_ADAPTER_INFO*>(buffer.data());
        *info = PerAdapterInfo{};
        info->autoconfigEnabled = p->AutoconfigEnabled != 0;
        info->autoconfigActive = p->AutoconfigActive != 0;
        for (const auto& dns : Chain(&p->DnsServerList)) {
            if (!dns.ipAddress.empty()) {
                info->dnsServerList.push_back(dns.ipAddress);
            }
        }
        return NO_ERROR;
    }

    uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row) override {
        MIB_IFROW native{};
        native.dwIndex = ifIndex;
        DWORD rc = ::GetIfEntry(&native);
        if (rc != NO_ERROR) {
            return rc;
        }
        *row = IfRow{};
        for (const WCHAR* c = native.wszName; *c != 0; ++c) {
            row->name.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
        }
        row->index = native.dwIndex;
        row->type = native.dwType;
        row->mtu = native.dwMtu;
        row->speed = native.dwSpeed;
        row->physAddrLen = std::min<uint32_t>(native.dwPhysAddrLen, MAX_ADAPTER_ADDRESS_LENGTH);
        std::memcpy(row->physAddr, native.bPhysAddr, row->physAddrLen);
        row->adminStatus = native.dwAdminStatus;
        row->operStatus = native.dwOperStatus;
        row->description.assign(reinterpret_cast<const char*>(native.bDescr),
                                strnlen(reinterpret_cast<const char*>(native.bDescr),
                                        std::min<DWORD>(native.dwDescrLen, MAXLEN_IFDESCR)));
        return NO_ERROR;
    }

    uint32_t AddIPAddress(uint32_t address, uint32_t mask, uint32_t ifIndex, uint32_t* context,
                          uint32_t* instance) override {
        ULONG nteContext = 0, nteInstance = 0;
        DWORD rc = ::AddIPAddress(address, mask, ifIndex, &nteContext, &nteInstance);
        if (rc == NO_ERROR) {
            *context = nteContext;
            *instance = nteInstance;
        }
        return rc;
    }

    uint32_t DeleteIPAddress(uint32_t context) override { return ::DeleteIPAddress(context); }

    uint32_t GetBestRoute(uint32_t destination, BestRoute* route) override {
        return ReadSystemRoute(destination, route);
    }

    uint32_t GetIpForwardTable(std::vector<ForwardRow>* rows) override {
        std::vector<unsigned char> buffer(16 * 1024);
        DWORD rc = WithBuffer(&buffer, [](unsigned char* data, ULONG* size) {
            const DWORD code =
                ::GetIpForwardTable(reinterpret_cast<MIB_IPFORWARDTABLE*>(data), size, FALSE);
            return code == ERROR_INSUFFICIENT_BUFFER ? DWORD{ERROR_BUFFER_OVERFLOW} : code;
        });
        if (rc != NO_ERROR) {
            return rc;
        }
        const auto* table = reinterpret_cast<const MIB_IPFORWARDTABLE*>(buffer.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            rows->push_back({table->table[i].dwForwardDest, table->table[i].dwForwardMask});
        }
        return NO_ERROR;
    }
};

}  // namespace

std::shared_ptr<IpHelper> MakeSystemIpHelper() {
    return std::make_shared<WindowsIpHelper>();
}

}  // namespace zplat
