#include "SettingsCheck.h"

#include "Naming.h"
#include "SettingsFile.h"
#include "SettingsKeys.h"
#include "SettingsRules.h"
#include "ToolReport.h"

#include <korvex/CaptureDevice.h>
#include <korvex/CaptureWindow.h>

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace quorvin::tool {
namespace {

// The frame the size warnings count with: the test device's size and what most cameras open with.
constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kSmallestSide = 16;

constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 24 * kHour;
constexpr int64_t kMonth = 28 * kDay;  // the shortest
constexpr int64_t kYear = 365 * kDay;
// How long a file time of FileTimeLength k stays the same.
constexpr int64_t kFileTimeResolution[] = {0, 10 * kHour, kHour, 600, 60, 10, 1};

// The outputs and the switch that has each written.
constexpr Switch::Index kOutputSwitch[Output::Count] = {Switch::LiveImage, Switch::LiveThumbnail,
                                                        Switch::HalfImage, Switch::HistoryImage,
                                                        Switch::HistoryThumbnail};

QString Shown(const QString& value) {
  return value.isEmpty() ? QStringLiteral("(empty)") : value;
}

QString Quoted(const QString& value) {
  return QLatin1Char('"') + value + QLatin1Char('"');
}

// How long a date format keeps the same text; 0 when it holds no date.
int64_t DatePeriod(const QString& format) {
  if (format.contains(QLatin1String("dd"))) return kDay;
  if (format.contains(QLatin1String("mm"))) return kMonth;
  if (format.contains(QLatin1String("yy"))) return kYear;
  return 0;
}

QString Span(int64_t seconds) {
  switch (seconds) {
    case kHour:
      return QStringLiteral("an hour");
    case kDay:
      return QStringLiteral("a day");
    case kMonth:
      return QStringLiteral("a month");
    case kYear:
      return QStringLiteral("a year");
    default:
      return QStringLiteral("%1 s").arg(seconds);
  }
}

// Why a folder the recorder writes into cannot take its images; empty when it can (or may be made).
QString FolderProblem(const QString& path) {
  if (path.isEmpty()) return {};  // the folder the recorder was started in
  const QFileInfo info(path);
  if (info.isDir())
    return info.isWritable() ? QString() : QStringLiteral("is a folder that cannot be written");
  if (info.exists()) return QStringLiteral("is not a folder");
  QString missing = info.absoluteFilePath();
  for (;;) {
    const QString up = QFileInfo(missing).absolutePath();
    const QFileInfo upInfo(up);
    if (upInfo.isDir())
      return upInfo.isWritable()
                 ? QString()
                 : QStringLiteral("does not exist and cannot be made: %1 cannot be written").arg(up);
    if (upInfo.exists())
      return QStringLiteral("does not exist and cannot be made: %1 is not a folder").arg(up);
    if (up == missing) return QStringLiteral("does not exist and cannot be made");
    missing = up;
  }
}

QString LoadKindText(LoadFinding::Kind kind) {
  switch (kind) {
    case LoadFinding::Kind::NotInteger:
    case LoadFinding::Kind::Unreadable:
      return QStringLiteral("error");
    case LoadFinding::Kind::UnknownKey:
      return QStringLiteral("unrecognised key, ignored");
    case LoadFinding::Kind::RepeatedKey:
      return QStringLiteral("repeated key");
    case LoadFinding::Kind::NotANumber:
      return QStringLiteral("not a number");
    case LoadFinding::Kind::OutOfRange:
      return QStringLiteral("out of range");
    case LoadFinding::Kind::Corrected:
      return QStringLiteral("corrected on loading");
  }
  return {};
}

class SettingsChecker {
 public:
  SettingsChecker(const QString& file, const CheckOptions& options) : report_(file), options_(options) {}

  int Run() {
    if (!Load()) {
      Print(stderr, report_.File() + QStringLiteral(": the recorder would stop with this file"));
      return 1;
    }
    Print(stdout,
          report_.File() + QStringLiteral(": read as ") + EncodingName(encoding_) +
              (encoding_ == SettingsEncoding::Utf8 ? QStringLiteral("; the recorder saves it with the mark")
                                                   : QString()));
    CorrectOnStart();
    Warn();
    Print(stdout,
          report_.File() +
              QStringLiteral(": the recorder would start with this file (warnings: %1)").arg(warnings_));
    return 0;
  }

 private:
  bool Load() {
    LoadOptions options;
    options.encoding = &encoding_;
    options.onKey = [this](const QString& key, int line) { lines_.insert(key, line); };
    options.onFinding = [this](const LoadFinding& f) {
      report_.Add(f.line, LoadKindText(f.kind), f.kind == LoadFinding::Kind::Unreadable ? QString() : f.key,
                  f.detail, f.IsFatal());
    };
    LoadSettings(s_, report_.File(), options);
    return !report_.Fatal();
  }

  int Line(const QString& key) const { return lines_.value(key, 0); }

  void Corrected(const Correction& c) {
    // A default the load filled in is not a value of the file.
    if (!lines_.contains(c.key)) return;
    report_.Add(Line(c.key), QStringLiteral("corrected on start"), c.key,
                QStringLiteral("%1 -> %2 (%3)").arg(Shown(c.from), Shown(c.to), c.reason));
  }

  void Warning(const QString& key, const QString& detail) {
    ++warnings_;
    report_.Add(Line(key), QStringLiteral("warning"), key, detail);
  }

  void Note(const QString& key, const QString& detail) {
    report_.Add(Line(key), QStringLiteral("note"), key, detail);
  }

  bool On(Switch::Index i) const { return s_.ch1[i] == 1; }

  // What the recorder changes before its first capture: the logo and the display's rules after every
  // load, then the device choice and the effect area of start-up.
  void CorrectOnStart() {
    const CorrectionSink sink = [this](const Correction& c) { Corrected(c); };
    DropMissingLogoNames(s_, sink);
    ApplyDisplayCorrections(s_, sink);
    DeviceChoice(sink);
    // A size of 0 is how a file says that no area has been set yet: worth a note, not a correction.
    if (EffectAreaUnset(s_)) {
      const QString key = s_.EfctAWidth == 0 ? QStringLiteral("EfctAWidth") : QStringLiteral("EfctAHeight");
      if (lines_.contains(key))
        Note(key, QStringLiteral("0: start-up makes the effect area the whole frame"));
    }
  }

  void DeviceChoice(const CorrectionSink& sink) {
    const int32_t index = s_.DevIndex;
    const QString key = QStringLiteral("DevIndex");
    if (options_.listDevices) {
      const auto devices = korvex::MakeSystemDeviceSource()->Enumerate();
      const int count = std::min<int>(static_cast<int>(devices.size()), korvex::CaptureWindow::kMaxDrivers);
      QStringList names;
      for (int i = 0; i < count; ++i) names << QStringLiteral("%1 %2").arg(i).arg(devices[size_t(i)]->Name());
      Note(key,
           QStringLiteral("video devices here: %1 (%2)").arg(count).arg(names.join(QStringLiteral(", "))));
      // Without a device the list says "No Devices" and the value stays.
      if (count > 0 && (index < 0 || index >= count))
        sink({key, QString::number(index), QStringLiteral("0"),
              QStringLiteral("beyond the video device list here")});
    } else if (index < 0 || index >= korvex::CaptureWindow::kMaxDrivers) {
      sink({key, QString::number(index), QStringLiteral("0"),
            QStringLiteral("the device list holds at most %1 devices; 0 is chosen when any is listed")
                .arg(korvex::CaptureWindow::kMaxDrivers)});
    } else if (index > 0 && lines_.contains(key)) {
      Note(key, QStringLiteral("%1 is not checked against the video devices (check --devices lists them)")
                    .arg(index));
    }
    if (s_.DevIndexTwain < 0)
      sink({QStringLiteral("DevIndexTwain"), QString::number(s_.DevIndexTwain), QStringLiteral("0"),
            QStringLiteral("a list position; 0 is chosen when any scanner source is listed")});
  }

  void Warn() {
    NamingState naming;
    DeriveNameFormats(s_, naming);
    OutputSizes();
    HistoryNames(naming);
    TextValues();
    Stamp();
    OperationTimes();
    Folders();
    Codes();
  }

  void OutputSizes() {
    for (int i = 0; i < Output::Count; ++i) {
      if (!On(kOutputSwitch[i])) continue;
      // Rounded as the outputs are scaled: to the nearest, halves to even.
      const auto w = static_cast<int64_t>(std::nearbyint(kFrameWidth * double{s_.zoom[i]}));
      const auto h = static_cast<int64_t>(std::nearbyint(kFrameHeight * double{s_.zoom[i]}));
      if (w >= kSmallestSide && h >= kSmallestSide) continue;
      Warning(QStringLiteral("Zoom(%1)").arg(i),
              QStringLiteral("%1 gives %2x%3-pixel images from a %4x%5 frame (under %6 pixels a side)")
                  .arg(FormatFloat(s_.zoom[i]))
                  .arg(w)
                  .arg(h)
                  .arg(kFrameWidth)
                  .arg(kFrameHeight)
                  .arg(kSmallestSide));
    }
  }

  // History names that stay the same from one capture to the next: each capture replaces the last. Each
  // cause is named on its own line, since mending one leaves the other.
  void HistoryNames(const NamingState& naming) {
    if (!On(Switch::HistoryImage) && !On(Switch::HistoryThumbnail)) return;
    const bool cut = s_.HiFileHead[0].contains(QLatin1Char('.'));
    const int32_t k = std::clamp(naming.FileTimeLength, 0, 6);
    // With a file time the captures fall on its boundaries, never closer than its resolution.
    const int64_t spacing = std::max<int64_t>(s_.inter[1], kFileTimeResolution[k]);
    // The shortest time in which some part of the path changes, with or without the file name's parts;
    // 0 when nothing changes.
    const auto period = [&](bool fileTime, bool fileDate) {
      int64_t p = 0;
      const auto take = [&](int64_t q) {
        if (q > 0 && (p == 0 || q < p)) p = q;
      };
      if (fileTime) take(kFileTimeResolution[k]);
      if (fileDate) take(DatePeriod(naming.FileDateFormat));
      take(DatePeriod(naming.FolderDateFormat1));
      take(naming.FolderDateFormat2 == QLatin1String("hh") ? kHour : DatePeriod(naming.FolderDateFormat2));
      return p;
    };
    const auto warn = [&](const QString& key, int64_t p, const QString& why) {
      if (p != 0 && p <= spacing) return;
      const QString who = p == 0 ? QStringLiteral("every history capture")
                                 : QStringLiteral("every history capture within %1").arg(Span(p));
      Warning(key,
              QStringLiteral("%1 gets the same name, so each replaces the one before (%2; history interval "
                             "%3 s)")
                  .arg(who, why)
                  .arg(s_.inter[1]));
    };
    if (cut)
      warn(QStringLiteral("HiFileHead(0)"), period(false, false),
           QStringLiteral("the \".\" in %1 ends every file name there").arg(Quoted(s_.HiFileHead[0])));
    if (k == 0)
      warn(QStringLiteral("op2(3)"), period(false, !cut), QStringLiteral("the file name holds no time"));
  }

  // Text values that do not survive the recorder's next save.
  void TextValues() {
    for (const KeyEntry& e : WrittenKeys()) {
      if (e.form != ValueForm::Text && e.form != ValueForm::QuotedText) continue;
      const QString value = *std::get<QString*>(e.field(s_));
      const QString written = e.form == ValueForm::QuotedText ? Quoted(value) : value;
      const QString back = ReadTextValue(QString::fromUtf8(e.keyText) + written + QStringLiteral(" '"));
      if (back == value) continue;
      Warning(e.Name(),
              QStringLiteral("%1 reads back as %2 after the recorder saves its settings (outer blanks "
                             "and quotes are lost)")
                  .arg(Quoted(value), Quoted(back)));
    }
  }

  void Stamp() {
    const bool stamped =
        On(Switch::StampOnLiveImage) || On(Switch::StampOnHalfImage) || On(Switch::StampOnHistoryImage);
    if (stamped && !StampFontPoints(s_))
      Warning(QStringLiteral("SFontSize"),
              QStringLiteral("%1 is not a size in points (above 0, at most 2000): the stamp is drawn at the "
                             "default size %2 and the error log says so once")
                  .arg(Quoted(s_.SFontSize))
                  .arg(kDefaultFontPoints));
    if (!TextStyleKnown(s_.op3[Option::TextStyle]))
      Warning(
          QStringLiteral("op3(5)"),
          QStringLiteral("%1 is not a text style (0 to %2): the stamp is drawn in the default style %3 and "
                         "the error log says so once")
              .arg(s_.op3[Option::TextStyle])
              .arg(kTextStyleCount - 1)
              .arg(kDefaultTextStyle));
    if (!TextPlacementKnown(s_.op3[Option::TextPlacement]))
      Warning(
          QStringLiteral("op3(2)"),
          QStringLiteral("%1 is not a text place (0 to 8): the stamp is drawn at the default place %2 and "
                         "the error log says so once")
              .arg(s_.op3[Option::TextPlacement])
              .arg(kDefaultTextPlacement));
    const bool logo =
        On(Switch::LogoOnLiveImage) || On(Switch::LogoOnHalfImage) || On(Switch::LogoOnHistoryImage);
    const int32_t place = s_.op3[Option::LogoPlacement];
    if (logo && !s_.LogomarkFilename.isEmpty() && !LogoPlacementKnown(place))
      Warning(
          QStringLiteral("op3(3)"),
          QStringLiteral("%1 is not a logo place (0 to %2): the logo is drawn at the default place %3 and "
                         "the error log says so once")
              .arg(place)
              .arg(kLogoPlacementCount - 1)
              .arg(kDefaultLogoPlacement));
  }

  void OperationTimes() {
    const bool partTime = s_.op3[Option::PartTime] == 1;
    int inside = 0;
    for (int minute = 0; minute < 24 * 60; ++minute) {
      const QString now = QStringLiteral("%1%2")
                              .arg(minute / 60, 2, 10, QLatin1Char('0'))
                              .arg(minute % 60, 2, 10, QLatin1Char('0'));
      inside += InsideOperationTime(s_.StartTime, s_.EndTime, now) ? 1 : 0;
    }
    const QString effect = inside == 0         ? QStringLiteral("never captures")
                           : inside == 24 * 60 ? QStringLiteral("captures all day")
                                               : QStringLiteral("captures %1 minutes a day").arg(inside);
    for (const auto& [key, value] : {std::pair{QStringLiteral("StartTime"), s_.StartTime},
                                     std::pair{QStringLiteral("EndTime"), s_.EndTime}}) {
      if (IsValidHhnn(value)) continue;
      Warning(key, QStringLiteral("%1 is not a time hhnn (0000 to 2359): %2 %3")
                       .arg(Quoted(value),
                            partTime ? QStringLiteral("the part-time recorder")
                                     : QStringLiteral("with part time (op3(16) = 1) the recorder"),
                            effect));
    }
  }

  void Folders() {
    const bool live = On(Switch::LiveImage) || On(Switch::LiveThumbnail) || On(Switch::HalfImage);
    const bool history = On(Switch::HistoryImage) || On(Switch::HistoryThumbnail);
    for (const auto& [key, path, used] : {std::tuple{QStringLiteral("NetworkPath"), s_.NetworkPath, live},
                                          std::tuple{QStringLiteral("histPath"), s_.histPath, history}}) {
      if (!used) continue;
      const QString problem = FolderProblem(path);
      if (!problem.isEmpty())
        Warning(key, QStringLiteral("%1 %2: no image is written there (a relative path counts from the "
                                    "folder the recorder starts in)")
                         .arg(Quoted(path), problem));
    }
  }

  void Codes() {
    if (s_.op3[Option::Source] != 0 && s_.op3[Option::Source] != 1)
      Warning(QStringLiteral("op3(1)"),
              QStringLiteral(
                  "%1 grabs from the video device but skips turn, flip, mirror and the effects (only 1 "
                  "runs them)")
                  .arg(s_.op3[Option::Source]));
    const size_t entries[] = {kFolderDateFormats1.size(), kFolderDateFormats2.size(),
                              kFolderDateFormats1.size(), kFileTimeFormats.size(),
                              kStampDateFormats.size(),   kStampTimeFormats.size()};
    for (int i = 0; i < 6; ++i) {
      const int32_t code = s_.op2[i];
      if (code >= 0 && static_cast<size_t>(code) < entries[i]) continue;
      Warning(
          QStringLiteral("op2(%1)").arg(i),
          QStringLiteral("%1 is not an entry of its list (0 to %2): the list shows nothing and the format "
                         "stays as it was (none at start)")
              .arg(code)
              .arg(entries[i] - 1));
    }
  }

  Report report_;
  CheckOptions options_;
  Settings s_;
  QHash<QString, int> lines_;
  int warnings_ = 0;
  SettingsEncoding encoding_ = SettingsEncoding::Cp932;
};

}  // namespace

int CheckSettings(const QString& file, const CheckOptions& options) {
  // A dangling link or a folder is not "no file": the recorder stops on it.
  if (!QFileInfo(file).exists() && !QFileInfo(file).isSymLink()) {
    Print(stderr, file + QStringLiteral(": no such file (the recorder would start on its defaults)"));
    return 2;
  }
  return SettingsChecker(file, options).Run();
}

}  // namespace quorvin::tool
