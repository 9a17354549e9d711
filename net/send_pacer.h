#pragma once
// ZSendPacer: a rate limit for datagrams sent one by one (a token bucket). Sends earn credit at
// the set rate as the clock advances; a send spends one; credit beyond a short burst (10 ms worth,
// at least one send, and one send more) is not kept, so a sender that was held up does not make up
// for it with a flood.
//
//   ZSendPacer pacer(2000);                       // 2,000 sends per second, the steady clock
//   for (;;) {
//       uint32_t n = pacer.Take(wanted);          // how many may go now
//       ... send n ...
//       if (n < wanted) zplat::Sleep(pacer.MsUntilNext());
//   }
//
//   uint64_t now = 0;                             // in a test: a clock turned by hand
//   ZSendPacer paced(1000, [&] { return now; });
//
// The clock is read in milliseconds; it must not run backwards (a step back counts as no time).
// No lock: its owner guards it.

#include <cstdint>
#include <functional>

class ZSendPacer {
public:
    using Clock = std::function<uint64_t()>;  // milliseconds

    static constexpr uint32_t kDefaultRate = 2000;
    static constexpr uint32_t kMaxRate = 1000000;
    // Credit kept at most, in milliseconds of the rate.
    static constexpr uint32_t kBurstMs = 10;

    // rate sends per second (0 counts as 1, more than kMaxRate as kMaxRate); without a clock the
    // steady clock. Starts with no credit: the first send may go after 1000 / rate ms.
    explicit ZSendPacer(uint32_t rate = kDefaultRate, Clock clock = Clock());

    uint32_t GetRate() const { return rate_; }
    void SetRate(uint32_t rate);

    // Up to wanted sends that may go now; they are spent.
    uint32_t Take(uint32_t wanted);
    // How many sends may go now, without spending them.
    uint32_t Available();
    // Drops the credit earned so far: after a pause the sends start again at the rate, without a
    // burst.
    void Reset();
    // Milliseconds until the next send may go (0 when one may go now).
    uint32_t MsUntilNext();

private:
    void Refill();
    uint64_t Capacity() const;

    Clock clock_;
    uint32_t rate_ = kDefaultRate;
    uint64_t last_ = 0;    // clock at the last refill
    uint64_t credit_ = 0;  // in thousandths of a send
};
