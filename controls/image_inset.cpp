#include "controls/image_inset.h"

void ZImageInset::Set(int* field, int value) {
    if (*field == value) {
        return;
    }
    *field = value;
    if (onChange_) {
        onChange_(this);
    }
}

void ZImageInset::SetIiLeft(int value) {
    Set(&left_, value);
}
void ZImageInset::SetIiTop(int value) {
    Set(&top_, value);
}
void ZImageInset::SetIiRight(int value) {
    Set(&right_, value);
}
void ZImageInset::SetIiBottom(int value) {
    Set(&bottom_, value);
}

void ZImageInset::Assign(const ZImageInset* source) {
    if (source == nullptr || source == this) {
        return;
    }
    SetIiLeft(source->left_);
    SetIiTop(source->top_);
    SetIiRight(source->right_);
    SetIiBottom(source->bottom_);
}
