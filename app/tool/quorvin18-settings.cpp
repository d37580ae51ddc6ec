// quorvin18-settings: checks a settings file before a recorder is started with it, writes a file in the
// recorder's own form, and checks the capture control's per-device file. Everything is loaded and
// corrected through the recorder's own code.

#include "DevicesCheck.h"
#include "SettingsCheck.h"
#include "SettingsFile.h"
#include "ToolReport.h"
#include "Translations.h"

#include <QCoreApplication>

using namespace quorvin;
using namespace quorvin::tool;

namespace {

const QString kUsage = QStringLiteral(
    "usage: quorvin18-settings check [--devices] FILE\n"
    "       quorvin18-settings check-devices [FILE]\n"
    "       quorvin18-settings normalise FILE OUT\n"
    "       quorvin18-settings --help | --version\n"
    "\n"
    "check          loads FILE as the recorder does and lists, each with its line: what the load ignores\n"
    "               or corrects, what the recorder corrects when it starts with the file (\"corrected on\n"
    "               start\"), and values it accepts but that make it misbehave (\"warning\"). --devices\n"
    "               lists the video devices here to check DevIndex against them; without it only a\n"
    "               DevIndex no device list can hold is reported. It also says which encoding it read\n"
    "               FILE in (code page 932, or UTF-8 with or without the byte-order mark).\n"
    "               Exit status 0 when the recorder starts with FILE (warnings included), 1 when it\n"
    "               would stop, 2 when FILE does not exist.\n"
    "check-devices  checks the capture control's per-device file (default: $XDG_CONFIG_HOME/korvex/\n"
    "               devices.ini): stored formats and values it would pass over. Exit status 0 when it is\n"
    "               read (warnings included), 1 when it cannot be read, 2 when a named FILE is missing.\n"
    "normalise      loads FILE (a missing FILE gives the defaults) and writes OUT as the recorder saves\n"
    "               its settings.");

int Usage() {
  Print(stderr, kUsage);
  return 2;
}

int Normalise(const QString& file, const QString& out) {
  Settings settings;
  LoadOptions options;
  SettingsEncoding encoding = SettingsEncoding::Cp932;
  options.encoding = &encoding;
  bool fatal = false;
  options.onFinding = [&](const LoadFinding& f) {
    if (!f.IsFatal()) return;
    fatal = true;
    Report(file).Add(f.line, QStringLiteral("error"), f.key, f.detail, true);
  };
  LoadSettings(settings, file, options);
  if (fatal) return 1;
  const SaveResult saved = SaveSettings(settings, out, SystemClock::Instance(), nullptr, encoding);
  if (!saved.ok) {
    Print(stderr, out + QStringLiteral(": cannot write: ") + saved.error);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The recorder's own messages, in the operator's language as the recorder shows them.
  InstallTranslations(QLocale::system());
  const QStringList args = app.arguments().mid(1);
  const QString command = args.value(0);
  if (args.size() == 1 && (command == QLatin1String("--help") || command == QLatin1String("-h"))) {
    Print(stdout, kUsage);
    return 0;
  }
  if (args.size() == 1 && command == QLatin1String("--version")) {
    Print(stdout, QStringLiteral("quorvin18-settings ") + QLatin1String(kVersionText));
    return 0;
  }
  if (command == QLatin1String("check")) {
    CheckOptions options;
    options.listDevices = args.size() == 3 && args[1] == QLatin1String("--devices");
    if (args.size() == 2 || options.listDevices) return CheckSettings(args.last(), options);
  }
  if (command == QLatin1String("check-devices") && args.size() <= 2)
    return CheckDevicesFile(args.size() == 2 ? args[1] : DefaultDevicesFile(), args.size() == 2);
  if (args.size() == 3 && (command == QLatin1String("normalise") || command == QLatin1String("normalize")))
    return Normalise(args[1], args[2]);
  return Usage();
}
