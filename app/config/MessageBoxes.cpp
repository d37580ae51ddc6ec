#include "MessageBoxes.h"

#include <cstdio>
#include <cstdlib>

namespace quorvin {

void WriteMessageToStderr(const QString& title, const QString& text) {
  const QByteArray line = (title + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8();
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
  std::fflush(stderr);
}

void ConsoleMessageBoxes::Show(MessageIcon, const QString& title, const QString& text) {
  WriteMessageToStderr(title, text);
}

void ConsoleMessageBoxes::Fatal(const QString& title, const QString& text) {
  WriteMessageToStderr(title, text);
  // _Exit, not exit: nothing registered to run at exit may save the settings now.
  std::_Exit(1);
}

}  // namespace quorvin
