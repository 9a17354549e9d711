#pragma once
// ZDeviceSimulator: plays the device side of discovery for a set of simulated devices. It
// listens on the search port (4258 unless told otherwise), reads every search request, and for
// each device whose service name the request's pattern matches (the engine's wildcard rule) and
// that the request targets (every device, or the device's own reported address) it sends an
// answer built with the protocol processor, or its refusal, to the requester: the request's
// source address and the requester port that the request names. Answers may be delayed, each by
// the base delay plus a random jitter.
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
#include <memory>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "ndd/ndd_protocol_handler.h"
#include "ndd/zg2p_codec_handler.h"
#include "platform/threading/event.h"
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
    };

    struct Stats {
        uint64_t datagrams = 0;  // received
        uint64_t requests = 0;   // search requests among them
        uint64_t answers = 0;    // answers sent
        uint64_t refusals = 0;   // refusals sent
        uint64_t sendFailures = 0;
    };

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
    struct Later {
        bool operator()(const Outgoing& a, const Outgoing& b) const {
            return a.dueMs != b.dueMs ? a.dueMs > b.dueMs : a.sequence > b.sequence;
        }
    };

    void Queue(uint64_t dueMs, uint32_t address, uint16_t port, const uint8_t* bytes,
               uint32_t length);
    void SendDue(uint64_t nowMs);
    void CloseSocket();
    uint64_t AnswerDelay();

    std::vector<ZSimulatedDevice> devices_;
    Options options_;
    std::unique_ptr<ZZG2PCodec> codec_;
    std::unique_ptr<ZNDDProtocolProcessor> reader_;   // reads requests
    std::unique_ptr<ZNDDProtocolProcessor> builder_;  // builds answers and refusals
    std::priority_queue<Outgoing, std::vector<Outgoing>, Later> queue_;
    uint64_t sequence_ = 0;
    std::mt19937 random_;
    ZRequestLog log_;
    Stats stats_;
    const Arrival* arrival_ = nullptr;  // the datagram being read
    intptr_t socket_ = -1;
    bool winsockStarted_ = false;
};
