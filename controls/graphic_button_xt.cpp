#include "controls/graphic_button_xt.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "controls/gradation_color.h"
#include "controls/graphic_frame.h"

namespace {

// Colour that marks the transparent object bitmap of an invisible button (the toolkit's key
// colour for transparent bitmaps).
constexpr TColor kTransparentKey = 0x010000;

// Initial GradationColor1: the background colour at two thirds of each byte.
TColor TwoThirds(TColor color) {
    const TColor c = ColorToRGB(color);
    return MakeColor(ColorR(c) * 2 / 3, ColorG(c) * 2 / 3, ColorB(c) * 2 / 3);
}

// Initial GradationColor2: the background colour shifted so that its smallest byte becomes 235;
// the shift is taken modulo 256, so a colour whose smallest byte is above 235 turns white.
TColor LiftTo235(TColor color) {
    const TColor c = ColorToRGB(color);
    const int smallest = std::min({ColorR(c), ColorG(c), ColorB(c)});
    const int shift = (235 - smallest) & 0xFF;
    auto lift = [&](int byte) { return std::min(byte + shift, 255); };
    return MakeColor(lift(ColorR(c)), lift(ColorG(c)), lift(ColorB(c)));
}

void ToHsl(TColor color, double* hue, double* saturation, double* lightness) {
    const int r = ColorR(color);
    const int g = ColorG(color);
    const int b = ColorB(color);
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    *lightness = (mx + mn) / 510.0;
    *hue = 0;
    *saturation = 0;
    if (mx == mn) {
        return;
    }
    const double span = mx - mn;
    *saturation = *lightness <= 0.5 ? span / (mx + mn) : span / (510 - mx - mn);
    const double rr = (mx - r) / span;
    const double gg = (mx - g) / span;
    const double bb = (mx - b) / span;
    // Later maxima override earlier ones when bytes tie.
    if (mx == r) {
        *hue = (bb + 6 - gg) * 60;
    }
    if (mx == g) {
        *hue = (rr + 2 - bb) * 60;
    }
    if (mx == b) {
        *hue = (gg + 4 - rr) * 60;
    }
    if (*hue > 360) {
        *hue -= 360;
    }
}

TColor FromHsl(double hue, double saturation, double lightness) {
    auto toByte = [](double v) { return std::clamp(static_cast<int>(v * 255), 0, 255); };
    if (saturation == 0) {
        const int v = toByte(lightness);
        return MakeColor(v, v, v);
    }
    const double m2 = lightness <= 0.5 ? lightness * (1 + saturation)
                                       : lightness + saturation - lightness * saturation;
    const double m1 = 2 * lightness - m2;
    auto channel = [&](double h) {
        if (h < 0) {
            h += 360;
        } else if (h > 360) {
            h -= 360;
        }
        if (h < 60) {
            return m1 + (m2 - m1) * h / 60;
        }
        if (h < 180) {
            return m2;
        }
        if (h < 240) {
            return m1 + (m2 - m1) * (240 - h) / 60;
        }
        return m1;
    };
    return MakeColor(toByte(channel(hue + 120)), toByte(channel(hue)), toByte(channel(hue - 120)));
}

}  // namespace

ZGraphicButtonXT::ZGraphicButtonXT(QWidget* parent)
    : QWidget(parent), effect_(std::make_unique<ZEffectXT>()) {
    bitmapOn_.own = std::make_unique<QImage>();
    bitmapOff_.own = std::make_unique<QImage>();
    bitmapDisable_.own = std::make_unique<QImage>();
    effect_->SetGradationColor1(TwoThirds(backGroundColor_));
    effect_->SetGradationColor2(LiftTo235(backGroundColor_));
    effect_->SetOnChange([this](ZEffectXT* sender) { OnEffectChange(sender); });
    // The picture covers the whole widget, except for an invisible button.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

ZGraphicButtonXT::~ZGraphicButtonXT() = default;

void ZGraphicButtonXT::ShadeColors(TColor base, TColor* light, TColor* dark) {
    double hue = 0;
    double saturation = 0;
    double lightness = 0;
    ToHsl(ColorToRGB(base), &hue, &saturation, &lightness);
    const double darkL = lightness - lightness * 0.55;
    const double lightL = std::min(1.0, lightness + (1 - lightness) * 0.8);
    *dark = FromHsl(hue, saturation, darkL);
    *light = FromHsl(hue, saturation, lightL);
}

int ZGraphicButtonXT::GetScaleFactorForDevice() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return 100;
    }
    // 96 dpi is the display's 100 %.
    return static_cast<int>(std::lround(screen->logicalDotsPerInch() * 100.0 / 96.0));
}

// --- Setters ------------------------------------------------------------------------------

void ZGraphicButtonXT::SetEnabled(bool enabled) {
    QWidget::setEnabled(enabled);
    enabled_ = enabled;
    Paint();
}

void ZGraphicButtonXT::SetMode(ZGCMode mode) {
    mode_ = mode;
    Paint();
}

void ZGraphicButtonXT::SetStillDown(bool stillDown) {
    stillDown_ = stillDown;
    Paint();
}

void ZGraphicButtonXT::SetTransparent(bool transparent) {
    transparent_ = transparent;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    update();
}

void ZGraphicButtonXT::SetShape(ZGCShape shape) {
    shape_ = shape;
    UpdateRegion();
    update();
}

void ZGraphicButtonXT::UpdateRegion() {
    if (shape_ == cogsRound) {
        setMask(ZCanvas::CreateEllipticRgn(0, 0, width(), height()));
    } else {
        clearMask();
    }
}

void ZGraphicButtonXT::ShrinkToBitmapOff() {
    const QImage* off = bitmapOff_.Get();
    if (HasWidth(off)) {
        resize(off->width(), off->height());
    }
}

void ZGraphicButtonXT::SetUseOnlyBitmap(bool useOnlyBitmap) {
    useOnlyBitmap_ = useOnlyBitmap;
    if (shrinkOnUseOnlyBitmap_) {
        ShrinkToBitmapOff();
    }
    Paint();
}

void ZGraphicButtonXT::SetShrinkOnUseOnlyBitmap(bool shrink) {
    if (shrink && !shrinkOnUseOnlyBitmap_ && useOnlyBitmap_) {
        ShrinkToBitmapOff();
    }
    shrinkOnUseOnlyBitmap_ = shrink;
}

void ZGraphicButtonXT::SetTransparentBitmap(bool transparentBitmap) {
    transparentBitmap_ = transparentBitmap;
    Paint();
}

void ZGraphicButtonXT::SetState(std::int32_t state) {
    state_ = state;
    lastState_ = state > 0;
    if (state == 0) {
        pressed_ = false;
        pushedLook_ = false;
    }
    Paint();
}

void ZGraphicButtonXT::SetMinState(std::int32_t minState) {
    minState_ = minState;
    Paint();
}

void ZGraphicButtonXT::SetMaxState(std::int32_t maxState) {
    maxState_ = maxState;
    Paint();
}

void ZGraphicButtonXT::SetTextDisabled(const QString& text) {
    textDisabled_ = text;
    if (!enabled_) {
        Paint();
    }
}

void ZGraphicButtonXT::SetTextOff(const QString& text) {
    textOff_ = text;
    if (!onTextSet_) {
        textOn_ = text;
    }
    if (text.isEmpty()) {
        onTextSet_ = false;
    }
    Paint();
}

void ZGraphicButtonXT::SetTextOn(const QString& text) {
    if (!text.isEmpty() || text != textOn_) {
        onTextSet_ = true;
    }
    textOn_ = text;
    Paint();
}

void ZGraphicButtonXT::SetTextFont(const ZFont* font) {
    if (font != nullptr) {
        textFont_ = *font;
    }
    Paint();
}

void ZGraphicButtonXT::SetVerticalPosition(ZGCTextVPos position) {
    textVPosition_ = position;
    Paint();
}

void ZGraphicButtonXT::SetHorizotalPosition(ZGCTextHPos position) {
    textHPosition_ = position;
    Paint();
}

void ZGraphicButtonXT::SetTextFollowBitmap(bool follow) {
    textFollowBitmap_ = follow;
    Paint();
}

void ZGraphicButtonXT::SetWordWrap(bool wordWrap) {
    wordWrap_ = wordWrap;
    Paint();
}

void ZGraphicButtonXT::SetSingleLine(bool singleLine) {
    singleLine_ = singleLine;
    Paint();
}

void ZGraphicButtonXT::SetXPercentPos(int percent) {
    xPercentPos_ = std::max(1, percent);
    Paint();
}

void ZGraphicButtonXT::SetYPercentPos(int percent) {
    yPercentPos_ = std::max(1, percent);
    Paint();
}

void ZGraphicButtonXT::SetTextColorDisabled(TColor color) {
    textColorDisabled_ = color;
    if (!enabled_) {
        Paint();
    }
}

void ZGraphicButtonXT::SetTextColorOff(TColor color) {
    textColorOff_ = color;
    Paint();
}

void ZGraphicButtonXT::SetTextColorOn(TColor color) {
    textColorOn_ = color;
    Paint();
}

void ZGraphicButtonXT::SetFrameColor(TColor color) {
    frameColor_ = color;
    Paint();
}

void ZGraphicButtonXT::SetBackGroundColor(TColor color) {
    backGroundColor_ = color;
    Paint();
}

void ZGraphicButtonXT::SetColorOff(TColor color) {
    colorOff_ = color;
    Paint();
}

void ZGraphicButtonXT::SetColorOn(TColor color) {
    colorOn_ = color;
    Paint();
}

QImage* ZGraphicButtonXT::BackgroundGetter(BitmapSlot* slot) {
    if (!bitmapAsReference_ && slot->Get() == nullptr) {
        slot->own = std::make_unique<QImage>();
    }
    return slot->Get();
}

void ZGraphicButtonXT::BackgroundSetter(BitmapSlot* slot, QImage* bitmap) {
    if (bitmapAsReference_) {
        slot->Release();
        slot->borrowed = bitmap;
    } else if (bitmap != nullptr) {
        CopyInto(slot, bitmap, true);
    } else {
        slot->Release();
    }
    Paint();
}

// Copies bitmap into the slot's own bitmap. A borrowed bitmap is never written to: the slot gets
// a bitmap of its own instead.
void ZGraphicButtonXT::CopyInto(BitmapSlot* slot, QImage* bitmap, bool createEmpty) {
    if (slot->own == nullptr && !createEmpty) {
        return;
    }
    slot->borrowed = nullptr;
    if (bitmap == slot->own.get() && bitmap != nullptr) {
        return;
    }
    QImage copy = bitmap != nullptr ? *bitmap : QImage();
    slot->own = std::make_unique<QImage>(std::move(copy));
}

QImage* ZGraphicButtonXT::GetBkBitmapOn() {
    return BackgroundGetter(&bkBitmapOn_);
}
QImage* ZGraphicButtonXT::GetBkBitmapOff() {
    return BackgroundGetter(&bkBitmapOff_);
}
QImage* ZGraphicButtonXT::GetBkBitmapDisable() {
    return BackgroundGetter(&bkBitmapDisable_);
}
void ZGraphicButtonXT::SetBkBitmapOn(QImage* bitmap) {
    BackgroundSetter(&bkBitmapOn_, bitmap);
}
void ZGraphicButtonXT::SetBkBitmapOff(QImage* bitmap) {
    BackgroundSetter(&bkBitmapOff_, bitmap);
}
void ZGraphicButtonXT::SetBkBitmapDisable(QImage* bitmap) {
    BackgroundSetter(&bkBitmapDisable_, bitmap);
}

void ZGraphicButtonXT::SetBitmapOn(QImage* bitmap) {
    if (bitmapAsReference_) {
        bitmapOn_.Release();
        bitmapOn_.borrowed = bitmap;
    } else {
        CopyInto(&bitmapOn_, bitmap, true);
    }
    Paint();
}

void ZGraphicButtonXT::SetBitmapOff(QImage* bitmap) {
    if (bitmapAsReference_) {
        bitmapOff_.Release();
        bitmapOff_.borrowed = bitmap;
    } else {
        CopyInto(&bitmapOff_, bitmap, true);
    }
    Paint();
}

void ZGraphicButtonXT::SetBitmapDisable(QImage* bitmap) {
    if (bitmapAsReference_) {
        bitmapDisable_.Release();
        bitmapDisable_.borrowed = bitmap;
    } else {
        CopyInto(&bitmapDisable_, bitmap, true);
    }
    Paint();
}

void ZGraphicButtonXT::SetBitmapPos(ZGCPosition position) {
    bitmapPos_ = position;
    Paint();
}

void ZGraphicButtonXT::SetEmbossedWidth(int width) {
    embossedWidth_ = width;
    Paint();
}

void ZGraphicButtonXT::SetFrameWidth(int width) {
    frameWidth_ = width;
    Paint();
}

void ZGraphicButtonXT::SetEmbossedSmooth(bool smooth) {
    embossedSmooth_ = smooth;
    Paint();
}

void ZGraphicButtonXT::SetEffect(std::unique_ptr<ZEffectXT> effect) {
    if (effect == nullptr) {
        return;
    }
    effect_ = std::move(effect);
    effect_->SetOnChange([this](ZEffectXT* sender) { OnEffectChange(sender); });
    Paint();
}

void ZGraphicButtonXT::SetAutoScaleBitmap(bool autoScale) {
    autoScaleBitmap_ = autoScale;
    Paint();
}

void ZGraphicButtonXT::SetRelief(ZGCRelief relief) {
    relief_ = relief;
    Paint();
}

void ZGraphicButtonXT::SetUseExternFrequency(bool use) {
    useExternFrequency_ = use;
    Paint();
}

void ZGraphicButtonXT::SetFrequency(std::uint32_t frequency) {
    frequency_ = frequency;
    Paint();
}

void ZGraphicButtonXT::SetDefaultState(std::int32_t state) {
    defaultState_ = state;
    Paint();
}

void ZGraphicButtonXT::SetRulerColor(TColor color) {
    rulerColor_ = color;
    Paint();
}

void ZGraphicButtonXT::SetSlotColor(TColor color) {
    slotColor_ = color;
    Paint();
}

void ZGraphicButtonXT::SetBitmapAsReference(bool reference) {
    if (reference && !bitmapAsReference_) {
        bitmapOn_.Release();
        bitmapOff_.Release();
        bitmapDisable_.Release();
    } else if (!reference && bitmapAsReference_) {
        bitmapOn_.Release();
        bitmapOff_.Release();
        bitmapDisable_.Release();
        bitmapOn_.own = std::make_unique<QImage>();
        bitmapOff_.own = std::make_unique<QImage>();
        bitmapDisable_.own = std::make_unique<QImage>();
    }
    bitmapAsReference_ = reference;
}

void ZGraphicButtonXT::OnEffectChange(ZEffectXT* /*sender*/) {
    Paint();
}

// --- Painting -----------------------------------------------------------------------------

void ZGraphicButtonXT::Paint() {
    ComposeObjectBitmap();
    CopyObjectBitmap();
}

void ZGraphicButtonXT::EnsureObjectBitmapSize() {
    const QSize size(std::max(0, width()), std::max(0, height()));
    if (objectBitmap_.size() == size) {
        return;
    }
    // What the old picture covered is kept; the rest starts white.
    QImage resized(size, QImage::Format_RGB32);
    if (!resized.isNull()) {
        resized.fill(Qt::white);
        ZCanvas canvas(&resized);
        canvas.Draw(0, 0, objectBitmap_);
    }
    objectBitmap_ = std::move(resized);
}

void ZGraphicButtonXT::ComposeObjectBitmap() {
    if (useOnlyBitmap_ && shrinkOnUseOnlyBitmap_) {
        const QImage* off = bitmapOff_.Get();
        if (HasWidth(off) && size() != off->size()) {
            resize(off->size());
        }
    }
    if (!(transparent_ && shape_ == cogsRectangle)) {
        EnsureObjectBitmapSize();
    }
    ZCanvas canvas(&objectBitmap_);
    const int w = width();
    const int h = height();
    if (transparent_) {
        objectTransparent_ = true;
        canvas.Brush() = ZBrush{kTransparentKey, bsSolid};
        canvas.Pen() = ZPen{kTransparentKey, 1, psSolid};
        canvas.Rectangle(0, 0, w, h);
        return;
    }
    objectTransparent_ = false;
    SetClipping();
    if (state_ == 1 && enabled_) {
        DrawActiveButton(stillDown_, canvas);
    } else {
        DrawInactiveButton(false, canvas);
    }
    ReleaseClipping();
}

void ZGraphicButtonXT::CopyObjectBitmap() {
    if (!isVisible()) {
        return;
    }
    copyOnly_ = true;
    repaint();
    copyOnly_ = false;
}

void ZGraphicButtonXT::DrawLook(bool active, bool pushed) {
    if (transparent_) {
        // Nothing of an invisible button's look is drawn; make sure the copy shows nothing even
        // when no paint has happened since it became transparent.
        Paint();
        return;
    }
    EnsureObjectBitmapSize();
    {
        ZCanvas canvas(&objectBitmap_);
        SetClipping();
        if (active) {
            DrawActiveButton(pushed, canvas);
        } else {
            DrawInactiveButton(pushed, canvas);
        }
        ReleaseClipping();
    }
    CopyObjectBitmap();
}

void ZGraphicButtonXT::paintEvent(QPaintEvent* /*event*/) {
    // While a press shows its look, other repaints (the parent's, an expose) keep that look
    // instead of composing the state's look over it.
    const bool pressedLookShown = pressed_ && pushedLook_ && objectBitmap_.size() == size();
    if (!copyOnly_ && !pressedLookShown) {
        ComposeObjectBitmap();
    }
    ZCanvas canvas(this);
    if (objectTransparent_) {
        canvas.Draw(0, 0, objectBitmap_, kTransparentKey);
    } else {
        canvas.Draw(0, 0, objectBitmap_);
    }
}

void ZGraphicButtonXT::DrawActiveButton(bool pushed, ZCanvas& canvas) {
    if (pushed) {
        DrawPushedButton(canvas);
    } else {
        DrawNormalButton(canvas);
    }
    DrawStatusOn(canvas);
}

void ZGraphicButtonXT::DrawInactiveButton(bool pushed, ZCanvas& canvas) {
    if (pushed) {
        DrawPushedButton(canvas);
    } else {
        DrawNormalButton(canvas);
    }
    DrawStatusOff(canvas);
}

void ZGraphicButtonXT::DrawNormalButton(ZCanvas& canvas) {
    DrawBody(false, canvas);
}
void ZGraphicButtonXT::DrawPushedButton(ZCanvas& canvas) {
    DrawBody(true, canvas);
}
void ZGraphicButtonXT::DrawStatusOff(ZCanvas& canvas) {
    DrawStatus(false, canvas);
}
void ZGraphicButtonXT::DrawStatusOn(ZCanvas& canvas) {
    DrawStatus(true, canvas);
}

void ZGraphicButtonXT::DrawBody(bool sunken, ZCanvas& canvas) {
    const int w = width();
    const int h = height();
    const int e = frameWidth_;
    const int f = embossedWidth_;
    const TColor base = ColorToRGB(sunken ? colorOn_ : colorOff_);
    TColor light = 0;
    TColor dark = 0;
    ShadeColors(base, &light, &dark);
    const TColor bevelLight = sunken ? dark : light;
    const TColor bevelDark = sunken ? light : dark;
    const TColor bevelFace = shape_ == cogsRectangle && !sunken ? colorOff_ : colorOn_;

    const QImage* background = nullptr;
    if (!enabled_) {
        background = HasWidth(bkBitmapDisable_.Get()) ? bkBitmapDisable_.Get() : bkBitmapOff_.Get();
    } else if (sunken) {
        background = HasWidth(bkBitmapOn_.Get()) ? bkBitmapOn_.Get() : bkBitmapOff_.Get();
    } else {
        background = bkBitmapOff_.Get();
    }
    if (!HasWidth(background)) {
        background = nullptr;
    }
    auto solid = [&canvas](TColor color) {
        canvas.Brush() = ZBrush{color, bsSolid};
        canvas.Pen() = ZPen{color, 1, psSolid};
    };

    if (useOnlyBitmap_) {
        const QImage* tested = sunken ? bitmapOn_.Get() : bitmapOff_.Get();
        if (transparent_ || !HasWidth(tested) || !tested->hasAlphaChannel()) {
            return;
        }
        if (shape_ == cogsRound) {
            const QRegion ellipse = ZCanvas::CreateEllipticRgn(0, 0, w, h);
            canvas.SelectClipRgn(&ellipse);
        }
        solid(base);
        canvas.Rectangle(0, 0, w, h);
        canvas.SelectClipRgn(nullptr);
        return;
    }
    if (transparent_) {
        return;
    }

    int angle = 0;
    const bool gradient = effect_->GradientAngle(&angle);
    const int a = e + f;
    if (shape_ == cogsRectangle) {
        if (background != nullptr) {
            solid(backGroundColor_);
            canvas.Rectangle(0, 0, background->width(), background->height());
            canvas.Draw(0, 0, *background);
            return;
        }
        canvas.Brush() = ZBrush{base, bsSolid};
        ZGraphicFrame frame(&canvas);
        if (e > 0) {
            frame.SetColors(frameColor_, frameColor_, frameColor_);
            frame.Draw(0, 0, w, h, e, false);
        } else {
            solid(base);
            canvas.Rectangle(0, 0, w, h);
        }
        if (f > 0) {
            frame.SetColors(bevelLight, bevelDark, bevelFace);
            frame.Draw(e, e, w - 2 * e, h - 2 * e, f, embossedSmooth_);
        }
        if (!gradient) {
            solid(base);
            canvas.Rectangle(a, a, w - a, h - a);
        } else {
            ZGradationColor fill(&canvas);
            fill.SetColor1(effect_->GetGradationColor1());
            fill.SetColor2(effect_->GetGradationColor2());
            fill.Draw(a, a, w - 2 * a, h - 2 * a, angle);
        }
        return;
    }

    if (background != nullptr) {
        const QRegion ellipse = ZCanvas::CreateEllipticRgn(0, 0, w, h);
        canvas.SelectClipRgn(&ellipse);
        solid(backGroundColor_);
        canvas.Rectangle(0, 0, background->width(), background->height());
        canvas.Draw(0, 0, *background);
        canvas.SelectClipRgn(nullptr);
        return;
    }
    int left = 0;
    int top = 0;
    int right = w;
    int bottom = h;
    ZGraphicFrame frame(&canvas);
    frame.SetShape(ZGraphicFrame::shapeEllipse);
    if (e > 0) {
        frame.SetColors(frameColor_, frameColor_, frameColor_);
        frame.DrawRect(left, top, right, bottom, e, false);
        left += e;
        top += e;
        right -= e;
        bottom -= e;
    }
    if (f > 0) {
        frame.SetColors(bevelLight, bevelDark, bevelFace);
        frame.DrawRect(left, top, right - 1, bottom - 1, f, embossedSmooth_);
        left += f;
        top += f;
        right -= f;
        bottom -= f;
    }
    const QRegion inner = ZCanvas::CreateEllipticRgn(left, top, right, bottom);
    canvas.SelectClipRgn(&inner);
    if (!gradient) {
        solid(base);
        canvas.Ellipse(a, a, w - a, h - a);
    } else {
        ZGradationColor fill(&canvas);
        fill.SetColor1(effect_->GetGradationColor1());
        fill.SetColor2(effect_->GetGradationColor2());
        fill.SetElliptic(true);
        fill.Draw(a, a, w - 2 * a, h - 2 * a, angle);
    }
    canvas.SelectClipRgn(nullptr);
}

void ZGraphicButtonXT::DrawStatus(bool on, ZCanvas& canvas) {
    QImage* bitmap = !enabled_ ? bitmapDisable_.Get() : (on ? bitmapOn_.Get() : bitmapOff_.Get());
    if (!transparent_ && HasWidth(bitmap)) {
        const int w = width();
        const int h = height();
        const int a = frameWidth_ + embossedWidth_;
        const double s = autoScaleBitmap_ ? GetScaleFactorForDevice() * 0.01 : 1.0;
        const double bw = bitmap->width() * s;
        const double bh = bitmap->height() * s;
        double x = a;
        double y = a;
        switch (bitmapPos_) {
            case copCenter:
                x = (w - bw) / 2;
                y = (h - bh) / 2;
                break;
            case copTopCenter:
                x = (w - bw) / 2;
                y = a;
                break;
            case copBottomCenter:
                x = (w - bw) / 2;
                y = h - a - bh;
                break;
            case copLeftCenter:
                x = a;
                y = (h - bh) / 2;
                break;
            case copRightCenter:
                x = w - a - bw;
                y = (h - bh) / 2;
                break;
            case copTopLeft:
                x = a;
                y = a;
                break;
            case copTopRight:
                x = w - a - bw;
                y = a;
                break;
            case copBottomLeft:
                x = a;
                y = h - a - bh;
                break;
            case copBottomRight:
                x = w - a - bw;
                y = h - a - bh;
                break;
        }
        const int left = static_cast<int>(x);
        const int top = static_cast<int>(y);
        const int right = static_cast<int>(left + bw);
        const int bottom = static_cast<int>(top + bh);
        const bool clip = bw > w - 2 * a || bh > h - 2 * a || shape_ == cogsRound;
        if (clip) {
            const QRegion inner = shape_ == cogsRound
                                      ? ZCanvas::CreateEllipticRgn(a, a, w - a, h - a)
                                      : ZCanvas::CreateRectRgn(a, a, w - a, h - a);
            canvas.SelectClipRgn(&inner);
        }
        const QRect dest(left, top, right - left, bottom - top);
        if (!bitmapAsReference_ && transparentBitmap_) {
            canvas.StretchDraw(dest, *bitmap, FromQRgb(bitmap->pixel(0, 0)));
        } else {
            canvas.StretchDraw(dest, *bitmap);
        }
        if (clip) {
            canvas.SelectClipRgn(nullptr);
        }
    }
    DrawColorText(on, canvas);
}

void ZGraphicButtonXT::DrawColorText(bool on, ZCanvas& canvas) {
    if (transparent_) {
        return;
    }
    const int w = width();
    const int h = height();
    const int e = frameWidth_ + embossedWidth_;
    const int m = e + 1;
    const QRegion clip = ZCanvas::CreateRectRgn(m, m, w - m, h - m);
    canvas.SelectClipRgn(&clip);
    const int savedMode = canvas.SetBkMode(ZCanvas::bkTransparent);
    canvas.Font() = textFont_;
    canvas.Brush().style = bsClear;

    QString text;
    if (enabled_ && on) {
        text = textOn_;
        canvas.Font().color = textColorOn_;
    } else if (enabled_) {
        text = textOff_;
        canvas.Font().color = textColorOff_;
    } else {
        text = textDisabled_.isEmpty() ? textOff_ : textDisabled_;
        canvas.Font().color = textColorDisabled_;
    }

    if (textFollowBitmap_) {
        const QImage* reference = nullptr;
        if (enabled_) {
            reference = HasWidth(bitmapOn_.Get())    ? bitmapOn_.Get()
                        : HasWidth(bitmapOff_.Get()) ? bitmapOff_.Get()
                                                     : nullptr;
        } else {
            reference = HasWidth(bitmapDisable_.Get()) ? bitmapDisable_.Get()
                        : HasWidth(bitmapOff_.Get())   ? bitmapOff_.Get()
                                                       : nullptr;
        }
        int left = e;
        int top = e;
        int right = w - e;
        int bottom = h - e;
        const double t = GetScaleFactorForDevice() * 0.01;
        const double takeW = reference != nullptr ? reference->width() * t : (right - left) / 2.0;
        const double takeH = reference != nullptr ? reference->height() * t : (bottom - top) / 2.0;
        const bool fromTop =
            bitmapPos_ == copTopCenter || bitmapPos_ == copTopLeft || bitmapPos_ == copTopRight;
        const bool fromBottom = bitmapPos_ == copBottomCenter || bitmapPos_ == copBottomLeft ||
                                bitmapPos_ == copBottomRight;
        const bool fromLeft =
            bitmapPos_ == copLeftCenter || bitmapPos_ == copTopLeft || bitmapPos_ == copBottomLeft;
        const bool fromRight = bitmapPos_ == copRightCenter || bitmapPos_ == copTopRight ||
                               bitmapPos_ == copBottomRight;
        if (fromTop) {
            top = static_cast<int>(top + takeH);
        }
        if (fromBottom) {
            bottom = static_cast<int>(bottom - takeH);
        }
        if (fromLeft) {
            left = static_cast<int>(left + takeW);
        }
        if (fromRight) {
            right = static_cast<int>(right - takeW);
        }
        unsigned flags = ZCanvas::DT_CENTER | ZCanvas::DT_VCENTER;
        if (singleLine_) {
            flags |= ZCanvas::DT_SINGLELINE;
        }
        if (wordWrap_) {
            flags |= ZCanvas::DT_WORDBREAK;
        }
        QRect area(left, top, right - left, bottom - top);
        if (!singleLine_) {
            QRect measured = area;
            canvas.DrawText(text, &measured, flags | ZCanvas::DT_CALCRECT);
            const int dx = (area.width() - measured.width()) / 2;
            const int dy = (area.height() - measured.height()) / 2;
            if (dx > 0) {
                measured.translate(dx, 0);
            }
            if (dy > 0) {
                measured.translate(0, dy);
            }
            area = measured;
        }
        canvas.DrawText(text, &area, flags);
    } else if (!singleLine_) {
        ZGCTextVPos v = textVPosition_;
        ZGCTextHPos hp = textHPosition_;
        // Quarter and percent positions have no alignment of their own here: they centre.
        if ((v != toTop && v != toBottom && v != toVCenter) ||
            (hp != toLeft && hp != toRight && hp != toHCenter)) {
            v = toVCenter;
            hp = toHCenter;
        }
        unsigned flags = 0;
        if (hp == toHCenter) {
            flags |= ZCanvas::DT_CENTER;
        } else if (hp == toRight) {
            flags |= ZCanvas::DT_RIGHT;
        }
        if (v == toVCenter) {
            flags |= ZCanvas::DT_VCENTER;
        } else if (v == toBottom) {
            flags |= ZCanvas::DT_BOTTOM;
        }
        if (wordWrap_) {
            flags |= ZCanvas::DT_WORDBREAK;
        }
        const QRect area(e, e, w - 2 * e, h - 2 * e);
        QRect measured = area;
        canvas.DrawText(text, &measured, flags | ZCanvas::DT_CALCRECT);
        const int dx = (area.width() - measured.width()) / 2;
        const int dy = (area.height() - measured.height()) / 2;
        if (hp == toHCenter && dx > 0) {
            measured.translate(dx, 0);
        } else if (hp == toLeft) {
            measured.translate(1, 0);
        } else if (hp == toRight) {
            const int areaRight = area.x() + area.width();
            measured = QRect(areaRight - measured.width() - 1, measured.y(), measured.width() + 1,
                             measured.height());
        }
        if (v == toVCenter && dy > 0) {
            measured.translate(0, dy);
        } else if (v == toBottom && dy > 0) {
            measured.translate(0, 2 * dy);
        }
        canvas.DrawText(text, &measured, flags);
    } else {
        const int tw = canvas.TextWidth(text);
        const int th = canvas.TextHeight(text);
        const int iw = w - 2 * m;
        const int ih = h - 2 * m;
        int y = m;
        switch (textVPosition_) {
            case toBottom:
                y = h - th - m;
                break;
            case toTop:
                y = m;
                break;
            case toVCenter:
                y = (ih - th) / 2 + m;
                break;
            case toV2_4:
                y = ih / 4 + m;
                break;
            case toV3_4:
                y = (ih / 4) * 2 + m;
                break;
            case toVPercent:
                y = ih * yPercentPos_ / 100 + m;
                break;
            case toPercentBottom:
                y = ih - ih * yPercentPos_ / 100;
                break;
        }
        int x = m;
        switch (textHPosition_) {
            case toRight:
                x = w - tw - m;
                break;
            case toLeft:
                x = m;
                break;
            case toHCenter:
                x = (iw - tw) / 2 + m;
                break;
            case toH2_4:
                x = iw / 4 + m;
                break;
            case toH3_4:
                x = (iw / 4) * 2 + m;
                break;
            case toHPercent:
                x = iw * xPercentPos_ / 100 + m;
                break;
            case toPercentRight:
                x = w - iw * xPercentPos_ / 100;
                break;
        }
        canvas.TextOut(x, y, text);
    }

    canvas.SelectClipRgn(nullptr);
    canvas.SetBkMode(savedMode);
}

// --- Mouse --------------------------------------------------------------------------------

void ZGraphicButtonXT::Click() {
    emit OnClick(this);
}

void ZGraphicButtonXT::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                                 int y) {
    emit OnMouseDown(this, button, shift, x, y);
    pressed_ = true;
    captured_ = true;
    if (!enabled_) {
        return;
    }
    pushedLook_ = true;
    if (mode_ != comManual) {
        DrawLook(true, true);
    }
    emit OnClickDown(this);
}

void ZGraphicButtonXT::MouseMove(Qt::KeyboardModifiers shift, int x, int y) {
    emit OnMouseMove(this, shift, x, y);
    if (!enabled_ || !pressed_) {
        return;
    }
    // Both edges count as inside, as the client rectangle's right and bottom do here.
    const bool inside = x >= 0 && x <= width() && y >= 0 && y <= height();
    if (inside && !pushedLook_) {
        if (mode_ != comManual) {
            if (state_ == 0 || (mode_ == comOneTimeState && state_ == 1)) {
                DrawLook(true, true);
            } else {
                DrawLook(false, false);
            }
        }
        pushedLook_ = true;
    } else if (!inside && pushedLook_) {
        if (mode_ != comManual) {
            Paint();
        }
        pushedLook_ = false;
    }
}

void ZGraphicButtonXT::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    pressed_ = false;
    captured_ = false;
    emit OnMouseUp(this, button, shift, x, y);
    if (!enabled_) {
        return;
    }
    if (!pushedLook_) {
        Paint();
    } else {
        switch (mode_) {
            case comNormal:
                state_ = 0;
                DrawLook(false, false);
                break;
            case comToggle:
                state_ = lastState_ ? 0 : 1;
                if (state_ == 1) {
                    DrawLook(true, stillDown_);
                } else {
                    DrawLook(false, false);
                }
                break;
            case comOneTimeState:
                state_ = 1;
                DrawLook(true, stillDown_);
                break;
            case comManual:
                break;
        }
    }
    pushedLook_ = false;
    lastState_ = state_ != 0;
    emit OnClickUp(this);
}

void ZGraphicButtonXT::CancelMode() {
    clickArmed_ = false;
    if (pressed_) {
        const int at = embossedWidth_ + frameWidth_;
        MouseUp(Qt::LeftButton, Qt::NoModifier, at, at);
    }
}

void ZGraphicButtonXT::mousePressEvent(QMouseEvent* event) {
    clickArmed_ = event->button() == Qt::LeftButton;
    const QPoint p = event->position().toPoint();
    MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void ZGraphicButtonXT::mouseDoubleClickEvent(QMouseEvent* event) {
    // Follows the press event of the second click, which already went through MouseDown. Its
    // release raises no second OnClick: the pair is one click and one double click.
    clickArmed_ = false;
    if (event->button() == Qt::LeftButton) {
        emit OnDblClick(this);
    }
}

void ZGraphicButtonXT::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseMove(event->modifiers(), p.x(), p.y());
}

void ZGraphicButtonXT::mouseReleaseEvent(QMouseEvent* event) {
    // After a cancelled press the release belongs to nobody.
    if (!captured_) {
        return;
    }
    const QPoint p = event->position().toPoint();
    const bool click = clickArmed_ && event->button() == Qt::LeftButton && rect().contains(p);
    if (event->button() == Qt::LeftButton) {
        clickArmed_ = false;
    }
    MouseUp(event->button(), event->modifiers(), p.x(), p.y());
    if (click) {
        Click();
    }
}

// --- Window -------------------------------------------------------------------------------

void ZGraphicButtonXT::WndProc(QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
            if (shape_ == cogsRound) {
                UpdateRegion();
            }
            [[fallthrough]];
        case QEvent::Move:
            if (transparent_ && parentWidget() != nullptr) {
                parentWidget()->update(geometry());
            }
            break;
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
            CancelMode();
            break;
        case QEvent::EnabledChange:
            if (!isEnabled()) {
                CancelMode();
            }
            break;
        default:
            break;
    }
}

bool ZGraphicButtonXT::event(QEvent* event) {
    WndProc(event);
    return QWidget::event(event);
}
