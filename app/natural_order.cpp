#include "app/natural_order.h"

#include <cstddef>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            while (i < a.size() && a[i] == '0') {
                ++i;
            }
            while (j < b.size() && b[j] == '0') {
                ++j;
            }
            size_t endA = i;
            while (endA < a.size() && IsDigit(a[endA])) {
                ++endA;
            }
            size_t endB = j;
            while (endB < b.size() && IsDigit(b[endB])) {
                ++endB;
            }
            // Without leading zeros the longer run is the larger number; runs of one length
            // compare digit by digit.
            if (endA - i != endB - j) {
                return endA - i < endB - j ? -1 : 1;
            }
            if (const int c = a.substr(i, endA - i).compare(b.substr(j, endB - j)); c != 0) {
                return c < 0 ? -1 : 1;
            }
            i = endA;
            j = endB;
            continue;
        }
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
        ++i;
        ++j;
    }
    const bool restA = i < a.size();
    const bool restB = j < b.size();
    return restA == restB ? 0 : (restA ? 1 : -1);
}
