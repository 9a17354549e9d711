// ZImageInset gives the four unscaled borders of a control's background bitmap, in bitmap
// pixels, for nine-slice scaling (ZSmartStretch's left, top, right and bottom margins). Every
// change of a value is announced once through OnChange.
//
//   ZImageInset inset;
//   inset.SetOnChange([&](ZImageInset*) { control.update(); });
//   inset.SetIiLeft(4);   // OnChange once
//
// Owned by one control for the control's whole life. The handler is called synchronously with
// this object as sender; it must not destroy the object.
#pragma once

#include <functional>
#include <utility>

class ZImageInset {
public:
    using ChangeHandler = std::function<void(ZImageInset* sender)>;

    ZImageInset() = default;

    int GetIiLeft() const { return left_; }
    int GetIiTop() const { return top_; }
    int GetIiRight() const { return right_; }
    int GetIiBottom() const { return bottom_; }

    // Each setter stores a new value and raises OnChange; an unchanged value does nothing.
    void SetIiLeft(int value);
    void SetIiTop(int value);
    void SetIiRight(int value);
    void SetIiBottom(int value);

    // Copies left, top, right and bottom through the setters, in that order. A null source
    // changes nothing.
    void Assign(const ZImageInset* source);

    void SetOnChange(ChangeHandler handler) { onChange_ = std::move(handler); }

private:
    void Set(int* field, int value);

    int left_ = 0;
    int top_ = 0;
    int right_ = 0;
    int bottom_ = 0;
    ChangeHandler onChange_;
};
