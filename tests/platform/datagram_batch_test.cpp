#include "platform/network/datagram_batch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/network/inet.h"

namespace {

using namespace zplat;

// Two loopback sockets under one Winsock start-up; the receiver reads on a thread of its own so
// that a long batch never meets a full receive buffer.
class DatagramBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(WSAStartup(2, &data_), 0);
        receiver_ = Bound(&to_.port);
        to_.address = InetAddr("127.0.0.1");
        uint16_t unused;
        sender_ = Bound(&unused);
    }
    void TearDown() override {
        CloseSocket(sender_);
        CloseSocket(receiver_);
        WSACleanup();
    }

    Socket Bound(uint16_t* port) {
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

    // Everything that reaches the receiver until `expected` datagrams came or quietMs passed
    // without one.
    std::vector<std::string> Receive(size_t expected, uint32_t quietMs = 2000) {
        std::vector<std::string> got;
        Event stop(true, false);
        char buffer[2048];
        while (got.size() < expected &&
               WaitReadableOrStopped(receiver_, stop, quietMs) == WAIT_OBJECT_0) {
            SockAddrIn from;
            const int n = RecvFrom(receiver_, buffer, sizeof buffer, &from);
            if (n >= 0) {
                got.emplace_back(buffer, static_cast<size_t>(n));
            }
        }
        return got;
    }

    WSAData data_;
    Socket receiver_ = INVALID_SOCKET;
    Socket sender_ = INVALID_SOCKET;
    SockAddrIn to_;
};

TEST_F(DatagramBatchTest, LongBatchArrivesWholeAndInOrderOverSeveralCalls) {
    // Loopback drops what the receive buffer cannot hold; ask for room for the whole batch.
    const int wanted = 4 << 20;
    SetSockOpt(receiver_, WS_SOL_SOCKET, WS_SO_RCVBUF, &wanted, sizeof wanted);
    int granted = 0;
    int length = sizeof granted;
    ASSERT_EQ(GetSockOpt(receiver_, WS_SOL_SOCKET, WS_SO_RCVBUF, &granted, &length), 0);
    if (granted < (2 << 20)) {
        GTEST_SKIP() << "the system grants only " << granted << " bytes of receive buffer";
    }
    const int count = 3 * kMaxDatagramsPerCall + 7;
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        texts.push_back("datagram " + std::to_string(i) +
                        std::string(static_cast<size_t>(i % 50), '.'));
    }
    std::vector<OutgoingDatagram> batch;
    for (const std::string& t : texts) {
        batch.push_back({t.data(), static_cast<int>(t.size()), to_});
    }
    std::vector<std::string> got;
    std::thread reader([&] { got = Receive(texts.size()); });
    EXPECT_EQ(SendDatagramBatch(sender_, batch.data(), count), count);
    reader.join();
    EXPECT_EQ(got, texts);
}

TEST_F(DatagramBatchTest, FailureStopsTheBatchAtTheDatagramThatFailed) {
    const std::string small = "answer";
    const std::string huge(70000, 'x');  // larger than any UDP datagram
    struct Row {
        const char* name;
        int badIndex;  // where the bad datagram sits in a batch of five
        OutgoingDatagram bad;
        int error;
    };
    const Row rows[] = {
        {"no bytes", 3, {nullptr, 5, to_}, WSAEFAULT},
        {"negative length", 0, {small.data(), -1, to_}, WSAEFAULT},
        {"too large", 2, {huge.data(), static_cast<int>(huge.size()), to_}, WSAEMSGSIZE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<OutgoingDatagram> batch(5, {small.data(), static_cast<int>(small.size()), to_});
        batch[static_cast<size_t>(row.badIndex)] = row.bad;
        WSASetLastError(0);
        EXPECT_EQ(SendDatagramBatch(sender_, batch.data(), 5), row.badIndex);
        EXPECT_EQ(WSAGetLastError(), row.error);
        // Exactly the ones before it went out.
        const std::vector<std::string> got = Receive(static_cast<size_t>(row.badIndex) + 1, 300);
        EXPECT_EQ(got.size(), static_cast<size_t>(row.badIndex));
    }
}

TEST_F(DatagramBatchTest, EmptyBatchAndClosedSocket) {
    EXPECT_EQ(SendDatagramBatch(sender_, nullptr, 0), 0);
    EXPECT_EQ(SendDatagramBatch(sender_, nullptr, -3), 0);

    // A closed socket fails the way a single send on it does.
    Socket closed = WSASocket(WS_AF_INET, WS_SOCK_DGRAM, 0, 0);
    ASSERT_NE(closed, INVALID_SOCKET);
    CloseSocket(closed);
    ASSERT_EQ(SendTo(closed, "x", 1, to_), SOCKET_ERROR);
    const int single = WSAGetLastError();
    EXPECT_NE(single, 0);
    const OutgoingDatagram one{"x", 1, to_};
    WSASetLastError(0);
    EXPECT_EQ(SendDatagramBatch(closed, &one, 1), 0);
    EXPECT_EQ(WSAGetLastError(), single);
}

}  // namespace
