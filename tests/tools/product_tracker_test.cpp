// What `zunit watch` keeps beside the core's list, on a clock the test turns by hand: when each
// product appeared, went stale and came back, and what it prints for each.

#include "catalogue/product_tracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/catalogue/fake_network_device.h"
#include "tools/watch_view.h"

namespace {

using Kind = ZProductTracker::EventKind;

class ProductTrackerTest : public ::testing::Test {
protected:
    // Two-second cycles, as the finder searches: stale after 5 s without an answer.
    ZProductTracker tracker_{ZProductTracker::StaleAfterMs(2000), [this] { return now_; }};
    int64_t now_ = 1000;

    const ZProductTracker::Key a_{"zelvane.cuedeck", "10.0.0.50", 4300};
    const ZProductTracker::Key b_{"zelvane.vxp2", "10.0.0.51", 80};

    std::string Kinds(const std::vector<ZProductTracker::Event>& events) {
        std::string text;
        for (const auto& e : events) {
            text += std::string(text.empty() ? "" : " ") + ZProductTracker::EventName(e.kind) +
                    ":" + e.key.address;
        }
        return text;
    }
};

TEST_F(ProductTrackerTest, StaleAfterTwoMissedCyclesAndBackOnTheNextAnswer) {
    EXPECT_EQ(ZProductTracker::StaleAfterMs(2000), 5000u);

    tracker_.Seen(a_, "10.0.0.1");
    tracker_.Seen(a_, "10.0.0.1");  // the second datagram of the cycle: nothing new
    now_ = 1004;
    tracker_.Seen(b_, "10.0.0.1");
    std::vector<ZProductTracker::Event> events = tracker_.Sweep();
    EXPECT_EQ(Kinds(events), "appeared:10.0.0.50 appeared:10.0.0.51");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].atMs, 1000);
    EXPECT_EQ(events[0].lastSeenMs, 1000);
    EXPECT_TRUE(tracker_.Sweep().empty());  // each event is handed out once

    // b answers every cycle, a stops. At exactly 5 s since its answer a is still live; a
    // millisecond later it has missed two cycles.
    for (now_ = 3004; now_ <= 5004; now_ += 2000) {
        tracker_.Seen(b_, "10.0.0.1");
    }
    now_ = 6000;
    EXPECT_TRUE(tracker_.Sweep().empty());
    now_ = 6001;
    events = tracker_.Sweep();
    EXPECT_EQ(Kinds(events), "stale:10.0.0.50");
    EXPECT_EQ(events[0].atMs, 6001);
    EXPECT_EQ(events[0].lastSeenMs, 1000);
    EXPECT_EQ(tracker_.GetStaleCount(), 1u);
    now_ = 60000;
    tracker_.Seen(b_, "10.0.0.1");
    EXPECT_TRUE(tracker_.Sweep().empty());  // stale once, not again every sweep

    now_ = 61000;
    tracker_.Seen(a_, "10.0.0.2");  // back, through another interface
    tracker_.Seen(a_, "10.0.0.2");
    events = tracker_.Sweep();
    EXPECT_EQ(Kinds(events), "back:10.0.0.50");
    EXPECT_EQ(events[0].atMs, 61000);
    EXPECT_EQ(events[0].lastSeenMs, 1000);
    EXPECT_EQ(tracker_.GetStaleCount(), 0u);

    const auto seen = tracker_.Find(a_);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->firstSeenMs, 1000);
    EXPECT_EQ(seen->lastSeenMs, 61000);
    EXPECT_EQ(seen->localAddress, "10.0.0.2");
    EXPECT_EQ(seen->answers, 4u);
    EXPECT_FALSE(seen->stale);
    EXPECT_FALSE(tracker_.Find({"zelvane.cuedeck", "10.0.0.50", 4301}).has_value());
    EXPECT_EQ(tracker_.GetCount(), 2u);
    EXPECT_EQ(tracker_.GetAnswerCount(), 8u);
}

TEST_F(ProductTrackerTest, EventsKeepTheOrderInWhichTheyHappened) {
    tracker_.Seen(a_, "");
    tracker_.Seen(b_, "");
    now_ += 5001;
    tracker_.Seen(b_, "");  // b answers just before the sweep: only a is stale
    std::vector<ZProductTracker::Event> events = tracker_.Sweep();
    EXPECT_EQ(Kinds(events), "appeared:10.0.0.50 appeared:10.0.0.51 stale:10.0.0.50");
    tracker_.Seen(a_, "");
    now_ += 5001;
    EXPECT_EQ(Kinds(tracker_.Sweep()), "back:10.0.0.50 stale:10.0.0.50 stale:10.0.0.51");
}

// A sweep looks only at the products that answered longest ago: whatever order the answers come
// in, it finds every product silent past the rule, and only those, in key order.
TEST_F(ProductTrackerTest, SweepFindsEveryStaleProductWhateverTheOrderOfAnswers) {
    std::vector<ZProductTracker::Key> keys;
    for (int i = 0; i < 60; ++i) {
        keys.push_back({"zelvane.vxp2", "10.0.1." + std::to_string(i), 80});
    }
    std::vector<int64_t> last(keys.size());
    // Rounds of answers from a changing, shuffled part of the products, with sweeps between.
    for (int round = 0; round < 40; ++round) {
        now_ += 700;
        for (size_t k = 0; k < keys.size(); ++k) {
            const size_t i = (k * 37 + static_cast<size_t>(round) * 11) % keys.size();
            // Every product now and then at first; then a quarter stops, and half of those
            // come back later.
            const size_t r = static_cast<size_t>(round);
            const bool answers = round < 10   ? (i + r) % 3 == 0
                                 : round < 30 ? i % 4 != 0 && (i + r) % 5 == 0
                                              : i % 8 == 0 || (i % 4 != 0 && (i + r) % 5 == 0);
            if (answers) {
                tracker_.Seen(keys[i], "");
                last[i] = now_;
            }
        }
        std::vector<std::string> expected;
        for (size_t i = 0; i < keys.size(); ++i) {
            const auto seen = tracker_.Find(keys[i]);
            const bool silent = seen.has_value() && now_ - last[i] > 5000;
            if (silent && !seen->stale) {
                expected.push_back(keys[i].address);
            }
        }
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> found;
        for (const auto& e : tracker_.Sweep()) {
            if (e.kind == Kind::kStale) {
                found.push_back(e.key.address);
                EXPECT_EQ(e.lastSeenMs, last[std::stoul(e.key.address.substr(7))]);  // 10.0.1.
            }
        }
        EXPECT_EQ(found, expected) << "round " << round;
    }
    EXPECT_GT(tracker_.GetStaleCount(), 0u);
}

// As a handler of the agent: the core's identity, the local address, refusals counted apart.
TEST_F(ProductTrackerTest, AnswersAreKeyedAsTheCoreKeysItsProducts) {
    FakeNetworkDevice d("zelvane.cuedeck", "10.0.0.50", 4300);
    d.local.text = "10.0.0.1";
    FakeNetworkDevice noAddress("zelvane.vxp2", "", 80);
    EXPECT_EQ(tracker_.OnDeviceAnswer(&d, nullptr), 0);
    tracker_.OnDeviceAnswer(&noAddress, nullptr);
    tracker_.OnDeviceAnswer(nullptr, nullptr);
    tracker_.OnErrorAnswer(0x3200000A, 1, nullptr);

    ASSERT_TRUE(tracker_.Find(a_).has_value());
    EXPECT_EQ(tracker_.Find(a_)->localAddress, "10.0.0.1");
    const auto none = tracker_.Find({"zelvane.vxp2", "0.0.0.0", 80});
    ASSERT_TRUE(none.has_value());
    EXPECT_EQ(none->localAddress, "");
    EXPECT_EQ(tracker_.GetAnswerCount(), 2u);
    EXPECT_EQ(tracker_.GetRefusalCount(), 1u);
}

// Keys that differ in one field are products of their own; a repeat, through the handler or
// Seen, finds its own; stale products are reported in key order, not in the order they came.
TEST_F(ProductTrackerTest, EachFieldOfTheKeyTellsProductsApartAndStaleOnesComeInKeyOrder) {
    const ZProductTracker::Key keys[] = {
        {"zelvane.vxp2", "10.0.0.9", 80},        {"zelvane.cuedeck", "10.0.0.50", 4300},
        {"zelvane.cuedeck", "10.0.0.50", 4301},   // port
        {"zelvane.cuedeck", "10.0.0.5", 4300},    // address, a prefix of another
        {"zelvane.cuedeck2", "10.0.0.50", 4300},  // service
    };
    for (const auto& k : keys) {
        tracker_.Seen(k, "10.0.0.1");
    }
    FakeNetworkDevice again("zelvane.cuedeck", "10.0.0.50", 4300);
    again.local.text = "10.0.0.2";
    tracker_.OnDeviceAnswer(&again, nullptr);
    tracker_.Seen(keys[3], "10.0.0.3");
    EXPECT_EQ(tracker_.GetCount(), 5u);
    EXPECT_EQ(tracker_.GetAnswerCount(), 7u);
    struct Row {
        size_t key;
        uint64_t answers;
        const char* local;
    } rows[] = {{0, 1, "10.0.0.1"},
                {1, 2, "10.0.0.2"},
                {2, 1, "10.0.0.1"},
                {3, 2, "10.0.0.3"},
                {4, 1, "10.0.0.1"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        const auto seen = tracker_.Find(keys[r.key]);
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->answers, r.answers);
        EXPECT_EQ(seen->localAddress, r.local);
    }
    tracker_.Sweep();
    now_ += 10000;
    std::string stale;
    for (const auto& e : tracker_.Sweep()) {
        stale += e.key.service + "/" + e.key.address + ":" + std::to_string(e.key.port) + " ";
    }
    EXPECT_EQ(stale,
              "zelvane.cuedeck/10.0.0.5:4300 zelvane.cuedeck/10.0.0.50:4300 "
              "zelvane.cuedeck/10.0.0.50:4301 zelvane.cuedeck2/10.0.0.50:4300 "
              "zelvane.vxp2/10.0.0.9:80 ");
}

// Past the cap a new key is counted, not kept; keys already kept go on as before.
TEST_F(ProductTrackerTest, NewKeysPastTheCapAreCountedNotKept) {
    tracker_.SetMaxKeys(2);
    const ZProductTracker::Key c{"zelvane.cuedeck", "10.0.0.52", 4300};
    tracker_.Seen(a_, "");
    tracker_.Seen(b_, "");
    tracker_.Seen(c, "");
    tracker_.Seen(c, "");
    tracker_.Seen(a_, "10.0.0.9");
    EXPECT_EQ(tracker_.GetCount(), 2u);
    EXPECT_FALSE(tracker_.Find(c).has_value());
    EXPECT_EQ(tracker_.GetOverCapCount(), 2u);
    EXPECT_EQ(tracker_.GetAnswerCount(), 5u);
    EXPECT_EQ(tracker_.Find(a_)->answers, 2u);
    EXPECT_EQ(tracker_.Find(a_)->localAddress, "10.0.0.9");
    EXPECT_EQ(Kinds(tracker_.Sweep()), "appeared:10.0.0.50 appeared:10.0.0.51");
}

ZProductRow Row() {
    ZProductRow r;
    r.name = "Booth 2";
    r.typeModel = "Cuedeck Prime";
    r.service = "zelvane.cuedeck";
    r.address = "10.0.0.50";
    r.port = 4300;
    return r;
}

TEST(WatchViewTest, EventLinesAndJsonEvents) {
    EXPECT_EQ(ZWatchView::UtcText(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(ZWatchView::UtcText(1714557602345), "2024-05-01T10:00:02.345Z");

    const int64_t at = 1714557602345;
    const struct {
        Kind kind;
        int64_t lastSeen;
        const char* line;
    } cases[] = {
        {Kind::kAppeared, at,
         "2024-05-01T10:00:02.345Z appeared Booth 2 (Cuedeck Prime, zelvane.cuedeck) at "
         "10.0.0.50:4300"},
        {Kind::kStale, at - 5100,
         "2024-05-01T10:00:02.345Z stale    Booth 2 (Cuedeck Prime, zelvane.cuedeck) at "
         "10.0.0.50:4300, last answer 5.1 s before"},
        {Kind::kBack, at - 64000,
         "2024-05-01T10:00:02.345Z back     Booth 2 (Cuedeck Prime, zelvane.cuedeck) at "
         "10.0.0.50:4300, after 64.0 s without an answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ZWatchView::EventLine(c.kind, Row(), at, c.lastSeen), c.line);
        const nlohmann::json j = ZWatchView::EventJson(c.kind, Row(), at, c.lastSeen);
        EXPECT_EQ(j["event"], ZProductTracker::EventName(c.kind));
        EXPECT_EQ(j["time"], "2024-05-01T10:00:02.345Z");
        EXPECT_EQ(j.contains("last_seen"), c.kind != Kind::kAppeared);
        EXPECT_EQ(j["product"], ZProductTable::RowJson(Row()));
    }
    ZProductRow hostile = Row();
    hostile.name = "x\x1b[2Jy\n";
    EXPECT_EQ(ZWatchView::EventLine(Kind::kAppeared, hostile, at, at).find_first_of("\x1b\n"),
              std::string::npos);
}

TEST(WatchViewTest, ScreenListsStatesAndLatestEvents) {
    const int64_t now = 1714557602345;
    ZWatchView::Entry live{Row(), false, now - 1200};
    ZWatchView::Entry stale{Row(), true, now - 7000};
    stale.row.name = "Wall";
    const std::string screen =
        ZWatchView::Screen({live, stale}, now, {"first event", "second event"}, 12);
    EXPECT_EQ(screen.rfind("zunit watch: 2 products, 1 stale, search cycle 12, "
                           "2024-05-01T10:00:02.345Z (Ctrl-C ends)\n\n",
                           0),
              0u)
        << screen;
    EXPECT_NE(screen.find("State  Last Answer  Device Name"), std::string::npos) << screen;
    EXPECT_NE(screen.find("live   1.2 s ago    Booth 2"), std::string::npos) << screen;
    EXPECT_NE(screen.find("stale  7.0 s ago    Wall"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Latest events\n  first event\n  second event\n"), std::string::npos);
    EXPECT_EQ(screen.find('\x1b'), std::string::npos);  // the command clears the screen itself
}

}  // namespace
