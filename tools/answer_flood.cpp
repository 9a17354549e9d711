#include "tools/answer_flood.h"

#include <algorithm>

#include "ndd/ndd_protocol_processor.h"
#include "platform/network/inet.h"

namespace {

// Forged devices take consecutive addresses from here (TEST-NET-2 is never a real device's).
constexpr uint32_t kFirstForgedHost = 0xC6336401u;  // 198.51.100.1

}  // namespace

ZAnswerFlood::Mode ZAnswerFlood::ParseMode(const std::string& text) {
    if (text == "same") {
        return kSame;
    }
    if (text == "forged") {
        return kForged;
    }
    return kNone;
}

ZAnswerFlood::ZAnswerFlood(Mode mode, ZSimulatedDevice device, uint32_t ratePerSecond,
                           uint32_t bytes)
    : mode_(mode),
      device_(std::move(device)),
      ratePerSecond_(ratePerSecond),
      bytes_(std::min(bytes, kMaxBytes)),
      builder_(std::make_unique<ZNDDProtocolProcessor>()) {}

ZAnswerFlood::~ZAnswerFlood() = default;

void ZAnswerFlood::Build(const ZSimulatedDevice& d) {
    builder_->BuildAnswer(d.serviceName.c_str(), d.address, d.mask, d.userData, d.port, d.auxValue,
                          d.deviceName.c_str(), d.model.c_str(), d.version.c_str(), d.info.c_str(),
                          requesterAddress_, requesterMask_, d.indexValue, d.extraText.c_str());
    datagram_.assign(builder_->GetData(), builder_->GetData() + builder_->GetLength());
}

void ZAnswerFlood::Aim(uint32_t requesterAddress, uint32_t requesterMask, uint64_t nowMs) {
    if (aimed_ || mode_ == kNone) {
        return;
    }
    aimed_ = true;
    requesterAddress_ = requesterAddress;
    requesterMask_ = requesterMask;
    startMs_ = nowMs;
    Build(device_);
    if (bytes_ > datagram_.size()) {
        // Blanks after the document's root element keep it well-formed.
        device_.info.append(bytes_ - datagram_.size(), ' ');
        Build(device_);
    }
}

size_t ZAnswerFlood::Due(uint64_t nowMs, size_t max) {
    if (!aimed_) {
        return 0;
    }
    size_t n = max;
    if (ratePerSecond_ > 0) {
        const uint64_t allowed = (nowMs - startMs_) * ratePerSecond_ / 1000 + 1;
        n = static_cast<size_t>(std::min<uint64_t>(allowed > taken_ ? allowed - taken_ : 0, max));
    }
    taken_ += n;
    return n;
}

uint64_t ZAnswerFlood::WaitMs(uint64_t nowMs) const {
    if (!aimed_ || ratePerSecond_ == 0) {
        return 0;
    }
    // The time at which datagram number taken_ (counting from 0) falls due.
    const uint64_t dueMs = startMs_ + taken_ * 1000 / ratePerSecond_;
    return dueMs > nowMs ? dueMs - nowMs : 0;
}

const std::vector<uint8_t>& ZAnswerFlood::Next() {
    if (mode_ == kForged && aimed_) {
        device_.address = zplat::HostToNet32(kFirstForgedHost + static_cast<uint32_t>(count_));
        device_.deviceName = "Forged " + std::to_string(count_ + 1);
        Build(device_);
    }
    ++count_;
    return datagram_;
}
