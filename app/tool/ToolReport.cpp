#include "ToolReport.h"

namespace quorvin::tool {

void Print(FILE* stream, const QString& text) {
  const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

void Report::Add(int line, const QString& kind, const QString& key, const QString& detail, bool fatal) {
  fatal_ = fatal_ || fatal;
  QString text = file_;
  if (line > 0) text += QLatin1Char(':') + QString::number(line);
  text += QStringLiteral(": ") + kind;
  if (!key.isEmpty()) text += QStringLiteral(": ") + key;
  if (!detail.isEmpty()) text += QStringLiteral(": ") + detail;
  Print(fatal ? stderr : stdout, text);
}

}  // namespace quorvin::tool
