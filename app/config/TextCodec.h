#pragma once
// The settings file's text encodings: code page 932 (Shift_JIS with the Windows extensions), or UTF-8
// with a byte-order mark when a value cannot be held in code page 932.

#include <QByteArray>
#include <QString>

#include <optional>

namespace quorvin {

inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

enum class SettingsEncoding {
  Cp932,
  Utf8WithMark,
  Utf8,  // without a byte-order mark, as editors on Linux write it
};
// How the settings tool names it.
QString EncodingName(SettingsEncoding encoding);

// UTF-8 when the bytes start with the byte-order mark (which is dropped), or when they are valid UTF-8 and
// hold anything beyond ASCII; else code page 932. Bytes that are not valid in the encoding become U+FFFD
// rather than ending the text. `read` receives the encoding taken.
QString DecodeSettingsText(const QByteArray& bytes, SettingsEncoding* read = nullptr);

// The text in code page 932, or nothing when a character has no code in it.
std::optional<QByteArray> EncodeCp932(const QString& text);

}  // namespace quorvin
