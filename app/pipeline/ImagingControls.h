#pragma once
// The imaging controls of the main window, as one plain object that the pipeline procedures work on, so
// they run without any window.

#include "ImagingControl.h"

#include <array>
#include <cstdint>

namespace quorvin {

struct ImagingControls {
  // 0 frame and full-size output, 1 thumbnail, 2 half image, 3 logo, 4 logo mask.
  std::array<ImagingControl, 5> LEAD1;
  // Working image: effects, colour correction, time stamp.
  ImagingControl LEAD2;
  // Size of the logo in LEAD1(3), measured right after it was loaded.
  int32_t logoWidth = 0;
  int32_t logoHeight = 0;
};

}  // namespace quorvin
