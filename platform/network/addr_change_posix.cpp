#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/network/addr_change.h"
#include "platform/network/netlink_walk.h"

namespace zplat {

namespace {

// True when the bytes hold an IPv4 address being added or removed.
bool IsAddressChange(const char* buffer, ssize_t n) {
    bool change = false;
    ForEachNetlinkMessage(buffer, static_cast<size_t>(n), [&](const nlmsghdr* h) {
        if ((h->nlmsg_type == RTM_NEWADDR || h->nlmsg_type == RTM_DELADDR) &&
            h->nlmsg_len >= NLMSG_LENGTH(sizeof(ifaddrmsg))) {
            const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(h));
            change = change || info->ifa_family == AF_INET;
        }
        return !change;
    });
    return change;
}

class NetlinkWatch : public AddrChangeWatch {
public:
    NetlinkWatch(int fd, Event* event) : fd_(fd), event_(event), cancel_(true, false) {
        thread_ = std::thread([this] { Watch(); });
    }
    ~NetlinkWatch() override { Cancel(); }

    void Cancel() override {
        std::lock_guard<std::mutex> lock(mutex_);
        cancel_.Set();
        if (thread_.joinable()) {
            thread_.join();
        }
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    void Watch() {
        alignas(nlmsghdr) char buffer[8192];
        pollfd fds[2] = {{fd_, POLLIN, 0}, {cancel_.PollFd(), POLLIN, 0}};
        for (;;) {
            int n = ::poll(fds, 2, -1);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if (fds[1].revents != 0) {
                return;
            }
            if (fds[0].revents & (POLLERR | POLLNVAL)) {
                // An overrun (ENOBUFS) means changes were lost: report one rather than none.
                event_->Set();
                return;
            }
            ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got < 0) {
                if (errno == EINTR || errno == EAGAIN) {
                    continue;
                }
                event_->Set();
                return;
            }
            if (IsAddressChange(buffer, got)) {
                event_->Set();
                return;
            }
        }
    }

    std::mutex mutex_;
    int fd_;
    Event* event_;
    Event cancel_;
    std::thread thread_;
};

class NetlinkAddrChange : public AddrChangeBackend {
public:
    std::shared_ptr<AddrChangeWatch> Arm(Event* event, uint32_t* error) override {
        int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (fd < 0) {
            *error = ERROR_NOT_SUPPORTED;
            return nullptr;
        }
        sockaddr_nl local{};
        local.nl_family = AF_NETLINK;
        local.nl_groups = RTMGRP_IPV4_IFADDR;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            ::close(fd);
            *error = ERROR_NOT_SUPPORTED;
            return nullptr;
        }
        return std::make_shared<NetlinkWatch>(fd, event);
    }
};

}  // namespace

std::shared_ptr<AddrChangeBackend> MakeSystemAddrChange() {
    return std::make_shared<NetlinkAddrChange>();
}

}  // namespace zplat
