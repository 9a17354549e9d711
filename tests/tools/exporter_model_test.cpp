#include "tools/exporter_model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/scratch_dir.h"

namespace {

using Device = ZExporterModel::Device;
using Page = ZExporterModel::Page;

Device MakeDevice(const std::string& name, const std::string& serial, bool up, int64_t seenMs) {
    Device d;
    d.name = name;
    d.service = "zelvane.cuedeck";
    d.model = "Cuedeck Prime";
    d.version = "6.4.2";
    d.address = "10.0.0.50";
    d.port = 4300;
    d.serial = serial;
    d.interface = "eth0";
    d.up = up;
    d.lastSeenMs = seenMs;
    return d;
}

// The whole page, read chunk by chunk as the server reads it.
std::string ReadPage(const ZExporterModel& model, Page page, size_t* chunks = nullptr) {
    ZExporterModel::Cursor cursor;
    std::string out, chunk;
    size_t n = 0;
    while (model.NextChunk(page, &cursor, &chunk)) {
        out += chunk;
        chunk.clear();
        ++n;
    }
    if (chunks != nullptr) {
        *chunks = n;
    }
    return out;
}

TEST(ExporterModelTest, DeviceIdUsesTheSerialWhenThereIsOne) {
    Device d = MakeDevice("Booth", "CD-1", true, 1);
    EXPECT_EQ(ZExporterModel::DeviceId(d), "zelvane.cuedeck/CD-1");
    d.address = "10.0.0.99";  // moved: the same device
    EXPECT_EQ(ZExporterModel::DeviceId(d), "zelvane.cuedeck/CD-1");
    for (const char* none : {"", "N/A"}) {
        SCOPED_TRACE(none);
        d.serial = none;
        EXPECT_EQ(ZExporterModel::DeviceId(d), "zelvane.cuedeck@10.0.0.99:4300");
    }
}

TEST(ExporterModelTest, TextsAreCutOnACharacterBoundary) {
    const std::string ascii(ZExporterModel::kMaxTextBytes + 10, 'a');
    EXPECT_EQ(ZExporterModel::Cut(ascii).size(), ZExporterModel::kMaxTextBytes);
    // A two-byte character across the limit goes whole.
    const std::string umlauts = std::string(ZExporterModel::kMaxTextBytes - 1, 'a') + "\xC3\xBC";
    EXPECT_EQ(ZExporterModel::Cut(umlauts), std::string(ZExporterModel::kMaxTextBytes - 1, 'a'));
    EXPECT_EQ(ZExporterModel::Cut("short"), "short");

    ZExporterModel model(10, "1.0.0");
    ASSERT_TRUE(model.Put("x", MakeDevice(std::string(4096, 'n'), "", true, 1)));
    Device stored;
    ASSERT_TRUE(model.Find("x", &stored));
    EXPECT_EQ(stored.name.size(), ZExporterModel::kMaxTextBytes);
}

TEST(ExporterModelTest, MetricsPageListsEveryDeviceInEachFamily) {
    ZExporterModel model(10, "1.0.0");
    model.Put("zelvane.cuedeck/CD-1", MakeDevice("Booth 2", "CD-1", true, 1712345678123));
    model.Put("expected:name=\"Ghost\"", MakeDevice("Ghost", "", false, 0));
    ZExporterModel::Counters counters;
    counters.cycles = 7;
    counters.queueDropped = 3;
    model.SetCounters(counters);
    const std::string page = ReadPage(model, Page::kMetrics);
    for (const char* line : {
             "zunit_build_info{version=\"1.0.0\"} 1\n",
             "zunit_search_cycles_total 7\n",
             "zunit_datagrams_dropped_total{reason=\"queue_full\"} 3\n",
             "zunit_devices 2\n",
             "zunit_device_up{device_id=\"expected:name=\\\"Ghost\\\"\"} 0\n",
             "zunit_device_up{device_id=\"zelvane.cuedeck/CD-1\"} 1\n",
             "zunit_device_info{device_id=\"zelvane.cuedeck/CD-1\",name=\"Booth 2\","
             "service=\"zelvane.cuedeck\",model=\"Cuedeck Prime\",version=\"6.4.2\","
             "address=\"10.0.0.50\",port=\"4300\",serial=\"CD-1\",interface=\"eth0\"} 1\n",
             "zunit_device_last_seen_timestamp_seconds{device_id=\"zelvane.cuedeck/CD-1\"} "
             "1712345678.123\n",
         }) {
        EXPECT_NE(page.find(line), std::string::npos) << line << "\n" << page;
    }
    // A device that never answered has no last-seen sample.
    EXPECT_EQ(page.find("last_seen_timestamp_seconds{device_id=\"expected"), std::string::npos);
    EXPECT_EQ(page.find("# EOF"), std::string::npos);
    EXPECT_NE(ReadPage(model, Page::kOpenMetrics).rfind("# EOF\n"), std::string::npos);
}

TEST(ExporterModelTest, LargePagesComeInChunksThatSurviveChanges) {
    ZExporterModel model(5000, "1.0.0");
    for (int i = 0; i < 1000; ++i) {
        char id[32];
        std::snprintf(id, sizeof id, "dev%04d", i);
        model.Put(id, MakeDevice("n", "", true, 1000));
    }
    size_t chunks = 0;
    const std::string page = ReadPage(model, Page::kMetrics, &chunks);
    EXPECT_GT(chunks, 3u);  // no chunk holds more than kDevicesPerChunk devices
    size_t ups = 0;
    for (size_t at = 0; (at = page.find("\nzunit_device_up{", at)) != std::string::npos; ++at) {
        ++ups;
    }
    EXPECT_EQ(ups, 1000u);

    // Devices removed and added between two chunks: the reader goes on after the last id it
    // wrote, each device at most once.
    ZExporterModel::Cursor cursor;
    std::string out;
    while (out.find("dev0300") == std::string::npos) {
        ASSERT_TRUE(model.NextChunk(Page::kMetrics, &cursor, &out));
    }
    model.Remove("dev0999");
    model.Put("dev0000a", MakeDevice("early", "", true, 1));
    std::string chunk;
    while (model.NextChunk(Page::kMetrics, &cursor, &chunk)) {
    }
    out += chunk;
    EXPECT_EQ(out.find("zunit_device_up{device_id=\"dev0999\"}"), std::string::npos);
    EXPECT_EQ(out.find("zunit_device_up{device_id=\"dev0000a\"}"), std::string::npos);
    EXPECT_NE(out.find("zunit_device_info{device_id=\"dev0000a\""), std::string::npos);
}

TEST(ExporterModelTest, CapForgettingAndExpectedDevices) {
    ZExporterModel model(2, "1.0.0");
    EXPECT_TRUE(model.Put("a", MakeDevice("A", "", false, 1000)));
    EXPECT_TRUE(model.Put("b", MakeDevice("B", "", true, 1000)));
    EXPECT_FALSE(model.Put("c", MakeDevice("C", "", true, 1000)));   // past the cap
    EXPECT_TRUE(model.Put("a", MakeDevice("A2", "", false, 1000)));  // known: replaced
    EXPECT_EQ(model.GetCount(), 2u);

    model.SetExpected("a", true);
    EXPECT_TRUE(model.Forget(100000, 10).empty());  // expected and up devices stay
    model.SetExpected("a", false);
    model.SetUp("b", false, 500);  // a later time only raises it
    Device b;
    ASSERT_TRUE(model.Find("b", &b));
    EXPECT_EQ(b.lastSeenMs, 1000);
    EXPECT_TRUE(model.Forget(1005, 10).empty());  // silent for 5 ms, not 10
    EXPECT_EQ(model.Forget(100000, 10), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(model.GetCount(), 0u);
}

TEST(ExporterModelTest, LandingPageEscapesDeviceTexts) {
    ZExporterModel model(10, "1.0.0");
    model.Put("x", MakeDevice("<script>alert('x')</script> & \"Co\"", "", false, 1));
    const std::string page = ReadPage(model, Page::kLanding);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;Co&quot;"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<a href=\"metrics\">"), std::string::npos);
    EXPECT_NE(page.find("1 devices known, 0 answering"), std::string::npos);
}

#ifdef ZUNIT_PROMTOOL
// Prometheus's own linter reads the exposition of hostile device texts without complaint.
TEST(ExporterModelTest, PromtoolAcceptsHostileTexts) {
    ScratchDir dir("zunit-metrics");
    ASSERT_TRUE(dir.ok());
    ZExporterModel model(1000, "1.0.0");
    const std::string hostile[] = {
        "quote \" and \\ backslash",
        "new\nline\r\n",
        "\"}  1\nzunit_device_up{device_id=\"forged\"} 1",
        "invalid \xFF\xFE UTF-8 \xC3",
        std::string(4096, 'N'),
        "bidi \xE2\x80\xAE reversed \xE2\x81\xA6",
        "tab\tand \x1b[2J escape",
        "",
    };
    int n = 0;
    for (const std::string& text : hostile) {
        Device d = MakeDevice(text, text, (n % 2) == 0, 1712345678000 + n);
        d.model = text;
        d.version = text;
        d.interface = text;
        model.Put("id " + text + std::to_string(n++), d);
    }
    // And enough plain ones for several chunks.
    for (int i = 0; i < 600; ++i) {
        model.Put("plain" + std::to_string(i), MakeDevice("p", "S" + std::to_string(i), true, 5));
    }
    const std::string page = ReadPage(model, Page::kMetrics);
    EXPECT_EQ(page.find("device_id=\"forged\""), std::string::npos);
    const std::string file = dir.path() + "/metrics.txt";
    std::ofstream(file, std::ios::binary) << page;
    const std::string command = std::string(ZUNIT_PROMTOOL) + " check metrics < " + file + " > " +
                                dir.path() + "/promtool.out 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(dir.path() + "/promtool.out");
    const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 0) << said;
}
#endif

}  // namespace
