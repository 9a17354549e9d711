// ZGraphicButtonXT is the system's custom-drawn push button (Connect, Ok, Cancel). It draws a
// raised or sunken bevelled body (flat colour, gradient or background bitmap), a status bitmap
// and a caption, each with its own look for the on, off and disabled states, into an off-screen
// object bitmap that it copies to the screen in one piece. Besides a plain push button it can be
// a toggle, a one-shot latch or a passive indicator driven by code (Mode), it can be round, and
// it can be an invisible hot spot (Transparent).
//
//   auto* ok = new ZGraphicButtonXT(dialog);
//   ok->setGeometry(10, 10, 75, 25);
//   ok->GetEffect()->SetEffectType(coetGradationDown);
//   ok->SetTextOff("Ok");                        // TextOn follows until set on its own
//   QObject::connect(ok, &ZGraphicButtonXT::OnClick, dialog, [&] { dialog->done(1); });
//
// Ownership: the button owns its object bitmap, font and effect (SetEffect hands a new effect
// over and the old one is deleted). It owns the status and background bitmaps it copied; with
// BitmapAsReference on it keeps the caller's pointers instead, and the caller keeps those bitmaps
// alive while the button uses them and deletes them afterwards. Every setter repaints at once
// (compose, then copy), except where its comment says otherwise. User-interface thread only.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

#include "controls/canvas.h"
#include "controls/color.h"
#include "controls/effect_xt.h"
#include "controls/font.h"
#include "controls/graphic_enums.h"

enum ZGCMode { comNormal, comToggle, comOneTimeState, comManual };
enum ZGCShape { cogsRectangle, cogsRound };
enum ZGCRelief { corNormal, corEmbossedDown, corEmbossedUp };

class ZGraphicButtonXT : public QWidget {
    Q_OBJECT

public:
    explicit ZGraphicButtonXT(QWidget* parent = nullptr);
    ~ZGraphicButtonXT() override;

    // Light and dark shade of a base colour through the HSL model: dark has 0.45 of the
    // lightness, light goes 80 % of the way to white (0xC0C0C0 gives 242 and 86 per byte).
    static void ShadeColors(TColor base, TColor* light, TColor* dark);

    // --- Published properties -----------------------------------------------------------------
    bool GetEnabled() const { return enabled_; }
    // Enables or disables the widget, then keeps the copy that GetEnabled reads.
    void SetEnabled(bool enabled);
    ZGCMode GetMode() const { return mode_; }
    void SetMode(ZGCMode mode);
    bool GetStillDown() const { return stillDown_; }
    void SetStillDown(bool stillDown);
    bool GetTransparent() const { return transparent_; }
    // Invalidates instead of repainting.
    void SetTransparent(bool transparent);
    ZGCShape GetShape() const { return shape_; }
    // Round clips the widget to the inscribed ellipse (its corners take no clicks). Invalidates
    // instead of repainting.
    void SetShape(ZGCShape shape);
    bool GetUseOnlyBitmap() const { return useOnlyBitmap_; }
    // With ShrinkOnUseOnlyBitmap and a BitmapOff, the button takes BitmapOff's size.
    void SetUseOnlyBitmap(bool useOnlyBitmap);
    bool GetShrinkOnUseOnlyBitmap() const { return shrinkOnUseOnlyBitmap_; }
    // Does not repaint.
    void SetShrinkOnUseOnlyBitmap(bool shrink);
    bool GetTransparentBitmap() const { return transparentBitmap_; }
    void SetTransparentBitmap(bool transparentBitmap);
    std::int32_t GetState() const { return state_; }
    // 1 is on, anything else off. 0 also ends the tracking of a held mouse button.
    void SetState(std::int32_t state);
    std::int32_t GetMinState() const { return minState_; }
    void SetMinState(std::int32_t minState);
    std::int32_t GetMaxState() const { return maxState_; }
    void SetMaxState(std::int32_t maxState);
    const QString& GetTextDisabled() const { return textDisabled_; }
    // Repaints only while disabled.
    void SetTextDisabled(const QString& text);
    const QString& GetTextOff() const { return textOff_; }
    // Also sets TextOn until TextOn is set on its own; an empty TextOff starts the copying again.
    void SetTextOff(const QString& text);
    const QString& GetTextOn() const { return textOn_; }
    void SetTextOn(const QString& text);
    const ZFont& GetTextFont() const { return textFont_; }
    // Copies the font's settings; null is ignored.
    void SetTextFont(const ZFont* font);
    ZGCTextVPos GetTextVPosition() const { return textVPosition_; }
    void SetVerticalPosition(ZGCTextVPos position);
    ZGCTextHPos GetTextHPosition() const { return textHPosition_; }
    void SetHorizotalPosition(ZGCTextHPos position);
    bool GetTextFollowBitmap() const { return textFollowBitmap_; }
    void SetTextFollowBitmap(bool follow);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool GetSingleLine() const { return singleLine_; }
    void SetSingleLine(bool singleLine);
    int GetXPercentPos() const { return xPercentPos_; }
    // Values below 1 are stored as 1.
    void SetXPercentPos(int percent);
    int GetYPercentPos() const { return yPercentPos_; }
    void SetYPercentPos(int percent);
    TColor GetTextColorDisabled() const { return textColorDisabled_; }
    // Repaints only while disabled.
    void SetTextColorDisabled(TColor color);
    TColor GetTextColorOff() const { return textColorOff_; }
    void SetTextColorOff(TColor color);
    TColor GetTextColorOn() const { return textColorOn_; }
    void SetTextColorOn(TColor color);
    TColor GetFrameColor() const { return frameColor_; }
    void SetFrameColor(TColor color);
    TColor GetBackGroundColor() const { return backGroundColor_; }
    // Does not touch the effect's colours.
    void SetBackGroundColor(TColor color);
    TColor GetColorOff() const { return colorOff_; }
    void SetColorOff(TColor color);
    TColor GetColorOn() const { return colorOn_; }
    void SetColorOn(TColor color);
    // Background bitmaps. With BitmapAsReference off the getters create an empty bitmap on first
    // access, so a caller may load a picture into it; the setters copy (null releases the
    // button's bitmap). With it on, the setters keep the pointer.
    QImage* GetBkBitmapOn();
    QImage* GetBkBitmapOff();
    QImage* GetBkBitmapDisable();
    void SetBkBitmapOn(QImage* bitmap);
    void SetBkBitmapOff(QImage* bitmap);
    void SetBkBitmapDisable(QImage* bitmap);
    // Status bitmaps: copied into the button's own bitmaps, or kept as pointers with
    // BitmapAsReference on. Empty bitmaps count as absent.
    QImage* GetBitmapOn() const { return bitmapOn_.Get(); }
    QImage* GetBitmapOff() const { return bitmapOff_.Get(); }
    QImage* GetBitmapDisable() const { return bitmapDisable_.Get(); }
    void SetBitmapOn(QImage* bitmap);
    void SetBitmapOff(QImage* bitmap);
    void SetBitmapDisable(QImage* bitmap);
    ZGCPosition GetBitmapPos() const { return bitmapPos_; }
    void SetBitmapPos(ZGCPosition position);
    int GetEmbossedWidth() const { return embossedWidth_; }
    void SetEmbossedWidth(int width);
    int GetFrameWidth() const { return frameWidth_; }
    void SetFrameWidth(int width);
    bool GetEmbossedSmooth() const { return embossedSmooth_; }
    void SetEmbossedSmooth(bool smooth);
    ZEffectXT* GetEffect() const { return effect_.get(); }
    // Takes the effect over (the previous one is deleted) and repaints on its changes. Null is
    // ignored.
    void SetEffect(std::unique_ptr<ZEffectXT> effect);
    bool GetAutoScaleBitmap() const { return autoScaleBitmap_; }
    void SetAutoScaleBitmap(bool autoScale);

    // --- Public, not published: stored and repainted, not used by the drawing ---------------
    ZGCRelief GetRelief() const { return relief_; }
    void SetRelief(ZGCRelief relief);
    bool GetUseExternFrequency() const { return useExternFrequency_; }
    void SetUseExternFrequency(bool use);
    std::uint32_t GetFrequency() const { return frequency_; }
    void SetFrequency(std::uint32_t frequency);
    std::int32_t GetDefaultState() const { return defaultState_; }
    void SetDefaultState(std::int32_t state);
    TColor GetRulerColor() const { return rulerColor_; }
    void SetRulerColor(TColor color);
    TColor GetSlotColor() const { return slotColor_; }
    void SetSlotColor(TColor color);
    bool GetBitmapAsReference() const { return bitmapAsReference_; }
    // Off to on releases the status bitmaps (absent until set); on to off creates three empty
    // ones. Does not repaint.
    void SetBitmapAsReference(bool reference);

    // --- Operations ----------------------------------------------------------------------------
    // Composes the picture of the current state into the object bitmap and copies it to the
    // screen when the button is visible.
    void Paint();
    QImage* GetObjectBitmap() { return &objectBitmap_; }
    // Raises OnClick.
    void Click();
    // The mouse state machine; the widget's mouse events call these with widget coordinates.
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // Ends a held press as if it were released at (EmbossedWidth + FrameWidth) on both axes:
    // what the window does when the system cancels the mouse mode.
    void CancelMode();

signals:
    void OnClick(ZGraphicButtonXT* sender);
    void OnDblClick(ZGraphicButtonXT* sender);
    // Raised at the end of every handled press and release.
    void OnClickDown(ZGraphicButtonXT* sender);
    void OnClickUp(ZGraphicButtonXT* sender);
    void OnMouseDown(ZGraphicButtonXT* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                     int x, int y);
    void OnMouseUp(ZGraphicButtonXT* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                   int x, int y);
    void OnMouseMove(ZGraphicButtonXT* sender, Qt::KeyboardModifiers shift, int x, int y);

protected:
    // The primary display's scale in percent (100 at 96 dpi).
    virtual int GetScaleFactorForDevice() const;

    // Drawing passes into a canvas on the object bitmap.
    void DrawNormalButton(ZCanvas& canvas);
    void DrawPushedButton(ZCanvas& canvas);
    void DrawStatusOff(ZCanvas& canvas);
    void DrawStatusOn(ZCanvas& canvas);
    void DrawColorText(bool on, ZCanvas& canvas);
    void DrawActiveButton(bool pushed, ZCanvas& canvas);
    void DrawInactiveButton(bool pushed, ZCanvas& canvas);
    // Bracket each drawing pass; the button needs no clip of its own there.
    void SetClipping() {}
    void ReleaseClipping() {}

    void OnEffectChange(ZEffectXT* sender);
    // Window-level reactions before the widget's own handling: region and parent updates on
    // size and move, cancelling a held press when the window is deactivated, hidden or disabled.
    void WndProc(QEvent* event);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A bitmap the button either owns or borrows (BitmapAsReference); only owned ones are freed.
    struct BitmapSlot {
        std::unique_ptr<QImage> own;
        QImage* borrowed = nullptr;
        QImage* Get() const { return own ? own.get() : borrowed; }
        void Release() {
            own.reset();
            borrowed = nullptr;
        }
    };

    static bool HasWidth(const QImage* bitmap) { return bitmap != nullptr && bitmap->width() > 0; }
    void CopyInto(BitmapSlot* slot, QImage* bitmap, bool createEmpty);
    QImage* BackgroundGetter(BitmapSlot* slot);
    void BackgroundSetter(BitmapSlot* slot, QImage* bitmap);
    void ShrinkToBitmapOff();
    void ComposeObjectBitmap();
    // Draws the on look (active) or the off look into the object bitmap and copies it.
    void DrawLook(bool active, bool pushed);
    void CopyObjectBitmap();
    void EnsureObjectBitmapSize();
    void DrawBody(bool sunken, ZCanvas& canvas);
    void DrawStatus(bool on, ZCanvas& canvas);
    void UpdateRegion();

    // Published properties.
    bool enabled_ = true;
    ZGCMode mode_ = comNormal;
    bool stillDown_ = false;
    bool transparent_ = false;
    ZGCShape shape_ = cogsRectangle;
    bool useOnlyBitmap_ = false;
    bool shrinkOnUseOnlyBitmap_ = true;
    bool transparentBitmap_ = false;
    std::int32_t state_ = 0;
    std::int32_t minState_ = 0;
    std::int32_t maxState_ = 1;
    QString textDisabled_;
    QString textOff_;
    QString textOn_;
    ZFont textFont_;
    ZGCTextVPos textVPosition_ = toBottom;
    ZGCTextHPos textHPosition_ = toHCenter;
    bool textFollowBitmap_ = false;
    bool wordWrap_ = false;
    bool singleLine_ = true;
    int xPercentPos_ = 1;
    int yPercentPos_ = 1;
    TColor textColorDisabled_ = 0x808080;
    TColor textColorOff_ = 0;
    TColor textColorOn_ = 0;
    TColor frameColor_ = 0;
    TColor backGroundColor_ = 0xC0C0C0;
    TColor colorOff_ = 0xC0C0C0;
    TColor colorOn_ = 0xC0C0C0;
    BitmapSlot bkBitmapOn_;
    BitmapSlot bkBitmapOff_;
    BitmapSlot bkBitmapDisable_;
    BitmapSlot bitmapOn_;
    BitmapSlot bitmapOff_;
    BitmapSlot bitmapDisable_;
    ZGCPosition bitmapPos_ = copCenter;
    int embossedWidth_ = 2;
    int frameWidth_ = 1;
    bool embossedSmooth_ = false;
    std::unique_ptr<ZEffectXT> effect_;
    bool autoScaleBitmap_ = true;

    // Public, not published.
    ZGCRelief relief_ = corNormal;
    bool useExternFrequency_ = false;
    std::uint32_t frequency_ = 0;
    std::int32_t defaultState_ = 0;
    TColor rulerColor_ = 0;
    TColor slotColor_ = 0;
    bool bitmapAsReference_ = false;

    // Internal state.
    QImage objectBitmap_;
    bool objectTransparent_ = false;  // the object bitmap is all key colour: copy shows nothing
    bool pressed_ = false;            // a mouse button went down here and is not released
    bool captured_ = false;           // releases belong to this button (ends on MouseUp)
    bool clickArmed_ = false;         // the press was a single left click
    bool pushedLook_ = false;         // the pressed look is on screen
    bool lastState_ = false;          // State as of the last release or SetState
    bool onTextSet_ = false;          // TextOn was set on its own
    bool copyOnly_ = false;           // the next paint event only copies the object bitmap
};
