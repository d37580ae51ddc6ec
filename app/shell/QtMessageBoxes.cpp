#include "QtMessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdlib>

namespace quorvin {

bool RunningWithoutDisplay() {
  return QGuiApplication::platformName() == QLatin1String("offscreen") ||
         QGuiApplication::platformName() == QLatin1String("minimal");
}

void QtMessageBoxes::Show(MessageIcon icon, const QString& title, const QString& text) {
  WriteMessageToStderr(title, text);
  if (RunningWithoutDisplay()) return;
  QMessageBox box(icon == MessageIcon::Information   ? QMessageBox::Information
                  : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                     : QMessageBox::Critical,
                  title, text, QMessageBox::Ok);
  box.exec();
}

void QtMessageBoxes::Fatal(const QString& title, const QString& text) {
  Show(MessageIcon::Critical, title, text);
  // Nothing may save the settings now: leave without running exit handlers.
  std::_Exit(1);
}

}  // namespace quorvin
