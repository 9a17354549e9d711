#pragma once
// ZOptionCheck: the checks of zunit's option values, as CLI11 validators, so that every command
// refuses a bad value the same way while parsing: before it opens a socket or reads a file, with
// exit code 2 and a message that names the option ("--time: nan is not a finite number").
//
//   command->add_option("--time", seconds_, "Seconds to search")
//       ->check(ZOptionCheck::Seconds(/*zeroAllowed=*/false));
//   command->add_option("--search-port", port_)->check(ZOptionCheck::Port());
//
// Whole numbers are converted by CLI11, which already refuses signs, fractions and values beyond
// the option's type ("Could not convert: --interval = -1"); these checks add the ranges.
//
// No state, no ownership: each call returns a validator by value.

#include <cstdint>
#include <string>

#include <CLI/Error.hpp>
#include <CLI/Validators.hpp>

class ZOptionCheck {
public:
    // The longest time any option takes: a year, which no command needs and which stays far from
    // the clocks' limits.
    static constexpr double kMaxSeconds = 365.0 * 24 * 3600;
    // The longest search interval, answer delay or jitter: an hour.
    static constexpr uint32_t kMaxIntervalMs = 3600u * 1000;
    // A service-name pattern has at most this many characters (the agent's pattern buffer).
    static constexpr size_t kMaxServiceLength = 255;
    // Search data: what fits one request datagram beside its other fields.
    static constexpr size_t kMaxSearchDataLength = 65000;

    // A finite number of seconds, above 0 (or 0 itself when zeroAllowed) and at most kMaxSeconds.
    static CLI::Validator Seconds(bool zeroAllowed);
    // A whole number from min to max (after CLI11's conversion to the option's type).
    static CLI::Validator WholeNumber(uint64_t min, uint64_t max);
    // Milliseconds from 1 (or 0 when zeroAllowed) to kMaxIntervalMs.
    static CLI::Validator Milliseconds(bool zeroAllowed);
    // A UDP port from 1 to 65535.
    static CLI::Validator Port();
    // A text of min to max bytes.
    static CLI::Validator TextLength(size_t min, size_t max);
    // A service-name pattern: 1 to kMaxServiceLength bytes.
    static CLI::Validator ServicePattern();
    // A duration as Prometheus writes one: whole numbers with units, largest first ("90s",
    // "15m", "1h30m", "7d", "2w"; s, m, h, d, w), or plain seconds ("600"); 0 allowed, at most
    // ten years.
    static CLI::Validator Duration();
    // The duration's seconds; false when the text is none.
    static bool ParseDuration(const std::string& text, uint64_t* seconds);
};
