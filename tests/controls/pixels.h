// Helpers for pixel tests of the graphic controls.
#pragma once

#include <QImage>
#include <QRect>

#include "controls/color.h"

namespace ztest {

inline QImage Blank(int width, int height, TColor color = clWhite) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(ToQColor(color));
    return image;
}

// The colour at (x, y) as 0x00BBGGRR.
inline TColor At(const QImage& image, int x, int y) {
    return FromQRgb(image.pixel(x, y));
}

// Bounding box of the pixels that differ from background (empty when none do).
inline QRect InkBox(const QImage& image, TColor background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Number of pixels of one colour.
inline int Count(const QImage& image, TColor color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += At(image, x, y) == color ? 1 : 0;
        }
    }
    return n;
}

}  // namespace ztest
