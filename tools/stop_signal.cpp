#include "tools/stop_signal.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void OnStopSignal(int) {
    g_stopRequested = 1;
}

}  // namespace

ZStopSignal::ZStopSignal() {
    g_stopRequested = 0;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

ZStopSignal::~ZStopSignal() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool ZStopSignal::IsRequested() const {
    return g_stopRequested != 0;
}
