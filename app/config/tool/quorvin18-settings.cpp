// quorvin18-settings: checks a settings file before a recorder is started with it, and writes a file in
// the recorder's own form. Both load exactly as the recorder does.

#include "SettingsFile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace quorvin;

namespace {

void Print(FILE* stream, const QString& text) {
  const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

int Usage() {
  Print(stderr,
        QStringLiteral("usage: quorvin18-settings check FILE\n"
                       "       quorvin18-settings normalise FILE OUT\n\n"
                       "check      loads FILE as the recorder would and lists what it finds; exit status 0\n"
                       "           when the recorder would start with it, 1 when it would stop.\n"
                       "normalise  loads FILE (a missing FILE gives the defaults) and writes OUT as the\n"
                       "           recorder saves its settings."));
  return 2;
}

QString KindText(LoadFinding::Kind kind) {
  switch (kind) {
    case LoadFinding::Kind::NotInteger:
      return QStringLiteral("error");
    case LoadFinding::Kind::Unreadable:
      return QStringLiteral("error");
    case LoadFinding::Kind::UnknownKey:
      return QStringLiteral("unrecognised key, ignored");
    case LoadFinding::Kind::RepeatedKey:
      return QStringLiteral("repeated key");
    case LoadFinding::Kind::NotANumber:
      return QStringLiteral("not a number");
    case LoadFinding::Kind::OutOfRange:
      return QStringLiteral("out of range");
    case LoadFinding::Kind::Corrected:
      return QStringLiteral("corrected on loading");
  }
  return {};
}

// Loads like the recorder, reporting every finding; false when the recorder would stop.
bool Load(const QString& file, Settings& settings, bool report) {
  bool fatal = false;
  LoadOptions options;
  options.onFinding = [&](const LoadFinding& f) {
    fatal = fatal || f.IsFatal();
    if (!report && !f.IsFatal()) return;
    QString where = file;
    if (f.line > 0) where += QLatin1Char(':') + QString::number(f.line);
    QString text = where + QStringLiteral(": ") + KindText(f.kind);
    if (f.kind != LoadFinding::Kind::Unreadable) text += QStringLiteral(": ") + f.key;
    if (!f.detail.isEmpty()) text += QStringLiteral(": ") + f.detail;
    Print(f.IsFatal() ? stderr : stdout, text);
  };
  LoadSettings(settings, file, options);
  return !fatal;
}

int Check(const QString& file) {
  if (!QFileInfo(file).isFile()) {
    Print(stderr, file + QStringLiteral(": no such file (the recorder would start on its defaults)"));
    return 2;
  }
  Settings settings;
  if (!Load(file, settings, true)) {
    Print(stderr, file + QStringLiteral(": the recorder would stop with this file"));
    return 1;
  }
  Print(stdout, file + QStringLiteral(": the recorder would start with this file"));
  return 0;
}

int Normalise(const QString& file, const QString& out) {
  Settings settings;
  if (!Load(file, settings, false)) return 1;
  const SaveResult saved = SaveSettings(settings, out, SystemClock::Instance());
  if (!saved.ok) {
    Print(stderr, out + QStringLiteral(": cannot write: ") + saved.error);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() == 2 && args[0] == QLatin1String("check")) return Check(args[1]);
  if (args.size() == 3 && (args[0] == QLatin1String("normalise") || args[0] == QLatin1String("normalize")))
    return Normalise(args[1], args[2]);
  return Usage();
}
