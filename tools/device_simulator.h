#pragma once
// ZDeviceSimulator: plays the device side of discovery for a set of simulated devices. It
// listens on the search port (4258 unless told otherwise), reads every search request, and for
// each device whose service name the request's pattern matches (the engine's wildcard rule) and
// that the request targets (every device, or the device's own reported address) it sends an
// answer built with the protocol processor, or its refusal, to the requester: the request's
// source address and the requester port that the request names. Answers may be delayed, each by
// the base delay plus a random jitter. Every answer is built once per requester and reused for
// that requester's later searches, and the answers due at one moment leave in batches
// (zplat::SendDatagramBatch), so that thousands of devices answer as fast as the network takes
// them; Stats tells how fast that was. For trials of a receiver's bounds the simulator can also
// flood the first requester it hears with answers (Options::flood*, see ZAnswerFlood). As on a real
// network, a request sent to the address that a device reports reaches that device alone; a
// broadcast (to 255.255.255.255, to the broadcast address of a subnet of the host's interfaces or
// of a device, or to a multicast group) reaches every device; a request to any other address (one
// of the host's own, or one routed to the host) reaches none, as no device has it. A datagram
// whose destination the system does not report counts as a broadcast.
//
//   ZDeviceSimulator::Options options;
//   options.jitterMs = 50;
//   ZDeviceSimulator simulator(devices, options);
//   std::string error;
//   if (!simulator.Open(&error)) { fputs(error.c_str(), stderr); return 3; }
//   simulator.Run(&stopEvent);                // until the event is signalled
//
// Without Open the simulator still turns datagrams into queued answers (HandleDatagram,
// TakeDue), which is how its unit tests run without a network.
//
// Ownership: the simulator owns its socket, its devices and the queued answers. One thread at a
// time; Stats may be read after Run returns.

#include <cstdint>
#include <map>
#include <memory>
#include <queue>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "ndd/ndd_protocol_handler.h"
#include "ndd/zg2p_codec_handler.h"
#include "platform/network/datagram_batch.h"
#include "platform/threading/event.h"
#include "tools/answer_flood.h"
#include "tools/request_log.h"
#include "tools/simulated_device.h"

class ZNDDProtocolProcessor;
class ZZG2PCodec;

class ZDeviceSimulator : public IZG2PCodecHandler, public INDDProtocolHandler {
public:
    // The UDP port on which devices listen for search requests.
    static constexpr uint16_t kSearchPort = 4258;

    struct Options {
        uint16_t port = kSearchPort;
        uint32_t delayMs = 0;   // every answer waits this long
        uint32_t jitterMs = 0;  // plus a random 0..jitterMs, drawn per answer
        uint32_t seed = 0;      // 0: a random seed
        std::string logPath;    // a JSON-lines request log when not empty
        // A flood of the first device's answer (kSame) or of forged devices (kForged) at the
        // first requester heard, at floodRate datagrams a second (0: as fast as they leave),
        // padded to floodBytes (0: as built), for floodSeconds (0: until stopped).
        ZAnswerFlood::Mode flood = ZAnswerFlood::kNone;
        uint32_t floodRate = 0;
        uint32_t floodBytes = 0;
        double floodSeconds = 0;
    };

    struct Stats {
        uint64_t datagrams = 0;  // received
        uint64_t requests = 0;   // search requests among them
        uint64_t answers = 0;    // answers sent
        uint64_t refusals = 0;   // refusals sent
        uint64_t sendFailures = 0;
        std::map<int, uint64_t> sendFailureCodes;  // Winsock error number -> datagrams
        uint64_t sent = 0;            // datagrams the system took (answers, refusals, flood)
        uint64_t floodSent = 0;       // of which flood datagrams
        uint64_t sendNs = 0;          // time spent in the send calls
        uint64_t longestBurstNs = 0;  // the longest run of sending without reading in between
        uint64_t latestMs = 0;        // the most an answer left after the time it was due
        // Search requests received in each second since the first one (at most kCountedSeconds).
        std::vector<uint64_t> requestsPerSecond;
    };
    static constexpr size_t kCountedSeconds = 3600;

    // One datagram waiting to be sent.
    struct Outgoing {
        uint64_t dueMs;
        uint64_t sequence;  // keeps the order of answers due at the same time
        uint32_t address;   // network order
        uint16_t port;      // host order
        std::vector<uint8_t> bytes;
    };

    ZDeviceSimulator(std::vector<ZSimulatedDevice> devices, Options options);
    ~ZDeviceSimulator() override;
    ZDeviceSimulator(const ZDeviceSimulator&) = delete;
    ZDeviceSimulator& operator=(const ZDeviceSimulator&) = delete;

    // Binds the port on every address and opens the log; false with the reason otherwise.
    bool Open(std::string* error);
    // Receives and answers until stop is signalled; then closes the socket.
    void Run(zplat::Event* stop);

    // Reads one datagram and queues the answers it calls for; nowMs is the clock of the queue.
    void HandleDatagram(const uint8_t* data, uint32_t length, uint32_t from, uint16_t fromPort,
                        uint32_t destination, uint64_t nowMs);
    // Takes the queued datagrams that are due at nowMs, in order.
    std::vector<Outgoing> TakeDue(uint64_t nowMs);
    size_t QueuedCount() const { return queue_.size(); }
    const Stats& GetStats() const { return stats_; }
    size_t GetDeviceCount() const { return devices_.size(); }

    // IZG2PCodecHandler.
    bool OnMessage(ZZG2PMessage* message, int context) override;
    bool OnError(int code, int context) override;
    // INDDProtocolHandler: requests are answered; everything else is ignored.
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

private:
    // What OnSearchRequest needs to know about the datagram being read.
    struct Arrival {
        uint32_t from;
        uint16_t fromPort;
        uint32_t destination;
        uint64_t nowMs;
    };
    using Bytes = std::shared_ptr<const std::vector<uint8_t>>;
    // A queued datagram; answers to one requester share their bytes.
    struct Pending {
        uint64_t dueMs;
        uint64_t sequence;
        uint32_t address;
        uint16_t port;
        Bytes bytes;
    };
    struct Later {
        bool operator()(const Pending& a, const Pending& b) const {
            return a.dueMs != b.dueMs ? a.dueMs > b.dueMs : a.sequence > b.sequence;
        }
    };

    // Whether a request sent to destination reaches every device (a broadcast, see above). The
    // host's interfaces are read again when a destination is none of the known ones, at most
    // once a second (nowMs), so that an interface added while the simulator runs is known.
    bool IsBroadcast(uint32_t destination, uint64_t nowMs);
    // Adds the broadcast address of a subnet (address and mask, network order); a /31 or /32
    // has none.
    void AddBroadcastOf(uint32_t address, uint32_t mask);
    // The answers built for one requester (its address and mask), one slot per device, filled
    // as devices first answer it.
    std::vector<Bytes>& AnswersFor(uint32_t requesterAddress, uint32_t requesterMask);
    void SendDue(uint64_t nowMs);
    // Sends batch_, counting what the system took and every failure by its error number.
    void SendBatch();
    bool FloodRunning(uint64_t nowMs) const;
    void CloseSocket();
    uint64_t AnswerDelay();

    std::vector<ZSimulatedDevice> devices_;
    std::unordered_set<uint32_t> addresses_;   // the devices' addresses
    std::unordered_set<uint32_t> broadcasts_;  // of the devices' subnets and the interfaces'
    bool interfacesRead_ = false;
    uint64_t interfacesReadMs_ = 0;
    Options options_;
    uint64_t firstRequestMs_ = 0;
    std::unique_ptr<ZZG2PCodec> codec_;
    std::unique_ptr<ZNDDProtocolProcessor> reader_;   // reads requests
    std::unique_ptr<ZNDDProtocolProcessor> builder_;  // builds answers and refusals
    std::priority_queue<Pending, std::vector<Pending>, Later> queue_;
    std::map<std::pair<uint32_t, uint32_t>, std::vector<Bytes>> answers_;
    uint64_t sequence_ = 0;
    std::vector<zplat::OutgoingDatagram> batch_;
    std::vector<Pending> sending_;  // keeps the bytes of batch_ alive
    std::unique_ptr<ZAnswerFlood> flood_;
    std::vector<std::vector<uint8_t>> floodBytes_;  // the flood datagrams of one batch
    zplat::SockAddrIn floodTo_;
    uint64_t floodEndMs_ = 0;  // 0: no end
    std::mt19937 random_;
    ZRequestLog log_;
    Stats stats_;
    const Arrival* arrival_ = nullptr;  // the datagram being read
    intptr_t socket_ = -1;
    bool winsockStarted_ = false;
};
