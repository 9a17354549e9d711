#pragma once
// The typefaces the windows ask for ("MS Sans Serif", "Microsoft Sans Serif", "Tahoma" and
// "Arial") are Windows fonts. On other systems font matching picks whatever it likes for them
// (DejaVu Sans for "MS Sans Serif" on Debian), which changes the size of every text. The program
// maps all four to Liberation Sans, which has Arial's metrics, before it makes any window.
//
//   QApplication app(argc, argv);
//   InstallFontSubstitutes();
//   QFont f = PixelFont("Arial", 14);     // 14 pixels of character height, Liberation Sans
//
// Process-wide: the substitution table belongs to Qt's font database; call on the UI thread.

#include <QFont>
#include <QString>

// The family every Windows face above resolves to.
inline constexpr char kSubstituteFamily[] = "Liberation Sans";

void InstallFontSubstitutes();

// A font of family with a character height of pixels (the toolkit's 8 pt is 11 pixels at 96 dpi).
QFont PixelFont(const QString& family, int pixels, bool bold = false);
