#include "controls/effect_xt.h"

void ZEffectXT::Changed() {
    if (onChange_) {
        onChange_(this);
    }
}

void ZEffectXT::SetEffectType(ZGCEffect effectType) {
    if (effectType == effectType_) {
        return;
    }
    effectType_ = effectType;
    Changed();
}

void ZEffectXT::SetGradationColor1(TColor color) {
    if (color == gradationColor1_) {
        return;
    }
    gradationColor1_ = color;
    Changed();
}

void ZEffectXT::SetGradationColor2(TColor color) {
    if (color == gradationColor2_) {
        return;
    }
    gradationColor2_ = color;
    Changed();
}

void ZEffectXT::SetAngle(int angle) {
    if (angle == angle_) {
        return;
    }
    angle_ = angle;
    Changed();
}

void ZEffectXT::Assign(const ZEffectXT* source) {
    if (source == nullptr || source == this) {
        return;
    }
    SetEffectType(source->effectType_);
    SetGradationColor1(source->gradationColor1_);
    SetGradationColor2(source->gradationColor2_);
    SetAngle(source->angle_);
}

bool ZEffectXT::GradientAngle(int* angle) const {
    switch (effectType_) {
        case coetGradationUp:
            *angle = 90;
            return true;
        case coetGradationDown:
            *angle = 270;
            return true;
        case coetGradationRight:
            *angle = 180;
            return true;
        case coetGradationLeft:
            *angle = 0;
            return true;
        case coetGradationFreeAngle:
            *angle = angle_;
            return true;
        case coetNone:
            break;
    }
    return false;
}
