#pragma once
// The IP Helper services the adapter inventory is written against: the adapter list (records
// shaped like IP_ADAPTER_INFO), per-adapter DNS servers, interface entries, adding or removing
// an address, and the route to a destination. The calls go to the process's current backend: the
// POSIX one (netlink, /proc/net/route, resolver files) unless a test installs another, such as
// FakeIpHelper. Within a NetSnapshotScope (platform/network/net_snapshot_scope.h) the calls on that
// thread answer as they first did in the scope, so many adapters cost one reading of the system.
//
//   std::vector<zplat::AdapterInfo> adapters;
//   if (zplat::GetAdaptersInfo(&adapters) == zplat::NO_ERROR) {
//       for (const auto& a : adapters) { ... a.adapterName, a.ipAddressList[0].ipAddress ... }
//   }
//
//   auto fake = std::make_shared<zplat::FakeIpHelper>();     // in a test
//   zplat::ScopedIpHelper use(fake);                         // restored when it goes out of scope
//
// Ownership: records are plain values copied out to the caller. The backend is shared; installing
// one replaces the previous for every later call. Install backends from one thread while no other
// thread uses the calls (tests do it in their set-up).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/network/best_route.h"
#include "platform/win_error.h"

namespace zplat {

// MIB interface types (ipifcons.h).
inline constexpr uint32_t MIB_IF_TYPE_OTHER = 1;
inline constexpr uint32_t MIB_IF_TYPE_ETHERNET = 6;
inline constexpr uint32_t MIB_IF_TYPE_PPP = 23;
inline constexpr uint32_t MIB_IF_TYPE_LOOPBACK = 24;
inline constexpr uint32_t IF_TYPE_IEEE80211 = 71;

// Interface entry states (ipifcons.h).
inline constexpr uint32_t MIB_IF_ADMIN_STATUS_UP = 1;
inline constexpr uint32_t MIB_IF_ADMIN_STATUS_DOWN = 2;
inline constexpr uint32_t IF_OPER_STATUS_NON_OPERATIONAL = 0;
inline constexpr uint32_t IF_OPER_STATUS_UNREACHABLE = 1;
inline constexpr uint32_t IF_OPER_STATUS_DISCONNECTED = 2;
inline constexpr uint32_t IF_OPER_STATUS_CONNECTING = 3;
inline constexpr uint32_t IF_OPER_STATUS_CONNECTED = 4;
inline constexpr uint32_t IF_OPER_STATUS_OPERATIONAL = 5;

inline constexpr uint32_t MAX_ADAPTER_ADDRESS_LENGTH = 8;

// One element of an address chain: dotted address and mask texts and the address's context.
struct IpAddrString {
    std::string ipAddress;
    std::string ipMask;
    uint32_t context = 0;
};

// One adapter, field for field what IP_ADAPTER_INFO carries. ipAddressList always holds at least
// one entry: an adapter without an IPv4 address reports 0.0.0.0 with mask 0.0.0.0, as the system
// call does for a disconnected adapter. gatewayList is empty when there is no gateway.
struct AdapterInfo {
    uint32_t comboIndex = 0;
    std::string adapterName;  // the interface name ("eth0")
    std::string description;
    uint32_t addressLength = 0;
    uint8_t address[MAX_ADAPTER_ADDRESS_LENGTH] = {};
    uint32_t index = 0;  // interface index
    uint32_t type = MIB_IF_TYPE_OTHER;
    bool dhcpEnabled = false;
    std::vector<IpAddrString> ipAddressList;
    std::vector<IpAddrString> gatewayList;
    IpAddrString dhcpServer;
    bool haveWins = false;
    IpAddrString primaryWinsServer;
    IpAddrString secondaryWinsServer;
    uint32_t leaseObtained = 0;  // seconds since 1970, 0 when unknown
    uint32_t leaseExpires = 0;
};

// What GetPerAdapterInfo gives: the adapter's DNS servers in order.
struct PerAdapterInfo {
    bool autoconfigEnabled = false;
    bool autoconfigActive = false;
    std::vector<std::string> dnsServerList;
};

// One interface entry (MIB_IFROW).
struct IfRow {
    std::string name;
    uint32_t index = 0;
    uint32_t type = MIB_IF_TYPE_OTHER;
    uint32_t mtu = 0;
    uint32_t speed = 0;
    uint32_t physAddrLen = 0;
    uint8_t physAddr[MAX_ADAPTER_ADDRESS_LENGTH] = {};
    uint32_t adminStatus = MIB_IF_ADMIN_STATUS_DOWN;
    uint32_t operStatus = IF_OPER_STATUS_NON_OPERATIONAL;
    std::string description;
};

// A source of the records above. Each call returns NO_ERROR or a system error number.
class IpHelper {
public:
    virtual ~IpHelper() = default;
    // ERROR_NO_DATA when there is no adapter at all.
    virtual uint32_t GetAdaptersInfo(std::vector<AdapterInfo>* adapters) = 0;
    virtual uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) = 0;
    virtual uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row) = 0;
    // Adds an address to an interface; context and instance identify it for DeleteIPAddress.
    virtual uint32_t AddIPAddress(uint32_t address, uint32_t mask, uint32_t ifIndex,
                                  uint32_t* context, uint32_t* instance) = 0;
    virtual uint32_t DeleteIPAddress(uint32_t context) = 0;
    // The route the system would take to destination (platform/network/best_route.h for the codes).
    virtual uint32_t GetBestRoute(uint32_t destination, BestRoute* route) = 0;
    // The routes' destinations (platform/network/best_route.h).
    virtual uint32_t GetIpForwardTable(std::vector<ForwardRow>* rows) = 0;
};

// The calls the program makes; each forwards to the current backend.
uint32_t GetAdaptersInfo(std::vector<AdapterInfo>* adapters);
uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info);
uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row);
uint32_t AddIPAddress(uint32_t address, uint32_t mask, uint32_t ifIndex, uint32_t* context,
                      uint32_t* instance);
uint32_t DeleteIPAddress(uint32_t context);

// The backend that the calls above use; null restores the system's own.
std::shared_ptr<IpHelper> CurrentIpHelper();
void SetIpHelper(std::shared_ptr<IpHelper> helper);
// The system's own backend (a new instance).
std::shared_ptr<IpHelper> MakeSystemIpHelper();

// Installs a backend for the life of the object and puts the previous one back afterwards.
class ScopedIpHelper {
public:
    explicit ScopedIpHelper(std::shared_ptr<IpHelper> helper);
    ~ScopedIpHelper();
    ScopedIpHelper(const ScopedIpHelper&) = delete;
    ScopedIpHelper& operator=(const ScopedIpHelper&) = delete;

private:
    std::shared_ptr<IpHelper> previous_;
};

}  // namespace zplat
