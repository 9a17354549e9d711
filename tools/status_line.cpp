#include "tools/status_line.h"

namespace {

// Carriage return, then "erase in line" to its end (ECMA-48 EL, CSI K).
constexpr const char kRewind[] = "\r\033[K";

}  // namespace

void ZStatusLine::Show(const std::string& text) {
    if (!enabled_ || (visible_ && text == text_)) {
        return;
    }
    text_ = text;
    std::fprintf(out_, "%s%s", kRewind, text.c_str());
    std::fflush(out_);
    visible_ = true;
}

void ZStatusLine::Clear() {
    if (!visible_) {
        return;
    }
    std::fputs(kRewind, out_);
    std::fflush(out_);
    visible_ = false;
    text_.clear();
}
