#pragma once
// Bounds-checked walks over netlink messages and their attributes, for the POSIX readers. Every
// length is checked against what is left before it is used; a record that does not fit ends the
// walk.
//
//   ForEachNetlinkMessage(buffer, received, [&](const nlmsghdr* h) { ... });
//   ForEachRtAttribute(IFLA_RTA(info), payload, [&](unsigned short type, const char* data,
//                                                    size_t size) { ... });

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <cstddef>

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

}  // namespace zplat
