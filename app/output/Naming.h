#pragma once
// Names of the history folders and files, the live file paths, and the time of the next history capture.

#include "Clock.h"
#include "NamingState.h"
#include "Settings.h"

#include <QString>

#include <array>
#include <cstdint>

namespace quorvin {

// The format strings behind the format codes op2(0..5); position 0 is the empty choice. The choice lists
// of the panels show exactly these entries.
inline constexpr std::array<const char*, 8> kFolderDateFormats1{"",   "yyyymmdd", "yymmdd", "yymm",
                                                                "yy", "mmdd",     "mm",     "dd"};
inline constexpr std::array<const char*, 8> kFolderDateFormats2{"",     "yyyymmdd", "yymmdd", "yymm",
                                                                "mmdd", "mm",       "dd",     "hh"};
inline constexpr std::array<const char*, 7> kFileTimeFormats{"",     "hhnnss", "hhnnss", "hhnn",
                                                             "hhnn", "hh",     "hh"};
inline constexpr std::array<int32_t, 7> kFileTimeLengths{0, 6, 5, 4, 3, 2, 1};
inline constexpr std::array<const char*, 10> kStampDateFormats{" ",    "yyyymmdd", "yyyymm", "yyyy", "yymmdd",
                                                               "yymm", "yy",       "mmdd",   "mm",   "dd"};
inline constexpr std::array<const char*, 4> kStampTimeFormats{" ", "hhnnss", "hhnn", "hh"};

// Turns the format codes op2(0..5) into format strings and op3(8..12) into bit depths, and sets
// PictureAngle from the turn option op3(18). A code with no entry leaves its derived value as it was.
void DeriveNameFormats(Settings& settings, NamingState& naming);
// The bit depth of each output from its colour depth option op3(8 + i): 0 gives 24, 1 gives 8, any other
// value leaves it as it was.
void DeriveBitDepths(const Settings& settings, NamingState& naming);

// Ends NetworkPath and histPath with "/" and builds the history sub-paths and base name for the moment
// read once from the clock.
void BuildHistoryNames(Settings& settings, NamingState& naming, const Clock& clock = SystemClock::Instance());

// The next history capture time "hhnnss" after `now` ("hhnnss"), aligned to the resolution of the file
// time (fileTimeLength 1..5); any interval, negative or huge, gives a valid time of day.
QString NextHistoryTime(const QString& now, int32_t interval, int32_t fileTimeLength);
// The furthest ahead, in seconds, that NextHistoryTime can lie: the interval plus one step of the file
// time's resolution; ten hours, whatever the interval, for a one-character file time.
int64_t LongestHistoryWait(int32_t interval, int32_t fileTimeLength);

// histPath + HistorySubPath(0) + HistoryBaseName + HiFileFoot(0) + ".jpg"
QString HistoryImagePath(const Settings& settings, const NamingState& naming);
// histPath + HistorySubPath(1) + HistoryBaseName + HiFileFoot(0) + HiFileFoot(1) + ".jpg"
QString HistoryThumbnailPath(const Settings& settings, const NamingState& naming);
// NetworkPath + LiFiName(i): 0 live image, 1 live thumbnail, 2 half image; empty for any other index.
QString LiveOutputPath(const Settings& settings, int output);

}  // namespace quorvin
