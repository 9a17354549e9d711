#include "tools/metrics_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

TEST(MetricsTextTest, LabelValuesAreEscapedAndMadeUtf8) {
    const struct {
        const char* what;
        std::string value;
        std::string escaped;
    } cases[] = {
        {"plain", "Booth 2", "Booth 2"},
        {"double quote", "say \"hi\"", "say \\\"hi\\\""},
        {"backslash", "C:\\show", "C:\\\\show"},
        {"newline", "a\nb", "a\\nb"},
        {"carriage return and tab stay", "a\rb\tc", "a\rb\tc"},
        {"UTF-8 stays", "B\xC3\xBChne", "B\xC3\xBChne"},
        // Not UTF-8: read as Windows-1252, as every device text is.
        {"Windows-1252", "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"cut UTF-8 sequence", "x\xE2\x82", "x\xC3\xA2\xE2\x80\x9A"},
        {"all escapes at once", "\\\"\n", "\\\\\\\"\\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ZMetricsText::EscapeLabelValue(c.value), c.escaped);
    }
}

TEST(MetricsTextTest, FamiliesAndSamplesInBothFormats) {
    std::string text, open;
    for (auto [format, out] : {std::pair{ZMetricsText::Format::kText, &text},
                               std::pair{ZMetricsText::Format::kOpenMetrics, &open}}) {
        ZMetricsText m(format, out);
        m.Family("zunit_answers", ZMetricsText::Kind::kCounter, "Answers \"heard\".\nBy all\\.");
        m.Sample("zunit_answers_total", {}, uint64_t{18446744073709551615u});
        m.Family("zunit_device", ZMetricsText::Kind::kInfo, "Texts.");
        m.Sample("zunit_device_info", {{"device_id", "a"}, {"name", "B \"2\""}}, uint64_t{1});
        m.Family("zunit_seen_timestamp_seconds", ZMetricsText::Kind::kGauge, "When.");
        m.Sample("zunit_seen_timestamp_seconds", {{"device_id", "a"}}, 1712345678.123);
        m.Sample("zunit_seen_timestamp_seconds", {{"device_id", "b"}},
                 std::numeric_limits<double>::quiet_NaN());
        m.Sample("zunit_seen_timestamp_seconds", {{"device_id", "c"}},
                 -std::numeric_limits<double>::infinity());
        m.End();
    }
    EXPECT_EQ(text,
              "# HELP zunit_answers_total Answers \"heard\".\\nBy all\\\\.\n"
              "# TYPE zunit_answers_total counter\n"
              "zunit_answers_total 18446744073709551615\n"
              "# HELP zunit_device_info Texts.\n"
              "# TYPE zunit_device_info gauge\n"
              "zunit_device_info{device_id=\"a\",name=\"B \\\"2\\\"\"} 1\n"
              "# HELP zunit_seen_timestamp_seconds When.\n"
              "# TYPE zunit_seen_timestamp_seconds gauge\n"
              "zunit_seen_timestamp_seconds{device_id=\"a\"} 1712345678.123\n"
              "zunit_seen_timestamp_seconds{device_id=\"b\"} NaN\n"
              "zunit_seen_timestamp_seconds{device_id=\"c\"} -Inf\n");
    // OpenMetrics: families by base name and type, quotes escaped in help, "# EOF" at the end.
    EXPECT_EQ(open,
              "# HELP zunit_answers Answers \\\"heard\\\".\\nBy all\\\\.\n"
              "# TYPE zunit_answers counter\n"
              "zunit_answers_total 18446744073709551615\n"
              "# HELP zunit_device Texts.\n"
              "# TYPE zunit_device info\n"
              "zunit_device_info{device_id=\"a\",name=\"B \\\"2\\\"\"} 1\n"
              "# HELP zunit_seen_timestamp_seconds When.\n"
              "# TYPE zunit_seen_timestamp_seconds gauge\n"
              "zunit_seen_timestamp_seconds{device_id=\"a\"} 1712345678.123\n"
              "zunit_seen_timestamp_seconds{device_id=\"b\"} NaN\n"
              "zunit_seen_timestamp_seconds{device_id=\"c\"} -Inf\n"
              "# EOF\n");
}

TEST(MetricsTextTest, FormatFollowsTheAcceptHeader) {
    using F = ZMetricsText::Format;
    // Prometheus 2.42's header: OpenMetrics first.
    EXPECT_EQ(ZMetricsText::FromAccept(
                  "application/openmetrics-text;version=1.0.0,application/openmetrics-text;"
                  "version=0.0.1;q=0.75,text/plain;version=0.0.4;q=0.5,*/*;q=0.1"),
              F::kOpenMetrics);
    EXPECT_EQ(ZMetricsText::FromAccept("text/plain;version=0.0.4"), F::kText);
    EXPECT_EQ(ZMetricsText::FromAccept(""), F::kText);
    EXPECT_EQ(ZMetricsText::FromAccept("*/*"), F::kText);
}

}  // namespace
