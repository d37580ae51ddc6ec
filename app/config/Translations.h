#pragma once
// The recorder's messages in the operator's language: Qt translation files built into the program. The
// source texts are English; a Japanese system gets the Japanese texts.

#include <QLocale>

namespace quorvin {

// Replaces the installed translation with the one for `locale` (QLocale::system() in the programs); a
// language without one (English, C) leaves the English texts. True when one was installed.
bool InstallTranslations(const QLocale& locale);

}  // namespace quorvin
