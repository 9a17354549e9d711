#include "tests/support/netns_fixture.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <string>

namespace {

bool NamespaceListed(const std::string& name) {
    std::string list;
    ztest::RunCommand("ip netns list", &list);
    return list.find(name) != std::string::npos;
}

TEST(NetnsFixtureTest, NamespacesLiveAsLongAsTheFixture) {
    std::string name;
    {
        ztest::NetnsFixture net;
        ZTEST_REQUIRE_NETNS(net);
        name = net.AddNamespace("life");
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(name.rfind("zut" + std::to_string(getpid()) + "-", 0), 0u);
        EXPECT_TRUE(NamespaceListed(name));
        std::string links;
        ASSERT_TRUE(net.Ip(name, "-br link show lo", &links));
        EXPECT_NE(links.find("UNKNOWN"), std::string::npos) << links;  // lo is up
    }
    EXPECT_FALSE(NamespaceListed(name));
}

TEST(NetnsFixtureTest, EnteringMovesOnlyTheCallingThreadAndComesBack) {
    ztest::NetnsFixture net;
    ZTEST_REQUIRE_NETNS(net);
    ASSERT_TRUE(ztest::InInitialNetworkNamespace());
    std::string ns = net.AddNamespace("enter");
    ASSERT_FALSE(ns.empty());
    {
        ztest::EnterNetns in(ns);
        ASSERT_TRUE(in.ok());
        EXPECT_FALSE(ztest::InInitialNetworkNamespace());
    }
    EXPECT_TRUE(ztest::InInitialNetworkNamespace());
    EXPECT_EQ(net.RunInChild(ns, [] { return ztest::InInitialNetworkNamespace() ? 1 : 7; }), 7);
}

TEST(NetnsFixtureTest, LinkedPairReachesAcross) {
    ztest::NetnsFixture net;
    ZTEST_REQUIRE_NETNS(net);
    ztest::LinkedPair pair;
    ASSERT_TRUE(net.MakeLinkedPair(&pair));
    std::string routes;
    ASSERT_TRUE(net.Ip(pair.a, "route show default", &routes));
    EXPECT_NE(routes.find(pair.ifA), std::string::npos);

    // One datagram from a to b's address, with plain sockets.
    int receiver;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(40001);
    inet_pton(AF_INET, pair.addressB.c_str(), &to.sin_addr);
    {
        ztest::EnterNetns in(pair.b);
        ASSERT_TRUE(in.ok());
        receiver = socket(AF_INET, SOCK_DGRAM, 0);
        ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    }
    {
        ztest::EnterNetns in(pair.a);
        int sender = socket(AF_INET, SOCK_DGRAM, 0);
        ASSERT_EQ(sendto(sender, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 1);
        close(sender);
    }
    pollfd p{receiver, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 2000), 1);
    close(receiver);
}

TEST(NetnsFixtureTest, StaleNamespacesOfGoneProcessesAreRemoved) {
    ztest::NetnsFixture net;
    ZTEST_REQUIRE_NETNS(net);
    // A process that has ended leaves its pid free: name a namespace after it.
    pid_t gone = fork();
    if (gone == 0) {
        _exit(0);
    }
    ASSERT_GT(gone, 0);
    waitpid(gone, nullptr, 0);
    std::string stale = "zut" + std::to_string(gone) + "-0-stale";
    ASSERT_TRUE(ztest::RunCommand("ip netns add " + stale));
    ztest::NetnsFixture::RemoveStaleNamespaces();
    EXPECT_FALSE(NamespaceListed(stale));
    ztest::RunCommand("ip netns del " + stale);  // in case it was not removed
}

TEST(NetnsFixtureTest, SpawnedProgramIsKilledWithItsHandle) {
    ztest::NetnsFixture net;
    ZTEST_REQUIRE_NETNS(net);
    std::string ns = net.AddNamespace("spawn");
    pid_t pid;
    {
        auto sleeper = net.Spawn(ns, {"sleep", "30"});
        ASSERT_NE(sleeper, nullptr);
        pid = sleeper->pid();
        EXPECT_EQ(sleeper->Wait(50), -1);  // still running
    }
    EXPECT_EQ(kill(pid, 0), -1);  // killed and reaped
}

}  // namespace
