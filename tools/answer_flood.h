#pragma once
// ZAnswerFlood: the datagrams of a hostile host on the searcher's LAN, for trials of the
// receiver's bounds. Aimed at one requester (the first searcher a simulator hears), it hands out
// valid answers at a set rate: in mode kSame one device's real answer again and again, in mode
// kForged an answer naming a new device each time (its own address and name). Answers can be
// padded to a given datagram size (the device's XML document gets trailing blanks).
//
//   ZAnswerFlood flood(ZAnswerFlood::kForged, device, /*ratePerSecond=*/10000, /*bytes=*/0);
//   flood.Aim(requesterAddress, requesterMask, nowMs);
//   for (size_t n = flood.Due(nowMs, 256); n > 0; --n) send(flood.Next());
//
// Ownership: the flood owns the device it copies and the bytes Next returns, which stay valid
// until the next call of Next. One thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/simulated_device.h"

class ZNDDProtocolProcessor;

class ZAnswerFlood {
public:
    enum Mode { kNone, kSame, kForged };

    // The parsed name of a mode ("same", "forged"); kNone for anything else.
    static Mode ParseMode(const std::string& text);
    // The largest datagram size the flood pads to (a UDP datagram over IPv4 carries 65,507).
    static constexpr uint32_t kMaxBytes = 65000;

    // ratePerSecond 0: as many as the sender takes. bytes 0: answers as built, else padded to
    // about that many bytes (at most kMaxBytes).
    ZAnswerFlood(Mode mode, ZSimulatedDevice device, uint32_t ratePerSecond, uint32_t bytes);
    ~ZAnswerFlood();
    ZAnswerFlood(const ZAnswerFlood&) = delete;
    ZAnswerFlood& operator=(const ZAnswerFlood&) = delete;

    // Starts the flood at nowMs towards a requester (network order); the answers echo these
    // values as a device's answer would. Later calls change nothing.
    void Aim(uint32_t requesterAddress, uint32_t requesterMask, uint64_t nowMs);
    bool IsAimed() const { return aimed_; }
    // How many datagrams are due at nowMs by the rate, at most max; those are counted as taken.
    size_t Due(uint64_t nowMs, size_t max);
    // Milliseconds until the next datagram is due (0 when one is due now or no rate is set).
    uint64_t WaitMs(uint64_t nowMs) const;
    // The next datagram's bytes.
    const std::vector<uint8_t>& Next();
    uint64_t GetCount() const { return count_; }

private:
    void Build(const ZSimulatedDevice& d);

    Mode mode_;
    ZSimulatedDevice device_;
    uint32_t ratePerSecond_;
    uint32_t bytes_;
    std::unique_ptr<ZNDDProtocolProcessor> builder_;
    std::vector<uint8_t> datagram_;
    uint32_t requesterAddress_ = 0;
    uint32_t requesterMask_ = 0;
    uint64_t startMs_ = 0;
    uint64_t taken_ = 0;  // datagrams handed out by Due
    uint64_t count_ = 0;  // datagrams handed out by Next
    bool aimed_ = false;
};
