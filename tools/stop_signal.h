#pragma once
// ZStopSignal: while one lives, Ctrl-C (SIGINT) and SIGTERM ask a command that runs until
// interrupted (watch, exporter) to end instead of killing it, so that it can end cleanly: its
// search stopped, its last lines or its state file written.
//
//   ZStopSignal stop;                    // the handlers are installed
//   while (!stop.IsRequested()) { ... }  // polled at the command's own tick
//                                        // the default handlers are back once it goes
//
// One at a time: the flag is the process's, as a signal handler can reach nothing else.
//
// Ownership: none.

class ZStopSignal {
public:
    ZStopSignal();
    ~ZStopSignal();
    ZStopSignal(const ZStopSignal&) = delete;
    ZStopSignal& operator=(const ZStopSignal&) = delete;

    // True once SIGINT or SIGTERM arrived since this object was made.
    bool IsRequested() const;
};
