// Ctrl-C and SIGTERM become a request to end while a ZStopSignal lives.

#include "tools/stop_signal.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(StopSignalTest, EitherSignalAsksToEndAndANewOneStartsClear) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const ZStopSignal stop;
        EXPECT_FALSE(stop.IsRequested());
        std::raise(signal);  // caught: the test goes on
        EXPECT_TRUE(stop.IsRequested());
    }
    const ZStopSignal again;
    EXPECT_FALSE(again.IsRequested());
}

}  // namespace
