#include "platform/network/socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/network/host.h"
#include "platform/network/inet.h"
#include "platform/process/wine_detection.h"

namespace {

using namespace zplat;

// Holds one Winsock start-up for the test's duration.
class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(WSAStartup(2, &data_), 0); }
    void TearDown() override { WSACleanup(); }

    // A datagram socket bound to 127.0.0.1 on a port of the system's choosing.
    Socket LoopbackSocket(uint16_t* port) {
        Socket s = WSASocket(WS_AF_INET, WS_SOCK_DGRAM, 0, 0);
        EXPECT_NE(s, INVALID_SOCKET);
        SockAddrIn local;
        local.address = InetAddr("127.0.0.1");
        EXPECT_EQ(Bind(s, local), 0);
        SockAddrIn bound;
        EXPECT_EQ(GetSockName(s, &bound), 0);
        *port = bound.port;
        return s;
    }

    WSAData data_;
};

TEST(SocketErrorTest, ErrnoValuesMapToWinsockNumbers) {
    struct Case {
        int posix;
        int wsa;
    } cases[] = {
        {0, 0},
        {EADDRINUSE, WSAEADDRINUSE},  // 10048
        {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
        {EMSGSIZE, WSAEMSGSIZE},
        {EAGAIN, WSAEWOULDBLOCK},
        {EBADF, WSAENOTSOCK},
        {ENOTSOCK, WSAENOTSOCK},
        {EACCES, WSAEACCES},
        {ENETUNREACH, WSAENETUNREACH},
        {EHOSTUNREACH, WSAEHOSTUNREACH},
        {ECONNREFUSED, WSAECONNREFUSED},
        {ETIMEDOUT, WSAETIMEDOUT},
        {ENOBUFS, WSAENOBUFS},
        {ENOMEM, WSAENOBUFS},
        {EIO, WSASYSCALLFAILURE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::strerror(c.posix));
        EXPECT_EQ(WsaErrorFromErrno(c.posix), c.wsa);
    }
    EXPECT_EQ(WSAEADDRINUSE, 10048);
    EXPECT_EQ(WSAEMSGSIZE, 10040);
    EXPECT_EQ(WSANOTINITIALISED, 10093);
}

TEST(WinsockStartupTest, CallsNeedAStartupAndCleanupsBalance) {
    ASSERT_FALSE(IsWinsockStarted()) << "another test left a start-up behind";
    EXPECT_EQ(WSASocket(WS_AF_INET, WS_SOCK_DGRAM, 0, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    char name[128];
    EXPECT_EQ(GetHostName(name, sizeof name), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);

    WSAData a, b;
    ASSERT_EQ(WSAStartup(2, &a), 0);
    ASSERT_EQ(WSAStartup(0x0202, &b), 0);
    EXPECT_EQ(a.wVersion, 2);  // 2.0 asked for, 2.0 given
    EXPECT_EQ(b.wVersion, 0x0202);
    EXPECT_STREQ(a.szSystemStatus, "Running");
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_TRUE(IsWinsockStarted());
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_FALSE(IsWinsockStarted());
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(WSAStartup(0, &a), WSAVERNOTSUPPORTED);
}

TEST_F(WinsockTest, LoopbackDatagramArrivesWithItsSource) {
    uint16_t receiverPort, senderPort;
    Socket receiver = LoopbackSocket(&receiverPort);
    Socket sender = LoopbackSocket(&senderPort);
    ASSERT_NE(receiverPort, 0);

    SockAddrIn to;
    to.address = InetAddr("127.0.0.1");
    to.port = receiverPort;
    ASSERT_EQ(SendTo(sender, "hello", 5, to), 5);

    Event stop(true, false);
    ASSERT_EQ(SelectReadEvent(receiver, stop), 0);
    ASSERT_EQ(WaitReadableOrStopped(receiver, stop, 2000), WAIT_OBJECT_0);
    char buffer[64];
    SockAddrIn from;
    ASSERT_EQ(RecvFrom(receiver, buffer, sizeof buffer, &from), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(InetNtoa(from.address), "127.0.0.1");
    EXPECT_EQ(from.port, senderPort);  // network order, as the socket address holds it
    EXPECT_EQ(WaitReadableOrStopped(receiver, stop, 0), WAIT_TIMEOUT);

    CloseSocket(sender);
    CloseSocket(receiver);
}

TEST_F(WinsockTest, OversizeDatagramFillsTheBufferAndIsConsumed) {
    uint16_t port, senderPort;
    Socket receiver = LoopbackSocket(&port);
    Socket sender = LoopbackSocket(&senderPort);
    SockAddrIn to;
    to.address = InetAddr("127.0.0.1");
    to.port = port;
    std::string big(100, 'x');
    big[0] = 'A';
    ASSERT_EQ(SendTo(sender, big.data(), static_cast<int>(big.size()), to), 100);

    Event stop(true, false);
    ASSERT_EQ(WaitReadableOrStopped(receiver, stop, 2000), WAIT_OBJECT_0);
    char buffer[10] = {};
    SockAddrIn from;
    EXPECT_EQ(RecvFrom(receiver, buffer, sizeof buffer, &from), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(buffer[0], 'A');
    EXPECT_EQ(from.port, senderPort);  // the source is known even for a cut datagram
    EXPECT_EQ(WaitReadableOrStopped(receiver, stop, 0), WAIT_TIMEOUT);

    CloseSocket(sender);
    CloseSocket(receiver);
}

// A batch read takes what is waiting, at most one datagram per slot and kMaxRecvBatch per call,
// in the order sent, never waits, and marks a datagram longer than its slot as truncated.
TEST_F(WinsockTest, BatchReadTakesWhatIsWaitingWithoutWaiting) {
    uint16_t port, senderPort;
    Socket receiver = LoopbackSocket(&port);
    Socket sender = LoopbackSocket(&senderPort);
    SockAddrIn to;
    to.address = InetAddr("127.0.0.1");
    to.port = port;

    constexpr int kSent = 100;
    for (int i = 0; i < kSent; ++i) {
        // Every tenth datagram is longer than a slot.
        const std::string text = std::to_string(i) + (i % 10 == 9 ? std::string(40, '+') : "");
        ASSERT_EQ(SendTo(sender, text.data(), static_cast<int>(text.size()), to),
                  static_cast<int>(text.size()));
    }
    Event stop(true, false);
    ASSERT_EQ(WaitReadableOrStopped(receiver, stop, 2000), WAIT_OBJECT_0);

    constexpr int kSlots = kMaxRecvBatch + 10;  // more than one call serves
    static char buffers[kSlots][16];
    RecvSlot slots[kSlots];
    for (int i = 0; i < kSlots; ++i) {
        slots[i].buffer = buffers[i];
        slots[i].capacity = sizeof buffers[i];
    }
    std::vector<std::string> read;
    std::vector<bool> truncated;
    int calls = 0;
    while (read.size() < kSent && calls < 100) {
        ++calls;
        const int n = RecvBatch(receiver, slots, kSlots);
        ASSERT_GE(n, 0);
        ASSERT_LE(n, kMaxRecvBatch);
        for (int i = 0; i < n; ++i) {
            read.emplace_back(buffers[i], static_cast<size_t>(slots[i].length));
            truncated.push_back(slots[i].truncated);
            EXPECT_EQ(slots[i].from.port, senderPort);
        }
    }
    ASSERT_EQ(read.size(), static_cast<size_t>(kSent));
    EXPECT_GE(calls, 2);
    for (int i = 0; i < kSent; ++i) {
        SCOPED_TRACE(i);
        const bool longer = i % 10 == 9;
        EXPECT_EQ(truncated[i], longer);
        const std::string text = std::to_string(i) + (longer ? std::string(40, '+') : "");
        EXPECT_EQ(read[i], text.substr(0, 16));
    }
    EXPECT_EQ(RecvBatch(receiver, slots, kSlots), 0);  // empty: at once, no error
    EXPECT_EQ(RecvBatch(receiver, slots, 0), 0);
    EXPECT_EQ(RecvBatch(receiver, nullptr, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);

    CloseSocket(sender);
    CloseSocket(receiver);
}

TEST_F(WinsockTest, WaitEndsOnTheStopEventAndPrefersTheSocket) {
    uint16_t port;
    Socket s = LoopbackSocket(&port);
    Event stop(true, false);
    EXPECT_EQ(WaitReadableOrStopped(s, stop, 10), WAIT_TIMEOUT);
    stop.Set();
    EXPECT_EQ(WaitReadableOrStopped(s, stop, INFINITE), WAIT_OBJECT_0 + 1);
    EXPECT_TRUE(stop.IsSet());  // the wait leaves the signal in place

    SockAddrIn self;
    self.address = InetAddr("127.0.0.1");
    self.port = port;
    ASSERT_EQ(SendTo(s, "x", 1, self), 1);
    EXPECT_EQ(WaitReadableOrStopped(s, stop, INFINITE), WAIT_OBJECT_0);
    CloseSocket(s);
}

TEST_F(WinsockTest, ClosedSocketCannotBeWaitedOn) {
    uint16_t port;
    Event stop(true, false);  // made first: a closed descriptor's number is free for reuse
    Socket s = LoopbackSocket(&port);
    ASSERT_EQ(CloseSocket(s), 0);
    EXPECT_EQ(SelectReadEvent(s, stop), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(CloseSocket(s), SOCKET_ERROR);
    std::vector<uint32_t> list;
    EXPECT_EQ(QueryAddressList(s, &list), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(WinsockTest, BindErrorsCarryWinsockNumbers) {
    uint16_t port;
    Socket first = LoopbackSocket(&port);
    Socket second = WSASocket(WS_AF_INET, WS_SOCK_DGRAM, 0, 0);
    SockAddrIn same;
    same.address = InetAddr("127.0.0.1");
    same.port = port;
    EXPECT_EQ(Bind(second, same), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    CloseSocket(first);
    CloseSocket(second);
}

TEST_F(WinsockTest, BindToAnAddressOfNoLocalInterfaceFails) {
    if (RunningUnderWine()) {
        GTEST_SKIP() << "Wine 8.0 binds a datagram socket to an address no interface has, where "
                        "Windows and Linux refuse with WSAEADDRNOTAVAIL";
    }
    Socket s = WSASocket(WS_AF_INET, WS_SOCK_DGRAM, 0, 0);
    SockAddrIn foreign;
    foreign.address = InetAddr("203.0.113.77");  // TEST-NET-3, never local here
    EXPECT_EQ(Bind(s, foreign), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRNOTAVAIL);
    CloseSocket(s);
}

TEST_F(WinsockTest, OptionsUseTheWinsockNumbers) {
    Socket s = WSASocket(WS_AF_INET, WS_SOCK_DGRAM, 0, 0);
    int size = 0, length = sizeof size;
    ASSERT_EQ(GetSockOpt(s, WS_SOL_SOCKET, WS_SO_MAX_MSG_SIZE, &size, &length), 0);
    EXPECT_EQ(size, 65507);

    int on = 1;
    EXPECT_EQ(SetSockOpt(s, WS_SOL_SOCKET, WS_SO_REUSEADDR, &on, sizeof on), 0);
    int value = 0;
    length = sizeof value;
    ASSERT_EQ(GetSockOpt(s, WS_SOL_SOCKET, WS_SO_REUSEADDR, &value, &length), 0);
    EXPECT_EQ(value, 1);
    char loop = 0;
    EXPECT_EQ(SetSockOpt(s, WS_IPPROTO_IP, WS_IP_MULTICAST_LOOP, &loop, 1), 0);

    EXPECT_EQ(SetSockOpt(s, WS_SOL_SOCKET, 0x7777, &on, sizeof on), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);

    int wanted = 4 * 1024 * 1024;  // what the discovery socket asks for
    EXPECT_EQ(SetSockOpt(s, WS_SOL_SOCKET, WS_SO_RCVBUF, &wanted, sizeof wanted), 0);
    CloseSocket(s);
}

TEST(InetTest, ParsesAndFormatsLikeTheSystemParser) {
    EXPECT_EQ(InetNtoa(InetAddr("192.168.1.20")), "192.168.1.20");
    const uint8_t* bytes;
    uint32_t a = InetAddr("192.168.1.20");
    bytes = reinterpret_cast<const uint8_t*>(&a);
    EXPECT_EQ(bytes[0], 192);  // network order in memory
    EXPECT_EQ(bytes[3], 20);
    EXPECT_EQ(InetAddr("not an address"), INADDR_NONE_VALUE);
    EXPECT_EQ(InetAddr(""), INADDR_NONE_VALUE);
    EXPECT_EQ(InetAddr(nullptr), INADDR_NONE_VALUE);
    EXPECT_EQ(InetAddr("255.255.255.255"), INADDR_NONE_VALUE);
    EXPECT_EQ(InetAddr("1.2.3.256"), INADDR_NONE_VALUE);
}

TEST_F(WinsockTest, HostNameAndResolution) {
    char name[128];
    ASSERT_EQ(GetHostName(name, sizeof name), 0);
    EXPECT_GT(std::strlen(name), 0u);
    EXPECT_EQ(GetHostName(name, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);

    std::vector<uint32_t> addresses;
    ASSERT_TRUE(GetHostByName("127.0.0.1", &addresses));
    EXPECT_EQ(InetNtoa(addresses.at(0)), "127.0.0.1");
    EXPECT_FALSE(GetHostByName("no-such-host.invalid", &addresses));
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);

    char computer[256];
    uint32_t size = sizeof computer;
    ASSERT_TRUE(GetComputerNameEx(ComputerNamePhysicalDnsHostname, computer, &size));
    EXPECT_EQ(size, std::strlen(computer));
    EXPECT_EQ(std::strchr(computer, '.'), nullptr);
    uint32_t small = 1;
    EXPECT_FALSE(GetComputerNameEx(ComputerNamePhysicalDnsHostname, computer, &small));
    EXPECT_EQ(small, size + 1);
    EXPECT_FALSE(GetComputerNameEx(99, computer, &size));
}

}  // namespace
