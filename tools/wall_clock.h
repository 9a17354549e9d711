#pragma once
// The system's clock in milliseconds since 1970: the times zunit prints, serves and keeps in
// files. The search's own times (ZProductTracker) are steady-clock times, which do not jump when
// the clock is set; a command adds the difference of the two taken once.
//
//   const int64_t wallMinusSteady = wall_clock::NowMs() - tracker.Now();
//
// No state.

#include <chrono>
#include <cstdint>

namespace wall_clock {

inline int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace wall_clock
