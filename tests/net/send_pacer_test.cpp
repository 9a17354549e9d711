#include "net/send_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A pacer on a clock turned by hand.
struct PacedClock {
    uint64_t now = 1000;
    ZSendPacer::Clock clock() {
        return [this] { return now; };
    }
};

TEST(SendPacer, EarnsItsRateAndNoMore) {
    struct Row {
        uint32_t rate;
        uint64_t stepMs;
        uint64_t totalMs;
        uint64_t expected;
    };
    const Row rows[] = {
        {2000, 1, 1000, 2000},                   // the default: two a millisecond
        {2000, 3, 999, 1998},                    // steps larger than one send
        {1000, 1, 5000, 5000}, {3, 1, 1000, 3},  // slower than one a millisecond
        {3, 50, 2000, 6},      {250000, 1, 100, 25000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << "/s in steps of " << row.stepMs << " ms");
        PacedClock hand;
        ZSendPacer pacer(row.rate, hand.clock());
        uint64_t sent = 0;
        for (uint64_t t = 0; t < row.totalMs; t += row.stepMs) {
            hand.now += row.stepMs;
            sent += pacer.Take(1u << 30);
        }
        EXPECT_EQ(sent, row.expected);
    }
}

TEST(SendPacer, StartsEmptyAndKeepsOnlyAShortBurst) {
    PacedClock hand;
    ZSendPacer pacer(2000, hand.clock());
    EXPECT_EQ(pacer.Take(100), 0u);
    EXPECT_EQ(pacer.MsUntilNext(), 1u);
    hand.now += 1;
    EXPECT_EQ(pacer.Available(), 2u);
    EXPECT_EQ(pacer.Available(), 2u);  // looking spends nothing
    EXPECT_EQ(pacer.Take(1), 1u);
    EXPECT_EQ(pacer.Take(5), 1u);
    // A sender held up for a second gets 10 ms worth, not a second's flood.
    hand.now += 1000;
    EXPECT_EQ(pacer.Take(100000), 2000u * ZSendPacer::kBurstMs / 1000 + 1);
    EXPECT_EQ(pacer.Take(1), 0u);
}

TEST(SendPacer, WaitsUntilTheNextSendAreRoundedUp) {
    PacedClock hand;
    ZSendPacer pacer(3, hand.clock());  // one send every 333.3 ms
    EXPECT_EQ(pacer.MsUntilNext(), 334u);
    hand.now += 333;
    EXPECT_EQ(pacer.Take(1), 0u);
    EXPECT_EQ(pacer.MsUntilNext(), 1u);
    hand.now += 1;
    EXPECT_EQ(pacer.MsUntilNext(), 0u);
    EXPECT_EQ(pacer.Take(1), 1u);
    // A small rate keeps two sends of credit at most.
    hand.now += 10000;
    EXPECT_EQ(pacer.Take(10), 2u);
    hand.now += 10000;
    pacer.Reset();
    EXPECT_EQ(pacer.Take(10), 0u);
    EXPECT_EQ(pacer.MsUntilNext(), 334u);
}

TEST(SendPacer, ClockGoingBackCountsAsNoTime) {
    PacedClock hand;
    ZSendPacer pacer(1000, hand.clock());
    hand.now += 5;
    EXPECT_EQ(pacer.Take(100), 5u);
    hand.now -= 500;
    EXPECT_EQ(pacer.Take(100), 0u);
    hand.now += 500;  // back where it was: still nothing earned
    EXPECT_EQ(pacer.Take(100), 0u);
    hand.now += 2;
    EXPECT_EQ(pacer.Take(100), 2u);
}

TEST(SendPacer, RateIsBoundedAndChangesKeepEarnedCredit) {
    PacedClock hand;
    ZSendPacer zero(0, hand.clock());
    EXPECT_EQ(zero.GetRate(), 1u);
    ZSendPacer huge(0xFFFFFFFFu, hand.clock());
    EXPECT_EQ(huge.GetRate(), ZSendPacer::kMaxRate);

    ZSendPacer pacer(1000, hand.clock());
    hand.now += 4;
    pacer.SetRate(100);  // what was earned is kept up to the new burst
    EXPECT_EQ(pacer.Take(10), 2u);
    hand.now += 10;
    EXPECT_EQ(pacer.Take(10), 1u);
}

}  // namespace
