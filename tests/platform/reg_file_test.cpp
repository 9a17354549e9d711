#include "platform/registry/reg_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace zplat;

// The value as stored, or "<missing>".
std::string Value(MemoryRegistry& reg, const char* path, const char* name,
                  uint32_t* type = nullptr) {
    RegKeyData key;
    if (!reg.Open(path, &key)) {
        return "<no key>";
    }
    for (const auto& v : key.values) {
        if (RegNameEquals(v.first, name)) {
            if (type != nullptr) {
                *type = v.second.type;
            }
            return std::string(v.second.data.begin(), v.second.data.end());
        }
    }
    return "<missing>";
}

constexpr const char* kGood = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Classes\\ZelvaneConductor5.Application\\DefaultIcon] 1700000000
#time=1da0b1c2d3e4f50
@="C:\\Program Files\\Zelvane\\Conductor.exe,0"

[Software\\Test] 1700000001
"Quote"="say \"hi\"\ttab"
"Unicode"="caf\xe9 \x263a"
"Octal"="A\101"
"Expand"=str(2):"%SystemRoot%\\x"
"Multi"=str(7):"10.0.0.1\00010.0.0.2\0"
"Dword"=dword:0000000a
"Binary"=hex:01,02,ff
"Long"=hex:01,02,\
  03,04
"MultiHex"=hex(7):61,00,00,00,62,00,00,00,00,00
"Qword"=hex(b):01,00,00,00,00,00,00,00
"Empty"=""
"Deleted"=-
[Software\\Empty]
)";

TEST(RegFileTest, ReadsEveryValueForm) {
    MemoryRegistry reg;
    ASSERT_TRUE(ParseRegFile(kGood, &reg));
    uint32_t type = 0;
    EXPECT_EQ(Value(reg, "Software\\Classes\\ZelvaneConductor5.Application\\DefaultIcon", ""),
              std::string("C:\\Program Files\\Zelvane\\Conductor.exe,0") + '\0');
    EXPECT_EQ(Value(reg, "Software\\Test", "Quote"), std::string("say \"hi\"\ttab\0", 13));
    EXPECT_EQ(Value(reg, "Software\\Test", "Unicode"),
              std::string("caf\xc3\xa9 \xe2\x98\xba\0", 10));
    EXPECT_EQ(Value(reg, "Software\\Test", "Octal"), std::string("AA\0", 3));
    EXPECT_EQ(Value(reg, "Software\\Test", "Expand", &type), std::string("%SystemRoot%\\x\0", 15));
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(Value(reg, "Software\\Test", "Multi", &type), std::string("10.0.0.1\0"
                                                                        "10.0.0.2\0\0",
                                                                        19));
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(Value(reg, "Software\\Test", "Dword", &type), std::string("\x0a\0\0\0", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(Value(reg, "Software\\Test", "Binary", &type), "\x01\x02\xff");
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(Value(reg, "Software\\Test", "Long"), "\x01\x02\x03\x04");
    EXPECT_EQ(Value(reg, "Software\\Test", "MultiHex", &type), std::string("a\0b\0\0", 5));
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(Value(reg, "Software\\Test", "Qword", &type).size(), 8u);
    EXPECT_EQ(type, REG_QWORD);
    EXPECT_EQ(Value(reg, "Software\\Test", "Empty"), std::string("\0", 1));
    EXPECT_EQ(Value(reg, "Software\\Test", "Deleted"), "<missing>");
    EXPECT_EQ(Value(reg, "Software\\Empty", "x"), "<missing>");  // the key exists
}

TEST(RegFileTest, MalformedValuesAndKeysReadAsMissing) {
    struct Case {
        const char* name;
        const char* line;
    } cases[] = {
        {"unterminated quote", "\"V\"=\"no end"},
        {"unterminated name", "\"V=\"x\""},
        {"text after the quote", "\"V\"=\"x\" junk"},
        {"unknown escape", "\"V\"=\"a\\qb\""},
        {"escape at the end", "\"V\"=\"a\\"},
        {"empty hex escape", "\"V\"=\"a\\xg\""},
        {"truncated hex byte", "\"V\"=hex:01,0"},
        {"trailing comma", "\"V\"=hex:01,02,"},
        {"non-hex byte", "\"V\"=hex:01,zz"},
        {"missing separator", "\"V\"=hex:0102"},
        {"odd UTF-16", "\"V\"=hex(7):61,00,62"},
        {"bad type", "\"V\"=hex(q):01"},
        {"unclosed type", "\"V\"=str(7:\"a\""},
        {"long dword", "\"V\"=dword:123456789"},
        {"bad dword", "\"V\"=dword:12x4"},
        {"empty dword", "\"V\"=dword:"},
        {"unknown form", "\"V\"=word:1"},
        {"no equals", "\"V\" \"x\""},
        {"continuation at the end", "\"V\"=hex:01,\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text =
            std::string("WINE REGISTRY Version 2\n[K]\n") + c.line + "\n\"After\"=\"ok\"\n";
        if (std::string(c.name) == "continuation at the end") {
            text = std::string("WINE REGISTRY Version 2\n[K]\n\"After\"=\"ok\"\n") + c.line;
        }
        MemoryRegistry reg;
        ASSERT_TRUE(ParseRegFile(text, &reg));
        EXPECT_EQ(Value(reg, "K", "V"), "<missing>");
        EXPECT_EQ(Value(reg, "K", "After"), std::string("ok\0", 3));
    }
}

TEST(RegFileTest, UnclosedSectionDropsItsValuesUntilTheNextGoodOne) {
    MemoryRegistry reg;
    ASSERT_TRUE(
        ParseRegFile("WINE REGISTRY Version 2\n[Good]\n\"A\"=\"1\"\n[Bad\\\\Key\n"
                     "\"B\"=\"2\"\n[Next]\n\"C\"=\"3\"\n",
                     &reg));
    EXPECT_EQ(Value(reg, "Good", "A"), std::string("1\0", 2));
    EXPECT_EQ(Value(reg, "Good", "B"), "<missing>");
    EXPECT_EQ(Value(reg, "Bad\\Key", "B"), "<no key>");
    EXPECT_EQ(Value(reg, "Next", "C"), std::string("3\0", 2));
}

TEST(RegFileTest, TextWithoutTheHeaderIsNoRegistry) {
    MemoryRegistry reg;
    EXPECT_FALSE(ParseRegFile("[K]\n\"A\"=\"1\"\n", &reg));
    EXPECT_FALSE(ParseRegFile("", &reg));
    EXPECT_FALSE(ParseRegFile(std::string("\0\0\0", 3), &reg));
    EXPECT_EQ(Value(reg, "K", "A"), "<no key>");
}

TEST(RegFileTest, DamagedFilesNeverCrashTheReader) {
    // Every cut of a good file and a few thousand random byte changes: whatever is read must
    // come out as keys and values or as nothing, never as a crash (the sanitizer runs watch).
    const std::string good = kGood;
    for (size_t cut = 0; cut <= good.size(); cut += 7) {
        MemoryRegistry reg;
        ParseRegFile(good.substr(0, cut), &reg);
    }
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const char alphabet[] = "\\\\\"[]=,:()@x0f7\n\r\0\xff ";
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        for (int edits = 1 + static_cast<int>(next() % 4); edits > 0; --edits) {
            text[next() % text.size()] = alphabet[next() % (sizeof alphabet - 1)];
        }
        MemoryRegistry reg;
        ParseRegFile(text, &reg);
        RegKeyData key;
        reg.Open("Software\\Test", &key);
    }
}

TEST(RegFileTest, BackendReadsTheFileAgainWhenItChanges) {
    char path[] = "/tmp/zunit-regfile-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        std::ofstream out(path);
        out << "WINE REGISTRY Version 2\n[K]\n\"A\"=\"1\"\n";
    }
    RegFileRegistry backend(path);
    RegKeyData key;
    ASSERT_TRUE(backend.Open("K", &key));
    ASSERT_EQ(key.values.size(), 1u);
    {
        std::ofstream out(path);
        out << "WINE REGISTRY Version 2\n[K]\n\"A\"=\"1\"\n\"B\"=\"22\"\n";
    }
    ASSERT_TRUE(backend.Open("K", &key));
    EXPECT_EQ(key.values.size(), 2u);
    std::remove(path);
    EXPECT_FALSE(backend.Open("K", &key));
}

// Only a regular file of bounded size is read: a FIFO (which would block a plain read), a link
// to a device that never ends, a folder or a huge sparse file reads as an empty registry at once,
// with a problem that names the file. The same file is read once it is sound again.
TEST(RegFileTest, ReadsRegularFilesOfBoundedSizeOnly) {
    char pattern[] = "/tmp/zunit-regfile-dir-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string path = dir + "/system.reg";
    struct Case {
        const char* name;
        void (*make)(const std::string& path);
        const char* problem;  // what Problem says after the path
    } cases[] = {
        {"FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
         ": not a regular file"},
        {"link to /dev/zero",
         [](const std::string& p) { ASSERT_EQ(symlink("/dev/zero", p.c_str()), 0); },
         ": not a regular file"},
        {"folder", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0700), 0); },
         ": not a regular file"},
        {"sparse file over the limit",
         [](const std::string& p) {
             std::ofstream(p) << "WINE REGISTRY Version 2\n[K]\n";
             ASSERT_EQ(truncate(p.c_str(), static_cast<off_t>(kMaxRegFileBytes) + 1), 0);
         },
         ": 67108865 bytes, more than the 67108864"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(path);
        c.make(path);
        RegFileRegistry backend(path);
        RegKeyData key;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(backend.Open("K", &key));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(backend.Problem().rfind(path + c.problem, 0), 0u) << backend.Problem();

        std::filesystem::remove_all(path);
        std::ofstream(path) << "WINE REGISTRY Version 2\n[K]\n\"A\"=\"1\"\n";
        EXPECT_TRUE(backend.Open("K", &key));
        EXPECT_EQ(backend.Problem(), "");
    }
    std::filesystem::remove_all(dir);
    RegFileRegistry missing(path);
    RegKeyData key;
    EXPECT_FALSE(missing.Open("K", &key));
    EXPECT_EQ(missing.Problem(), "");  // no prefix at all is no problem
}

}  // namespace
