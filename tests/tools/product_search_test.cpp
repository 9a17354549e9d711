// The search behind `zunit scan` and `watch`, without a network: what wakes a caller waiting for
// products. The core reports each new product through IUnitFinderCoreHandler; no search starts.

#include "tools/product_search.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "catalogue/unitfinder_core_handler.h"

namespace {

TEST(ProductSearch, WakesForEveryProductOrOnlyAtTheWakeCount) {
    struct Case {
        const char* name;
        size_t wakeCount;         // 0: not set
        std::vector<bool> woken;  // after each product, whether a wait returns at once
    } cases[] = {
        {"every product by default", 0, {true, true, true}},
        {"at the count and after it", 3, {false, false, true, true}},
        {"never below the count", 100, {false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZProductSearch search(ZProductSearch::Options{});
        if (c.wakeCount > 0) {
            search.SetWakeCount(c.wakeCount);
        }
        IUnitFinderCoreHandler* core = &search;
        EXPECT_FALSE(search.WaitForProduct(0));
        for (size_t i = 0; i < c.woken.size(); ++i) {
            SCOPED_TRACE(i);
            core->OnProductAdded(nullptr);
            EXPECT_EQ(search.GetProductCount(), i + 1);  // counted either way
            EXPECT_EQ(search.WaitForProduct(0), c.woken[i]);
        }
    }
}

}  // namespace
