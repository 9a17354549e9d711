#pragma once
// ZUDPSocket: the program's one IPv4 datagram endpoint. It binds a local port (and, with exactly
// one interface given, that interface's address), can join a multicast group on one or several
// interfaces, sends to a dotted address or a host name, and receives on threads of its own,
// handing each datagram to the registered IUDPSocketHandler objects in registration order.
//
//   ZUDPSocket socket;
//   socket.AddHandler(&handler);
//   socket.SetPort(0);                       // the system chooses
//   socket.SetExclusiveAddress(false);
//   IPADDRLIST list;
//   list.count = 32;
//   socket.GetLocalInterfaces(&list);
//   const char* interfaces[32];  ... interfaces[i] = list.address[i] ...
//   socket.Open(1, interfaces, list.count);
//   socket.SendTo(bytes, n, "255.255.255.255", 4258);   // switches broadcast on
//   socket.Close();
//
// Every operation reports failure as a result code (ZSocketResult, texts from GetErrorText); 0 is
// success. Setters only store values; Open applies them. After its other options Open asks for
// a 4 MiB receive buffer in the system, so that bursts of answers wait there while the receive
// thread reads; the result of that request is ignored like the other optional settings.
//
// Receiving runs on two threads. The receive thread (the ZThread base) only drains the system's
// buffer: it reads the waiting datagrams in batches (zplat::RecvBatch) into a bounded queue
// (ZDatagramQueue, kQueueDatagrams datagrams and kQueueBytes bytes) and goes back to waiting. The
// delivery thread takes them from the queue in order and calls the handlers. A datagram that finds
// the queue full is dropped and counted (GetQueueDroppedCount), so handlers that fall behind cost
// at most the queue's bounds and never make the system drop what the queue could still take.
// Close discards what is still queued and counts it (GetDiscardedAtCloseCount).
//
// Ownership and threads: handlers are not owned. Open, Close, SendTo, GetLocalInterfaces and the
// setters come from the owner's threads, which the owner serialises; the delivery thread runs the
// handlers with the handler list's lock held, so RemoveHandler from another thread waits for a
// delivery in progress, and a removed handler is never called again. A handler may Close its
// socket (not Open it). Destroy the socket from an owner thread, never from a handler.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/thread.h"
#include "foundation/thread_handler.h"
#include "net/datagram_queue.h"
#include "net/udp_socket_handler.h"
#include "net/wsa_data.h"

namespace zplat {
class Event;
struct RecvSlot;
struct SockAddrIn;
}  // namespace zplat

// Room for this many local interface addresses; the detection engine asks for all of them.
inline constexpr int kIpAddrListCapacity = 32;

// The local interface addresses: count is the capacity on input (at most kIpAddrListCapacity
// entries are ever filled) and the number of entries filled on output.
struct IPADDRLIST {
    int32_t count;
    char address[kIpAddrListCapacity][24];
};

class ZUDPSocket : public ZWSAData, public ZThread, private IThreadHandler {
public:
    // Bounds of the queue between the receive and the delivery thread: room for a burst of
    // answers from tens of thousands of devices while the handlers work through them.
    static constexpr uint32_t kQueueDatagrams = 65536;
    static constexpr uint32_t kQueueBytes = 16 * 1024 * 1024;

    ZUDPSocket();
    ~ZUDPSocket() override;

    // The receive loop (the thread's body).
    int Run() override;
    virtual void AddHandler(IUDPSocketHandler* handler);
    virtual void RemoveHandler(IUDPSocketHandler* handler);
    // Null stores the empty text; at most 31 characters are kept.
    virtual void SetGroupAddress(const char* text);
    virtual const char* GetGroupAddress();
    virtual void SetPort(uint16_t port);
    virtual uint16_t GetPort();
    // Call only while the socket is closed: the receive loop uses the buffer.
    virtual void SetReceiveBufferSize(uint32_t size);
    virtual uint32_t GetReceiveBufferSize();
    virtual int GetMaxMessageSize();
    virtual void SetExclusiveAddress(bool on);
    virtual bool IsExclusiveAddress();
    virtual void SetMulticastLoopback(bool on);
    virtual bool GetMulticastLoopback();

    // useInterfaces 1: interfaces holds count dotted addresses to honour (one binds to it, more
    // take the group membership on each); any other value: no list.
    int Open(int useInterfaces, const char** interfaces, uint32_t count);
    int Close();
    // host null sends to 255.255.255.255; the text "255.255.255.255" first switches broadcast on
    // (it stays on until the socket closes); a name is resolved.
    int SendTo(const char* data, int length, const char* host, uint16_t port);
    int GetLocalInterfaces(IPADDRLIST* list);
    bool IsMulticastAddress(const char* text);
    // Whether broadcast permission is set on the socket now.
    bool IsBroadcast() const { return broadcast_; }

    // The queue's bounds (kQueueDatagrams and kQueueBytes unless set); call only while closed.
    void SetQueueBounds(uint32_t maxDatagrams, uint32_t maxBytes);

    // Counters over the socket's life (every Open and Close): datagrams read from the system,
    // datagrams dropped because the queue was full, datagrams still queued when the socket closed
    // (or reopened), and the most that were queued at one time.
    uint64_t GetReceivedCount() const { return received_.load(); }
    uint64_t GetQueueDroppedCount() const { return queue_.GetDroppedCount(); }
    uint64_t GetDiscardedAtCloseCount() const { return discarded_.load(); }
    uint32_t GetQueuePeakCount() const { return queue_.GetPeakCount(); }

private:
    // The delivery thread's body: takes datagrams from the queue and calls the handlers.
    int ThreadRun(ZThread* thread) override;
    // Reads every datagram waiting now into the queue (receive thread).
    void Drain(zplat::RecvSlot* slots, int count);
    bool CreateSocket();
    void DropSocket();
    bool SetBroadcast(bool on);
    int JoinGroup(const char* group, const char* interfaceAddress);
    void NotifyData(const char* data, int length, const char* fromAddress, uint16_t fromPort);
    void NotifyError(int code);
    int Teardown();
    // The registered handlers in order, copied under the list's lock (held by the caller).
    const std::vector<IUDPSocketHandler*>& CurrentHandlers();
    // The delivery thread (stop flag, queue stopped, wait for its end), then the receive thread
    // (stop flag, stop event, wait; neither waits for itself); what is left in the queue is
    // discarded and counted.
    void StopReceiveThread(bool onlyWhenRunning);
    void StopDeliveryThread();

    LUDPSocketHandlerList* handlers_;  // owned
    char group_address_[32] = {};
    uint16_t port_ = 0;
    bool exclusive_address_ = true;
    bool multicast_loopback_ = true;
    bool broadcast_ = false;
    std::unique_ptr<char[]> receive_buffer_;
    uint32_t receive_buffer_size_ = 0;
    intptr_t socket_;
    std::unique_ptr<zplat::SockAddrIn> bound_address_;
    // Shared with the receive loop, which keeps its own reference while it runs: a handler that
    // closes the socket from the receive thread destroys the owner's reference only.
    std::shared_ptr<zplat::Event> stop_event_;
    std::vector<IUDPSocketHandler*> notify_snapshot_;  // used by the delivery thread only
    ZDatagramQueue queue_{kQueueDatagrams, kQueueBytes};
    ZThread delivery_{false, this};
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> discarded_{0};
};
