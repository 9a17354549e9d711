// Placement enumerations shared by the graphic controls: where a text sits in its box
// (ZGCTextVPos, ZGCTextHPos), where a bitmap sits (ZGCPosition) and how a background bitmap
// covers its box (ZGCBitmapPattern). The value names are the ones stored in form files.
//
//   ZGraphicText text(&canvas);
//   text.SetPosition(toHCenter, toVCenter, 0, 0);
#pragma once

enum ZGCTextVPos { toBottom, toTop, toVCenter, toV2_4, toV3_4, toVPercent, toPercentBottom };

enum ZGCTextHPos { toRight, toLeft, toHCenter, toH2_4, toH3_4, toHPercent, toPercentRight };

enum ZGCPosition {
    copCenter,
    copTopCenter,
    copBottomCenter,
    copLeftCenter,
    copRightCenter,
    copTopLeft,
    copTopRight,
    copBottomLeft,
    copBottomRight
};

enum ZGCBitmapPattern { cobpNone, cobpStretch, cobpFill };
