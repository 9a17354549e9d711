// ZEffectXT says how a control's face is filled: plainly, or with a two-colour gradient in one of
// four directions or at a free angle. Every change of a value is announced once through OnChange,
// and the owning control repaints.
//
//   ZEffectXT effect;
//   effect.SetOnChange([&](ZEffectXT*) { button.Paint(); });
//   effect.SetEffectType(coetGradationDown);   // OnChange once
//   effect.SetEffectType(coetGradationDown);   // unchanged: no OnChange
//
// Owned by one control for the control's whole life. The handler is called synchronously with
// this object as sender; it must not destroy the object.
#pragma once

#include <functional>
#include <utility>

#include "controls/color.h"

enum ZGCEffect {
    coetNone,
    coetGradationUp,
    coetGradationDown,
    coetGradationRight,
    coetGradationLeft,
    coetGradationFreeAngle
};

class ZEffectXT {
public:
    using ChangeHandler = std::function<void(ZEffectXT* sender)>;

    ZEffectXT() = default;

    ZGCEffect GetEffectType() const { return effectType_; }
    TColor GetGradationColor1() const { return gradationColor1_; }
    TColor GetGradationColor2() const { return gradationColor2_; }
    int GetAngle() const { return angle_; }

    // Each setter stores a new value and raises OnChange; an unchanged value does nothing.
    void SetEffectType(ZGCEffect effectType);
    void SetGradationColor1(TColor color);
    void SetGradationColor2(TColor color);
    void SetAngle(int angle);

    // Copies type, colour 1, colour 2 and angle through the setters, in that order, so each
    // changed value raises OnChange once. A null source changes nothing.
    void Assign(const ZEffectXT* source);

    void SetOnChange(ChangeHandler handler) { onChange_ = std::move(handler); }

    // The gradient angle of the effect type (coetGradationUp 90, Down 270, Right 180, Left 0,
    // FreeAngle the Angle value); false for coetNone.
    bool GradientAngle(int* angle) const;

private:
    void Changed();

    ZGCEffect effectType_ = coetNone;
    TColor gradationColor1_ = 0;
    TColor gradationColor2_ = 0;
    int angle_ = 0;
    ChangeHandler onChange_;
};
