#include "catalogue/product_info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>

#include "catalogue/product_kind.h"

namespace {

std::string Doc(const std::string& entries) {
    return "<data><systemconfig>" + entries + "</systemconfig></data>";
}

TEST(ProductKindTest, TableIsExactAndCaseSensitive) {
    struct Case {
        const char* service;
        ZProductType type;
        const char* label;
        const char* client;
        int major;
    } cases[] = {
        {"zelvane.cuedeck", ptCuedeck, "Cuedeck", "Zelvane Cuedeck Editor", 1},
        {"zelvane.cuedeck2", ptCuedeck2, "Cuedeck", "Zelvane Cuedeck Editor", 2},
        {"zelvane.cuedeck7", ptCuedeck7, "Cuedeck", "Remote Desktop", 7},
        {"zelvane.conductorrt", ptConductorRuntime, "Cuedeck", "Zelvane Conductor", 1},
        {"zelvane.conductorrt2", ptConductorRuntime2, "Cuedeck", "Zelvane Conductor", 2},
        {"zelvane.conductor5", ptConductor5, "Conductor", "Zelvane Conductor", 5},
        {"zelvane.conductor6", ptConductor6, "Conductor", "Zelvane Conductor", 6},
        {"zelvane.vxp2", ptVxp2, "VXP HD", "WEB Browser", 2},
        {"zelvane.zth2", ptTonehost2, "Zelvane Tonehost 2", "Zelvane Tone Client", 2},
        {"zelvane.handset", ptHandset, "Handset", "Zelvane Conductor", 1},
        {"zelvane.timekeeper", ptTimekeeper, "Zelvane Timekeeper Server",
         "Zelvane Timekeeper Client", 1},
        {"Zelvane.Cuedeck", ptUnknown, "", "Unknown", 1},
        {"zelvane.cuedeck ", ptUnknown, "", "Unknown", 1},
        {"zelvane.cuedeck3", ptUnknown, "", "Unknown", 1},
        {"", ptUnknown, "", "Unknown", 1},
        {nullptr, ptUnknown, "", "Unknown", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.service ? c.service : "(null)");
        const ZProductKind& kind = FindProductKind(c.service);
        EXPECT_EQ(kind.type, c.type);
        EXPECT_STREQ(kind.label, c.label);
        EXPECT_STREQ(kind.clientName, c.client);
        EXPECT_EQ(kind.majorVersion, c.major);
    }
}

TEST(ProductKindTest, EditionSuffixBelongsToTheLabelsOwnTable) {
    struct Case {
        const char* label;
        const char* code;
        const char* suffix;  // null: unlisted
    } cases[] = {
        {"Cuedeck", "apex", " Apex"},          {"Cuedeck", "", " Base"},
        {"Cuedeck", "cndrt", " Base"},         {"Cuedeck", "cndcdeprime", " Editor Prime"},
        {"Cuedeck", "cndcde", " Editor Base"}, {"Cuedeck", "Apex", nullptr},
        {"Cuedeck", "cndprime", nullptr},      {"Conductor", "cndvenue", " Venue"},
        {"Conductor", "go", nullptr},          {"Conductor", "", nullptr},
        {"VXP HD", "apex", nullptr},           {"Cuedeck", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + "/" + (c.code ? c.code : "(null)"));
        const char* suffix = FindEditionSuffix(c.label, c.code);
        if (c.suffix == nullptr) {
            EXPECT_EQ(suffix, nullptr);
        } else {
            EXPECT_STREQ(suffix, c.suffix);
        }
    }
}

TEST(ProductInfoTest, ReadsEntryAndEverySiblingElementInOrder) {
    ZProductInfo info;
    ASSERT_TRUE(ReadProductInfo(Doc("<entry serial=\"S1\" model=\"apex\"/>"
                                    "<!-- note --><other serial=\"S2\" model=\"zzz\"/>"
                                    "<entry model=\"cndcdego\" masterversion=\"3\"/>")
                                    .c_str(),
                                "Cuedeck", &info));
    EXPECT_TRUE(info.hasSerial);
    EXPECT_EQ(info.serial, "S2");
    EXPECT_STREQ(info.suffix, " Editor Go");
    EXPECT_TRUE(info.hasMajorVersion);
    EXPECT_EQ(info.majorVersion, 3);
}

TEST(ProductInfoTest, DocumentsThatSayNothing) {
    struct Case {
        const char* name;
        std::string text;
        bool parsed;
    } cases[] = {
        {"not XML", "<data><systemconfig>", false},
        {"empty", "", false},
        {"no data element", "<root><systemconfig><entry serial=\"x\"/></systemconfig></root>",
         true},
        {"entry one level too deep",
         "<data><systemconfig><group><entry serial=\"x\"/></group></systemconfig></data>", true},
        {"elements before the entry are not read",
         Doc("<first serial=\"x\"/><entry model=\"zzz\"/>"), true},
        {"attributes other than the three", Doc("<entry Serial=\"x\" MODEL=\"apex\"/>"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZProductInfo info;
        EXPECT_EQ(ReadProductInfo(c.text.c_str(), "Cuedeck", &info), c.parsed);
        EXPECT_FALSE(info.hasSerial);
        EXPECT_STREQ(info.suffix, "");
        EXPECT_FALSE(info.hasMajorVersion);
    }
    EXPECT_FALSE(ReadProductInfo(nullptr, "Cuedeck", nullptr));
}

TEST(ProductInfoTest, MasterVersionReadsLeadingDigits) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"3", 3},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {" 7", 7},
        {"-2", -2},
        {"+4", 4},
        {"99999999999999", INT_MAX},
        {"-99999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseLeadingInt(c.text), c.value);
        ZProductInfo info;
        ASSERT_TRUE(ReadProductInfo(
            Doc(std::string("<entry masterversion=\"") + c.text + "\"/>").c_str(), "", &info));
        EXPECT_EQ(info.majorVersion, c.value);
    }
}

TEST(ProductInfoTest, HugeOrDeeplyNestedDocumentsAreRefusedCheaply) {
    ZProductInfo info;
    // Longer than the cap: refused before any parsing, even though it is well-formed.
    std::string huge = Doc("<entry serial=\"big\"/>" + std::string(kMaxProductInfoLength, ' '));
    EXPECT_FALSE(ReadProductInfo(huge.c_str(), "Cuedeck", &info));
    EXPECT_FALSE(info.hasSerial);
    // Just inside the cap: read.
    std::string fits = Doc("<entry serial=\"fits\"/>");
    fits += std::string(kMaxProductInfoLength - fits.size(), ' ');
    EXPECT_TRUE(ReadProductInfo(fits.c_str(), "Cuedeck", &info));
    EXPECT_EQ(info.serial, "fits");

    // Nesting far past the parser's depth limit fails to parse instead of exhausting the stack.
    std::string deep;
    for (int i = 0; i < 20000; ++i) {
        deep += "<a>";
    }
    auto before = std::chrono::steady_clock::now();
    ZProductInfo untouched;
    EXPECT_FALSE(ReadProductInfo(deep.c_str(), "Cuedeck", &untouched));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
}

}  // namespace
