#include "app/string_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/files/string_resources.h"

namespace {

TEST(StringTableTest, HeaderTitlesLoadByTheirIds) {
    zplat::ClearStringResources();
    RegisterStringTable();
    const zplat::HMODULE self = zplat::GetModuleHandleA(nullptr);
    struct Case {
        uint32_t id;
        const char* text;
    };
    const Case cases[] = {
        {1001, "Device Name"},
        {1002, "Type/Model"},
        {1003, "Address"},
        {1004, "Description"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        char text[64];
        EXPECT_EQ(zplat::LoadStringA(self, c.id, text, sizeof text),
                  static_cast<int>(std::strlen(c.text)));
        EXPECT_STREQ(text, c.text);
    }
    zplat::ClearStringResources();
}

}  // namespace
