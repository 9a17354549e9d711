#include "tools/metrics_text.h"

#include <charconv>
#include <cmath>

#include "foundation/device_text.h"

namespace {

// Appends the text as well-formed UTF-8 with a backslash before each character in escaped and
// "\n" for a newline.
void AppendEscaped(std::string_view text, bool quotes, std::string* out) {
    std::string decoded;
    if (!ZDeviceText::IsUtf8(text.data(), text.size())) {
        decoded = ZDeviceText::ToUtf8(text.data(), text.size());
        text = decoded;
    }
    for (char c : text) {
        if (c == '\\') {
            *out += "\\\\";
        } else if (c == '\n') {
            *out += "\\n";
        } else if (c == '"' && quotes) {
            *out += "\\\"";
        } else {
            *out += c;
        }
    }
}

}  // namespace

ZMetricsText::Format ZMetricsText::FromAccept(std::string_view accept) {
    return accept.find("application/openmetrics-text") != std::string_view::npos
               ? Format::kOpenMetrics
               : Format::kText;
}

const char* ZMetricsText::ContentType(Format format) {
    return format == Format::kOpenMetrics ? kOpenMetricsContentType : kTextContentType;
}

void ZMetricsText::Family(std::string_view base, Kind kind, std::string_view help) {
    std::string name(base);
    const char* type = "gauge";
    if (format_ == Format::kText) {
        // The text format names a family by its samples and knows no info type.
        name += kind == Kind::kCounter ? "_total" : kind == Kind::kInfo ? "_info" : "";
        type = kind == Kind::kCounter ? "counter" : "gauge";
    } else {
        type = kind == Kind::kCounter ? "counter" : kind == Kind::kInfo ? "info" : "gauge";
    }
    *out_ += "# HELP ";
    *out_ += name;
    *out_ += ' ';
    // OpenMetrics escapes double quotes in help texts too; the text format must not.
    AppendEscaped(help, format_ == Format::kOpenMetrics, out_);
    *out_ += "\n# TYPE ";
    *out_ += name;
    *out_ += ' ';
    *out_ += type;
    *out_ += '\n';
}

void ZMetricsText::SampleStart(std::string_view name, const Labels& labels) {
    *out_ += name;
    if (!labels.empty()) {
        *out_ += '{';
        for (size_t i = 0; i < labels.size(); ++i) {
            if (i > 0) {
                *out_ += ',';
            }
            *out_ += labels[i].first;
            *out_ += "=\"";
            AppendEscaped(labels[i].second, /*quotes=*/true, out_);
            *out_ += '"';
        }
        *out_ += '}';
    }
    *out_ += ' ';
}

void ZMetricsText::Sample(std::string_view name, const Labels& labels, double value) {
    SampleStart(name, labels);
    if (std::isnan(value)) {
        *out_ += "NaN";
    } else if (std::isinf(value)) {
        *out_ += value > 0 ? "+Inf" : "-Inf";
    } else {
        // The shortest text that reads back as the same double (Go's ParseFloat takes it).
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        out_->append(buffer, result.ptr);
    }
    *out_ += '\n';
}

void ZMetricsText::Sample(std::string_view name, const Labels& labels, uint64_t value) {
    SampleStart(name, labels);
    *out_ += std::to_string(value);
    *out_ += '\n';
}

void ZMetricsText::End() {
    if (format_ == Format::kOpenMetrics) {
        *out_ += "# EOF\n";
    }
}

std::string ZMetricsText::EscapeLabelValue(std::string_view value) {
    std::string out;
    AppendEscaped(value, /*quotes=*/true, &out);
    return out;
}
