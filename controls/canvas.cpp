#include "controls/canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <utility>
#include <vector>

namespace {

// The text as it shows when ampersands are prefixes: "&x" shows x, "&&" shows one ampersand, and
// a lone ampersand at the end shows nothing.
QString StripPrefix(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size()) {
                out += s[++i];
            }
        } else {
            out += s[i];
        }
    }
    return out;
}

// Copy of the image with the pixels of one colour made fully transparent.
QImage KeyedImage(const QImage& image, TColor transparentColor) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(transparentColor).rgb() & 0xFFFFFFu;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0xFFFFFFu) == key) {
                line[x] = 0;
            }
        }
    }
    return out;
}

}  // namespace

ZCanvas::ZCanvas(QPaintDevice* device) {
    if (device == nullptr || device->width() <= 0 || device->height() <= 0) {
        return;
    }
    if (!painter_.begin(device)) {
        return;
    }
    deviceWidth_ = device->width();
    deviceHeight_ = device->height();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

ZCanvas::~ZCanvas() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

void ZCanvas::SetViewportOrg(int x, int y) {
    origin_ = QPoint(x, y);
    if (!IsActive()) {
        return;
    }
    painter_.setWorldTransform(QTransform::fromTranslate(x, y));
    ApplyClip();
}

int ZCanvas::SetBkMode(int mode) {
    const int previous = bkMode_;
    if (mode == bkTransparent || mode == bkOpaque) {
        bkMode_ = mode;
    }
    return previous;
}

void ZCanvas::FillPixels(int x, int y, int width, int height, const QColor& color) {
    if (width > 0 && height > 0) {
        painter_.fillRect(QRect(x, y, width, height), color);
    }
}

// One-pixel line from (x0, y0) towards (x1, y1), the end point left out, drawn as the runs of a
// Bresenham walk so that horizontal and vertical lines are single rectangles.
void ZCanvas::ThinLine(int x0, int y0, int x1, int y1) {
    const QColor color = ToQColor(pen_.color);
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    if (dx == 0 && dy == 0) {
        return;
    }
    if (dy == 0) {
        FillPixels(sx > 0 ? x0 : x1 + 1, y0, dx, 1, color);
        return;
    }
    if (dx == 0) {
        FillPixels(x0, sy > 0 ? y0 : y1 + 1, 1, dy, color);
        return;
    }
    const bool xMajor = dx >= dy;
    const int major = xMajor ? dx : dy;
    const int minor = xMajor ? dy : dx;
    int err = 2 * minor - major;
    int x = x0;
    int y = y0;
    int runX = x;
    int runY = y;
    int runLength = 0;
    auto flush = [&] {
        if (runLength == 0) {
            return;
        }
        if (xMajor) {
            FillPixels(sx > 0 ? runX : runX - runLength + 1, runY, runLength, 1, color);
        } else {
            FillPixels(runX, sy > 0 ? runY : runY - runLength + 1, 1, runLength, color);
        }
        runLength = 0;
    };
    for (int i = 0; i < major; ++i) {
        if (runLength == 0) {
            runX = x;
            runY = y;
        }
        ++runLength;
        if (err > 0) {
            flush();
            if (xMajor) {
                y += sy;
            } else {
                x += sx;
            }
            err -= 2 * major;
        }
        err += 2 * minor;
        if (xMajor) {
            x += sx;
        } else {
            y += sy;
        }
    }
    flush();
}

void ZCanvas::LineTo(int x, int y) {
    const QPoint from = penPos_;
    penPos_ = QPoint(x, y);
    if (!IsActive() || pen_.style == psClear) {
        return;
    }
    if (pen_.width <= 1) {
        ThinLine(from.x(), from.y(), x, y);
        return;
    }
    painter_.setPen(
        QPen(ToQColor(pen_.color), pen_.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter_.drawLine(from, penPos_);
}

void ZCanvas::Polyline(std::span<const QPoint> points) {
    if (points.empty()) {
        return;
    }
    const QPoint saved = penPos_;
    penPos_ = points[0];
    for (std::size_t i = 1; i < points.size(); ++i) {
        LineTo(points[i].x(), points[i].y());
    }
    penPos_ = saved;  // a polyline neither uses nor moves the current position
}

void ZCanvas::SetShapePen() {
    if (pen_.style == psClear) {
        painter_.setPen(Qt::NoPen);
        return;
    }
    painter_.setPen(QPen(ToQColor(pen_.color), std::max(1, pen_.width), Qt::SolidLine, Qt::FlatCap,
                         Qt::MiterJoin));
}

void ZCanvas::SetShapeBrush() {
    if (brush_.style == bsClear) {
        painter_.setBrush(Qt::NoBrush);
        return;
    }
    painter_.setBrush(ToQColor(brush_.color));
}

void ZCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (!IsActive()) {
        return;
    }
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    const int w = right - left;
    const int h = bottom - top;
    const bool fill = brush_.style != bsClear;
    const QColor brushColor = ToQColor(brush_.color);
    if (pen_.style == psClear) {
        // Without a pen the filled area is one pixel smaller in width and height.
        if (fill) {
            FillPixels(left, top, w - 1, h - 1, brushColor);
        }
        return;
    }
    if (pen_.width <= 1) {
        if (fill) {
            FillPixels(left + 1, top + 1, w - 2, h - 2, brushColor);
        }
        const QColor penColor = ToQColor(pen_.color);
        FillPixels(left, top, w, 1, penColor);
        FillPixels(left, bottom - 1, w, 1, penColor);
        FillPixels(left, top, 1, h, penColor);
        FillPixels(right - 1, top, 1, h, penColor);
        return;
    }
    if (w < 1 || h < 1) {
        return;
    }
    SetShapePen();
    SetShapeBrush();
    painter_.drawRect(QRect(left, top, w - 1, h - 1));
}

void ZCanvas::FillRect(const QRect& rect) {
    if (IsActive() && brush_.style != bsClear) {
        FillPixels(rect.x(), rect.y(), rect.width(), rect.height(), ToQColor(brush_.color));
    }
}

void ZCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (!IsActive() || right - left < 1 || bottom - top < 1) {
        return;
    }
    SetShapePen();
    SetShapeBrush();
    painter_.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void ZCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                        int cornerHeight) {
    if (!IsActive() || right - left < 1 || bottom - top < 1) {
        return;
    }
    const int w = right - left;
    const int h = bottom - top;
    const QRectF box(left, top, w - 1, h - 1);
    if (cornerWidth <= 0 || cornerHeight <= 0 || pen_.style == psClear || pen_.width > 1) {
        SetShapePen();
        SetShapeBrush();
        if (cornerWidth <= 0 || cornerHeight <= 0) {
            painter_.drawRect(box);
        } else {
            painter_.drawRoundedRect(box, cornerWidth / 2.0, cornerHeight / 2.0, Qt::AbsoluteSize);
        }
        return;
    }
    // Each corner is a quarter of Ellipse's own outline of a corner-sized box, joined by straight
    // edges, so the outline lies on the box as Ellipse's does and corners as large as the box
    // give exactly Ellipse.
    const int cw = std::min(cornerWidth, w);
    const int ch = std::min(cornerHeight, h);
    const int hw = cw / 2;
    const int hh = ch / 2;
    const int innerLeft = left + hw;         // first column after the left corners' quarters
    const int innerRight = right - cw + hw;  // first column of the right corners' quarters
    const int innerTop = top + hh;
    const int innerBottom = bottom - ch + hh;
    struct Corner {
        QRect box;      // the corner ellipse's box (as Ellipse is given it)
        QRect quarter;  // the part of it this corner draws
    } corners[] = {
        {QRect(left, top, cw - 1, ch - 1), QRect(left, top, hw, hh)},
        {QRect(right - cw, top, cw - 1, ch - 1), QRect(innerRight, top, right - innerRight, hh)},
        {QRect(left, bottom - ch, cw - 1, ch - 1),
         QRect(left, innerBottom, hw, bottom - innerBottom)},
        {QRect(right - cw, bottom - ch, cw - 1, ch - 1),
         QRect(innerRight, innerBottom, right - innerRight, bottom - innerBottom)},
    };
    auto inCorner = [&](const Corner& c, bool pen) {
        QRegion region = QRegion(c.quarter).translated(origin_);
        if (clip_) {
            region = region.intersected(*clip_);
        }
        painter_.setClipRegion(region.translated(-origin_));
        if (pen) {
            SetShapePen();
            painter_.setBrush(Qt::NoBrush);
        } else {
            painter_.setPen(Qt::NoPen);
            SetShapeBrush();
        }
        painter_.drawEllipse(c.box);
    };
    if (brush_.style != bsClear) {
        const QColor fill = ToQColor(brush_.color);
        for (const Corner& c : corners) {
            inCorner(c, false);
        }
        ApplyClip();
        FillPixels(innerLeft, top + 1, innerRight - innerLeft, h - 2, fill);
        FillPixels(left + 1, innerTop, w - 2, innerBottom - innerTop, fill);
    }
    for (const Corner& c : corners) {
        inCorner(c, true);
    }
    ApplyClip();
    const QColor ink = ToQColor(pen_.color);
    FillPixels(innerLeft, top, innerRight - innerLeft, 1, ink);
    FillPixels(innerLeft, bottom - 1, innerRight - innerLeft, 1, ink);
    FillPixels(left, innerTop, 1, innerBottom - innerTop, ink);
    FillPixels(right - 1, innerTop, 1, innerBottom - innerTop, ink);
}

void ZCanvas::Arc(int left, int top, int right, int bottom, int x3, int y3, int x4, int y4) {
    if (!IsActive() || pen_.style == psClear || right - left < 1 || bottom - top < 1) {
        return;
    }
    SetShapePen();
    painter_.setBrush(Qt::NoBrush);
    const QRect box(left, top, right - left - 1, bottom - top - 1);
    // The arc is the part of Ellipse's own outline between the radials from the centre through
    // the two points, so both trace the same pixels: the ellipse is drawn clipped to the wedge
    // between the radials (counter-clockwise from the first), which reaches past the box.
    const double cx = left + (right - left) / 2.0;
    const double cy = top + (bottom - top) / 2.0;
    auto angle = [&](int px, int py) { return std::atan2(cy - py, px - cx); };
    const double start = angle(x3, y3);
    double span = angle(x4, y4) - start;
    while (span <= 0) {
        span += 2 * std::numbers::pi;  // equal radials draw the whole ellipse
    }
    if (span >= 2 * std::numbers::pi - 1e-9) {
        painter_.drawEllipse(box);
        return;
    }
    const double reach = 2.0 * ((right - left) + (bottom - top)) + 4.0;
    QPolygon wedge;
    wedge << QPoint(static_cast<int>(std::lround(cx)), static_cast<int>(std::lround(cy)));
    const int steps = static_cast<int>(std::ceil(span / (std::numbers::pi / 8)));
    for (int i = 0; i <= steps; ++i) {
        const double a = start + span * i / steps;
        wedge << QPoint(static_cast<int>(std::lround(cx + reach * std::cos(a))),
                        static_cast<int>(std::lround(cy - reach * std::sin(a))));
    }
    QRegion region = QRegion(wedge, Qt::OddEvenFill).translated(origin_);  // device pixels
    if (clip_) {
        region = region.intersected(*clip_);
    }
    painter_.setClipRegion(region.translated(-origin_));
    painter_.drawEllipse(box);
    ApplyClip();
}

void ZCanvas::Draw(int x, int y, const QImage& image) {
    if (IsActive() && !image.isNull()) {
        painter_.drawImage(QPoint(x, y), image);
    }
}

void ZCanvas::Draw(int x, int y, const QImage& image, TColor transparentColor) {
    if (IsActive() && !image.isNull()) {
        painter_.drawImage(QPoint(x, y), KeyedImage(image, transparentColor));
    }
}

void ZCanvas::StretchDraw(const QRect& dest, const QImage& image) {
    if (IsActive() && !image.isNull() && dest.width() > 0 && dest.height() > 0) {
        painter_.drawImage(dest, image);
    }
}

void ZCanvas::StretchDraw(const QRect& dest, const QImage& image, TColor transparentColor) {
    if (IsActive() && !image.isNull() && dest.width() > 0 && dest.height() > 0) {
        painter_.drawImage(dest, KeyedImage(image, transparentColor));
    }
}

void ZCanvas::CopyRect(const QRect& dest, const QImage& source, const QRect& sourceRect) {
    if (!IsActive() || source.isNull() || dest.width() <= 0 || dest.height() <= 0 ||
        sourceRect.width() <= 0 || sourceRect.height() <= 0) {
        return;
    }
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.drawImage(QRectF(dest), source, QRectF(sourceRect));
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QFont ZCanvas::PaintFont() const {
    QFont f = font_.font;
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

void ZCanvas::TextOut(int x, int y, const QString& text) {
    if (!IsActive() || text.isEmpty()) {
        return;
    }
    const QFont f = PaintFont();
    const QFontMetrics fm(f, painter_.device());
    if (bkMode_ == bkOpaque && brush_.style != bsClear) {
        FillPixels(x, y, fm.horizontalAdvance(text), fm.height(), ToQColor(brush_.color));
    }
    painter_.setFont(f);
    painter_.setPen(ToQColor(font_.color));
    painter_.drawText(QPoint(x, y + fm.ascent()), text);
}

int ZCanvas::TextWidth(const QString& text) const {
    return QFontMetrics(PaintFont(), painter_.device()).horizontalAdvance(text);
}

int ZCanvas::TextHeight(const QString& /*text*/) const {
    return QFontMetrics(PaintFont(), painter_.device()).height();
}

void ZCanvas::DrawTextLine(int x, int y, const QString& line, bool prefix) {
    const QFont f = PaintFont();
    const QFontMetrics fm(f, painter_.device());
    painter_.setFont(f);
    painter_.setPen(ToQColor(font_.color));
    if (prefix) {
        painter_.drawText(QRect(x, y, fm.horizontalAdvance(line) + fm.maxWidth(), fm.height()),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine |
                              Qt::TextDontClip,
                          line);
    } else {
        painter_.drawText(QPoint(x, y + fm.ascent()), line);
    }
}

int ZCanvas::DrawText(const QString& text, QRect* rect, unsigned flags) {
    if (rect == nullptr) {
        return 0;
    }
    const QFont f = PaintFont();
    const QFontMetrics fm(f, painter_.isActive() ? painter_.device() : nullptr);
    const bool prefix = (flags & DT_NOPREFIX) == 0;
    auto width = [&](const QString& s) {
        return fm.horizontalAdvance(prefix ? StripPrefix(s) : s);
    };

    std::vector<QString> lines;
    if (flags & DT_SINGLELINE) {
        QString one = text;
        one.replace(QLatin1Char('\r'), QLatin1Char(' '));
        one.replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines.push_back(one);
    } else {
        QString normal = text;
        normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        for (const QString& paragraph : normal.split(QLatin1Char('\n'))) {
            if ((flags & DT_WORDBREAK) == 0) {
                lines.push_back(paragraph);
                continue;
            }
            // Greedy breaks between words; a word wider than the box stays whole on its own
            // line, and the spaces at a break are dropped.
            QString current;
            bool first = true;
            qsizetype i = 0;
            while (i < paragraph.size()) {
                qsizetype j = i;
                while (j < paragraph.size() && paragraph[j] == QLatin1Char(' ')) {
                    ++j;
                }
                const QString spaces = paragraph.mid(i, j - i);
                qsizetype k = j;
                while (k < paragraph.size() && paragraph[k] != QLatin1Char(' ')) {
                    ++k;
                }
                const QString word = paragraph.mid(j, k - j);
                i = k;
                if (first) {
                    current = spaces + word;
                    first = false;
                    continue;
                }
                const QString candidate = current + spaces + word;
                if (!current.isEmpty() && width(candidate) > rect->width()) {
                    lines.push_back(current);
                    current = word;
                } else {
                    current = candidate;
                }
            }
            lines.push_back(current);
        }
    }

    const int lineHeight = fm.height();
    const int total = lineHeight * static_cast<int>(lines.size());
    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const QString& line : lines) {
            widest = std::max(widest, width(line));
        }
        rect->setWidth(widest);
        rect->setHeight(total);
        return total;
    }
    if (!IsActive()) {
        return total;
    }

    int y = rect->y();
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER) {
            y += (rect->height() - lineHeight) / 2;
        } else if (flags & DT_BOTTOM) {
            y += rect->height() - lineHeight;
        }
    }
    QRegion savedClip;
    const bool hadClip = GetClipRgn(&savedClip);
    if ((flags & DT_NOCLIP) == 0) {
        IntersectClipRgn(QRegion(rect->translated(origin_)));
    }
    for (const QString& line : lines) {
        const int lineWidth = width(line);
        int x = rect->x();
        if (flags & DT_CENTER) {
            x += (rect->width() - lineWidth) / 2;
        } else if (flags & DT_RIGHT) {
            x += rect->width() - lineWidth;
        }
        if (bkMode_ == bkOpaque && brush_.style != bsClear) {
            FillPixels(x, y, lineWidth, lineHeight, ToQColor(brush_.color));
        }
        if (!line.isEmpty()) {
            DrawTextLine(x, y, line, prefix);
        }
        y += lineHeight;
    }
    if ((flags & DT_NOCLIP) == 0) {
        SelectClipRgn(hadClip ? &savedClip : nullptr);
    }
    return total;
}

QRegion ZCanvas::CreateRectRgn(int left, int top, int right, int bottom) {
    return QRegion(QRect(left, top, right - left, bottom - top).normalized());
}

QRegion ZCanvas::CreateEllipticRgn(int left, int top, int right, int bottom) {
    return QRegion(QRect(left, top, right - left, bottom - top).normalized(), QRegion::Ellipse);
}

QRegion ZCanvas::CreatePolygonRgn(std::span<const QPoint> points) {
    return QRegion(QPolygon(QList<QPoint>(points.begin(), points.end())), Qt::OddEvenFill);
}

bool ZCanvas::GetClipRgn(QRegion* out) const {
    if (!clip_) {
        return false;
    }
    if (out != nullptr) {
        *out = *clip_;
    }
    return true;
}

void ZCanvas::SelectClipRgn(const QRegion* rgn) {
    if (rgn != nullptr) {
        clip_ = *rgn;
    } else {
        clip_.reset();
    }
    ApplyClip();
}

void ZCanvas::IntersectClipRgn(const QRegion& rgn) {
    clip_ = clip_ ? clip_->intersected(rgn) : rgn;
    ApplyClip();
}

QRect ZCanvas::GetClipRect() const {
    QRect box(0, 0, deviceWidth_, deviceHeight_);
    if (clip_) {
        box = box.intersected(clip_->boundingRect());
    }
    return box.translated(-origin_);
}

void ZCanvas::ApplyClip() {
    if (!IsActive()) {
        return;
    }
    if (clip_) {
        // The painter maps the region through the viewport origin; ours is in device pixels.
        painter_.setClipRegion(clip_->translated(-origin_));
    } else {
        // NoClip drops the painter's clip; setClipping(false) would only disable it, and a later
        // region clip would then be stored in the disabled one and ignored.
        painter_.setClipRegion(QRegion(), Qt::NoClip);
    }
}
