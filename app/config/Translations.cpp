#include "Translations.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace quorvin {

bool InstallTranslations(const QLocale& locale) {
  static std::unique_ptr<QTranslator> installed;
  if (installed) QCoreApplication::removeTranslator(installed.get());
  installed = std::make_unique<QTranslator>();
  // Tries the locale's languages in turn: ja_JP, then ja.
  if (!installed->load(locale, QStringLiteral("quorvin"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
    installed.reset();
    return false;
  }
  return QCoreApplication::installTranslator(installed.get());
}

}  // namespace quorvin
