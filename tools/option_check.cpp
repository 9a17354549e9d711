#include "tools/option_check.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

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
