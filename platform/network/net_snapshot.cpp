#include "platform/network/net_snapshot.h"

#include <algorithm>
#include <cstring>

#include "platform/network/inet.h"

namespace zplat {

namespace {

const LinkRecord* FindLink(const NetworkSnapshot& snapshot, uint32_t ifIndex) {
    for (const auto& link : snapshot.links) {
        if (link.index == ifIndex) {
            return &link;
        }
    }
    return nullptr;
}

std::vector<const AddressRecord*> AddressesOf(const NetworkSnapshot& snapshot, uint32_t ifIndex) {
    std::vector<const AddressRecord*> result;
    for (const auto& a : snapshot.addresses) {
        if (a.index == ifIndex) {
            result.push_back(&a);
        }
    }
    return result;
}

std::vector<std::string> DnsOf(const NetworkSnapshot& snapshot, const LinkRecord& link) {
    if (link.flags & kLinkLoopback) {
        return {};
    }
    auto it = snapshot.linkResolvers.find(link.index);
    if (it != snapshot.linkResolvers.end() && !it->second.empty()) {
        return it->second;
    }
    return snapshot.resolvers;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// A dotted IPv4 text as the parser takes it, or false (INADDR_NONE counts as not an address).
bool IsIpv4Text(std::string_view word) {
    if (word.empty() || word.size() > 15) {
        return false;
    }
    std::string text(word);
    if (std::count(text.begin(), text.end(), '.') != 3) {
        return false;
    }
    return InetAddr(text.c_str()) != INADDR_NONE_VALUE;
}

bool ParseHex32(std::string_view word, uint32_t* value) {
    if (word.empty() || word.size() > 8) {
        return false;
    }
    uint32_t v = 0;
    for (char c : word) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return false;
        }
        v = v * 16 + static_cast<uint32_t>(digit);
    }
    *value = v;
    return true;
}

bool ParseDecimal32(std::string_view word, uint32_t* value) {
    if (word.empty() || word.size() > 10) {
        return false;
    }
    uint64_t v = 0;
    for (char c : word) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFull) {
        return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

void CopyHardwareAddress(const std::vector<uint8_t>& from, uint32_t* length, uint8_t* to) {
    size_t n = std::min<size_t>(from.size(), MAX_ADAPTER_ADDRESS_LENGTH);
    if (n > 0) {
        std::memcpy(to, from.data(), n);
    }
    *length = static_cast<uint32_t>(n);
}

}  // namespace

uint32_t MibTypeOf(const LinkRecord& link) {
    if (link.arpType == kArpLoopback || (link.flags & kLinkLoopback)) {
        return MIB_IF_TYPE_LOOPBACK;
    }
    if (link.arpType == kArpPpp) {
        return MIB_IF_TYPE_PPP;
    }
    if (link.arpType >= kArpIeee80211 && link.arpType <= kArpIeee80211Radiotap) {
        return IF_TYPE_IEEE80211;
    }
    if (link.arpType == kArpEther) {
        return link.wireless ? IF_TYPE_IEEE80211 : MIB_IF_TYPE_ETHERNET;
    }
    return MIB_IF_TYPE_OTHER;
}

uint32_t MaskOfPrefix(uint8_t prefixLength) {
    if (prefixLength == 0) {
        return 0;
    }
    uint32_t bits = prefixLength >= 32 ? 32 : prefixLength;
    uint32_t host = bits == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> bits);
    return HostToNet32(host);
}

uint32_t AddressContextOf(uint32_t ifIndex, size_t ordinal) {
    // Unique per address like the system's context numbers; readable in a registry dump.
    return (ifIndex << 8) | static_cast<uint32_t>((ordinal + 1) & 0xFF);
}

std::vector<AdapterInfo> AdaptersFromSnapshot(const NetworkSnapshot& snapshot) {
    std::vector<AdapterInfo> adapters;
    for (const auto& link : snapshot.links) {
        AdapterInfo info;
        info.comboIndex = link.index;
        info.adapterName = link.name;
        info.description = link.alias.empty() ? link.name : link.alias;
        CopyHardwareAddress(link.hardwareAddress, &info.addressLength, info.address);
        info.index = link.index;
        info.type = MibTypeOf(link);

        auto addresses = AddressesOf(snapshot, link.index);
        const AddressRecord* dynamic = nullptr;
        for (size_t i = 0; i < addresses.size(); ++i) {
            const AddressRecord& a = *addresses[i];
            info.ipAddressList.push_back({InetNtoa(a.address),
                                          InetNtoa(MaskOfPrefix(a.prefixLength)),
                                          AddressContextOf(link.index, i)});
            if (!(a.flags & kAddrPermanent) && dynamic == nullptr) {
                dynamic = &a;
            }
        }
        if (info.ipAddressList.empty()) {
            info.ipAddressList.push_back({"0.0.0.0", "0.0.0.0", 0});
        }

        for (const auto& route : snapshot.routes) {
            const bool onLink = route.interfaceIndex != 0 ? route.interfaceIndex == link.index
                                                          : route.interfaceName == link.name;
            if (onLink && route.destination == 0 && route.mask == 0 &&
                (route.flags & kRouteGateway) && route.gateway != 0) {
                info.gatewayList.push_back({InetNtoa(route.gateway), "255.255.255.255", 0});
            }
        }

        // An address the kernel does not hold as permanent was handed out by a DHCP client; its
        // lifetimes are those of the lease.
        if (dynamic != nullptr) {
            info.dhcpEnabled = true;
            auto lease = snapshot.leases.find(link.index);
            if (lease != snapshot.leases.end() && lease->second.serverAddress != 0) {
                info.dhcpServer.ipAddress = InetNtoa(lease->second.serverAddress);
                info.dhcpServer.ipMask = "255.255.255.255";
            }
            if (snapshot.bootTime > 0) {
                info.leaseObtained =
                    static_cast<uint32_t>(snapshot.bootTime + dynamic->createdCs / 100);
            }
            if (dynamic->validLifetime != kLifetimeInfinite && snapshot.now > 0) {
                info.leaseExpires = static_cast<uint32_t>(snapshot.now + dynamic->validLifetime);
            }
        }
        adapters.push_back(std::move(info));
    }
    return adapters;
}

bool PerAdapterFromSnapshot(const NetworkSnapshot& snapshot, uint32_t ifIndex,
                            PerAdapterInfo* info) {
    const LinkRecord* link = FindLink(snapshot, ifIndex);
    if (link == nullptr) {
        return false;
    }
    *info = PerAdapterInfo{};
    info->dnsServerList = DnsOf(snapshot, *link);
    return true;
}

bool IfRowFromSnapshot(const NetworkSnapshot& snapshot, uint32_t ifIndex, IfRow* row) {
    const LinkRecord* link = FindLink(snapshot, ifIndex);
    if (link == nullptr) {
        return false;
    }
    IfRow r;
    r.name = link->name;
    r.index = link->index;
    r.type = MibTypeOf(*link);
    r.mtu = link->mtu;
    r.speed = link->speedMbps > 4294 ? 0xFFFFFFFFu : link->speedMbps * 1000000u;
    CopyHardwareAddress(link->hardwareAddress, &r.physAddrLen, r.physAddr);
    r.description = link->alias.empty() ? link->name : link->alias;
    if (!(link->flags & kLinkUp)) {
        r.adminStatus = MIB_IF_ADMIN_STATUS_DOWN;
        r.operStatus = IF_OPER_STATUS_NON_OPERATIONAL;
    } else {
        r.adminStatus = MIB_IF_ADMIN_STATUS_UP;
        switch (link->operState) {
            case kOperUp:
                r.operStatus = IF_OPER_STATUS_OPERATIONAL;
                break;
            case kOperUnknown:
                // Drivers without carrier reporting (loopback, some virtual links) say unknown;
                // the running flag tells whether the lower layer is up.
                r.operStatus = (link->flags & kLinkRunning) ? IF_OPER_STATUS_OPERATIONAL
                                                            : IF_OPER_STATUS_DISCONNECTED;
                break;
            case kOperDormant:
            case kOperTesting:
                r.operStatus = IF_OPER_STATUS_CONNECTING;
                break;
            default:
                r.operStatus = IF_OPER_STATUS_DISCONNECTED;
                break;
        }
    }
    *row = std::move(r);
    return true;
}

std::vector<uint32_t> AddressListFromSnapshot(const NetworkSnapshot& snapshot) {
    std::vector<uint32_t> list;
    for (const auto& a : snapshot.addresses) {
        const LinkRecord* link = FindLink(snapshot, a.index);
        if (link == nullptr || !(link->flags & kLinkUp) || (link->flags & kLinkLoopback) ||
            link->arpType == kArpLoopback) {
            continue;
        }
        list.push_back(a.address);
    }
    return list;
}

std::vector<RouteRecord> ParseProcNetRoute(std::string_view text) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
    std::vector<RouteRecord> routes;
    bool header = true;
    for (std::string_view line : Lines(text)) {
        if (header) {
            header = false;
            continue;
        }
        auto w = Words(line);
        if (w.size() < 8) {
            continue;
        }
        RouteRecord r;
        uint32_t destination, gateway, flags, metric, mask;
        if (!ParseHex32(w[1], &destination) || !ParseHex32(w[2], &gateway) ||
            !ParseHex32(w[3], &flags) || !ParseDecimal32(w[6], &metric) ||
            !ParseHex32(w[7], &mask)) {
            continue;
        }
        r.interfaceName = std::string(w[0]);
        // The file prints each address as the host-order reading of its network-order bytes, so
        // the parsed number is the network-order value as it sits in memory.
        r.destination = destination;
        r.gateway = gateway;
        r.flags = flags;
        r.metric = metric;
        r.mask = mask;
        routes.push_back(std::move(r));
    }
    return routes;
}

std::vector<std::string> ParseResolvConf(std::string_view text) {
    std::vector<std::string> servers;
    for (std::string_view line : Lines(text)) {
        auto w = Words(line);
        if (w.size() >= 2 && w[0] == "nameserver" && IsIpv4Text(w[1])) {
            servers.emplace_back(w[1]);
        }
    }
    return servers;
}

std::vector<std::string> ParseLinkStateDns(std::string_view text) {
    std::vector<std::string> servers;
    for (std::string_view line : Lines(text)) {
        if (line.substr(0, 4) != "DNS=") {
            continue;
        }
        for (std::string_view w : Words(line.substr(4))) {
            if (IsIpv4Text(w)) {
                servers.emplace_back(w);
            }
        }
    }
    return servers;
}

LeaseRecord ParseLeaseFile(std::string_view text) {
    LeaseRecord lease;
    for (std::string_view line : Lines(text)) {
        constexpr std::string_view kKey = "SERVER_ADDRESS=";
        if (line.substr(0, kKey.size()) == kKey) {
            std::string_view value = line.substr(kKey.size());
            while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) {
                value.remove_suffix(1);
            }
            if (IsIpv4Text(value)) {
                lease.serverAddress = InetAddr(std::string(value).c_str());
            }
        }
    }
    return lease;
}

}  // namespace zplat
