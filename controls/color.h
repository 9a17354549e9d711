// Toolkit colours of the graphic controls: a TColor is 0x00BBGGRR, or, when negative, a system
// colour whose index is in the low 12 bits (clBtnFace is 0xFF00000F, COLOR_BTNFACE = 15).
//
//   TColor face = ColorToRGB(clBtnFace);   // 0xF0F0F0 with the default system colours
//   QColor q = ToQColor(0x0000FF);          // pure red
//
// Plain values; nothing here owns anything.
#pragma once

#include <QColor>

#include <cstdint>

using TColor = std::int32_t;

// System colours as the toolkit names them: 0xFF000000 plus the system colour index.
inline constexpr TColor clScrollBar = static_cast<TColor>(0xFF000000u);
inline constexpr TColor clWindow = static_cast<TColor>(0xFF000005u);
inline constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);
inline constexpr TColor clHighlight = static_cast<TColor>(0xFF00000Du);
inline constexpr TColor clHighlightText = static_cast<TColor>(0xFF00000Eu);
inline constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000Fu);
inline constexpr TColor clBtnShadow = static_cast<TColor>(0xFF000010u);
inline constexpr TColor clGrayText = static_cast<TColor>(0xFF000011u);
inline constexpr TColor clBtnText = static_cast<TColor>(0xFF000012u);
inline constexpr TColor clBtnHighlight = static_cast<TColor>(0xFF000014u);
inline constexpr TColor cl3DDkShadow = static_cast<TColor>(0xFF000015u);
inline constexpr TColor cl3DLight = static_cast<TColor>(0xFF000016u);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clGray = 0x808080;

// The system's colour for index (the low 12 bits of a negative TColor), as 0x00BBGGRR. These are
// the desktop's default colours; an unknown index gives 0 (black), as the system call does.
TColor GetSysColor(int index);

// Resolves a system colour to its 0x00BBGGRR value; other colours lose their top byte.
TColor ColorToRGB(TColor color);

// Byte access on the low three bytes, without resolving system colours.
inline int ColorR(TColor c) {
    return c & 0xFF;
}
inline int ColorG(TColor c) {
    return (c >> 8) & 0xFF;
}
inline int ColorB(TColor c) {
    return (c >> 16) & 0xFF;
}
inline TColor MakeColor(int r, int g, int b) {
    return (b << 16) | (g << 8) | r;
}

// QColor of a TColor (system colours resolved), and back (opaque, 0x00BBGGRR).
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
TColor FromQRgb(unsigned rgb);
