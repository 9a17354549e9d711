#pragma once
// ZMetricsText: writes a Prometheus exposition: the text format 0.0.4 that every Prometheus reads,
// or OpenMetrics 1.0.0 when the scraper asks for it. Families and samples are appended to a
// string one at a time, so a page of any size is written in pieces of bounded memory.
//
//   std::string out;
//   ZMetricsText text(ZMetricsText::Format::kText, &out);
//   text.Family("zunit_search_cycles", ZMetricsText::Kind::kCounter, "Search cycles sent.");
//   text.Sample("zunit_search_cycles_total", {}, 42);
//   text.Family("zunit_device", ZMetricsText::Kind::kInfo, "Each device's texts.");
//   text.Sample("zunit_device_info", {{"device_id", "x"}, {"name", "Booth \"2\""}}, 1);
//   text.End();                       // "# EOF" in OpenMetrics, nothing in the text format
//
// Family takes the family's base name: the text format names the family by its samples
// ("zunit_search_cycles_total", an info family as a gauge "zunit_device_info"), OpenMetrics by
// the base name and type ("counter", "info"). Metric and label names are the caller's constants;
// label values and help texts are escaped here (backslash, double quote, newline) and read as
// ZDeviceText does (UTF-8 when well-formed, else Windows-1252), so any bytes give a page that
// parsers accept. No timestamps: samples carry none.
//
// Ownership: writes to a string the caller owns, which must outlive the writer.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ZMetricsText {
public:
    enum class Format { kText, kOpenMetrics };
    enum class Kind { kCounter, kGauge, kInfo };
    using Labels = std::vector<std::pair<std::string_view, std::string_view>>;

    // The Content-Type of each format.
    static constexpr const char* kTextContentType = "text/plain; version=0.0.4; charset=utf-8";
    static constexpr const char* kOpenMetricsContentType =
        "application/openmetrics-text; version=1.0.0; charset=utf-8";

    ZMetricsText(Format format, std::string* out) : format_(format), out_(out) {}

    // The format an Accept header asks for: OpenMetrics when it names it, the text format else.
    static Format FromAccept(std::string_view accept);
    static const char* ContentType(Format format);

    void Family(std::string_view base, Kind kind, std::string_view help);
    void Sample(std::string_view name, const Labels& labels, double value);
    void Sample(std::string_view name, const Labels& labels, uint64_t value);
    void End();

    // A label value with the exposition's escapes (\\, \", \n), as well-formed UTF-8.
    static std::string EscapeLabelValue(std::string_view value);

private:
    void SampleStart(std::string_view name, const Labels& labels);

    Format format_;
    std::string* out_;
};
