#include <gtest/gtest.h>

// Keeps the suite non-empty until the foundation classes bring their own tests.
TEST(FoundationPlaceholder, Builds) { SUCCEED(); }
