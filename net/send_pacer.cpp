#include "net/send_pacer.h"

#include <algorithm>
#include <chrono>

namespace {

uint64_t SteadyMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

uint32_t Bounded(uint32_t rate) {
    return std::clamp<uint32_t>(rate, 1, ZSendPacer::kMaxRate);
}

}  // namespace

ZSendPacer::ZSendPacer(uint32_t rate, Clock clock)
    : clock_(clock ? std::move(clock) : Clock(SteadyMs)), rate_(Bounded(rate)), last_(clock_()) {}

void ZSendPacer::SetRate(uint32_t rate) {
    Refill();
    rate_ = Bounded(rate);
    credit_ = std::min(credit_, Capacity());
}

uint64_t ZSendPacer::Capacity() const {
    // A millisecond of rate r earns r thousandths of a send. One whole send more than the burst
    // (itself at least one send), so the fraction left after a send is never cut off.
    return std::max<uint64_t>(uint64_t{rate_} * kBurstMs, 1000) + 1000;
}

void ZSendPacer::Refill() {
    const uint64_t now = clock_();
    if (now > last_) {
        // Capped before multiplying: a long pause must not overflow.
        const uint64_t elapsed = std::min<uint64_t>(now - last_, 1000u * 1000u);
        credit_ = std::min(credit_ + elapsed * rate_, Capacity());
    }
    last_ = std::max(last_, now);
}

uint32_t ZSendPacer::Take(uint32_t wanted) {
    Refill();
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(wanted, credit_ / 1000));
    credit_ -= uint64_t{n} * 1000;
    return n;
}

void ZSendPacer::Reset() {
    last_ = std::max(last_, clock_());
    credit_ = 0;
}

uint32_t ZSendPacer::Available() {
    Refill();
    return static_cast<uint32_t>(credit_ / 1000);
}

uint32_t ZSendPacer::MsUntilNext() {
    Refill();
    if (credit_ >= 1000) {
        return 0;
    }
    // Rounded up: waking a little late is fine, waking early only spins.
    const uint64_t missing = 1000 - credit_;
    return static_cast<uint32_t>((missing + rate_ - 1) / rate_);
}
