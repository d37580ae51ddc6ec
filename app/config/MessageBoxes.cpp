#include "MessageBoxes.h"

#include <cstdio>

namespace quorvin {

void WriteMessageToStderr(const QString& title, const QString& text) {
  const QByteArray line = (title + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8();
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
  std::fflush(stderr);
}

void ConsoleMessageBoxes::Show(MessageIcon, const QString& title, const QString& text) {
  WriteMessageToStderr(title, text);
}

}  // namespace quorvin
