#include "controls/color.h"

#include <array>

namespace {

// The desktop's default system colours by index (COLOR_SCROLLBAR = 0 ... COLOR_MENUBAR = 30),
// written as red, green, blue.
constexpr std::array<std::array<int, 3>, 31> kSystemColors = {{
    {200, 200, 200},  // 0 scroll bar
    {0, 0, 0},        // 1 desktop
    {153, 180, 209},  // 2 active caption
    {191, 205, 219},  // 3 inactive caption
    {240, 240, 240},  // 4 menu
    {255, 255, 255},  // 5 window
    {100, 100, 100},  // 6 window frame
    {0, 0, 0},        // 7 menu text
    {0, 0, 0},        // 8 window text
    {0, 0, 0},        // 9 caption text
    {180, 180, 180},  // 10 active border
    {244, 247, 252},  // 11 inactive border
    {171, 171, 171},  // 12 application workspace
    {0, 120, 215},    // 13 highlight
    {255, 255, 255},  // 14 highlight text
    {240, 240, 240},  // 15 button face
    {160, 160, 160},  // 16 button shadow
    {109, 109, 109},  // 17 grey text
    {0, 0, 0},        // 18 button text
    {0, 0, 0},        // 19 inactive caption text
    {255, 255, 255},  // 20 button highlight
    {105, 105, 105},  // 21 3-D dark shadow
    {227, 227, 227},  // 22 3-D light
    {0, 0, 0},        // 23 tooltip text
    {255, 255, 225},  // 24 tooltip background
    {0, 0, 0},        // 25 unused
    {0, 102, 204},    // 26 hot-tracked item
    {185, 209, 234},  // 27 active caption gradient
    {215, 228, 242},  // 28 inactive caption gradient
    {51, 153, 255},   // 29 menu highlight
    {240, 240, 240},  // 30 menu bar
}};

}  // namespace

TColor GetSysColor(int index) {
    if (index < 0 || index >= static_cast<int>(kSystemColors.size())) {
        return 0;
    }
    const auto& c = kSystemColors[static_cast<std::size_t>(index)];
    return MakeColor(c[0], c[1], c[2]);
}

TColor ColorToRGB(TColor color) {
    if (color < 0) {
        return GetSysColor(color & 0xFFF);
    }
    return color & 0xFFFFFF;
}

QColor ToQColor(TColor color) {
    const TColor c = ColorToRGB(color);
    return QColor(ColorR(c), ColorG(c), ColorB(c));
}

TColor FromQColor(const QColor& color) {
    return MakeColor(color.red(), color.green(), color.blue());
}

TColor FromQRgb(unsigned rgb) {
    return MakeColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}
