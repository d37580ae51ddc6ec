#pragma once
// The drag on the area window's picture and what a finished drag stores, as plain code: positions come in
// picture pixels as the view reports them, the rectangle goes out in whole pixels.

#include "Settings.h"

#include <cstdint>

namespace quorvin {

// The settings tabs of the main window whose area the drag sets.
inline constexpr int kEffectAreaTab = 2;
inline constexpr int kStampAreaTab = 3;

// The nearest whole number, halves to the even one; beyond the 32-bit range it stops at the limit, so a
// wild mouse position can never wrap round.
int32_t RoundHalfEven(double value);

struct AreaRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const AreaRect&) const = default;
};

// The start point of a drag and the rectangle it spans to the current point.
class AreaDrag {
 public:
  // Button down. A negative start is raised to 0 like the current point: the view can report a press
  // beside the picture, and a negative area would be stored.
  void Start(float x, float y);
  // Mouse move or button up: the rectangle from the start to (x, y), negatives raised to 0.
  AreaRect Track(float x, float y);

  int32_t StartX() const { return startX_; }
  int32_t StartY() const { return startY_; }
  int32_t CurrentX() const { return currentX_; }
  int32_t CurrentY() const { return currentY_; }

 private:
  int32_t startX_ = 0, startY_ = 0, currentX_ = 0, currentY_ = 0;
};

// What the preview showed when the button went up, for the click defaults.
struct PreviewExtent {
  float viewWidth = 0, viewHeight = 0;
  float imageWidth = 0, imageHeight = 0;
};

// Stores a finished drag into the effect area (tab 2) or the stamp area (tab 3); a side of 0 (a click)
// takes that side's default: the whole picture for the effect area, 2 / W - 50 and 4 / H - 6 for the stamp
// area, W and H the image size of a picture turned by op3(18) = 1 or 3 and the view size otherwise. Any
// other tab stores nothing. True when something was stored.
bool StoreArea(int tab, const AreaRect& area, const PreviewExtent& extent, Settings& settings);

}  // namespace quorvin
