#include "platform/network/best_route.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/network/fake_ip_helper.h"
#include "platform/network/inet.h"

namespace {

using namespace zplat;

// Builds kernel answers attribute by attribute, as the kernel lays them out.
class Answer {
public:
    Answer(uint16_t type, uint32_t seq) {
        bytes_.resize(NLMSG_LENGTH(sizeof(rtmsg)));
        Header()->nlmsg_type = type;
        Header()->nlmsg_seq = seq;
        auto* body = static_cast<rtmsg*>(NLMSG_DATA(Header()));
        body->rtm_family = AF_INET;
        body->rtm_dst_len = 32;
        body->rtm_type = RTN_UNICAST;
        Finish();
    }
    Answer& Type(uint8_t type) {
        static_cast<rtmsg*>(NLMSG_DATA(Header()))->rtm_type = type;
        return *this;
    }
    Answer& Attribute(uint16_t type, uint32_t value) {
        const size_t at = bytes_.size();
        bytes_.resize(at + RTA_SPACE(sizeof value));
        auto* a = reinterpret_cast<rtattr*>(bytes_.data() + at);
        a->rta_type = type;
        a->rta_len = RTA_LENGTH(sizeof value);
        std::memcpy(RTA_DATA(a), &value, sizeof value);
        Finish();
        return *this;
    }
    // An attribute whose length claims more than the message holds.
    Answer& LyingAttribute(uint16_t type) {
        const size_t at = bytes_.size();
        bytes_.resize(at + RTA_SPACE(4));
        auto* a = reinterpret_cast<rtattr*>(bytes_.data() + at);
        a->rta_type = type;
        a->rta_len = 200;
        Finish();
        return *this;
    }
    std::vector<char> bytes() const { return bytes_; }

private:
    nlmsghdr* Header() { return reinterpret_cast<nlmsghdr*>(bytes_.data()); }
    void Finish() { Header()->nlmsg_len = static_cast<uint32_t>(bytes_.size()); }
    std::vector<char> bytes_;
};

std::vector<char> ErrorAnswer(uint32_t seq, int error) {
    std::vector<char> bytes(NLMSG_LENGTH(sizeof(nlmsgerr)));
    auto* h = reinterpret_cast<nlmsghdr*>(bytes.data());
    h->nlmsg_len = static_cast<uint32_t>(bytes.size());
    h->nlmsg_type = NLMSG_ERROR;
    h->nlmsg_seq = seq;
    static_cast<nlmsgerr*>(NLMSG_DATA(h))->error = -error;
    return bytes;
}

TEST(BestRoute, RequestAsksForOneIPv4Destination) {
    const std::vector<char> bytes = BuildRouteRequest(InetAddr("10.31.2.7"), 42);
    // nlmsghdr: length 36 (16 + rtmsg 12 + RTA_DST 8), RTM_GETROUTE (26), NLM_F_REQUEST, seq 42.
    ASSERT_EQ(bytes.size(), 36u);
    const auto* h = reinterpret_cast<const nlmsghdr*>(bytes.data());
    EXPECT_EQ(h->nlmsg_len, 36u);
    EXPECT_EQ(h->nlmsg_type, RTM_GETROUTE);
    EXPECT_EQ(h->nlmsg_flags, NLM_F_REQUEST);
    EXPECT_EQ(h->nlmsg_seq, 42u);
    const auto* body = static_cast<const rtmsg*>(NLMSG_DATA(h));
    EXPECT_EQ(body->rtm_family, AF_INET);
    EXPECT_EQ(body->rtm_dst_len, 32);
    // RTA_DST: length 8, type 1, then 10.31.2.7 in network order.
    const unsigned char tail[] = {8, 0, 1, 0, 10, 31, 2, 7};
    EXPECT_EQ(std::memcmp(bytes.data() + 28, tail, sizeof tail), 0);
}

TEST(BestRoute, AnswersOfTheKernel) {
    const uint32_t src = InetAddr("10.31.1.2");
    const uint32_t gw = InetAddr("10.31.1.1");
    struct Row {
        const char* name;
        std::vector<char> bytes;
        uint32_t code;
        uint32_t source;
        uint32_t nextHop;
        uint32_t interfaceIndex;
    };
    const Row rows[] = {
        {"through a router",
         Answer(RTM_NEWROUTE, 1)
             .Attribute(RTA_TABLE, 254)
             .Attribute(RTA_DST, InetAddr("10.31.2.7"))
             .Attribute(RTA_OIF, 3)
             .Attribute(RTA_GATEWAY, gw)
             .Attribute(RTA_PREFSRC, src)
             .bytes(),
         NO_ERROR, src, gw, 3},
        {"on the link",
         Answer(RTM_NEWROUTE, 1).Attribute(RTA_OIF, 2).Attribute(RTA_PREFSRC, src).bytes(),
         NO_ERROR, src, 0, 2},
        {"an address of our own",
         Answer(RTM_NEWROUTE, 1)
             .Type(RTN_LOCAL)
             .Attribute(RTA_OIF, 1)
             .Attribute(RTA_PREFSRC, src)
             .bytes(),
         NO_ERROR, src, 0, 1},
        {"no route", ErrorAnswer(1, ENETUNREACH), ERROR_NETWORK_UNREACHABLE, 0, 0, 0},
        {"an unreachable route",
         Answer(RTM_NEWROUTE, 1)
             .Type(RTN_UNREACHABLE)
             .Attribute(RTA_OIF, 1)
             .Attribute(RTA_PREFSRC, src)
             .bytes(),
         ERROR_NETWORK_UNREACHABLE, 0, 0, 0},
        {"a blackhole", Answer(RTM_NEWROUTE, 1).Type(RTN_BLACKHOLE).bytes(),
         ERROR_NETWORK_UNREACHABLE, 0, 0, 0},
        {"no source address", Answer(RTM_NEWROUTE, 1).Attribute(RTA_OIF, 2).bytes(),
         ERROR_NETWORK_UNREACHABLE, 0, 0, 0},
        {"no interface", Answer(RTM_NEWROUTE, 1).Attribute(RTA_PREFSRC, src).bytes(),
         ERROR_NETWORK_UNREACHABLE, 0, 0, 0},
        {"an attribute that runs past the message ends the walk",
         Answer(RTM_NEWROUTE, 1).Attribute(RTA_OIF, 2).LyingAttribute(RTA_PREFSRC).bytes(),
         ERROR_NETWORK_UNREACHABLE, 0, 0, 0},
        {"another request's answer", Answer(RTM_NEWROUTE, 2).Attribute(RTA_OIF, 2).bytes(),
         ERROR_MORE_DATA, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BestRoute route;
        route.sourceAddress = 0x5A5A5A5A;
        EXPECT_EQ(ParseRouteAnswer(row.bytes.data(), row.bytes.size(), 1, &route), row.code);
        if (row.code == NO_ERROR) {
            EXPECT_EQ(route.sourceAddress, row.source);
            EXPECT_EQ(route.nextHop, row.nextHop);
            EXPECT_EQ(route.interfaceIndex, row.interfaceIndex);
        } else {
            EXPECT_EQ(route.sourceAddress, 0x5A5A5A5Au);  // untouched
        }
    }
}

TEST(BestRoute, TruncatedAnswersGiveNothing) {
    const std::vector<char> whole =
        Answer(RTM_NEWROUTE, 1).Attribute(RTA_OIF, 2).Attribute(RTA_PREFSRC, 7).bytes();
    for (size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        BestRoute route;
        // A header cut short is no answer; one whose length lies past the bytes is refused.
        EXPECT_NE(ParseRouteAnswer(whole.data(), size, 1, &route), NO_ERROR);
    }
    BestRoute route;
    EXPECT_EQ(ParseRouteAnswer(nullptr, 0, 1, &route), ERROR_INVALID_PARAMETER);
}

TEST(BestRoute, FakeBackendTakesTheLongestMatchingPrefix) {
    auto fake = std::make_shared<FakeIpHelper>();
    BestRoute viaDefault{2, InetAddr("10.0.0.2"), InetAddr("10.0.0.1")};
    BestRoute viaRouter{3, InetAddr("10.31.1.2"), InetAddr("10.31.1.1")};
    fake->routes.push_back({InetAddr("0.0.0.0"), 0, viaDefault});
    fake->routes.push_back({InetAddr("10.31.2.0"), 24, viaRouter});
    ScopedIpHelper use(fake);
    BestRoute route;
    ASSERT_EQ(GetBestRoute(InetAddr("10.31.2.9"), &route), NO_ERROR);
    EXPECT_EQ(route.interfaceIndex, 3u);
    ASSERT_EQ(GetBestRoute(InetAddr("10.31.3.9"), &route), NO_ERROR);
    EXPECT_EQ(route.interfaceIndex, 2u);
    fake->routes.clear();
    EXPECT_EQ(GetBestRoute(InetAddr("10.31.3.9"), &route), ERROR_NETWORK_UNREACHABLE);
    EXPECT_EQ(GetBestRoute(InetAddr("10.31.3.9"), nullptr), ERROR_INVALID_PARAMETER);
}

TEST(BestRoute, SystemAnswersForLoopback) {
    // Asking the kernel sends nothing on any network; every namespace has lo's 127.0.0.1.
    BestRoute route;
    const uint32_t code = ReadSystemRoute(InetAddr("127.0.0.1"), &route);
    if (code == ERROR_GEN_FAILURE) {
        GTEST_SKIP() << "no routing netlink here";
    }
    ASSERT_EQ(code, NO_ERROR);
    EXPECT_EQ(InetNtoa(route.sourceAddress), "127.0.0.1");
    EXPECT_NE(route.interfaceIndex, 0u);
}

}  // namespace
