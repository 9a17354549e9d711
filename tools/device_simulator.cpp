#include "tools/device_simulator.h"

#include <algorithm>
#include <chrono>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/network_device_detection.h"
#include "ndd/zg2p_codec.h"
#include "ndd/zg2p_message.h"
#include "platform/network/inet.h"
#include "platform/network/socket.h"
#include "platform/network/socket_destination.h"

namespace {

constexpr uint32_t kEveryDevice = 0xFFFFFFFFu;  // the target of a request for every device

// Room for the largest UDP datagram; requests are far smaller.
constexpr int kReceiveBufferBytes = 65536;
// Generous system buffers: requests are few, but thousands of answers leave in one burst.
constexpr int kSocketBufferBytes = 4 << 20;
// How long the loop sleeps at most when nothing is queued, so a stop is seen even without its
// event.
constexpr uint32_t kIdleWaitMs = 200;

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

std::string LastSocketError(const char* what) {
    return std::string(what) + " failed (socket error " + std::to_string(zplat::WSAGetLastError()) +
           ")";
}

}  // namespace

ZDeviceSimulator::ZDeviceSimulator(std::vector<ZSimulatedDevice> devices, Options options)
    : devices_(std::move(devices)),
      options_(std::move(options)),
      codec_(std::make_unique<ZZG2PCodec>(/*longForm=*/false, this)),
      reader_(std::make_unique<ZNDDProtocolProcessor>()),
      builder_(std::make_unique<ZNDDProtocolProcessor>()),
      random_(options_.seed != 0 ? options_.seed : std::random_device{}()) {
    reader_->SetHandler(this);
}

ZDeviceSimulator::~ZDeviceSimulator() {
    CloseSocket();
}

bool ZDeviceSimulator::Open(std::string* error) {
    if (!options_.logPath.empty() && !log_.Open(options_.logPath)) {
        *error = "the request log " + options_.logPath + " cannot be written";
        return false;
    }
    zplat::WSAData data;
    if (zplat::WSAStartup(2, &data) != 0) {
        *error = "socket start-up failed";
        return false;
    }
    winsockStarted_ = true;
    socket_ = zplat::WSASocket(zplat::WS_AF_INET, zplat::WS_SOCK_DGRAM, 0, 0);
    if (socket_ == zplat::INVALID_SOCKET) {
        *error = LastSocketError("creating the socket");
        CloseSocket();
        return false;
    }
    const int on = 1;
    zplat::SetSockOpt(socket_, zplat::WS_SOL_SOCKET, zplat::WS_SO_REUSEADDR, &on, sizeof on);
    zplat::SetSockOpt(socket_, zplat::WS_SOL_SOCKET, zplat::WS_SO_RCVBUF, &kSocketBufferBytes,
                      sizeof kSocketBufferBytes);
    zplat::SockAddrIn any;
    any.port = zplat::HostToNet16(options_.port);
    if (zplat::Bind(socket_, any) == zplat::SOCKET_ERROR) {
        *error = LastSocketError(("binding UDP port " + std::to_string(options_.port)).c_str());
        CloseSocket();
        return false;
    }
    if (zplat::EnableDestinationAddress(socket_) == zplat::SOCKET_ERROR) {
        *error = LastSocketError("asking for destination addresses");
        CloseSocket();
        return false;
    }
    return true;
}

void ZDeviceSimulator::CloseSocket() {
    if (socket_ != zplat::INVALID_SOCKET) {
        zplat::CloseSocket(socket_);
        socket_ = zplat::INVALID_SOCKET;
    }
    if (winsockStarted_) {
        zplat::WSACleanup();
        winsockStarted_ = false;
    }
}

void ZDeviceSimulator::Run(zplat::Event* stop) {
    std::vector<uint8_t> buffer(kReceiveBufferBytes);
    while (socket_ != zplat::INVALID_SOCKET && !stop->IsSet()) {
        uint64_t now = NowMs();
        uint32_t waitMs = kIdleWaitMs;
        if (!queue_.empty()) {
            const uint64_t due = queue_.top().dueMs;
            waitMs = due <= now ? 0 : static_cast<uint32_t>(std::min<uint64_t>(due - now, waitMs));
        }
        const uint32_t woke = zplat::WaitReadableOrStopped(socket_, *stop, waitMs);
        if (woke == zplat::WAIT_OBJECT_0) {
            // Everything queued now, so a burst of requests is read before answers go out.
            for (;;) {
                zplat::SockAddrIn from;
                uint32_t destination = 0;
                const int n = zplat::RecvFromTo(socket_, buffer.data(), kReceiveBufferBytes, &from,
                                                &destination);
                if (n == zplat::SOCKET_ERROR) {
                    break;  // nothing more queued (or a datagram too large: dropped)
                }
                HandleDatagram(buffer.data(), static_cast<uint32_t>(n), from.address,
                               zplat::NetToHost16(from.port), destination, NowMs());
            }
        } else if (woke == zplat::WAIT_OBJECT_0 + 1) {
            break;
        }
        SendDue(NowMs());
    }
    CloseSocket();
}

void ZDeviceSimulator::SendDue(uint64_t nowMs) {
    for (Outgoing& out : TakeDue(nowMs)) {
        zplat::SockAddrIn to;
        to.address = out.address;
        to.port = zplat::HostToNet16(out.port);
        if (zplat::SendTo(socket_, out.bytes.data(), static_cast<int>(out.bytes.size()), to) ==
            zplat::SOCKET_ERROR) {
            ++stats_.sendFailures;
        }
    }
}

std::vector<ZDeviceSimulator::Outgoing> ZDeviceSimulator::TakeDue(uint64_t nowMs) {
    std::vector<Outgoing> due;
    while (!queue_.empty() && queue_.top().dueMs <= nowMs) {
        due.push_back(queue_.top());
        queue_.pop();
    }
    return due;
}

void ZDeviceSimulator::HandleDatagram(const uint8_t* data, uint32_t length, uint32_t from,
                                      uint16_t fromPort, uint32_t destination, uint64_t nowMs) {
    ++stats_.datagrams;
    if (data == nullptr || length == 0) {
        return;
    }
    // The codec and the processor call back during Feed; the callbacks find the datagram's
    // addresses here.
    const Arrival arrival{from, fromPort, destination, nowMs};
    arrival_ = &arrival;
    codec_->Feed(data, length, 0);
    arrival_ = nullptr;
    // A datagram is one whole message: what it leaves behind must not join the next one.
    if (codec_->GetGatheredCount() != 0) {
        codec_ = std::make_unique<ZZG2PCodec>(/*longForm=*/false, this);
    }
}

bool ZDeviceSimulator::OnMessage(ZZG2PMessage* message, int) {
    reader_->Process(message, nullptr);
    return true;
}

bool ZDeviceSimulator::OnError(int, int) {
    return true;
}

int ZDeviceSimulator::OnOtherMessage(uint16_t, void*) {
    return 0;
}

int ZDeviceSimulator::OnAnswer(const char*, uint32_t, uint32_t, uint32_t, uint16_t, uint16_t,
                               const char*, const char*, const char*, const char*, uint32_t,
                               uint32_t, uint32_t, const char*, void*) {
    return 0;  // other devices' answers are not ours to read
}

int ZDeviceSimulator::OnErrorAnswer(uint32_t, const char*, uint16_t, void*) {
    return 0;
}

uint64_t ZDeviceSimulator::AnswerDelay() {
    uint64_t delay = options_.delayMs;
    if (options_.jitterMs > 0) {
        delay += std::uniform_int_distribution<uint32_t>(0, options_.jitterMs)(random_);
    }
    return delay;
}

void ZDeviceSimulator::Queue(uint64_t dueMs, uint32_t address, uint16_t port, const uint8_t* bytes,
                             uint32_t length) {
    queue_.push(
        Outgoing{dueMs, sequence_++, address, port, std::vector<uint8_t>(bytes, bytes + length)});
}

int ZDeviceSimulator::OnSearchRequest(uint32_t requesterAddress, uint32_t requesterMask,
                                      uint16_t requesterPort, const char* requesterName,
                                      uint32_t targetAddress, const char* serviceType,
                                      const char* data, void*) {
    if (arrival_ == nullptr) {
        return 0;
    }
    ++stats_.requests;
    const Arrival& arrival = *arrival_;
    int answers = 0;
    for (const ZSimulatedDevice& d : devices_) {
        if (!ZNetworkDeviceDetection::MatchServiceNamePattern(serviceType, d.serviceName.c_str())) {
            continue;
        }
        if (targetAddress != kEveryDevice && targetAddress != d.address) {
            continue;
        }
        ++answers;
        if (requesterPort == 0) {
            continue;  // nowhere to answer to
        }
        if (d.refusalCode) {
            builder_->BuildRefusal(d.address, d.serviceName.c_str(), *d.refusalCode);
            ++stats_.refusals;
        } else {
            builder_->BuildAnswer(d.serviceName.c_str(), d.address, d.mask, d.userData, d.port,
                                  d.auxValue, d.deviceName.c_str(), d.model.c_str(),
                                  d.version.c_str(), d.info.c_str(), requesterAddress,
                                  requesterMask, d.indexValue, d.extraText.c_str());
            ++stats_.answers;
        }
        Queue(arrival.nowMs + AnswerDelay(), arrival.from, requesterPort, builder_->GetData(),
              builder_->GetLength());
    }
    if (log_.IsOpen()) {
        ZRequestLog::Entry e;
        e.from = arrival.from;
        e.fromPort = arrival.fromPort;
        e.destination = arrival.destination;
        e.requester = requesterAddress;
        e.requesterMask = requesterMask;
        e.requesterPort = requesterPort;
        e.requesterName = requesterName;
        e.target = targetAddress;
        e.serviceType = serviceType;
        e.data = data;
        e.answers = answers;
        log_.Write(e);
    }
    return 1;
}
