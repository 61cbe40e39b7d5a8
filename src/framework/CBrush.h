#pragma once
// CBrush: a solid fill colour for a drawing context's shapes. A brush made without a colour is
// empty until CreateSolidBrush; DeleteObject (and the destructor) releases it. Selecting a brush
// into a CDC copies its colour, so a brush may go while the context lives.

#include "framework/Afx.h"

class CBrush {
  public:
    CBrush() = default;
    explicit CBrush(COLORREF color) : color_(color), valid_(true) {}

    bool CreateSolidBrush(COLORREF color) {
        color_ = color;
        valid_ = true;
        return true;
    }
    void DeleteObject() { valid_ = false; }

    bool IsValid() const { return valid_; }
    COLORREF GetColor() const { return color_; }

  private:
    COLORREF color_ = 0;
    bool valid_ = false;
};
