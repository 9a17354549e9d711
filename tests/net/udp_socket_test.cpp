#include "net/udp_socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/network/inet.h"
#include "platform/process/wine_detection.h"
#include "platform/threading/clock.h"

namespace {

// Records what a socket delivers, in order, for the test thread to wait on.
class Recorder : public IUDPSocketHandler {
public:
    explicit Recorder(std::string name, std::vector<std::string>* shared = nullptr)
        : name_(std::move(name)), shared_(shared) {}

    int OnUDPData(const char* data, int length, const char* from, uint16_t port,
                  ZUDPSocket*) override {
        std::lock_guard<std::mutex> lock(mutex_);
        events.push_back("data:" + std::string(data, static_cast<size_t>(length)));
        lengths.push_back(length);
        fromAddress = from;
        fromPort = port;
        if (shared_ != nullptr) {
            shared_->push_back(name_);
        }
        cv_.notify_all();
        return 0;
    }
    int OnUDPError(int code, ZUDPSocket*) override {
        std::lock_guard<std::mutex> lock(mutex_);
        events.push_back("error:" + std::to_string(code));
        cv_.notify_all();
        return 0;
    }
    // True once at least n events arrived within two seconds.
    bool WaitFor(size_t n) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(2), [&] { return events.size() >= n; });
    }
    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events;
    }

    std::vector<std::string> events;
    std::vector<int> lengths;
    std::string fromAddress;
    uint16_t fromPort = 0;

private:
    std::string name_;
    std::vector<std::string>* shared_;
    std::mutex mutex_;
    std::condition_variable cv_;
};

// Opens a socket bound to 127.0.0.1 on a port of the system's choosing.
int OpenOnLoopback(ZUDPSocket* socket) {
    const char* interfaces[] = {"127.0.0.1"};
    socket->SetPort(0);
    return socket->Open(1, interfaces, 1);
}

TEST(WSADataTest, ErrorTextsAreExact) {
    ZWSAData wsa;
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {0, "Success"},
        {-1, "Unknow Error"},
        {-3, "Invalid IP adress"},
        {-7, "Startup error"},
        {-12, "Datagram receive buffer too small"},
        {-16, "Bind fo datagram failed"},
        {-22, "Register multicast group failed"},
        {-30, "The option requested for the connection is not allowed"},
        {-31, "The connection has been aborted during the connection phase"},
        {-32, "Undefined error"},
        {1, "Undefined error"},
        {-1000, "Undefined error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(wsa.GetErrorText(c.code), c.text);
    }
    for (int code = 0; code >= -31; --code) {
        EXPECT_STRNE(wsa.GetErrorText(code), "Undefined error") << code;
    }
}

TEST(WSADataTest, TranslatesWinsockErrors) {
    ZWSAData wsa;
    struct Case {
        int wsaError;
        int code;
    } cases[] = {
        {10014, -8}, {10055, -8},  {10022, -16}, {10037, -26}, {10038, -20},
        {10047, -3}, {10049, -3},  {10048, -18}, {10050, -28}, {10051, -6},
        {10065, -6}, {10053, -31}, {10054, -29}, {10056, -11}, {10060, -4},
        {10061, -5}, {10093, -7},  {10040, -1},  {0, -1},      {12345, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wsaError);
        EXPECT_EQ(wsa.TranslateError(c.wsaError), c.code);
    }
}

TEST(WSADataTest, QueriesStartWinsockOnlyForTheirOwnDuration) {
    ZWSAData wsa;
    EXPECT_EQ(wsa.GetVersion(), 200);
    EXPECT_FALSE(wsa.IsStarted());
    EXPECT_STRNE(wsa.GetDescription(), "");  // the record stays readable after clean-up
    EXPECT_STRNE(wsa.GetHostName(), "");
    EXPECT_EQ(wsa.Startup(), 0);
    EXPECT_EQ(wsa.Startup(), 0);
    EXPECT_EQ(wsa.GetVersion(), 200);
    EXPECT_TRUE(wsa.IsStarted());  // a query keeps a start-up that was there before
    EXPECT_EQ(wsa.Cleanup(), 0);
    EXPECT_FALSE(wsa.IsStarted());  // a flag, not a counter
    EXPECT_EQ(wsa.Cleanup(), 0);
}

TEST(UDPSocketTest, CloseOfANeverOpenedSocketIsAStartupError) {
    ZUDPSocket socket;
    EXPECT_EQ(socket.Close(), -7);
    EXPECT_FALSE(socket.IsStarted());
    EXPECT_FALSE(socket.IsRunning());
}

TEST(UDPSocketTest, SendToSelfReachesEveryHandlerInRegistrationOrder) {
    ZUDPSocket receiver, sender;
    std::vector<std::string> order;
    Recorder first("first", &order), second("second", &order);
    receiver.AddHandler(&first);
    receiver.AddHandler(&second);
    receiver.AddHandler(&first);  // already registered: no change
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    ASSERT_EQ(OpenOnLoopback(&sender), 0);
    ASSERT_NE(receiver.GetPort(), 0);
    EXPECT_TRUE(receiver.IsRunning());

    ASSERT_EQ(sender.SendTo("ping", 4, "127.0.0.1", receiver.GetPort()), 0);
    ASSERT_TRUE(second.WaitFor(1));
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(first.Events(), std::vector<std::string>{"data:ping"});
    EXPECT_EQ(first.fromAddress, "127.0.0.1");
    // The source port comes as the socket address holds it: network byte order.
    EXPECT_EQ(first.fromPort, zplat::HostToNet16(sender.GetPort()));

    receiver.RemoveHandler(&first);
    ASSERT_EQ(sender.SendTo("pong", 4, "localhost", receiver.GetPort()), 0);
    ASSERT_TRUE(second.WaitFor(2));
    EXPECT_EQ(first.Events().size(), 1u);
    EXPECT_EQ(second.Events().back(), "data:pong");

    EXPECT_EQ(receiver.Close(), 0);
    EXPECT_FALSE(receiver.IsRunning());
    EXPECT_EQ(receiver.Close(), -7);
    EXPECT_EQ(sender.Close(), 0);
}

TEST(UDPSocketTest, OversizeDatagramIsReportedThenDeliveredCut) {
    ZUDPSocket receiver, sender;
    Recorder recorder("r");
    receiver.AddHandler(&recorder);
    receiver.SetReceiveBufferSize(16);
    EXPECT_EQ(receiver.GetReceiveBufferSize(), 16u);
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    std::string big(100, 'b');
    ASSERT_EQ(sender.SendTo(big.data(), 100, "127.0.0.1", receiver.GetPort()), 0);
    ASSERT_TRUE(recorder.WaitFor(2));
    auto events = recorder.Events();
    EXPECT_EQ(events[0], "error:-12");
    EXPECT_EQ(events[1], "data:" + std::string(16, 'b'));
    EXPECT_EQ(recorder.fromAddress, "127.0.0.1");  // the cut datagram still names its source
    receiver.Close();
    sender.Close();
}

TEST(UDPSocketTest, ReceiveBufferIsCappedByTheLargestDatagram) {
    ZUDPSocket socket;
    socket.SetReceiveBufferSize(100000);  // no socket yet: nothing to cap against
    EXPECT_EQ(socket.GetReceiveBufferSize(), 100000u);
    IPADDRLIST list;
    list.count = 0;
    ASSERT_EQ(socket.GetLocalInterfaces(&list), 0);  // creates the socket
    EXPECT_EQ(socket.GetMaxMessageSize(), 65507);
    socket.SetReceiveBufferSize(100000);
    EXPECT_EQ(socket.GetReceiveBufferSize(), 65507u);
    socket.Close();
}

TEST(UDPSocketTest, SendToAnUnresolvableNameSendsNothing) {
    ZUDPSocket socket;
    EXPECT_EQ(socket.SendTo("x", 1, "no-such-host.invalid", 4258), -3);
    EXPECT_TRUE(socket.IsStarted());  // sending prepared the socket; the state is unchanged
    EXPECT_FALSE(socket.IsBroadcast());
    EXPECT_EQ(socket.Close(), 0);
}

TEST(UDPSocketTest, OpenOnAnAddressThatIsNotLocalTearsDown) {
    if (zplat::RunningUnderWine()) {
        GTEST_SKIP() << "Wine 8.0 binds a datagram socket to an address no interface has, where "
                        "Windows and Linux refuse with WSAEADDRNOTAVAIL";
    }
    ZUDPSocket socket;
    const char* foreign[] = {"203.0.113.77"};
    EXPECT_EQ(socket.Open(1, foreign, 1), -3);
    EXPECT_FALSE(socket.IsStarted());  // torn down
    EXPECT_EQ(socket.Close(), -7);
}

TEST(UDPSocketTest, OpenBindingRules) {
    {
        SCOPED_TRACE("an interface text that does not parse");
        ZUDPSocket socket;
        const char* bad[] = {"not-an-address"};
        EXPECT_EQ(socket.Open(1, bad, 1), -8);
        EXPECT_TRUE(socket.IsStarted());  // what was created before stays
        EXPECT_EQ(socket.Close(), 0);
    }
    {
        SCOPED_TRACE("a fixed port in use, exclusive");
        ZUDPSocket first, second;
        ASSERT_EQ(OpenOnLoopback(&first), 0);
        const char* lo[] = {"127.0.0.1"};
        second.SetPort(first.GetPort());
        EXPECT_EQ(second.Open(1, lo, 1), -1);  // address in use is not one of bind's own codes
        EXPECT_EQ(second.GetPort(), first.GetPort());
        first.Close();
    }
    {
        SCOPED_TRACE("a fixed port shared");
        ZUDPSocket first, second;
        first.SetExclusiveAddress(false);
        second.SetExclusiveAddress(false);
        ASSERT_EQ(OpenOnLoopback(&first), 0);
        const char* lo[] = {"127.0.0.1"};
        second.SetPort(first.GetPort());
        EXPECT_EQ(second.Open(1, lo, 1), 0);
        EXPECT_EQ(second.GetPort(), first.GetPort());
        first.Close();
        second.Close();
    }
    {
        SCOPED_TRACE("a null entry binds to the host's address");
        ZUDPSocket socket;
        const char* none[] = {nullptr};
        EXPECT_EQ(socket.Open(1, none, 1), 0);
        EXPECT_NE(socket.GetPort(), 0);
        socket.Close();
    }
    {
        SCOPED_TRACE("no list binds to every address; a plain group takes no membership");
        ZUDPSocket socket;
        socket.SetGroupAddress("192.168.1.255");
        EXPECT_EQ(socket.Open(0, nullptr, 0), 0);
        EXPECT_STREQ(socket.GetGroupAddress(), "192.168.1.255");
        socket.Close();
    }
}

TEST(UDPSocketTest, OpenAgainReplacesTheReceiveThread) {
    ZUDPSocket receiver, sender;
    Recorder recorder("r");
    receiver.AddHandler(&recorder);
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    uint16_t firstPort = receiver.GetPort();
    receiver.SetPort(0);
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    EXPECT_TRUE(receiver.IsRunning());
    ASSERT_EQ(sender.SendTo("again", 5, "127.0.0.1", receiver.GetPort()), 0);
    ASSERT_TRUE(recorder.WaitFor(1));
    EXPECT_EQ(recorder.Events()[0], "data:again");
    (void)firstPort;
    receiver.Close();
    sender.Close();
}

// A handler that closes its own socket from the receive thread.
class Closer : public IUDPSocketHandler {
public:
    int OnUDPData(const char*, int, const char*, uint16_t, ZUDPSocket* socket) override {
        result = socket->Close();
        done = true;
        return 0;
    }
    int OnUDPError(int, ZUDPSocket*) override { return 0; }
    std::atomic<int> result{99};
    std::atomic<bool> done{false};
};

TEST(UDPSocketTest, HandlerMayCloseItsSocketFromTheReceiveThread) {
    ZUDPSocket receiver, sender;
    Closer closer;
    receiver.AddHandler(&closer);
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    ASSERT_EQ(sender.SendTo("bye", 3, "127.0.0.1", receiver.GetPort()), 0);
    for (int i = 0; i < 200 && !closer.done; ++i) {
        zplat::Sleep(10);
    }
    ASSERT_TRUE(closer.done);
    EXPECT_EQ(closer.result, 0);
    receiver.Wait(zplat::INFINITE);
    EXPECT_FALSE(receiver.IsRunning());
    sender.Close();
}

// A handler that, on its first datagram, unregisters itself and another handler.
class Remover : public IUDPSocketHandler {
public:
    explicit Remover(IUDPSocketHandler* other) : other_(other) {}
    int OnUDPData(const char*, int, const char*, uint16_t, ZUDPSocket* socket) override {
        socket->RemoveHandler(this);
        socket->RemoveHandler(other_);
        calls++;
        return 0;
    }
    int OnUDPError(int, ZUDPSocket*) override { return 0; }
    std::atomic<int> calls{0};

private:
    IUDPSocketHandler* other_;
};

TEST(UDPSocketTest, HandlerRemovedDuringDeliveryIsNotCalled) {
    ZUDPSocket receiver, sender;
    Recorder later("later"), last("last");
    Remover remover(&later);
    receiver.AddHandler(&remover);
    receiver.AddHandler(&later);
    receiver.AddHandler(&last);
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    ASSERT_EQ(sender.SendTo("one", 3, "127.0.0.1", receiver.GetPort()), 0);
    ASSERT_TRUE(last.WaitFor(1));
    ASSERT_EQ(sender.SendTo("two", 3, "127.0.0.1", receiver.GetPort()), 0);
    ASSERT_TRUE(last.WaitFor(2));
    EXPECT_EQ(remover.calls, 1);
    EXPECT_TRUE(later.Events().empty());
    receiver.Close();
    sender.Close();
}

// A handler that runs a hook of the test's on each datagram, on the delivery thread.
class HookHandler : public IUDPSocketHandler {
public:
    int OnUDPData(const char* data, int length, const char*, uint16_t,
                  ZUDPSocket* socket) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            seen.emplace_back(data, static_cast<size_t>(length));
        }
        if (hook) {
            hook(socket);
        }
        return 0;
    }
    int OnUDPError(int, ZUDPSocket*) override { return 0; }
    size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return seen.size();
    }

    std::function<void(ZUDPSocket*)> hook;
    std::mutex mutex;
    std::vector<std::string> seen;
};

// True once condition holds, within two seconds.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 400; ++i) {
        if (condition()) {
            return true;
        }
        zplat::Sleep(5);
    }
    return condition();
}

// While a handler holds up delivery the receive thread goes on draining the system's buffer: the
// queue takes what its bound allows, the rest is dropped and counted, and what was queued comes
// out in order once the handler goes on.
TEST(UDPSocketTest, HandlerThatFallsBehindCostsTheQueueBoundAndDropsAreCounted) {
    ZUDPSocket receiver, sender;
    HookHandler handler;
    std::atomic<bool> hold{true};
    handler.hook = [&](ZUDPSocket*) {
        while (hold) {
            zplat::Sleep(1);
        }
    };
    receiver.AddHandler(&handler);
    receiver.SetQueueBounds(8, 1 << 16);
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    for (int i = 0; i < 20; ++i) {
        const std::string text = "d" + std::to_string(i);
        ASSERT_EQ(sender.SendTo(text.data(), static_cast<int>(text.size()), "127.0.0.1",
                                receiver.GetPort()),
                  0);
        if (i == 0) {  // the first one in the handler before the rest arrive
            ASSERT_TRUE(Eventually([&] { return handler.Count() == 1; }));
        }
    }
    ASSERT_TRUE(Eventually([&] { return receiver.GetReceivedCount() == 20; }));
    // One in the handler, eight queued, the other eleven dropped.
    EXPECT_EQ(receiver.GetQueueDroppedCount(), 11u);
    EXPECT_EQ(receiver.GetQueuePeakCount(), 8u);
    hold = false;
    ASSERT_TRUE(Eventually([&] { return handler.Count() == 9; }));
    std::vector<std::string> expected;
    for (int i = 0; i < 9; ++i) {
        expected.push_back("d" + std::to_string(i));
    }
    EXPECT_EQ(handler.seen, expected);
    EXPECT_EQ(receiver.Close(), 0);
    EXPECT_EQ(receiver.GetDiscardedAtCloseCount(), 0u);
    sender.Close();
}

// What is still queued when the socket closes is discarded and counted, here by a handler that
// closes its socket once all five datagrams were read.
TEST(UDPSocketTest, DatagramsStillQueuedAtCloseAreCounted) {
    ZUDPSocket receiver, sender;
    HookHandler handler;
    std::atomic<bool> closed{false};
    handler.hook = [&](ZUDPSocket* socket) {
        if (!closed) {
            Eventually([&] { return socket->GetReceivedCount() == 5; });
            socket->Close();
            closed = true;
        }
    };
    receiver.AddHandler(&handler);
    ASSERT_EQ(OpenOnLoopback(&receiver), 0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(sender.SendTo("x", 1, "127.0.0.1", receiver.GetPort()), 0);
    }
    ASSERT_TRUE(Eventually([&] { return closed.load(); }));
    receiver.Wait(zplat::INFINITE);
    EXPECT_EQ(handler.Count(), 1u);
    EXPECT_EQ(receiver.GetDiscardedAtCloseCount(), 4u);
    EXPECT_EQ(receiver.GetQueueDroppedCount(), 0u);
    sender.Close();
}

TEST(UDPSocketTest, MulticastAddresses) {
    ZUDPSocket socket;
    struct Case {
        const char* text;
        bool multicast;
    } cases[] = {
        {"239.1.2.3", true},        {"224.0.0.1", true},        {"240.0.0.1", false},
        {"223.255.255.255", false}, {"255.255.255.255", false}, {"", false},
        {"garbage", false},         {"192.168.1.1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(socket.IsMulticastAddress(c.text), c.multicast);
    }
    EXPECT_FALSE(socket.IsMulticastAddress(nullptr));
}

TEST(UDPSocketTest, GroupAddressIsKeptWithinItsField) {
    ZUDPSocket socket;
    socket.SetGroupAddress(nullptr);
    EXPECT_STREQ(socket.GetGroupAddress(), "");
    socket.SetGroupAddress(std::string(40, '1').c_str());
    EXPECT_EQ(std::string(socket.GetGroupAddress()), std::string(31, '1'));
}

TEST(UDPSocketTest, LocalInterfacesOfThisMachine) {
    // Reading the list sends nothing.
    ZUDPSocket socket;
    EXPECT_EQ(socket.GetLocalInterfaces(nullptr), -8);
    IPADDRLIST list;
    list.count = kIpAddrListCapacity;
    ASSERT_EQ(socket.GetLocalInterfaces(&list), 0);
    EXPECT_GE(list.count, 0);
    for (int i = 0; i < list.count; ++i) {
        EXPECT_NE(zplat::InetAddr(list.address[i]), zplat::INADDR_NONE_VALUE) << list.address[i];
        EXPECT_STRNE(list.address[i], "127.0.0.1");
    }
    list.count = 99;  // more than the record has room for
    ASSERT_EQ(socket.GetLocalInterfaces(&list), 0);
    EXPECT_LE(list.count, kIpAddrListCapacity);
    socket.Close();
}

}  // namespace
