#include "CommandLine.h"

#include "WebAccess.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvin {
namespace {

// One row per option: the parser and the help text are both made from this table.
struct OptionRow {
  QStringList names;
  const char* valueName;  // nullptr: takes no value
  const char* help;
};

const OptionRow kOptions[] = {
    {{"h", "help"}, nullptr, QT_TRANSLATE_NOOP("quorvin", "show this help and exit")},
    {{"v", "version"},
     nullptr,
     QT_TRANSLATE_NOOP("quorvin", "show the version and the versions of the libraries in use, and exit")},
    {{"c", "config"},
     "FILE",
     QT_TRANSLATE_NOOP("quorvin",
                       "use FILE as the settings file; a second recorder on the same FILE is refused")},
    {{"list-devices"},
     nullptr,
     QT_TRANSLATE_NOOP(
         "quorvin",
         "list the video devices (as DevIndex counts) and the scanner sources (as DevIndexTwain\n"
         "counts) with their formats, and exit")},
    {{"once"},
     nullptr,
     QT_TRANSLATE_NOOP(
         "quorvin",
         "start, capture once (live, and history when its outputs are on), save no settings and\n"
         "exit: 0 when every output was written, 2 when any failed")},
    {{"http"},
     "[ADDRESS:]PORT",
     QT_TRANSLATE_NOOP("quorvin",
                       "serve the read-only web view on PORT of ADDRESS (127.0.0.1 when none is given;\n"
                       "port 0 takes a free one); any other address than a loopback one needs\n"
                       "--http-passwords")},
    {{"http-passwords"},
     "FILE",
     QT_TRANSLATE_NOOP("quorvin",
                       "the web view asks for a user and password, from FILE: one USER:PASSWORD a line,\n"
                       "readable by its owner only")},
    {{"timelapse-daily"},
     nullptr,
     QT_TRANSLATE_NOOP("quorvin",
                       "after midnight make the previous day's time-lapse film in the background, as\n"
                       "HISTORY_FOLDER/timelapse/YYYYMMDD.webm (quorvin18-timelapse beside the program)")},
};

const char kSuffixHelp[] =
    QT_TRANSLATE_NOOP("quorvin",
                      "use the settings file quorvin18SUFFIX.ini instead of quorvin18.ini and run beside\n"
                      "other recorders (no single-instance check); no \"/\", blank or leading \"-\"");

const char kUsageEnd[] = QT_TRANSLATE_NOOP(
    "quorvin",
    "The settings file is the first of:\n"
    "  1. FILE of --config;\n"
    "  2. run from its build tree (the program's folder holds \"quorvin-build-tree\"):\n"
    "     quorvin18SUFFIX.ini in the program's folder;\n"
    "  3. installed: $XDG_CONFIG_HOME/quorvin/quorvin18SUFFIX.ini (default ~/.config/quorvin/), for root "
    "too.\n"
    "     A missing one is made from quorvin18SUFFIX.ini beside the program when there is one (that file is\n"
    "     left as it was and never read again), else from the installed example, with the images under the\n"
    "     pictures folder (~/Pictures/Quorvin).\n"
    "The recorder names the settings file it uses on standard error when it starts.\n"
    "\n"
    "Exit status: 0 ended normally; 1 a malformed settings file, or another recorder runs on it;\n"
    "2 a bad command line, --once with an output that was not written, or a web view that cannot\n"
    "start (its port in use, its password file unreadable or readable by others).\n");

QString Tr(const char* text) {
  return QCoreApplication::translate("quorvin", text);
}

// "  -c, --config FILE    text", continuation lines indented under the text.
QString HelpRow(const QString& left, const QString& text) {
  constexpr int kColumn = 24;
  const QString indent(kColumn, QLatin1Char(' '));
  QString row = QStringLiteral("  ") + left;
  // A long option with its value gets its text on the next line.
  row += row.size() < kColumn ? QString(kColumn - row.size(), QLatin1Char(' ')) : QLatin1Char('\n') + indent;
  return row + QString(text).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent) + QLatin1Char('\n');
}

QString SuffixProblem(const QString& suffix) {
  if (suffix.contains(QLatin1Char('/'))) return Tr("a suffix may not hold \"/\"");
  for (const QChar c : suffix)
    if (c.isSpace()) return Tr("a suffix may not hold a blank");
  if (suffix.startsWith(QLatin1Char('-'))) return Tr("a suffix may not begin with \"-\"");
  return {};
}

CommandLine Refused(const QString& why) {
  CommandLine c;
  c.action = CommandLine::Action::Error;
  c.error = why;
  return c;
}

}  // namespace

CommandLine CommandLine::Parse(const QStringList& arguments) {
  QCommandLineParser parser;
  // "-platform" is one unknown option, not eight unknown letters.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const OptionRow& row : kOptions) {
    QCommandLineOption option(row.names, Tr(row.help));
    if (row.valueName) option.setValueName(QLatin1String(row.valueName));
    parser.addOption(option);
  }
  parser.addPositionalArgument(QStringLiteral("SUFFIX"), Tr(kSuffixHelp), QStringLiteral("[SUFFIX]"));
  if (!parser.parse(QStringList{QStringLiteral("quorvin18")} + arguments)) return Refused(parser.errorText());

  CommandLine c;
  if (parser.isSet(QStringLiteral("help"))) {
    c.action = Action::Help;
    return c;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    c.action = Action::Version;
    return c;
  }
  if (parser.isSet(QStringLiteral("list-devices"))) {
    c.action = Action::ListDevices;
    return c;
  }
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 1) return Refused(Tr("one suffix at most, not %1").arg(positional.size()));
  c.suffix = positional.value(0);
  if (const QString why = SuffixProblem(c.suffix); !why.isEmpty()) return Refused(why);
  const QStringList configs = parser.values(QStringLiteral("config"));
  if (configs.size() > 1) return Refused(Tr("--config given more than once"));
  c.configFile = configs.value(0);
  if (configs.size() == 1 && c.configFile.isEmpty()) return Refused(Tr("--config needs a file name"));
  if (!c.configFile.isEmpty() && !c.suffix.isEmpty())
    return Refused(Tr("a suffix and --config both name the settings file: give one of them"));
  c.once = parser.isSet(QStringLiteral("once"));
  c.timelapseDaily = parser.isSet(QStringLiteral("timelapse-daily"));
  for (const char* name : {"http", "http-passwords"})
    if (parser.values(QLatin1String(name)).size() > 1)
      return Refused(Tr("--%1 given more than once").arg(name));
  c.http = parser.value(QStringLiteral("http"));
  c.httpPasswords = parser.value(QStringLiteral("http-passwords"));
  if (parser.isSet(QStringLiteral("http"))) {
    ListenAddress address;
    QString why;
    if (!ParseListenAddress(c.http, address, &why)) return Refused(why);
    // Beyond this machine nobody may look in without a password.
    if (!address.IsLoopback() && c.httpPasswords.isEmpty())
      return Refused(
          Tr("--http %1 can be reached from other machines: give --http-passwords FILE too").arg(c.http));
  } else if (!c.httpPasswords.isEmpty()) {
    return Refused(Tr("--http-passwords needs --http"));
  }
  return c;
}

QString CommandLine::Usage(const QString& placesNote) {
  QString text =
      Tr("Usage: quorvin18 [OPTION]... [SUFFIX]\n"
         "Records still images from a camera unattended, as its settings file says: live images\n"
         "overwritten at fixed names, history images in dated folders.\n\n");
  for (const OptionRow& row : kOptions) {
    QString left = row.names.size() == 2 ? QStringLiteral("-%1, --%2").arg(row.names[0], row.names[1])
                                         : QStringLiteral("    --") + row.names[0];
    if (row.valueName) left += QLatin1Char(' ') + QLatin1String(row.valueName);
    text += HelpRow(left, Tr(row.help));
  }
  text += HelpRow(QStringLiteral("SUFFIX"), Tr(kSuffixHelp));
  text += QLatin1Char('\n') + Tr(kUsageEnd);
  if (!placesNote.isEmpty()) text += QLatin1Char('\n') + placesNote + QLatin1Char('\n');
  return text;
}

}  // namespace quorvin
