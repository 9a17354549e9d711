#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/network/net_snapshot.h"
#include "platform/network/netlink_walk.h"

namespace zplat {

namespace {

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::string();
    }
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Sends one dump request and hands every answer message to visit. False on any socket failure or
// an error answer.
bool NetlinkDump(int fd, uint16_t type, uint32_t seq,
                 const std::function<void(const nlmsghdr*)>& visit) {
    struct {
        nlmsghdr header;
        union {
            ifinfomsg link;
            rtmsg route;
        } body;
    } request{};
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = seq;
    if (type == RTM_GETROUTE) {
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
        request.body.route.rtm_family = AF_INET;
    } else {
        // Links and addresses: the link body, whose first byte is the family in both.
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
        request.body.link.ifi_family = (type == RTM_GETADDR) ? AF_INET : AF_UNSPEC;
    }

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0) {
        return false;
    }
    // Dump messages are aligned netlink records; the buffer is a multiple of that alignment.
    alignas(nlmsghdr) static thread_local char buffer[32768];
    for (;;) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        bool done = false, failed = false;
        ForEachNetlinkMessage(buffer, static_cast<size_t>(n), [&](const nlmsghdr* h) {
            if (h->nlmsg_seq != seq) {
                return true;
            }
            if (h->nlmsg_type == NLMSG_DONE) {
                done = true;
                return false;
            }
            if (h->nlmsg_type == NLMSG_ERROR) {
                failed = true;
                return false;
            }
            visit(h);
            return true;
        });
        if (done || failed) {
            return done;
        }
    }
}

void TakeLink(const nlmsghdr* h, std::vector<LinkRecord>* links) {
    if (h->nlmsg_type != RTM_NEWLINK || h->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) {
        return;
    }
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(h));
    LinkRecord link;
    link.index = static_cast<uint32_t>(info->ifi_index);
    link.arpType = info->ifi_type;
    link.flags = info->ifi_flags;
    size_t left = h->nlmsg_len - NLMSG_LENGTH(sizeof(ifinfomsg));
    ForEachRtAttribute(IFLA_RTA(info), left,
                       [&](unsigned short type, const char* data, size_t size) {
                           switch (type) {
                               case IFLA_IFNAME:
                                   link.name.assign(data, strnlen(data, size));
                                   break;
                               case IFLA_IFALIAS:
                                   link.alias.assign(data, strnlen(data, size));
                                   break;
                               case IFLA_ADDRESS:
                                   link.hardwareAddress.assign(data, data + size);
                                   break;
                               case IFLA_MTU:
                                   if (size >= sizeof(uint32_t)) {
                                       std::memcpy(&link.mtu, data, sizeof(uint32_t));
                                   }
                                   break;
                               case IFLA_OPERSTATE:
                                   if (size >= 1) {
                                       link.operState = static_cast<uint8_t>(data[0]);
                                   }
                                   break;
                               default:
                                   break;
                           }
                       });
    links->push_back(std::move(link));
}

void TakeAddress(const nlmsghdr* h, std::vector<AddressRecord>* addresses) {
    if (h->nlmsg_type != RTM_NEWADDR || h->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg))) {
        return;
    }
    const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(h));
    if (info->ifa_family != AF_INET) {
        return;
    }
    AddressRecord record;
    record.index = info->ifa_index;
    record.prefixLength = info->ifa_prefixlen;
    record.flags = info->ifa_flags;
    bool haveLocal = false, haveAddress = false;
    uint32_t local = 0, address = 0;
    size_t left = h->nlmsg_len - NLMSG_LENGTH(sizeof(ifaddrmsg));
    ForEachRtAttribute(IFA_RTA(info), left,
                       [&](unsigned short type, const char* data, size_t size) {
                           switch (type) {
                               case IFA_LOCAL:
                                   if (size >= 4) {
                                       std::memcpy(&local, data, 4);
                                       haveLocal = true;
                                   }
                                   break;
                               case IFA_ADDRESS:
                                   if (size >= 4) {
                                       std::memcpy(&address, data, 4);
                                       haveAddress = true;
                                   }
                                   break;
                               case IFA_FLAGS:
                                   if (size >= 4) {
                                       std::memcpy(&record.flags, data, 4);
                                   }
                                   break;
                               case IFA_CACHEINFO:
                                   if (size >= sizeof(ifa_cacheinfo)) {
                                       ifa_cacheinfo ci;
                                       std::memcpy(&ci, data, sizeof ci);
                                       record.validLifetime = ci.ifa_valid;
                                       record.createdCs = ci.cstamp;
                                   }
                                   break;
                               default:
                                   break;
                           }
                       });
    // On point-to-point links IFA_ADDRESS is the peer; IFA_LOCAL is always our own address.
    if (!haveLocal && !haveAddress) {
        return;
    }
    record.address = haveLocal ? local : address;
    addresses->push_back(record);
}

uint32_t Read32(const char* data) {
    uint32_t value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

void TakeRoute(const nlmsghdr* h, std::vector<RouteRecord>* routes) {
    if (h->nlmsg_type != RTM_NEWROUTE || h->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg))) {
        return;
    }
    rtmsg rt;
    std::memcpy(&rt, NLMSG_DATA(h), sizeof rt);
    // Cached clones are not routes of the table; local and broadcast entries live elsewhere.
    if (rt.rtm_family != AF_INET || rt.rtm_type != RTN_UNICAST || (rt.rtm_flags & RTM_F_CLONED) ||
        rt.rtm_dst_len > 32) {
        return;
    }
    uint32_t table = rt.rtm_table;
    RouteRecord base;
    base.mask = MaskOfPrefix(rt.rtm_dst_len);
    base.flags = kRouteUp;
    uint32_t oif = 0, gateway = 0;
    const char* multipath = nullptr;
    size_t multipathSize = 0;
    const char* attributes = static_cast<const char*>(NLMSG_DATA(h)) + NLMSG_ALIGN(sizeof(rtmsg));
    ForEachRtAttribute(attributes, h->nlmsg_len - NLMSG_LENGTH(sizeof(rtmsg)),
                       [&](unsigned short type, const char* data, size_t size) {
                           if (type == RTA_MULTIPATH) {
                               multipath = data;
                               multipathSize = size;
                               return;
                           }
                           if (size < 4) {
                               return;
                           }
                           switch (type) {
                               case RTA_TABLE:  // table ids above 255 are only here
                                   table = Read32(data);
                                   break;
                               case RTA_DST:
                                   base.destination = Read32(data);
                                   break;
                               case RTA_OIF:
                                   oif = Read32(data);
                                   break;
                               case RTA_GATEWAY:
                                   gateway = Read32(data);
                                   break;
                               case RTA_PRIORITY:
                                   base.metric = Read32(data);
                                   break;
                               default:
                                   break;
                           }
                       });
    if (table != RT_TABLE_MAIN) {
        return;
    }
    auto add = [&](uint32_t index, uint32_t via) {
        RouteRecord r = base;
        r.interfaceIndex = index;
        if (via != 0) {
            r.gateway = via;
            r.flags |= kRouteGateway;
        }
        routes->push_back(std::move(r));
    };
    if (multipath == nullptr) {
        add(oif, gateway);
        return;
    }
    ForEachNextHop(multipath, multipathSize,
                   [&](const rtnexthop& hop, const char* hopAttributes, size_t hopSize) {
                       uint32_t via = 0;
                       ForEachRtAttribute(hopAttributes, hopSize,
                                          [&](unsigned short type, const char* data, size_t size) {
                                              if (type == RTA_GATEWAY && size >= 4) {
                                                  via = Read32(data);
                                              }
                                          });
                       add(static_cast<uint32_t>(hop.rtnh_ifindex), via);
                   });
}

void ReadLinkExtras(LinkRecord* link) {
    const std::string base = "/sys/class/net/" + link->name;
    link->wireless = PathExists(base + "/wireless") || PathExists(base + "/phy80211");
    std::string speed = ReadTextFile(base + "/speed");
    long value = std::strtol(speed.c_str(), nullptr, 10);
    link->speedMbps = value > 0 ? static_cast<uint32_t>(value) : 0;
}

std::vector<std::string> ReadResolvers() {
    std::vector<std::string> servers = ParseResolvConf(ReadTextFile("/etc/resolv.conf"));
    // With the local resolver stub in front, the upstream servers are in resolved's own copy.
    if (servers.size() == 1 && servers[0] == "127.0.0.53") {
        auto upstream = ParseResolvConf(ReadTextFile("/run/systemd/resolve/resolv.conf"));
        if (!upstream.empty()) {
            servers = upstream;
        }
    }
    return servers;
}

}  // namespace

std::vector<RouteRecord> ParseRouteMessages(const void* bytes, size_t size) {
    std::vector<RouteRecord> routes;
    ForEachNetlinkMessage(static_cast<const char*>(bytes), size, [&](const nlmsghdr* h) {
        TakeRoute(h, &routes);
        return true;
    });
    return routes;
}

bool ReadNetworkSnapshot(NetworkSnapshot* snapshot) {
    *snapshot = NetworkSnapshot{};
    int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        return false;
    }
    bool ok = NetlinkDump(fd, RTM_GETLINK, 1,
                          [&](const nlmsghdr* h) { TakeLink(h, &snapshot->links); }) &&
              NetlinkDump(fd, RTM_GETADDR, 2,
                          [&](const nlmsghdr* h) { TakeAddress(h, &snapshot->addresses); });
    // Every next hop of a multipath route is only in the route dump; the routing table file shows
    // the first one alone.
    bool routed = ok && NetlinkDump(fd, RTM_GETROUTE, 3,
                                    [&](const nlmsghdr* h) { TakeRoute(h, &snapshot->routes); });
    ::close(fd);
    if (!ok) {
        *snapshot = NetworkSnapshot{};
        return false;
    }
    for (auto& link : snapshot->links) {
        ReadLinkExtras(&link);
        const std::string state = "/run/systemd/netif/links/" + std::to_string(link.index);
        auto dns = ParseLinkStateDns(ReadTextFile(state));
        if (!dns.empty()) {
            snapshot->linkResolvers[link.index] = std::move(dns);
        }
        const std::string leaseFile = "/run/systemd/netif/leases/" + std::to_string(link.index);
        if (PathExists(leaseFile)) {
            snapshot->leases[link.index] = ParseLeaseFile(ReadTextFile(leaseFile));
        }
    }
    if (!routed) {
        // thread-self: the routing table of the calling thread's namespace, not the main thread's.
        snapshot->routes = ParseProcNetRoute(ReadTextFile("/proc/thread-self/net/route"));
    }
    for (auto& route : snapshot->routes) {
        for (const auto& link : snapshot->links) {
            if (route.interfaceIndex != 0 ? route.interfaceIndex == link.index
                                          : route.interfaceName == link.name) {
                route.interfaceIndex = link.index;
                route.interfaceName = link.name;
                break;
            }
        }
    }
    snapshot->resolvers = ReadResolvers();
    snapshot->now = static_cast<int64_t>(std::time(nullptr));
    struct sysinfo si;
    if (::sysinfo(&si) == 0) {
        snapshot->bootTime = snapshot->now - si.uptime;
    }
    return true;
}

}  // namespace zplat
