#include "tools/device_simulator.h"

#include <algorithm>
#include <chrono>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/network_device_detection.h"
#include "ndd/zg2p_codec.h"
#include "ndd/zg2p_message.h"
#include "platform/network/datagram_batch.h"
#include "platform/network/inet.h"
#include "platform/network/ip_helper.h"
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
// Datagrams handed to one batch send: enough to keep the system calls few, few enough that
// requests are read again soon while a long burst leaves.
constexpr size_t kBatchSize = 1024;
// Requesters whose answers are kept built; past that the store starts afresh.
constexpr size_t kMaxRequesters = 16;
// How often a destination that is no known address may have the interfaces read again.
constexpr uint64_t kInterfaceReadMs = 1000;

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

uint64_t NowNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
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
    for (const ZSimulatedDevice& d : devices_) {
        addresses_.insert(d.address);
        AddBroadcastOf(d.address, d.mask);
    }
    if (options_.flood != ZAnswerFlood::kNone && !devices_.empty()) {
        flood_ = std::make_unique<ZAnswerFlood>(options_.flood, devices_.front(),
                                                options_.floodRate, options_.floodBytes);
    }
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
        if (FloodRunning(now)) {
            waitMs = static_cast<uint32_t>(std::min<uint64_t>(flood_->WaitMs(now), waitMs));
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

bool ZDeviceSimulator::FloodRunning(uint64_t nowMs) const {
    return flood_ && flood_->IsAimed() && (floodEndMs_ == 0 || nowMs < floodEndMs_);
}

void ZDeviceSimulator::SendBatch() {
    const uint64_t start = NowNs();
    size_t done = 0;
    while (done < batch_.size()) {
        const int sent = zplat::SendDatagramBatch(socket_, batch_.data() + done,
                                                  static_cast<int>(batch_.size() - done));
        done += static_cast<size_t>(sent);
        stats_.sent += static_cast<uint64_t>(sent);
        if (done < batch_.size()) {
            // That one datagram is lost; the rest still go.
            ++stats_.sendFailures;
            ++stats_.sendFailureCodes[zplat::WSAGetLastError()];
            ++done;
        }
    }
    stats_.sendNs += NowNs() - start;
    batch_.clear();
}

void ZDeviceSimulator::SendDue(uint64_t nowMs) {
    const uint64_t start = NowNs();
    bool any = false;
    while (!queue_.empty() && queue_.top().dueMs <= nowMs) {
        while (!queue_.empty() && queue_.top().dueMs <= nowMs && sending_.size() < kBatchSize) {
            sending_.push_back(queue_.top());
            queue_.pop();
        }
        for (const Pending& p : sending_) {
            zplat::SockAddrIn to;
            to.address = p.address;
            to.port = zplat::HostToNet16(p.port);
            batch_.push_back({p.bytes->data(), static_cast<int>(p.bytes->size()), to});
            stats_.latestMs = std::max(stats_.latestMs, nowMs - p.dueMs);
        }
        SendBatch();
        sending_.clear();
        any = true;
        // Answers that fell due while this burst was leaving go with it.
        nowMs = std::max(nowMs, NowMs());
    }
    if (FloodRunning(nowMs)) {
        const size_t n = flood_->Due(nowMs, kBatchSize);
        floodBytes_.resize(std::max(floodBytes_.size(), n));
        for (size_t i = 0; i < n; ++i) {
            floodBytes_[i] = flood_->Next();
            batch_.push_back(
                {floodBytes_[i].data(), static_cast<int>(floodBytes_[i].size()), floodTo_});
        }
        const uint64_t before = stats_.sent;
        SendBatch();
        stats_.floodSent += stats_.sent - before;
        any = any || n > 0;
    }
    if (any) {
        stats_.longestBurstNs = std::max(stats_.longestBurstNs, NowNs() - start);
    }
}

std::vector<ZDeviceSimulator::Outgoing> ZDeviceSimulator::TakeDue(uint64_t nowMs) {
    std::vector<Outgoing> due;
    while (!queue_.empty() && queue_.top().dueMs <= nowMs) {
        const Pending& p = queue_.top();
        due.push_back(Outgoing{p.dueMs, p.sequence, p.address, p.port, *p.bytes});
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

void ZDeviceSimulator::AddBroadcastOf(uint32_t address, uint32_t mask) {
    const uint32_t hostBits = ~zplat::NetToHost32(mask);
    if (hostBits >= 3) {  // from /30 on: a /31 or /32 has no broadcast address
        broadcasts_.insert(address | ~mask);
    }
}

bool ZDeviceSimulator::IsBroadcast(uint32_t destination, uint64_t nowMs) {
    constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;
    const bool multicast = (zplat::NetToHost32(destination) >> 28) == 0xE;  // 224.0.0.0/4
    if (destination == 0 || destination == kLimitedBroadcast || multicast ||
        broadcasts_.count(destination) != 0) {
        return true;
    }
    if (interfacesRead_ && nowMs - interfacesReadMs_ < kInterfaceReadMs) {
        return false;
    }
    interfacesRead_ = true;
    interfacesReadMs_ = nowMs;
    std::vector<zplat::AdapterInfo> adapters;
    if (zplat::GetAdaptersInfo(&adapters) == zplat::NO_ERROR) {
        for (const zplat::AdapterInfo& adapter : adapters) {
            for (const zplat::IpAddrString& a : adapter.ipAddressList) {
                AddBroadcastOf(zplat::InetAddr(a.ipAddress.c_str()),
                               zplat::InetAddr(a.ipMask.c_str()));
            }
        }
    }
    return broadcasts_.count(destination) != 0;
}

std::vector<ZDeviceSimulator::Bytes>& ZDeviceSimulator::AnswersFor(uint32_t requesterAddress,
                                                                   uint32_t requesterMask) {
    const std::pair<uint32_t, uint32_t> key{requesterAddress, requesterMask};
    auto it = answers_.find(key);
    if (it == answers_.end()) {
        if (answers_.size() >= kMaxRequesters) {
            answers_.clear();  // queued answers keep their own bytes
        }
        it = answers_.emplace(key, std::vector<Bytes>(devices_.size())).first;
    }
    return it->second;
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
    if (stats_.requests == 1) {
        firstRequestMs_ = arrival.nowMs;
    }
    const uint64_t second =
        arrival.nowMs >= firstRequestMs_ ? (arrival.nowMs - firstRequestMs_) / 1000 : 0;
    if (second < kCountedSeconds) {
        if (stats_.requestsPerSecond.size() <= second) {
            stats_.requestsPerSecond.resize(second + 1, 0);
        }
        ++stats_.requestsPerSecond[second];
    }
    // Sent to a device's address: that device; a broadcast: every device; else none.
    const bool toOneDevice = addresses_.count(arrival.destination) != 0;
    const bool toNoDevice = !toOneDevice && !IsBroadcast(arrival.destination, arrival.nowMs);
    if (flood_ && !flood_->IsAimed() && requesterPort != 0) {
        floodTo_.address = arrival.from;
        floodTo_.port = zplat::HostToNet16(requesterPort);
        flood_->Aim(requesterAddress, requesterMask, arrival.nowMs);
        if (options_.floodSeconds > 0) {
            floodEndMs_ = arrival.nowMs + static_cast<uint64_t>(options_.floodSeconds * 1000);
        }
    }
    std::vector<Bytes>& built = AnswersFor(requesterAddress, requesterMask);
    int answers = 0;
    for (size_t i = 0; i < devices_.size() && !toNoDevice; ++i) {
        const ZSimulatedDevice& d = devices_[i];
        if (toOneDevice && d.address != arrival.destination) {
            continue;
        }
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
        if (!built[i]) {
            if (d.refusalCode) {
                builder_->BuildRefusal(d.address, d.serviceName.c_str(), *d.refusalCode);
            } else {
                builder_->BuildAnswer(d.serviceName.c_str(), d.address, d.mask, d.userData, d.port,
                                      d.auxValue, d.deviceName.c_str(), d.model.c_str(),
                                      d.version.c_str(), d.info.c_str(), requesterAddress,
                                      requesterMask, d.indexValue, d.extraText.c_str());
            }
            built[i] = std::make_shared<const std::vector<uint8_t>>(
                builder_->GetData(), builder_->GetData() + builder_->GetLength());
        }
        ++(d.refusalCode ? stats_.refusals : stats_.answers);
        queue_.push(Pending{arrival.nowMs + AnswerDelay(), sequence_++, arrival.from, requesterPort,
                            built[i]});
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
