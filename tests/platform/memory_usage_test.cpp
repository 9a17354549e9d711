#include "platform/process/memory_usage.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

namespace {

// Where the test keeps its block, so that the allocation is not optimised away.
char* volatile g_kept = nullptr;

TEST(MemoryUsage, HeapFigureCountsWhatNewHandsOut) {
    constexpr uint64_t kBlock = 32u << 20;
    const uint64_t before = zplat::HeapInUseBytes();
    if (before == 0) {
        // A sanitizer's allocator keeps no statistics the C library can give.
        GTEST_SKIP() << "the heap figure is unknown here";
    }
    auto block = std::make_unique<char[]>(kBlock);
    g_kept = block.get();
    g_kept[kBlock - 1] = 1;
    const uint64_t held = zplat::HeapInUseBytes();
    EXPECT_GE(held, before + kBlock) << "before " << before << ", while held " << held;
    block.reset();
    g_kept = nullptr;
    const uint64_t after = zplat::HeapInUseBytes();
    EXPECT_LT(after, held - kBlock / 2) << "while held " << held << ", after " << after;
    EXPECT_GE(zplat::PeakResidentKiB(), 1024u);  // a program holds at least a MiB
}

}  // namespace
