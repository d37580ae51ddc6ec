#pragma once
// The one table of settings-file keys. Reading, writing, the resets of a load and the settings tool all
// work from it, so a key is described in exactly one place.

#include "Settings.h"

#include <QString>

#include <span>
#include <variant>

namespace quorvin {

// How a value is written.
enum class ValueForm {
  Integer,     // decimal, "-" for negatives
  Decimal,     // shortest text that reads back as the same float
  Hex,         // "&H" + upper-case hexadecimal digits
  Text,        // unchanged
  QuotedText,  // between two double quotes, nothing escaped
};

// How a value is read.
enum class ReadAs {
  StrictInteger,   // optional "-" and digits only; anything else is the fatal load error
  GeneralInteger,  // decimal or "&H" hexadecimal
  Float,
  Text,
  Angle,  // degrees, stored as hundredths and clamped to 0..36000
};

using FieldRef = std::variant<int32_t*, float*, QString*>;
using FieldAccess = FieldRef (*)(Settings&);

struct KeyEntry {
  const char* keyText;  // as written, including " = "
  ValueForm form;
  ReadAs read;
  int blanks;           // fixed count of blanks between the value and the apostrophe
  const char* comment;  // UTF-8; nullptr when the line ends with the apostrophe
  bool resetOnLoad;     // set back to its default at the start of every load
  FieldAccess field;

  QString Name() const;  // the key text without " = "
};

// A name accepted on reading but never written: the older spellings and the read-only keys.
struct ExtraKey {
  const char* name;
  ReadAs read;
  FieldAccess field;
  const char* writtenName;  // the key that is written for the same field, or nullptr
};

// The 112 written keys in file order.
std::span<const KeyEntry> WrittenKeys();
std::span<const ExtraKey> ExtraReadKeys();

// A key as it is matched on reading: lower-case name -> how to read it and where it goes.
struct KeyMatch {
  ReadAs read;
  FieldAccess field;
  QString displayName;  // the written key name, for messages
};
// Looks up a key (already stripped and lower-cased). Returns nullptr for an unrecognised key.
const KeyMatch* FindKey(const QString& lowerName);

// Sets every field whose key resets on load back to its default.
void ResetLoadDefaults(Settings& settings);

}  // namespace quorvin
