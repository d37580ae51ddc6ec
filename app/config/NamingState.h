#pragma once
// The naming state derived from the settings record and the clock: date and time formats of the history
// names and of the stamp, the bit depth of each output, and the current history sub-paths and base name.
// Filled by DeriveNameFormats and BuildHistoryNames (app/output/Naming.h).

#include "SettingIndexes.h"

#include <QString>

#include <array>
#include <cstdint>

namespace quorvin {

struct NamingState {
  QString FolderDateFormat1;
  QString FolderDateFormat2;
  QString FileDateFormat;
  QString FileTimeFormat;
  int32_t FileTimeLength = 0;
  QString StampDateFormat;
  QString StampTimeFormat;
  // Bit depth of each output (Output::...). Starts at 24 so that an out-of-range colour-depth option never
  // asks for a zero-bit image.
  std::array<int32_t, Output::Count> BitsPerPixel{24, 24, 24, 24, 24};
  std::array<QString, 2> HistorySubPath;  // 0 image, 1 thumbnail; empty or ending in "/"
  QString HistoryBaseName;
};

}  // namespace quorvin
