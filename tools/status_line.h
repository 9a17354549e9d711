#pragma once
// ZStatusLine: one line of progress that rewrites itself in place on a terminal ("\r", the
// text, erase to the end of the line), and prints nothing at all when disabled, so that output
// that goes to a file or a pipe stays clean.
//
//   ZStatusLine status(stderr, isatty(fileno(stderr)));
//   status.Show("12 devices found");        // written only when the text changed
//   status.Clear();                         // before printing results
//
// Ownership: the stream is not owned.

#include <cstdio>
#include <string>

class ZStatusLine {
public:
    ZStatusLine(std::FILE* out, bool enabled) : out_(out), enabled_(enabled) {}
    ~ZStatusLine() { Clear(); }
    ZStatusLine(const ZStatusLine&) = delete;
    ZStatusLine& operator=(const ZStatusLine&) = delete;

    // True when Show writes, so callers refresh it regularly.
    bool IsEnabled() const { return enabled_; }
    void Show(const std::string& text);
    // Erases the line when one is shown.
    void Clear();

private:
    std::FILE* out_;
    bool enabled_;
    bool visible_ = false;
    std::string text_;
};
