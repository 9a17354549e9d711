#pragma once
// ZNetworkDeviceDetection: the network side of discovery. It owns one UDP socket and a table of
// the machine's local IPv4 interfaces, sends each search cycle on every interface (to the
// interface's directed broadcast address and to 255.255.255.255), turns every answer that comes
// back into a transient ZNetworkDevice and reports it, and every refusal, to its one
// INetworkDeviceDetectionHandler. When the system reports an address change it reopens the socket
// on the new interface set before the next cycle.
//
//   ZNetworkDeviceDetection engine(&agent);
//   if (engine.Start(nullptr, 0, 4258) != 0) return;         // free local port, devices on 4258
//   int16_t result = 0;
//   engine.SendSearch("zelvane.*", "", identity, &result);   // answers reach agent.OnDeviceAnswer
//   engine.Stop();
//
// One cycle puts two datagrams per local interface on the network, in table order, each carrying
// the address and mask of its own interface as the requester address. Without any interface one
// request with the machine's primary address goes to the socket's group address. Given subnets
// (SetSubnets), each cycle also sweeps them: a ZSubnetSweep sends the cycle's request by unicast,
// paced, to every host address beyond the local subnets, from the same socket, on a thread of its
// own that never takes the engine lock.
//
// Threads and locks: Start, Stop, SendSearch and the interface getters run on the owner's threads
// under the engine lock; answers arrive on the socket's delivery thread, which takes the engine
// lock too: an answer that arrives while another thread holds it (a search being sent, an
// interface read) waits and is handled right after (GetCounters().answersWaited counts them).
// Only while the holder closes or reopens the socket, which waits for the delivery thread to end,
// does a waiting answer give up; it counts with the datagrams still queued at that moment
// (queuedAtClose). No answer is dropped because a search was being sent. The handler's
// OnDeviceAnswer runs with the engine lock held. Refusals are reported without the engine lock.
//
// Ownership: the engine owns its socket, codec, processor, system configuration and the answer
// records of the current cycle (ZAnswerRecords: identical answers of a cycle share one record,
// and the cycle's records are bounded in bytes). A record it reports lives until the next cycle
// or the next reopening of the socket; past the cycle's bound, only during the handler's call
// (handlers copy what they keep). The handler is not owned. Interface address objects returned by
// GetInterface live until the next interface read.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/string.h"
#include "ndd/answer_records.h"
#include "ndd/ndd_protocol_handler.h"
#include "ndd/network_device.h"
#include "ndd/network_device_detection_handler.h"
#include "ndd/network_device_detection_interface.h"
#include "ndd/zg2p_codec_handler.h"
#include "net/cidr_block.h"
#include "net/ip_address.h"
#include "net/system_network_config.h"
#include "net/udp_socket_handler.h"
#include "platform/network/addr_change.h"
#include "platform/threading/critical_section.h"
#include "platform/threading/event.h"

class ZNDDProtocolProcessor;
class ZSubnetSweep;
class ZUDPSocket;
class ZZG2PCodec;

class ZNetworkDeviceDetection : public IUDPSocketHandler,
                                public IZG2PCodecHandler,
                                public INDDProtocolHandler,
                                public INetworkDeviceDetection {
public:
    // Engine result codes; every other code is the processor's (0, 1, 255, 2047, ...).
    static constexpr int16_t kWrongMode = -8191;
    static constexpr int16_t kBadArgument = -8190;
    static constexpr int16_t kNetworkError = -8189;

    // The most local interfaces the table holds (the socket's address list capacity).
    static constexpr uint32_t kMaxInterfaces = 32;
    // How long the engine lets the system settle after an address change before it reads the
    // interfaces again.
    static constexpr uint32_t kAddressChangeSettleMs = 100;
    // An answer waiting for the engine lock tries it again this often.
    static constexpr uint32_t kLockPollMs = 1;

    // One entry of the interface table: the interface address with mask and broadcast address,
    // and the system name of the adapter that carries it (empty when the inventory knows none).
    struct ADAPTERDEF {
        ZIPAddress address;
        ZString name;
    };

    // Idle, ports 0, no interfaces; handler may be null (answers are then only counted as
    // handled).
    explicit ZNetworkDeviceDetection(INetworkDeviceDetectionHandler* handler);
    ZNetworkDeviceDetection(const ZNetworkDeviceDetection&) = delete;
    ZNetworkDeviceDetection& operator=(const ZNetworkDeviceDetection&) = delete;

    // IUDPSocketHandler: every datagram is fed to the codec as one whole.
    int OnUDPData(const char* data, int length, const char* fromAddress, uint16_t fromPort,
                  ZUDPSocket* socket) override;
    int OnUDPError(int code, ZUDPSocket* socket) override;
    // IZG2PCodecHandler.
    bool OnMessage(ZZG2PMessage* message, int context) override;
    bool OnError(int code, int context) override;
    // INDDProtocolHandler.
    int OnOtherMessage(uint16_t messageId, void* context) override;
    int OnSearchRequest(uint32_t requesterAddress, uint32_t requesterMask, uint16_t requesterPort,
                        const char* requesterName, uint32_t targetAddress, const char* serviceType,
                        const char* data, void* context) override;
    int OnAnswer(const char* serviceName, uint32_t deviceAddress, uint32_t deviceMask,
                 uint32_t userData, uint16_t port, uint16_t auxValue, const char* deviceName,
                 const char* model, const char* version, const char* info,
                 uint32_t requesterAddress, uint32_t requesterMask, uint32_t indexValue,
                 const char* extraText, void* context) override;
    int OnErrorAnswer(uint32_t deviceAddress, const char* serviceName, uint16_t code,
                      void* context) override;
    ~ZNetworkDeviceDetection() override;
    // INetworkDeviceDetection.
    bool MatchServiceName(const char* pattern, const char* name) override;
    const char* GetErrorText(int16_t code) override;

    // The wildcard rule of MatchServiceName, for users without an engine (a device simulator).
    static bool MatchServiceNamePattern(const char* pattern, const char* name);

    // Enters searching mode and opens the socket: 0, or kNetworkError when opening failed (the
    // mode stays searching; the next address change tries again). 0 at once when searching.
    int16_t Start(const char* groupAddress, uint16_t localPort, uint16_t remotePort);
    // Cancels the address-change watch, closes the socket, returns to idle. The answers of the
    // last cycle stay until the next opening, cycle or the engine's destruction.
    void Stop();
    // One search cycle. Not searching: *result = kWrongMode and false. Otherwise *result = 0 and
    // true when the last datagram went out, kNetworkError and false when it did not. target empty
    // asks every device. result may be null.
    bool SendSearch(const char* serviceType, const char* target, const char* data, int16_t* result);
    // The interface table, re-read first when the system reported an address change.
    uint32_t GetInterfaceCount();
    // Null when index is out of range.
    ZIPAddress* GetInterface(uint32_t index);
    // The adapter name of an entry ("" when unknown), null when index is out of range.
    const char* GetInterfaceName(uint32_t index);

    // Subnets beyond the local ones to sweep every cycle, rate requests per second (an empty list
    // sweeps nothing). Blocks without a route are left out until the socket is opened again.
    void SetSubnets(std::vector<ZCIDRBlock> blocks, uint32_t rate);
    // Sweep requests sent so far.
    uint64_t GetSweptCount();

    bool IsSearching() const { return searching_.load(); }
    // Answers dropped because they arrived while a search was being sent: none any more (they
    // wait for it); kept for the figures that report it.
    uint64_t GetDroppedAnswerCount() const { return 0; }

    // What the answer path counted since construction.
    struct Counters {
        uint64_t datagrams = 0;      // read from the system
        uint64_t queueDropped = 0;   // dropped: the socket's queue was full
        uint64_t queuedAtClose = 0;  // not yet handled when the socket closed or reopened
        uint32_t queuePeak = 0;      // the most datagrams queued at one time
        uint64_t answersWaited = 0;  // met the engine lock held and were handled after
    };
    Counters GetCounters() const;
    // The local port the socket is bound to (0 while closed).
    uint16_t GetLocalPort();

private:
    int16_t OpenSocket(const char* groupAddress, uint16_t localPort);
    void RefreshInterfaces(const char* groupAddress);
    void ClearInterfaces();
    void CloseSocket();
    bool CheckAddressChange();
    void DeleteAnswers();
    void RegisterAddressChange();
    void CancelAddressChange();
    void PrepareSweep();

    zplat::CriticalSection lock_;  // the engine lock
    std::atomic<bool> searching_{false};
    std::atomic<uint64_t> abandonedAnswers_{0};  // gave up waiting: the socket was closing
    std::atomic<uint64_t> waitedAnswers_{0};
    // Raised while the socket is being closed or reopened (under the engine lock).
    std::atomic<bool> closing_{false};
    std::unique_ptr<ZNDDProtocolProcessor> processor_;
    std::unique_ptr<ZZG2PCodec> codec_;  // used by the receive thread only
    std::unique_ptr<ZUDPSocket> socket_;
    ZSystemNetworkConfig config_;
    INetworkDeviceDetectionHandler* handler_;
    ADAPTERDEF interfaces_[kMaxInterfaces];
    uint32_t interfaceCount_ = 0;
    uint16_t remotePort_ = 0;
    uint16_t localPort_ = 0;
    zplat::Event changeEvent_{/*manualReset=*/true, /*initialState=*/false};
    zplat::Overlapped changeOverlapped_;
    bool changeRegistered_ = false;
    ZAnswerRecords answers_;               // under the engine lock
    std::unique_ptr<ZSubnetSweep> sweep_;  // null without subnets
};
