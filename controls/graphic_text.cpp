#include "controls/graphic_text.h"

ZGraphicText::ZGraphicText(ZCanvas* canvas, const QWidget* offsetControl)
    : canvas_(canvas), offsetControl_(offsetControl) {}

void ZGraphicText::SetCanvas(ZCanvas* canvas, const QWidget* offsetControl) {
    canvas_ = canvas;
    offsetControl_ = offsetControl;
}

void ZGraphicText::SetFont(const ZFont* font) {
    if (font != nullptr) {
        font_ = *font;
    } else {
        font_.reset();
    }
}

void ZGraphicText::SetPosition(ZGCTextHPos hPos, ZGCTextVPos vPos, int xPercent, int yPercent) {
    hPos_ = hPos;
    vPos_ = vPos;
    xPercent_ = xPercent;
    yPercent_ = yPercent;
}

void ZGraphicText::SetMode(bool singleLine, bool wordWrap) {
    singleLine_ = singleLine;
    wordWrap_ = wordWrap;
}

void ZGraphicText::Draw(const QString& text, int x, int y, int width, int height) {
    if (canvas_ == nullptr || text.isNull()) {
        return;
    }
    const int ox = offsetControl_ != nullptr ? offsetControl_->x() : 0;
    const int oy = offsetControl_ != nullptr ? offsetControl_->y() : 0;
    QRegion savedClip;
    const bool hadClip = canvas_->GetClipRgn(&savedClip);
    canvas_->IntersectClipRgn(
        ZCanvas::CreateRectRgn(x + ox, y + oy, x + width + ox, y + height + oy));
    if (font_) {
        canvas_->Font() = *font_;
    }
    const int savedMode = canvas_->SetBkMode(ZCanvas::bkTransparent);

    if (singleLine_) {
        DrawSingleLine(text, x, y, width, height);
    } else {
        DrawLines(text, x, y, width, height);
    }

    canvas_->SetBkMode(savedMode);
    canvas_->SelectClipRgn(hadClip ? &savedClip : nullptr);
}

void ZGraphicText::DrawSingleLine(const QString& text, int x, int y, int width, int height) {
    QRect measured(x, y, width, height);
    canvas_->DrawText(text, &measured,
                      ZCanvas::DT_NOPREFIX | ZCanvas::DT_CALCRECT | ZCanvas::DT_SINGLELINE);
    const int tw = measured.width();
    const int th = measured.height();

    int top = y;
    switch (vPos_) {
        case toBottom:
            top = y + height - th;
            break;
        case toTop:
            top = y;
            break;
        case toVCenter:
            top = y + (height - th) / 2;
            break;
        case toV2_4:
            top = y + height / 4;
            break;
        case toV3_4:
            top = y + (height / 4) * 2;
            break;
        case toVPercent:
            top = y + height * yPercent_ / 100;
            break;
        case toPercentBottom:
            top = y + height - height * yPercent_ / 100;
            break;
    }
    int left = x;
    switch (hPos_) {
        case toRight:
            left = x + width - tw;
            break;
        case toLeft:
            left = x;
            break;
        case toHCenter:
            left = x + (width - tw) / 2;
            break;
        case toH2_4:
            left = x + width / 4;
            break;
        case toH3_4:
            left = x + (width / 4) * 2;
            break;
        case toHPercent:
            left = x + width * xPercent_ / 100;
            break;
        case toPercentRight:
            left = x + width - width * xPercent_ / 100;
            break;
    }
    canvas_->TextOut(left, top, text);
}

void ZGraphicText::DrawLines(const QString& text, int x, int y, int width, int height) {
    const bool vEdgeOrCentre = vPos_ == toTop || vPos_ == toBottom || vPos_ == toVCenter;
    const bool hEdgeOrCentre = hPos_ == toLeft || hPos_ == toRight || hPos_ == toHCenter;
    if (!vEdgeOrCentre || !hEdgeOrCentre) {
        vPos_ = toVCenter;
        hPos_ = toHCenter;
    }
    unsigned flags = 0;
    if (hPos_ == toHCenter) {
        flags |= ZCanvas::DT_CENTER;
    } else if (hPos_ == toRight) {
        flags |= ZCanvas::DT_RIGHT;
    }
    if (vPos_ == toVCenter) {
        flags |= ZCanvas::DT_VCENTER;
    } else if (vPos_ == toBottom) {
        flags |= ZCanvas::DT_BOTTOM;
    }
    if (wordWrap_) {
        flags |= ZCanvas::DT_WORDBREAK;
    }

    QRect box(x, y, width, height);
    canvas_->DrawText(text, &box, flags | ZCanvas::DT_CALCRECT | ZCanvas::DT_NOPREFIX);
    const int dx = (width - box.width()) / 2;
    const int dy = (height - box.height()) / 2;
    if (hPos_ == toHCenter) {
        box.translate(dx, 0);
    } else if (hPos_ == toRight) {
        box = QRect(x + width - box.width() - 1, box.y(), box.width() + 1, box.height());
    }
    if (vPos_ == toVCenter) {
        box.translate(0, dy);
    } else if (vPos_ == toBottom) {
        box.translate(0, 2 * dy);
    }
    canvas_->DrawText(text, &box, flags | ZCanvas::DT_NOPREFIX);
}
