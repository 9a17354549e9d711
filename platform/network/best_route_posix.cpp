#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/network/best_route.h"
#include "platform/network/netlink_walk.h"
#include "platform/win_error.h"

namespace zplat {

namespace {

// A route answer is one message of a few hundred bytes; the buffer also takes an error answer
// that echoes the request.
constexpr size_t kAnswerBytes = 8192;
// The kernel answers at once; the limit only keeps a caller from hanging on a broken socket.
constexpr int kAnswerWaitSeconds = 2;

}  // namespace

std::vector<char> BuildRouteRequest(uint32_t destination, uint32_t seq) {
    const size_t length = NLMSG_LENGTH(sizeof(rtmsg)) + RTA_SPACE(sizeof(uint32_t));
    std::vector<char> bytes(NLMSG_ALIGN(length), 0);
    auto* header = reinterpret_cast<nlmsghdr*>(bytes.data());
    header->nlmsg_len = static_cast<uint32_t>(length);
    header->nlmsg_type = RTM_GETROUTE;
    header->nlmsg_flags = NLM_F_REQUEST;
    header->nlmsg_seq = seq;
    auto* body = static_cast<rtmsg*>(NLMSG_DATA(header));
    body->rtm_family = AF_INET;
    body->rtm_dst_len = 32;
    auto* attribute = reinterpret_cast<rtattr*>(bytes.data() + NLMSG_LENGTH(sizeof(rtmsg)));
    attribute->rta_type = RTA_DST;
    attribute->rta_len = RTA_LENGTH(sizeof(uint32_t));
    std::memcpy(RTA_DATA(attribute), &destination, sizeof destination);
    return bytes;
}

uint32_t ParseRouteAnswer(const char* bytes, size_t size, uint32_t seq, BestRoute* route) {
    uint32_t result = ERROR_MORE_DATA;
    if (bytes == nullptr || route == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    ForEachNetlinkMessage(bytes, size, [&](const nlmsghdr* h) {
        if (h->nlmsg_seq != seq) {
            return true;
        }
        if (h->nlmsg_type == NLMSG_ERROR || h->nlmsg_type != RTM_NEWROUTE ||
            h->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg))) {
            // An error answer (ENETUNREACH, EHOSTUNREACH, ...) or something this is not.
            result = ERROR_NETWORK_UNREACHABLE;
            return false;
        }
        const auto* info = static_cast<const rtmsg*>(NLMSG_DATA(h));
        if (info->rtm_family != AF_INET ||
            (info->rtm_type != RTN_UNICAST && info->rtm_type != RTN_LOCAL)) {
            result = ERROR_NETWORK_UNREACHABLE;
            return false;
        }
        BestRoute found;
        bool haveInterface = false, haveSource = false;
        const size_t left = h->nlmsg_len - NLMSG_LENGTH(sizeof(rtmsg));
        ForEachRtAttribute(RTM_RTA(info), left,
                           [&](unsigned short type, const char* data, size_t length) {
                               if (length < sizeof(uint32_t)) {
                                   return;
                               }
                               switch (type) {
                                   case RTA_OIF:
                                       std::memcpy(&found.interfaceIndex, data, 4);
                                       haveInterface = true;
                                       break;
                                   case RTA_PREFSRC:
                                       std::memcpy(&found.sourceAddress, data, 4);
                                       haveSource = true;
                                       break;
                                   case RTA_GATEWAY:
                                       std::memcpy(&found.nextHop, data, 4);
                                       break;
                                   default:
                                       break;
                               }
                           });
        if (!haveInterface || !haveSource || found.sourceAddress == 0) {
            result = ERROR_NETWORK_UNREACHABLE;
            return false;
        }
        *route = found;
        result = NO_ERROR;
        return false;
    });
    return result;
}

uint32_t ReadSystemRoute(uint32_t destination, BestRoute* route) {
    if (route == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        return ERROR_GEN_FAILURE;
    }
    timeval wait{};
    wait.tv_sec = kAnswerWaitSeconds;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    constexpr uint32_t kSeq = 1;
    const std::vector<char> request = BuildRouteRequest(destination, kSeq);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0) {
        ::close(fd);
        return ERROR_GEN_FAILURE;
    }
    alignas(nlmsghdr) char buffer[kAnswerBytes];
    uint32_t result = ERROR_GEN_FAILURE;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            result = ERROR_GEN_FAILURE;
            break;
        }
        result = ParseRouteAnswer(buffer, static_cast<size_t>(n), kSeq, route);
        if (result != ERROR_MORE_DATA) {
            break;
        }
    }
    ::close(fd);
    return result;
}

}  // namespace zplat
