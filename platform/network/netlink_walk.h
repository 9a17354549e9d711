#pragma once
// Bounds-checked walks over netlink messages and their attributes, for the POSIX readers. Every
// length is checked against what is left before it is used; a record that does not fit ends the
// walk.
//
//   ForEachNetlinkMessage(buffer, received, [&](const nlmsghdr* h) { ... });
//   ForEachRtAttribute(IFLA_RTA(info), payload, [&](unsigned short type, const char* data,
//                                                    size_t size) { ... });
//   ForEachNextHop(data, size, [&](const rtnexthop& hop, const char* attributes,
//                                  size_t attributesSize) { ... });   // an RTA_MULTIPATH value

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <cstddef>
#include <cstring>

namespace zplat {

template <class Visit>
void ForEachNetlinkMessage(const char* bytes, size_t size, Visit visit) {
    size_t offset = 0;
    while (size - offset >= sizeof(nlmsghdr)) {
        const auto* h = reinterpret_cast<const nlmsghdr*>(bytes + offset);
        if (h->nlmsg_len < sizeof(nlmsghdr) || h->nlmsg_len > size - offset) {
            return;
        }
        if (!visit(h)) {
            return;
        }
        size_t step = NLMSG_ALIGN(h->nlmsg_len);
        if (step > size - offset) {
            return;
        }
        offset += step;
    }
}

// The attributes that follow a message body: start points at the first one, size is what the
// message has left after its body.
template <class Visit>
void ForEachRtAttribute(const void* start, size_t size, Visit visit) {
    const char* bytes = static_cast<const char*>(start);
    size_t offset = 0;
    while (size - offset >= sizeof(rtattr)) {
        const auto* a = reinterpret_cast<const rtattr*>(bytes + offset);
        if (a->rta_len < sizeof(rtattr) || a->rta_len > size - offset) {
            return;
        }
        visit(a->rta_type, bytes + offset + RTA_LENGTH(0), a->rta_len - RTA_LENGTH(0));
        size_t step = RTA_ALIGN(a->rta_len);
        if (step > size - offset) {
            return;
        }
        offset += step;
    }
}

// The next hops of an RTA_MULTIPATH value: each rtnexthop (copied out, the value need not be
// aligned for it) and the attributes that follow it inside its own length.
template <class Visit>
void ForEachNextHop(const void* start, size_t size, Visit visit) {
    const char* bytes = static_cast<const char*>(start);
    size_t offset = 0;
    while (size - offset >= sizeof(rtnexthop)) {
        rtnexthop hop;
        std::memcpy(&hop, bytes + offset, sizeof hop);
        if (hop.rtnh_len < RTNH_LENGTH(0) || hop.rtnh_len > size - offset) {
            return;
        }
        visit(hop, bytes + offset + RTNH_LENGTH(0), hop.rtnh_len - RTNH_LENGTH(0));
        size_t step = RTNH_ALIGN(hop.rtnh_len);
        if (step > size - offset) {
            return;
        }
        offset += step;
    }
}

}  // namespace zplat
