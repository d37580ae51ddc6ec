#pragma once
// Moving the settings record to and from the settings file: load (defaults, file, corrections, refresh),
// save (the whole file, atomically), and the value procedures both share.

#include "Clock.h"
#include "MessageBoxes.h"
#include "Settings.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace quorvin {

// --- Value procedures -------------------------------------------------------------------------------

// Drops one leading and then one trailing double quote.
QString StripQuotes(const QString& text);
// An optional "-" followed by at least one ASCII digit, nothing else.
bool IsIntegerText(const QString& text);
// The value of a line: cut at the first apostrophe, after the first "=", blanks stripped, quotes removed.
QString ReadTextValue(const QString& line);

// A strict integer value: empty reads 0. Digits beyond the int32 range saturate (and set *saturated).
// Returns nothing when the value is not an integer text: the fatal load error.
std::optional<int32_t> ReadIntegerValue(const QString& line, bool* saturated = nullptr);

// The general conversion: decimal (a fraction rounds half to even) or "&H" with up to eight hexadecimal
// digits (two's complement, so &HFFFFFFFF is -1). Empty reads 0. Decimal values beyond int32 saturate
// (and set *saturated). Anything else is not a number: nothing is returned and the caller keeps the field.
std::optional<int32_t> ParseGeneralInteger(const QString& text, bool* saturated = nullptr);
// A finite decimal or exponent number in the C locale; empty reads 0. Anything else is not a number.
std::optional<float> ParseFloat(const QString& text);
// The shortest text that reads back as the same float ("1", "0.2", "0.5").
QString FormatFloat(float value);

// --- Load -------------------------------------------------------------------------------------------

// The fatal load error's title and its text for a value that is not an integer, in the operator's language.
QString LoadErrorTitle();
QString LoadErrorText(const QString& valueText);

struct LoadFinding {
  enum class Kind {
    NotInteger,   // fatal: a strict-integer key whose value is not an integer
    Unreadable,   // fatal: the file exists but cannot be read
    UnknownKey,   // ignored line
    RepeatedKey,  // the last occurrence wins
    NotANumber,   // a general number that is not one; the field kept its value
    OutOfRange,   // a number beyond int32, saturated
    Corrected,    // a value the corrections after reading changed
  };
  Kind kind;
  int line = 0;  // 1-based line of the file; 0 when not tied to one
  QString key;
  QString detail;
  bool IsFatal() const { return kind == Kind::NotInteger || kind == Kind::Unreadable; }
};

enum class LoadStatus { Loaded, NoFile, Fatal };

struct LoadOptions {
  MessageBoxes* boxes = nullptr;                            // the fatal error's box; nullptr shows none
  std::function<void(const LoadFinding&)> onFinding;        // every finding, for the settings tool
  std::function<void(const QString& key, int line)> onKey;  // every key read: its written name and line
  std::function<void(Settings&)> refresh;                   // the last step: show the record
  SettingsEncoding* encoding = nullptr;  // receives the file's encoding (code page 932 without a file)
};

// Resets the load defaults, reads `path` when it is an ordinary file, applies the corrections and runs the
// refresh. On a fatal error the fatal box is shown and the load stops at once: the record is left as far
// as it was read, no correction and no refresh runs.
LoadStatus LoadSettings(Settings& settings, const QString& path, const LoadOptions& options = {});

// The corrections after reading, in their order. `changed(key, from, to)` hears of each value changed.
void ApplyLoadCorrections(
    Settings& settings,
    const std::function<void(const QString&, const QString&, const QString&)>& changed = {});

// --- Save -------------------------------------------------------------------------------------------

QString SaveErrorTitle();

// The whole file as written at `when`: code page 932 with CR LF, or UTF-8 with a byte-order mark when a
// value cannot be held in code page 932 or when the file was read as UTF-8 (its editor's encoding stays).
QByteArray SettingsFileBytes(const Settings& settings, const QDateTime& when,
                             SettingsEncoding encoding = SettingsEncoding::Cp932);

struct SaveResult {
  bool ok = false;
  QString error;  // why it failed, for the operator
};

// Writes the file through a temporary file renamed over the old one, so a failed save leaves the old file
// whole. On failure the operator is told through `boxes` (when given) and the record is unchanged.
// `encoding` is the one the file was read in.
SaveResult SaveSettings(const Settings& settings, const QString& path, const Clock& clock,
                        MessageBoxes* boxes = nullptr, SettingsEncoding encoding = SettingsEncoding::Cp932);

}  // namespace quorvin
