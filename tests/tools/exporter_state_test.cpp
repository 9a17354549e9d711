#include "tools/exporter_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace {

using Device = ZExporterModel::Device;

class ExporterStateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.ok()); }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    ScratchDir dir_{"zunit-state"};
};

TEST_F(ExporterStateTest, SavedDevicesComeBackDown) {
    ZExporterModel model(10, "1.0.0");
    Device d;
    d.name = "Booth \"2\"\n";
    d.service = "zelvane.cuedeck";
    d.serial = "CD-1";
    d.address = "10.0.0.50";
    d.port = 4300;
    d.interface = "eth0";
    d.up = true;
    d.lastSeenMs = 1712345678901;
    model.Put("zelvane.cuedeck/CD-1", d);
    Device never;  // expected, never answered: not written
    never.expected = true;
    model.Put("expected:x", never);
    const std::string path = dir_.path() + "/exporter.state";
    std::string error;
    ASSERT_TRUE(ZExporterState::Save(path, model, &error)) << error;
    ASSERT_TRUE(ZExporterState::Save(path, model, &error)) << error;  // replaced
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                            std::filesystem::directory_iterator()),
              1);  // no temporary left beside it

    std::vector<ZExporterState::Entry> entries;
    std::string warning;
    ASSERT_TRUE(ZExporterState::Load(path, 10, 1712345679000, &entries, &warning)) << warning;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, "zelvane.cuedeck/CD-1");
    EXPECT_EQ(entries[0].device.name, d.name);
    EXPECT_EQ(entries[0].device.port, 4300);
    EXPECT_EQ(entries[0].device.interface, "eth0");
    EXPECT_EQ(entries[0].device.lastSeenMs, d.lastSeenMs);

    EXPECT_TRUE(ZExporterState::Load(dir_.path() + "/none", 10, 1, &entries, &warning));
    EXPECT_TRUE(entries.empty());
}

TEST_F(ExporterStateTest, HostileFilesAreRefusedWithTheLine) {
    const std::string head = "{\"zunit_exporter_state\":1}\n";
    const std::string good = R"({"id":"a","port":1,"last_seen_ms":5})";
    const struct {
        const char* what;
        std::string text;
        std::string warning;
    } cases[] = {
        {"empty", "", "empty"},
        {"not JSON",
         "\x7f"
         "ELF\x02\x01",
         "line 1 is not"},
        {"another format", "{\"zunit_exporter_state\":2}\n", "line 1 is not"},
        {"a device that is no object", head + "[1,2]\n", "line 2: not a JSON object"},
        {"truncated line", head + good + "\n{\"id\":\"b\",\"last_se", "line 3: not a JSON"},
        {"no id", head + R"({"last_seen_ms":5})" + "\n", "line 2: \"id\""},
        {"id of 5000 bytes",
         head + "{\"id\":\"" + std::string(5000, 'x') + "\",\"last_seen_ms\":5}\n",
         "line 2: \"id\""},
        {"name no text", head + R"({"id":"a","name":7,"last_seen_ms":5})" + "\n",
         "line 2: \"name\" is not a text"},
        {"port too large", head + R"({"id":"a","port":65536,"last_seen_ms":5})" + "\n",
         "line 2: \"port\""},
        {"negative time", head + R"({"id":"a","last_seen_ms":-5})" + "\n",
         "line 2: \"last_seen_ms\""},
        {"line without end", head + std::string(ZExporterState::kMaxLineBytes + 10, ' '),
         "line 2 is longer than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Write("state", c.text);
        std::vector<ZExporterState::Entry> entries;
        std::string warning;
        EXPECT_FALSE(ZExporterState::Load(path, 10, 100, &entries, &warning));
        EXPECT_NE(warning.find(c.warning), std::string::npos) << warning;
        EXPECT_EQ(warning.rfind(path, 0), 0u) << warning;  // names the file
        EXPECT_TRUE(entries.empty());
    }
    std::vector<ZExporterState::Entry> entries;
    std::string warning;
    EXPECT_FALSE(ZExporterState::Load(dir_.path(), 10, 100, &entries, &warning));
    EXPECT_NE(warning.find("not a regular file"), std::string::npos);
}

TEST_F(ExporterStateTest, ReadingStopsAtTheCapAndTimesStayInThePast) {
    std::string text = "{\"zunit_exporter_state\":1}\n";
    for (int i = 0; i < 50; ++i) {
        text += "{\"id\":\"d" + std::to_string(i) + "\",\"name\":\"" + std::string(1000, 'n') +
                "\",\"last_seen_ms\":999999999999999}\n";
    }
    text += "not even JSON, but past the cap\n";
    std::vector<ZExporterState::Entry> entries;
    std::string warning;
    ASSERT_TRUE(ZExporterState::Load(Write("big", text), 3, 1000, &entries, &warning)) << warning;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].id, "d2");
    EXPECT_EQ(entries[0].device.lastSeenMs, 1000);  // not in the future
    EXPECT_EQ(entries[0].device.name.size(), ZExporterModel::kMaxTextBytes);
}

}  // namespace
