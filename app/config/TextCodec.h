#pragma once
// The settings file's text encodings: code page 932 (Shift_JIS with the Windows extensions), or UTF-8
// with a byte-order mark when a value cannot be held in code page 932.

#include <QByteArray>
#include <QString>

#include <optional>

namespace quorvin {

inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// UTF-8 when the bytes start with the byte-order mark (which is dropped), else code page 932. Bytes that
// are not valid in the encoding become U+FFFD rather than ending the text.
QString DecodeSettingsText(const QByteArray& bytes);

// The text in code page 932, or nothing when a character has no code in it.
std::optional<QByteArray> EncodeCp932(const QString& text);

}  // namespace quorvin
