#include "AreaDrag.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace quorvin {

namespace {

int32_t Saturate(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int32_t RoundedNonNegative(float v) {
  const int32_t r = RoundHalfEven(v);
  return r < 0 ? 0 : r;
}

bool Turned(const Settings& s) {
  return s.op3[Option::Turn] == 1 || s.op3[Option::Turn] == 3;
}

}  // namespace

int32_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  // The default rounding mode rounds halves to even.
  return static_cast<int32_t>(std::nearbyint(value));
}

void AreaDrag::Start(float x, float y) {
  startX_ = RoundedNonNegative(x);
  startY_ = RoundedNonNegative(y);
}

AreaRect AreaDrag::Track(float x, float y) {
  currentX_ = RoundedNonNegative(x);
  currentY_ = RoundedNonNegative(y);
  AreaRect r;
  r.left = std::min(startX_, currentX_);
  r.top = std::min(startY_, currentY_);
  r.width = Saturate(std::llabs(int64_t{startX_} - currentX_));
  r.height = Saturate(std::llabs(int64_t{startY_} - currentY_));
  return r;
}

bool StoreArea(int tab, const AreaRect& area, const PreviewExtent& extent, Settings& s) {
  if (tab == kEffectAreaTab) {
    s.EfctATop = area.top;
    s.EfctALeft = area.left;
    s.EfctAWidth = area.width;
    s.EfctAHeight = area.height;
    if (area.width == 0) {
      s.EfctALeft = 0;
      s.EfctAWidth = RoundHalfEven(extent.viewWidth);
    }
    if (area.height == 0) {
      s.EfctATop = 0;
      s.EfctAHeight = RoundHalfEven(extent.viewHeight);
    }
    return true;
  }
  if (tab == kStampAreaTab) {
    s.StampAreaTop = area.top;
    s.StampAreaLeft = area.left;
    s.StampAreaWidth = area.width;
    s.StampAreaHeight = area.height;
    const bool turned = Turned(s);
    if (area.width == 0) {
      const double W = turned ? extent.imageWidth : extent.viewWidth;
      s.StampAreaLeft = 2;
      s.StampAreaWidth = RoundHalfEven(W - 50);
    }
    if (area.height == 0) {
      const double H = turned ? extent.imageHeight : extent.viewHeight;
      s.StampAreaTop = 4;
      s.StampAreaHeight = RoundHalfEven(H - 6);
    }
    return true;
  }
  return false;
}

}  // namespace quorvin
