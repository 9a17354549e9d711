#include "tools/option_check.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {

// The value as a decimal whole number; false when it is none (CLI11 reports those itself).
bool ParseWhole(const std::string& text, uint64_t* value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') {
        return false;
    }
    *value = v;
    return true;
}

}  // namespace

CLI::Validator ZOptionCheck::Seconds(bool zeroAllowed) {
    const std::string max = std::to_string(static_cast<uint64_t>(kMaxSeconds));
    const std::string range =
        std::string(zeroAllowed ? "from 0" : "above 0") + " to " + max + " (a year)";
    return CLI::Validator(
        [zeroAllowed, range](std::string& text) -> std::string {
            char* end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            if (text.empty() || end == text.c_str() || *end != '\0') {
                return text + " is not a number of seconds";
            }
            if (!std::isfinite(value)) {
                return text + " is not a finite number of seconds";
            }
            if (value < 0 || (value == 0 && !zeroAllowed) || value > kMaxSeconds) {
                return text + " is out of range: seconds " + range;
            }
            return "";
        },
        std::string(zeroAllowed ? "in [0 - " : "in (0 - ") + max + "]", "Seconds");
}

CLI::Validator ZOptionCheck::WholeNumber(uint64_t min, uint64_t max) {
    const std::string range = "from " + std::to_string(min) + " to " + std::to_string(max);
    return CLI::Validator(
        [min, max, range](std::string& text) -> std::string {
            uint64_t value = 0;
            if (!ParseWhole(text, &value)) {
                return text + " is not a whole number " + range;
            }
            if (value < min || value > max) {
                return text + " is out of range: " + range;
            }
            return "";
        },
        "in [" + std::to_string(min) + " - " + std::to_string(max) + "]", "WholeNumber");
}

CLI::Validator ZOptionCheck::Milliseconds(bool zeroAllowed) {
    return WholeNumber(zeroAllowed ? 0 : 1, kMaxIntervalMs);
}

CLI::Validator ZOptionCheck::Port() {
    return WholeNumber(1, 65535);
}

CLI::Validator ZOptionCheck::TextLength(size_t min, size_t max) {
    return CLI::Validator(
        [min, max](std::string& text) -> std::string {
            if (text.size() < min) {
                return min == 1 ? "must not be empty"
                                : "needs at least " + std::to_string(min) + " characters";
            }
            if (text.size() > max) {
                return "is " + std::to_string(text.size()) + " bytes long, at most " +
                       std::to_string(max) + " are allowed";
            }
            return "";
        },
        "", "TextLength");
}

CLI::Validator ZOptionCheck::ServicePattern() {
    return TextLength(1, kMaxServiceLength);
}

bool ZOptionCheck::ParseDuration(const std::string& text, uint64_t* seconds) {
    static constexpr uint64_t kMax = 10ull * 365 * 24 * 3600;
    uint64_t plain = 0;
    if (ParseWhole(text, &plain) && text.find_first_not_of("0123456789") == std::string::npos) {
        *seconds = plain;
        return plain <= kMax;
    }
    static constexpr struct {
        char unit;
        uint64_t seconds;
    } kUnits[] = {{'w', 7 * 86400}, {'d', 86400}, {'h', 3600}, {'m', 60}, {'s', 1}};
    uint64_t total = 0;
    size_t next = 0;  // units must come largest first, each once
    size_t at = 0;
    while (at < text.size()) {
        uint64_t value = 0;
        size_t digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 12) {
            value = value * 10 + static_cast<uint64_t>(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || at == text.size()) {
            return false;
        }
        size_t u = next;
        while (u < std::size(kUnits) && kUnits[u].unit != text[at]) {
            ++u;
        }
        if (u == std::size(kUnits)) {
            return false;
        }
        ++at;
        next = u + 1;
        total += value * kUnits[u].seconds;
        if (total > kMax) {
            return false;
        }
    }
    if (text.empty()) {
        return false;
    }
    *seconds = total;
    return true;
}

CLI::Validator ZOptionCheck::Duration() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            uint64_t seconds = 0;
            return ParseDuration(text, &seconds)
                       ? ""
                       : text +
                             " is not a duration such as 90s, 15m, 1h30m, 7d or 2w "
                             "(at most ten years)";
        },
        "DURATION", "Duration");
}
