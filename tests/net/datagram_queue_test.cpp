// The bounded queue between a socket's receive thread and its delivery thread: both bounds, drop
// counting, order and facts, the ring's wrap (against a plain model), and Stop, Restart and Clear
// with a waiting thread.

#include "net/datagram_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/threading/wait.h"

namespace {

bool PushText(ZDatagramQueue& queue, const std::string& text, uint32_t from = 0) {
    return queue.Push(text.data(), static_cast<uint32_t>(text.size()), from, 0, false);
}

// The oldest datagram's bytes, or "(none)" when Pop returns false without waiting.
std::string PopText(ZDatagramQueue& queue, ZDatagramQueue::Datagram* info = nullptr) {
    char buffer[512];
    ZDatagramQueue::Datagram d;
    if (!queue.Pop(buffer, sizeof buffer, &d, 0)) {
        return "(none)";
    }
    if (info != nullptr) {
        *info = d;
    }
    return std::string(buffer, d.length);
}

TEST(DatagramQueue, ComesOutInOrderWithItsFacts) {
    ZDatagramQueue queue(8, 1024);
    ASSERT_TRUE(queue.Push("one", 3, 0x0A00000A, 0x1234, false));
    ASSERT_TRUE(queue.Push("", 0, 0x0B00000B, 1, false));  // an empty datagram is one too
    ASSERT_TRUE(queue.Push("three", 5, 0x0C00000C, 2, true));
    EXPECT_EQ(queue.GetQueuedCount(), 3u);
    EXPECT_EQ(queue.GetQueuedBytes(), 8u);

    ZDatagramQueue::Datagram d;
    EXPECT_EQ(PopText(queue, &d), "one");
    EXPECT_EQ(d.fromAddress, 0x0A00000Au);
    EXPECT_EQ(d.fromPort, 0x1234);
    EXPECT_FALSE(d.truncated);
    EXPECT_EQ(PopText(queue, &d), "");
    EXPECT_EQ(d.fromAddress, 0x0B00000Bu);
    EXPECT_EQ(PopText(queue, &d), "three");
    EXPECT_TRUE(d.truncated);
    EXPECT_EQ(PopText(queue), "(none)");
    EXPECT_EQ(queue.GetQueuedBytes(), 0u);
    EXPECT_EQ(queue.GetPushedCount(), 3u);
    EXPECT_EQ(queue.GetPeakCount(), 3u);
}

TEST(DatagramQueue, BoundsDropAndCount) {
    struct Case {
        const char* name;
        uint32_t maxDatagrams, maxBytes;
        std::vector<uint32_t> lengths;  // pushed in this order into an empty queue
        std::vector<bool> kept;
    } cases[] = {
        {"datagram bound", 2, 1000, {10, 10, 10}, {true, true, false}},
        {"byte bound", 10, 100, {60, 40, 1}, {true, true, false}},
        {"exactly the bytes", 1, 100, {100}, {true}},
        {"longer than the block", 10, 100, {101, 5}, {false, true}},
        {"empty datagrams count but take no bytes", 2, 10, {0, 10, 0}, {true, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZDatagramQueue queue(c.maxDatagrams, c.maxBytes);
        const std::string bytes(200, 'x');
        uint64_t dropped = 0;
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(queue.Push(bytes.data(), c.lengths[i], 0, 0, false), c.kept[i]);
            dropped += c.kept[i] ? 0 : 1;
        }
        EXPECT_EQ(queue.GetDroppedCount(), dropped);
        EXPECT_LE(queue.GetQueuedCount(), c.maxDatagrams);
        EXPECT_LE(queue.GetQueuedBytes(), c.maxBytes);
    }
}

TEST(DatagramQueue, TakingOneMakesRoomAgain) {
    ZDatagramQueue queue(2, 100);
    ASSERT_TRUE(PushText(queue, "a"));
    ASSERT_TRUE(PushText(queue, "b"));
    EXPECT_FALSE(PushText(queue, "c"));  // two datagrams is the bound
    EXPECT_EQ(PopText(queue), "a");
    EXPECT_TRUE(PushText(queue, "d"));
    EXPECT_EQ(PopText(queue), "b");
    EXPECT_EQ(PopText(queue), "d");
    EXPECT_EQ(queue.GetDroppedCount(), 1u);
}

// A datagram that does not fit before the block's end starts at its beginning; the room it
// skips stays in use until the datagrams before it are taken.
TEST(DatagramQueue, RoomSkippedAtTheEndIsFreedWithTheDatagramsBeforeIt) {
    ZDatagramQueue queue(10, 100);
    const std::string sixty(60, '6'), thirty(30, '3'), fifty(50, '5'), twenty(20, '2');
    ASSERT_TRUE(PushText(queue, sixty));   // 0..60
    ASSERT_TRUE(PushText(queue, thirty));  // 60..90
    EXPECT_EQ(PopText(queue), sixty);
    ASSERT_TRUE(PushText(queue, fifty));    // 90..100 skipped, 0..50
    EXPECT_FALSE(PushText(queue, twenty));  // only 50..60 is free
    EXPECT_TRUE(PushText(queue, std::string(10, 't')));
    EXPECT_EQ(PopText(queue), thirty);  // frees 60..100, the skipped room with it
    EXPECT_TRUE(PushText(queue, std::string(40, 'f')));
    EXPECT_EQ(PopText(queue), fifty);
    EXPECT_EQ(PopText(queue), std::string(10, 't'));
    EXPECT_EQ(PopText(queue), std::string(40, 'f'));
    EXPECT_EQ(PopText(queue), "(none)");
}

// Many rounds through a small ring, sizes at random: every datagram comes out whole and in
// order, and a datagram is dropped only when the model says the bounds are full.
TEST(DatagramQueue, RingMatchesAPlainModelOverManyWraps) {
    constexpr uint32_t kMaxDatagrams = 7, kMaxBytes = 257;
    ZDatagramQueue queue(kMaxDatagrams, kMaxBytes);
    std::deque<std::string> model;
    std::mt19937 random(12);
    uint64_t expectedDrops = 0;
    for (int step = 0; step < 20000; ++step) {
        if (random() % 3 != 0) {
            const uint32_t length = random() % 90;
            std::string text(length, '\0');
            for (char& ch : text) {
                ch = static_cast<char>('a' + random() % 26);
            }
            const bool kept = PushText(queue, text);
            if (kept) {
                model.push_back(text);
            } else {
                ++expectedDrops;
                // Dropped only near a bound: besides the data, the ring may hold one skipped
                // room (shorter than the longest datagram) and this push may skip another.
                size_t bytes = 0;
                for (const std::string& m : model) {
                    bytes += m.size();
                }
                ASSERT_TRUE(model.size() == kMaxDatagrams || bytes + length + 2 * 89 > kMaxBytes)
                    << "step " << step;
            }
        } else {
            const std::string expected = model.empty() ? "(none)" : model.front();
            ASSERT_EQ(PopText(queue), expected) << "step " << step;
            if (!model.empty()) {
                model.pop_front();
            }
        }
        ASSERT_EQ(queue.GetQueuedCount(), model.size());
    }
    EXPECT_EQ(queue.GetDroppedCount(), expectedDrops);
    EXPECT_GT(expectedDrops, 0u);
}

// A ring of several chunks: a burst that fills it makes its chunks, the datagrams (some of them
// across a chunk's edge) come out whole and in order, a full ring still drops and counts, and
// once drained the ring holds its first chunk only. An empty queue starts again at the ring's
// beginning, so a trickle through a queue that once wrapped touches nothing more.
TEST(DatagramQueue, ChunksOfABurstAreGivenBackWhenDrained) {
    constexpr uint32_t kChunk = ZDatagramQueue::kChunkBytes;
    constexpr uint32_t kMaxBytes = 4 * kChunk + 1000;  // a short last chunk
    ZDatagramQueue queue(100000, kMaxBytes);
    EXPECT_EQ(queue.GetResidentBytes(), 0u);
    ASSERT_TRUE(PushText(queue, "first"));
    EXPECT_EQ(queue.GetResidentBytes(), kChunk);
    EXPECT_EQ(PopText(queue), "first");
    EXPECT_EQ(queue.GetResidentBytes(), kChunk);  // the first chunk stays

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> sent;
        uint64_t droppedBefore = queue.GetDroppedCount();
        for (uint32_t n = 0;; ++n) {
            std::string text(300 + n % 77, static_cast<char>('a' + n % 26));
            std::memcpy(text.data(), &n, sizeof n);
            if (!PushText(queue, text)) {
                break;
            }
            sent.push_back(text);
        }
        EXPECT_EQ(queue.GetDroppedCount(), droppedBefore + 1);
        EXPECT_LE(queue.GetQueuedBytes(), kMaxBytes);
        EXPECT_EQ(queue.GetResidentBytes(), kMaxBytes);  // every chunk made
        // Half out, half again in: the ring wraps and frees the chunks the head has left.
        size_t next = 0;
        for (; next < sent.size() / 2; ++next) {
            ASSERT_EQ(PopText(queue), sent[next]);
        }
        EXPECT_LT(queue.GetResidentBytes(), kMaxBytes);
        for (uint32_t n = 0; n < 200; ++n) {
            std::string text(400, static_cast<char>('A' + n % 26));
            ASSERT_TRUE(PushText(queue, text));
            sent.push_back(text);
        }
        for (; next < sent.size(); ++next) {
            ASSERT_EQ(PopText(queue), sent[next]) << next;
        }
        EXPECT_EQ(PopText(queue), "(none)");
        EXPECT_EQ(queue.GetQueuedBytes(), 0u);
        EXPECT_EQ(queue.GetResidentBytes(), kChunk);
    }
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(PushText(queue, std::string(500, 't')));
        ASSERT_EQ(PopText(queue), std::string(500, 't'));
        ASSERT_EQ(queue.GetResidentBytes(), kChunk);
    }
    ASSERT_TRUE(PushText(queue, "x"));
    ASSERT_TRUE(PushText(queue, "y"));
    EXPECT_EQ(queue.Clear(), 2u);
    EXPECT_EQ(queue.GetResidentBytes(), kChunk);
}

TEST(DatagramQueue, PopCutsToTheCallersBuffer) {
    ZDatagramQueue queue(4, 100);
    ASSERT_TRUE(PushText(queue, "abcdefgh"));
    char buffer[4];
    ZDatagramQueue::Datagram d;
    ASSERT_TRUE(queue.Pop(buffer, sizeof buffer, &d, 0));
    EXPECT_EQ(d.length, 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(queue.GetQueuedBytes(), 0u);
}

TEST(DatagramQueue, StopWakesAWaitingPopAndHoldsUntilRestart) {
    ZDatagramQueue queue(4, 100);
    std::atomic<int> result{-1};
    std::thread waiter([&] {
        char buffer[16];
        ZDatagramQueue::Datagram d;
        result = queue.Pop(buffer, sizeof buffer, &d, zplat::INFINITE) ? 1 : 0;
    });
    queue.Stop();
    waiter.join();
    EXPECT_EQ(result, 0);

    ASSERT_TRUE(PushText(queue, "kept"));  // still taken in
    EXPECT_EQ(PopText(queue), "(none)");   // but not handed out while stopped
    queue.Restart();
    EXPECT_EQ(PopText(queue), "kept");

    ASSERT_TRUE(PushText(queue, "x"));
    ASSERT_TRUE(PushText(queue, "y"));
    EXPECT_EQ(queue.Clear(), 2u);
    EXPECT_EQ(PopText(queue), "(none)");
    EXPECT_TRUE(PushText(queue, "after"));
    EXPECT_EQ(PopText(queue), "after");
}

TEST(DatagramQueue, PopWaitsForAPushOrItsTime) {
    ZDatagramQueue queue(4, 100);
    char buffer[16];
    ZDatagramQueue::Datagram d;
    EXPECT_FALSE(queue.Pop(buffer, sizeof buffer, &d, 5));  // nothing came
    std::thread pusher([&] { PushText(queue, "late"); });
    ASSERT_TRUE(queue.Pop(buffer, sizeof buffer, &d, zplat::INFINITE));
    EXPECT_EQ(std::string(buffer, d.length), "late");
    pusher.join();
}

// A batch as the receive thread pushes it: each datagram under the same bounds as Push, in
// order, and a waiting Pop woken by it.
TEST(DatagramQueue, BatchKeepsOrderAndBoundsAndWakesAWaitingPop) {
    ZDatagramQueue queue(3, 100);
    const std::string big(200, 'x');
    const ZDatagramQueue::Incoming batch[] = {
        {"a", 1, 1, 0, false}, {big.data(), 200, 2, 0, false},  // longer than the byte bound
        {"b", 1, 3, 0, true},  {"c", 1, 4, 0, false},
        {"d", 1, 5, 0, false},  // past the datagram bound
    };
    EXPECT_EQ(queue.PushBatch(batch, 5), 3u);
    EXPECT_EQ(queue.PushBatch(batch, 0), 0u);
    EXPECT_EQ(queue.GetDroppedCount(), 2u);
    ZDatagramQueue::Datagram d;
    EXPECT_EQ(PopText(queue, &d), "a");
    EXPECT_EQ(d.fromAddress, 1u);
    EXPECT_EQ(PopText(queue, &d), "b");
    EXPECT_TRUE(d.truncated);
    EXPECT_EQ(PopText(queue), "c");
    EXPECT_EQ(PopText(queue), "(none)");

    std::string got;
    std::thread waiter([&] {
        char buffer[16];
        ZDatagramQueue::Datagram w;
        if (queue.Pop(buffer, sizeof buffer, &w, zplat::INFINITE)) {
            got.assign(buffer, w.length);
        }
    });
    const ZDatagramQueue::Incoming late[] = {{"late", 4, 6, 0, false}};
    EXPECT_EQ(queue.PushBatch(late, 1), 1u);
    waiter.join();
    EXPECT_EQ(got, "late");
}

// One thread pushes as fast as it can while another takes: what comes out is in order, and
// every datagram was either taken or counted as dropped.
TEST(DatagramQueue, ProducerAndConsumerThreads) {
    constexpr uint32_t kTotal = 100000;
    ZDatagramQueue queue(64, 4096);
    std::vector<uint32_t> taken;
    std::thread consumer([&] {
        char buffer[64];
        ZDatagramQueue::Datagram d;
        while (queue.Pop(buffer, sizeof buffer, &d, zplat::INFINITE)) {
            uint32_t n;
            std::memcpy(&n, buffer, sizeof n);
            taken.push_back(n);
        }
        // Stopped: what is left was pushed but not taken.
    });
    uint32_t kept = 0;
    for (uint32_t n = 0; n < kTotal; ++n) {
        char bytes[40] = {};
        std::memcpy(bytes, &n, sizeof n);
        kept += queue.Push(bytes, sizeof bytes, 0, 0, false) ? 1 : 0;
    }
    while (queue.GetQueuedCount() > 0) {
        std::this_thread::yield();
    }
    queue.Stop();
    consumer.join();
    EXPECT_EQ(taken.size(), kept);
    EXPECT_EQ(queue.GetDroppedCount(), kTotal - kept);
    for (size_t i = 1; i < taken.size(); ++i) {
        ASSERT_LT(taken[i - 1], taken[i]);
    }
}

}  // namespace
