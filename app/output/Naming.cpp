#include "Naming.h"

#include "StampText.h"

#include <QLatin1String>

#include <cstddef>

namespace quorvin {

namespace {

template <std::size_t N>
void TakeFormat(const std::array<const char*, N>& table, int32_t code, QString& target) {
  if (code >= 0 && static_cast<std::size_t>(code) < N) target = QLatin1String(table[code]);
}

void EndWithSeparator(QString& path) {
  if (!path.isEmpty() && !path.endsWith(u'/')) path += u'/';
}

// Floor division, so a negative interval rounds towards the past like a positive one rounds up.
int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// hh, nn, ss with any overflow or underflow carried, wrapped into one day, as "hhnnss".
QString ComposeTime(int64_t hours, int64_t minutes, int64_t seconds) {
  constexpr int64_t kDay = 24 * 3600;
  int64_t total = (hours % 24) * 3600 + (minutes % (24 * 60)) * 60 + seconds % kDay;
  total = ((total % kDay) + kDay) % kDay;
  const int h = static_cast<int>(total / 3600);
  const int n = static_cast<int>(total / 60 % 60);
  const int s = static_cast<int>(total % 60);
  return QStringLiteral("%1%2%3")
      .arg(h, 2, 10, QLatin1Char('0'))
      .arg(n, 2, 10, QLatin1Char('0'))
      .arg(s, 2, 10, QLatin1Char('0'));
}

// A field of "hhnnss" that is not a number counts as 0: the scheduler must get a time whatever it passed.
int64_t Field(const QString& now, int index) {
  bool ok = false;
  const int value = now.mid(index * 2, 2).toInt(&ok);
  return ok ? value : 0;
}

}  // namespace

void DeriveNameFormats(Settings& settings, NamingState& naming) {
  TakeFormat(kFolderDateFormats1, settings.op2[Format::FolderDate1], naming.FolderDateFormat1);
  TakeFormat(kFolderDateFormats2, settings.op2[Format::FolderDate2], naming.FolderDateFormat2);
  TakeFormat(kFolderDateFormats1, settings.op2[Format::FileDate], naming.FileDateFormat);
  const int32_t timeCode = settings.op2[Format::FileTime];
  if (timeCode >= 0 && static_cast<std::size_t>(timeCode) < kFileTimeFormats.size()) {
    naming.FileTimeFormat = QLatin1String(kFileTimeFormats[timeCode]);
    naming.FileTimeLength = kFileTimeLengths[timeCode];
  }
  TakeFormat(kStampDateFormats, settings.op2[Format::StampDate], naming.StampDateFormat);
  TakeFormat(kStampTimeFormats, settings.op2[Format::StampTime], naming.StampTimeFormat);

  DeriveBitDepths(settings, naming);

  // A turn code from a hand-edited file can be anything; only angles within one full turn reach the
  // rotation, the rest keep the previous angle instead of overflowing.
  const int64_t angle = static_cast<int64_t>(settings.op3[Option::Turn]) * 9000;
  if (angle >= 0 && angle <= 36000) settings.PictureAngle = static_cast<int32_t>(angle);
}

void DeriveBitDepths(const Settings& settings, NamingState& naming) {
  for (std::size_t i = 0; i < naming.BitsPerPixel.size(); ++i) {
    const int32_t depth = settings.op3[Option::ColourDepth + i];
    if (depth == 0) naming.BitsPerPixel[i] = 24;
    if (depth == 1) naming.BitsPerPixel[i] = 8;
  }
}

namespace {

// One history folder level: head + formatted moment + foot, and the thumbnails' twin with its extra
// foot; each ends in "/" unless empty.
struct FolderLevel {
  QString image;
  QString thumbnail;
};

FolderLevel MakeFolderLevel(const QString& head, const QString& format, const QString& foot,
                            const QString& thumbnailFoot, const QDateTime& now) {
  FolderLevel level;
  level.image = head;
  if (!format.isEmpty()) level.image += FormatClock(now, format);
  level.image += foot;
  level.thumbnail = level.image + thumbnailFoot;
  EndWithSeparator(level.image);
  EndWithSeparator(level.thumbnail);
  return level;
}

}  // namespace

void BuildHistoryNames(Settings& settings, NamingState& naming, const Clock& clock) {
  EndWithSeparator(settings.NetworkPath);
  EndWithSeparator(settings.histPath);

  // One reading for all names: folder and file must agree even when the tick straddles midnight.
  const QDateTime now = clock.Now();

  const FolderLevel level1 = MakeFolderLevel(settings.histDirHead1[0], naming.FolderDateFormat1,
                                             settings.histDirFoot1[0], settings.histDirFoot1[1], now);
  const FolderLevel level2 = MakeFolderLevel(settings.histDirHead2[0], naming.FolderDateFormat2,
                                             settings.histDirFoot2[0], settings.histDirFoot2[1], now);
  naming.HistorySubPath[0] = level1.image + level2.image;
  naming.HistorySubPath[1] = level1.thumbnail + level2.thumbnail;

  QString name = settings.HiFileHead[0];
  if (!naming.FileDateFormat.isEmpty()) name += FormatClock(now, naming.FileDateFormat);
  if (!naming.FileTimeFormat.isEmpty())
    name += FormatClock(now, naming.FileTimeFormat).left(qMax<qsizetype>(naming.FileTimeLength, 0));
  name += QLatin1String(".jpg");
  naming.HistoryBaseName = name.left(name.indexOf(u'.'));
}

QString NextHistoryTime(const QString& now, int32_t interval, int32_t fileTimeLength) {
  const int64_t hh = Field(now, 0);
  const int64_t nn = Field(now, 1);
  const int64_t ss = Field(now, 2);
  const int64_t seconds = ss + interval;

  // Step (seconds of one unit of the file time) and the addend that rounds up to its next boundary.
  int64_t step = 0;
  int64_t addend = 0;
  switch (fileTimeLength) {
    case 5:
      step = 10, addend = 9;
      break;
    case 4:
      step = 60, addend = 60;
      break;
    case 3:
      step = 600, addend = 599;
      break;
    case 2:
      step = 3600, addend = 3599;
      break;
    case 1: {
      const QString composed = ComposeTime(hh + 10, 0, 0);
      return composed.left(1) + QLatin1String("00000");
    }
    default:
      return ComposeTime(hh, nn, seconds);
  }
  const QString composed = ComposeTime(hh, nn, FloorDiv(seconds + addend, step) * step);
  return composed.left(fileTimeLength) + QString(6 - fileTimeLength, u'0');
}

int64_t LongestHistoryWait(int32_t interval, int32_t fileTimeLength) {
  switch (fileTimeLength) {
    case 5:
      return int64_t{interval} + 10;
    case 4:
      return int64_t{interval} + 60;
    case 3:
      return int64_t{interval} + 600;
    case 2:
      return int64_t{interval} + 3600;
    case 1:
      return 10 * 3600;
    default:
      return interval;
  }
}

QString HistoryImagePath(const Settings& settings, const NamingState& naming) {
  return settings.histPath + naming.HistorySubPath[0] + naming.HistoryBaseName + settings.HiFileFoot[0] +
         QLatin1String(".jpg");
}

QString HistoryThumbnailPath(const Settings& settings, const NamingState& naming) {
  return settings.histPath + naming.HistorySubPath[1] + naming.HistoryBaseName + settings.HiFileFoot[0] +
         settings.HiFileFoot[1] + QLatin1String(".jpg");
}

QString LiveOutputPath(const Settings& settings, int output) {
  if (output < 0 || static_cast<std::size_t>(output) >= settings.LiFiName.size()) return {};
  return settings.NetworkPath + settings.LiFiName[output];
}

}  // namespace quorvin
