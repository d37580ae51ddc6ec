#include "QtMessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>

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

}  // namespace quorvin
