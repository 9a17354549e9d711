// ZGraphicText places a text inside a box by a vertical and a horizontal position rule: edges,
// centre, quarter steps or percentages of the box, on one line or several (optionally wrapped).
// Ampersands are drawn as they are.
//
//   ZGraphicText text(&canvas);
//   text.SetMode(true, false);                   // single line, no wrapping
//   text.SetPosition(toHCenter, toVCenter, 0, 0);
//   text.Draw("Connect", 0, 0, 75, 25);
//
// Lives for one paint call; canvas and offset control belong to the caller. The object keeps its
// own copy of a font given to SetFont. Draw leaves the canvas's clip and background mode as they
// were, and the canvas's font set to the object's font when it has one.
#pragma once

#include <QString>
#include <QWidget>

#include <optional>

#include "controls/canvas.h"
#include "controls/font.h"
#include "controls/graphic_enums.h"

class ZGraphicText {
public:
    explicit ZGraphicText(ZCanvas* canvas, const QWidget* offsetControl = nullptr);

    void SetCanvas(ZCanvas* canvas, const QWidget* offsetControl = nullptr);
    // Non-null: keeps a copy; null: drops it and the canvas's own font is used.
    void SetFont(const ZFont* font);
    void SetPosition(ZGCTextHPos hPos, ZGCTextVPos vPos, int xPercent, int yPercent);
    void SetMode(bool singleLine, bool wordWrap);

    ZGCTextHPos GetHPosition() const { return hPos_; }
    ZGCTextVPos GetVPosition() const { return vPos_; }
    const ZFont* GetFont() const { return font_ ? &*font_ : nullptr; }

    // A null text draws nothing. Several lines with a quarter or percent position are centred,
    // and the object's positions become the centre values from then on.
    void Draw(const QString& text, int x, int y, int width, int height);

private:
    void DrawSingleLine(const QString& text, int x, int y, int width, int height);
    void DrawLines(const QString& text, int x, int y, int width, int height);

    std::optional<ZFont> font_;
    ZCanvas* canvas_ = nullptr;
    const QWidget* offsetControl_ = nullptr;
    bool singleLine_ = false;
    bool wordWrap_ = false;
    ZGCTextVPos vPos_ = toTop;
    ZGCTextHPos hPos_ = toLeft;
    int xPercent_ = 0;
    int yPercent_ = 0;
};
