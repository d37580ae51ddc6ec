#include "SettingsFile.h"

#include "AtomicFile.h"
#include "SettingsKeys.h"
#include "SettingsRules.h"
#include "TextCodec.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace quorvin {
namespace {

constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Blanks are the space character only; tabs stay part of a line.
QString StripBlanks(const QString& text) {
  qsizetype begin = 0, end = text.size();
  while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
  while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
  return text.mid(begin, end - begin);
}

bool IsAsciiDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int32_t Saturate(qint64 value, bool* saturated) {
  if (value < kInt32Min || value > kInt32Max) {
    if (saturated) *saturated = true;
    return value < 0 ? kInt32Min : kInt32Max;
  }
  return static_cast<int32_t>(value);
}

// Digits with an optional "-", already checked; saturates far beyond int32 without overflowing.
int32_t DigitsToInt(const QString& text, bool* saturated) {
  const bool negative = text.startsWith(QLatin1Char('-'));
  qint64 value = 0;
  for (qsizetype i = negative ? 1 : 0; i < text.size(); ++i) {
    value = value * 10 + (text[i].unicode() - '0');
    if (value > qint64(kInt32Max) + 1) value = qint64(kInt32Max) + 2;  // stays out of range, never overflows
  }
  return Saturate(negative ? -value : value, saturated);
}

// Lines end at CR LF or a lone CR; a lone LF ends one too, since files edited on Linux have them.
QStringList SplitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    lines.append(text.mid(start, i - start));
    if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

QString FieldText(const FieldRef& field) {
  return std::visit(
      [](auto* p) -> QString {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, QString>)
          return *p;
        else if constexpr (std::is_same_v<T, float>)
          return FormatFloat(*p);
        else
          return QString::number(*p);
      },
      field);
}

enum class FileRead { Missing, Read, Unreadable };

// Only a name with nothing behind it is a missing file. A dangling link (an unmounted share), a folder, a
// pipe or a device at the name cannot be read; a pipe must not block the start either.
FileRead ReadSettingsBytes(const QString& path, QByteArray& bytes, QString& reason) {
  const QByteArray name = path.toLocal8Bit();
  struct stat entry {};
  if (::lstat(name.constData(), &entry) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return FileRead::Missing;
    reason = QString::fromLocal8Bit(std::strerror(errno));
    return FileRead::Unreadable;
  }
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    reason = S_ISLNK(entry.st_mode) && err == ENOENT ? QStringLiteral("the link's target is missing")
                                                     : QString::fromLocal8Bit(std::strerror(err));
    return FileRead::Unreadable;
  }
  QFile file;
  file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    reason = QStringLiteral("not a regular file");
    return FileRead::Unreadable;
  }
  bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    reason = file.errorString();
    return FileRead::Unreadable;
  }
  return FileRead::Read;
}

class Loader {
 public:
  Loader(Settings& settings, const LoadOptions& options) : s_(settings), options_(options) {}

  // Reads every line; false after a fatal error.
  bool ReadLines(const QStringList& lines) {
    for (int i = 0; i < lines.size(); ++i) {
      const QString line = StripBlanks(lines[i]);
      if (line.isEmpty() || !line.contains(QLatin1Char('='))) continue;
      if (!ReadLine(line, i + 1)) return false;
    }
    return true;
  }

  void Correct() {
    ApplyLoadCorrections(s_, [this](const QString& key, const QString& from, const QString& to) {
      auto it = lineOfKey_.constFind(key);
      if (it == lineOfKey_.constEnd()) return;  // a default filled in, not a value from the file
      Report({LoadFinding::Kind::Corrected, it.value(), key, from + QStringLiteral(" -> ") + to});
    });
  }

 private:
  bool ReadLine(const QString& line, int lineNo) {
    const QString rawKey = StripBlanks(line.left(line.indexOf(QLatin1Char('='))));
    const KeyMatch* key = FindKey(rawKey.toLower());
    if (!key) {
      Report({LoadFinding::Kind::UnknownKey, lineNo, rawKey, {}});
      return true;
    }
    const FieldRef field = key->field(s_);
    const void* address = std::visit([](auto* p) -> const void* { return p; }, field);
    if (auto seen = lineOfField_.constFind(address); seen != lineOfField_.constEnd())
      Report({LoadFinding::Kind::RepeatedKey, lineNo, key->displayName,
              QStringLiteral("also on line %1; this later one wins").arg(seen.value())});
    lineOfField_.insert(address, lineNo);
    lineOfKey_.insert(key->displayName, lineNo);
    if (options_.onKey) options_.onKey(key->displayName, lineNo);

    bool saturated = false;
    const QString value = ReadTextValue(line);
    switch (key->read) {
      case ReadAs::StrictInteger: {
        const std::optional<int32_t> v = ReadIntegerValue(line, &saturated);
        if (!v) {
          Report({LoadFinding::Kind::NotInteger, lineNo, key->displayName, LoadErrorText(value)});
          if (options_.boxes) options_.boxes->Fatal(LoadErrorTitle(), LoadErrorText(value));
          return false;
        }
        *std::get<int32_t*>(field) = *v;
        break;
      }
      case ReadAs::GeneralInteger: {
        const std::optional<int32_t> v = ParseGeneralInteger(value, &saturated);
        if (!v) return NotANumber(lineNo, key->displayName, value);
        *std::get<int32_t*>(field) = *v;
        break;
      }
      case ReadAs::Float: {
        const std::optional<float> v = ParseFloat(value);
        if (!v) return NotANumber(lineNo, key->displayName, value);
        *std::get<float*>(field) = *v;
        break;
      }
      case ReadAs::Angle: {
        const std::optional<int32_t> v = ParseGeneralInteger(value, &saturated);
        if (!v) return NotANumber(lineNo, key->displayName, value);
        const qint64 hundredths = std::clamp<qint64>(qint64(*v) * 100, 0, 36000);
        s_.PictureAngle = static_cast<int32_t>(hundredths);
        if (hundredths % 9000 == 0 && hundredths < 36000)
          s_.op3[Option::Turn] = static_cast<int32_t>(hundredths / 9000);
        break;
      }
      case ReadAs::Text:
        *std::get<QString*>(field) = value;
        break;
    }
    if (saturated)
      Report({LoadFinding::Kind::OutOfRange, lineNo, key->displayName,
              QStringLiteral("\"%1\" is beyond the 32-bit range; read as %2").arg(value, FieldText(field))});
    return true;
  }

  bool NotANumber(int lineNo, const QString& key, const QString& value) {
    Report({LoadFinding::Kind::NotANumber, lineNo, key,
            QStringLiteral("\"%1\" is not a number; the value stays %2")
                .arg(value, FieldText(FindKey(key.toLower())->field(s_)))});
    return true;
  }

  void Report(const LoadFinding& finding) {
    if (options_.onFinding) options_.onFinding(finding);
  }

  Settings& s_;
  const LoadOptions& options_;
  QHash<const void*, int> lineOfField_;
  QHash<QString, int> lineOfKey_;
};

}  // namespace

QString StripQuotes(const QString& text) {
  QString t = text;
  if (t.startsWith(QLatin1Char('"'))) t.remove(0, 1);
  if (t.endsWith(QLatin1Char('"'))) t.chop(1);
  return t;
}

bool IsIntegerText(const QString& text) {
  const qsizetype first = text.startsWith(QLatin1Char('-')) ? 1 : 0;
  if (text.size() <= first) return false;
  for (qsizetype i = first; i < text.size(); ++i)
    if (!IsAsciiDigit(text[i])) return false;
  return true;
}

QString ReadTextValue(const QString& line) {
  QString t = line;
  if (const qsizetype apostrophe = t.indexOf(QLatin1Char('\'')); apostrophe >= 0) t.truncate(apostrophe);
  if (const qsizetype eq = t.indexOf(QLatin1Char('=')); eq >= 0) t = t.mid(eq + 1);
  return StripQuotes(StripBlanks(t));
}

std::optional<int32_t> ReadIntegerValue(const QString& line, bool* saturated) {
  QString value = ReadTextValue(line);
  if (value.isEmpty()) value = QStringLiteral("0");
  if (!IsIntegerText(value)) return std::nullopt;
  return DigitsToInt(value, saturated);
}

std::optional<int32_t> ParseGeneralInteger(const QString& text, bool* saturated) {
  const QString t = StripBlanks(text);
  if (t.isEmpty()) return 0;
  if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
    const QString digits = t.mid(2);
    if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    return static_cast<int32_t>(value);
  }
  if (IsIntegerText(t) || (t.startsWith(QLatin1Char('+')) && IsIntegerText(t.mid(1))))
    return DigitsToInt(t.startsWith(QLatin1Char('+')) ? t.mid(1) : t, saturated);
  // A decimal fraction rounds to the nearest integer, halves to even.
  bool ok = false;
  const double d = t.toDouble(&ok);
  if (!ok || !std::isfinite(d) || t.contains(QLatin1Char('e'), Qt::CaseInsensitive)) return std::nullopt;
  const double rounded = std::nearbyint(d);
  if (rounded < kInt32Min || rounded > kInt32Max)
    return Saturate(rounded < 0 ? qint64(kInt32Min) - 1 : qint64(kInt32Max) + 1, saturated);
  return static_cast<int32_t>(rounded);
}

std::optional<float> ParseFloat(const QString& text) {
  const QString t = StripBlanks(text);
  if (t.isEmpty()) return 0.0f;
  bool ok = false;
  const float value = t.toFloat(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

QString FormatFloat(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString LoadErrorTitle() {
  return QCoreApplication::translate("quorvin", "Settings file load error");
}

QString LoadErrorText(const QString& valueText) {
  return QCoreApplication::translate("quorvin",
                                     "A number in the settings file holds invalid characters: \"%1\".")
      .arg(valueText);
}

QString SaveErrorTitle() {
  return QCoreApplication::translate("quorvin", "Settings file save error");
}

void ApplyLoadCorrections(
    Settings& s, const std::function<void(const QString&, const QString&, const QString&)>& changed) {
  auto note = [&](const char* key, int index, const QString& from, const QString& to) {
    if (changed && from != to) changed(QString::fromLatin1(key).arg(index), from, to);
  };
  auto fixInt = [&](const char* key, int index, int32_t& field, int32_t value) {
    note(key, index, QString::number(field), QString::number(value));
    field = value;
  };

  static constexpr float kZoom[Output::Count] = {1, 0.2f, 0.5f, 1, 0.2f};
  for (int i = 0; i < Output::Count; ++i)
    if (s.zoom[i] == 0) {
      note("Zoom(%1)", i, FormatFloat(s.zoom[i]), FormatFloat(kZoom[i]));
      s.zoom[i] = kZoom[i];
    }
  static const char* const kLiveNames[Output::LiveCount] = {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"};
  for (int i = 0; i < Output::LiveCount; ++i)
    if (s.LiFiName[i].isEmpty()) {
      note("LiFiName(%1)", i, {}, QString::fromLatin1(kLiveNames[i]));
      s.LiFiName[i] = QString::fromLatin1(kLiveNames[i]);
    }
  if (s.histPath.isEmpty()) {
    if (changed && !s.NetworkPath.isEmpty()) changed(QStringLiteral("histPath"), {}, s.NetworkPath);
    s.histPath = s.NetworkPath;
  }
  if (HistoryHeadDefaultOnLoad(s)) {
    note("HiFileHead(%1)", 0, {}, QStringLiteral("qv"));
    s.HiFileHead[0] = QStringLiteral("qv");
  }
  if (s.HiFileFoot[1].isEmpty()) {
    note("HiFileFoot(%1)", 1, {}, QStringLiteral("_"));
    s.HiFileFoot[1] = QStringLiteral("_");
  }
  static constexpr int32_t kRezo[Output::Count] = {25, 30, 10, 25, 30};
  for (int i = 0; i < Output::Count; ++i)
    if (s.rezo[i] == 0) fixInt("Rezo(%1)", i, s.rezo[i], kRezo[i]);
  for (int i = 0; i < Output::Count; ++i) fixInt("Rezo(%1)", i, s.rezo[i], std::clamp(s.rezo[i], 2, 255));
  for (int i = 0; i < 4; ++i) {
    if (s.colorganma[i] == 0) fixInt("ColorGanma(%1)", i, s.colorganma[i], 1);
    if (s.colorganma[i] > 200) fixInt("ColorGanma(%1)", i, s.colorganma[i], 200);
    if (s.colorganma2[i] == 0) fixInt("ColorGanma2(%1)", i, s.colorganma2[i], 1);
    if (s.colorganma2[i] > 200) fixInt("ColorGanma2(%1)", i, s.colorganma2[i], 200);
  }
  fixInt("Efct(%1)", Effect::Gamma, s.efct[Effect::Gamma], std::clamp(s.efct[Effect::Gamma], 50, 300));
  for (QString* time : {&s.StartTime, &s.EndTime}) {
    if (!time->isEmpty()) continue;
    if (changed)
      changed(time == &s.StartTime ? QStringLiteral("StartTime") : QStringLiteral("EndTime"), {},
              QStringLiteral("0000"));
    *time = QStringLiteral("0000");
  }
}

LoadStatus LoadSettings(Settings& settings, const QString& path, const LoadOptions& options) {
  ResetLoadDefaults(settings);

  Loader loader(settings, options);
  LoadStatus status = LoadStatus::NoFile;
  QByteArray bytes;
  QString reason;
  if (options.encoding) *options.encoding = SettingsEncoding::Cp932;
  switch (ReadSettingsBytes(path, bytes, reason)) {
    case FileRead::Missing:
      break;
    case FileRead::Unreadable: {
      // Running on defaults would overwrite the operator's file when the program ends: stop instead.
      const QString text =
          QCoreApplication::translate("quorvin", "Cannot read the settings file %1 (%2).").arg(path, reason);
      if (options.onFinding) options.onFinding({LoadFinding::Kind::Unreadable, 0, path, text});
      if (options.boxes) options.boxes->Fatal(LoadErrorTitle(), text);
      return LoadStatus::Fatal;
    }
    case FileRead::Read: {
      const QString text = DecodeSettingsText(bytes, options.encoding);
      if (!loader.ReadLines(SplitLines(text))) return LoadStatus::Fatal;
      status = LoadStatus::Loaded;
      break;
    }
  }

  loader.Correct();
  if (options.refresh) options.refresh(settings);
  return status;
}

QByteArray SettingsFileBytes(const Settings& settings, const QDateTime& when, SettingsEncoding encoding) {
  Settings& s = const_cast<Settings&>(settings);  // the accessors take a mutable record; nothing is written
  QString text = QLatin1String(kVersionText) + QLatin1Char(' ') +
                 when.toString(QStringLiteral("MM-dd-yyyy")) + QStringLiteral("    ") +
                 when.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("\r\n\r\n");
  for (const KeyEntry& e : WrittenKeys()) {
    const FieldRef field = e.field(s);
    QString value;
    switch (e.form) {
      case ValueForm::Hex:
        value = QStringLiteral("&H") +
                QString::number(static_cast<uint32_t>(*std::get<int32_t*>(field)), 16).toUpper();
        break;
      case ValueForm::QuotedText:
        value = QLatin1Char('"') + *std::get<QString*>(field) + QLatin1Char('"');
        break;
      default:
        value = FieldText(field);
        break;
    }
    text += QString::fromUtf8(e.keyText) + value + QString(e.blanks, QLatin1Char(' ')) + QLatin1Char('\'');
    if (e.comment) text += QString::fromUtf8(e.comment);
    text += QStringLiteral("\r\n");
  }
  if (encoding == SettingsEncoding::Cp932)
    if (std::optional<QByteArray> cp932 = EncodeCp932(text)) return *cp932;
  return QByteArray(kUtf8Bom) + text.toUtf8();
}

SaveResult SaveSettings(const Settings& settings, const QString& path, const Clock& clock,
                        MessageBoxes* boxes, SettingsEncoding encoding) {
  const QByteArray bytes = SettingsFileBytes(settings, clock.Now(), encoding);
  SaveResult result;
  result.ok = WriteFileAtomically(path, bytes, &result.error);
  if (result.ok) return result;
  if (boxes)
    boxes->Show(MessageIcon::Exclamation, SaveErrorTitle(),
                QCoreApplication::translate(
                    "quorvin", "Cannot write the settings file %1 (%2). The previous file is left as it was.")
                    .arg(path, result.error));
  return result;
}

}  // namespace quorvin
