#include "platform/files/string_resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

class StringResourcesTest : public ::testing::Test {
protected:
    void TearDown() override { zplat::ClearStringResources(); }
    zplat::HMODULE self_ = zplat::GetModuleHandleA(nullptr);
};

TEST_F(StringResourcesTest, OwnModuleHandleIsStableAndNamedModulesAreUnknown) {
    EXPECT_NE(self_, nullptr);
    EXPECT_EQ(zplat::GetModuleHandleA(nullptr), self_);
    EXPECT_EQ(zplat::GetModuleHandleA("other.dll"), nullptr);
}

TEST_F(StringResourcesTest, CopiesAtMostRoomMinusOneAndTerminates) {
    zplat::RegisterStringResource(self_, 7, "abcdef");
    struct Case {
        const char* name;
        int room;
        int copied;
        const char* text;
    };
    const Case cases[] = {
        {"ample room", 64, 6, "abcdef"},
        {"exact room", 7, 6, "abcdef"},
        {"cut", 4, 3, "abc"},
        {"room for the NUL only", 1, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> buffer(80, 'X');
        EXPECT_EQ(zplat::LoadStringA(self_, 7, buffer.data(), c.room), c.copied);
        EXPECT_STREQ(buffer.data(), c.text);
        EXPECT_EQ(buffer[static_cast<size_t>(c.room)], 'X');  // nothing written past the room
    }
}

TEST_F(StringResourcesTest, MissingResourceOrBadArgumentsLoadNothing) {
    zplat::RegisterStringResource(self_, 7, "abc");
    char buffer[8] = "XXXXXXX";
    EXPECT_EQ(zplat::LoadStringA(self_, 8, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(zplat::LoadStringA(zplat::GetModuleHandleA("other.dll"), 7, buffer, 8), 0);
    std::strcpy(buffer, "XXXXXXX");
    EXPECT_EQ(zplat::LoadStringA(self_, 7, buffer, 0), 0);
    EXPECT_EQ(zplat::LoadStringA(self_, 7, buffer, -5), 0);
    EXPECT_STREQ(buffer, "XXXXXXX");  // no room: untouched
    EXPECT_EQ(zplat::LoadStringA(self_, 7, nullptr, 8), 0);
}

TEST_F(StringResourcesTest, RegisterReplacesAndCutsAtNul) {
    zplat::RegisterStringResource(self_, 1, "first");
    zplat::RegisterStringResource(self_, 1, std::string("sec\0ond", 7));
    char buffer[16];
    EXPECT_EQ(zplat::LoadStringA(self_, 1, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "sec");
    zplat::UnregisterStringResource(self_, 1);
    EXPECT_EQ(zplat::LoadStringA(self_, 1, buffer, sizeof buffer), 0);
}

TEST_F(StringResourcesTest, ConcurrentRegisterAndLoad) {
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            char buffer[32];
            for (uint32_t i = 0; i < 200; ++i) {
                zplat::RegisterStringResource(self_, t * 1000 + i, "text");
                EXPECT_EQ(zplat::LoadStringA(self_, t * 1000 + i, buffer, sizeof buffer), 4);
                zplat::LoadStringA(self_, ((t + 1) % 4) * 1000 + i, buffer, sizeof buffer);
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
}

}  // namespace
