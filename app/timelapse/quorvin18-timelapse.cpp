// quorvin18-timelapse: a film of one day's history images, in the order they were written.

#include "DayImages.h"
#include "FilmEncoder.h"
#include "JpegCheck.h"
#include "SettingsFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdio>

using namespace quorvin;
using namespace quorvin::timelapse;

namespace {

// Exit statuses; a signal ends the program with 128 + its number.
enum Status { kWritten = 0, kFilmFailed = 1, kBadArguments = 2, kFolderUnreadable = 3, kNothingToFilm = 4 };

const char kDescription[] =
    "Makes a film (VP8 in WebM) of the history images in FOLDER and its sub-folders, in the order they\n"
    "were written (their modification times: names hold times in different forms, or none). Thumbnails,\n"
    "files that are not JPEG pictures and cut or broken pictures are left out with a note. Every picture\n"
    "is scaled into one frame size; borders keep its shape. OUT is written whole or not at all.\n"
    "\n"
    "Exit status: 0 the film is written, 1 it could not be made, 2 bad arguments, 3 FOLDER cannot be read,\n"
    "4 FOLDER holds no picture to film, 128 + N ended by signal N.";

std::atomic<int> gStop{0};

void Print(const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

// A bar redrawn in place on a terminal; a line at each tenth otherwise, so a log stays short.
class Progress {
 public:
  explicit Progress(int total) : total_(total), terminal_(isatty(STDERR_FILENO) == 1) {}

  void Note(const QString& text) {
    Print((drawn_ ? QStringLiteral("\r\x1b[K") : QString()) + text + u'\n');
    if (drawn_) Draw();
  }
  void Update(int done) {
    done_ = done;
    if (terminal_) return Draw();
    const int tenth = total_ > 0 ? done * 10 / total_ : 10;
    if (tenth == lastTenth_) return;
    lastTenth_ = tenth;
    Print(QStringLiteral("%1/%2 images (%3%)\n").arg(done).arg(total_).arg(Percent()));
  }
  void End() {
    if (drawn_) Print(QStringLiteral("\n"));
    drawn_ = false;
  }

 private:
  int Percent() const { return total_ > 0 ? done_ * 100 / total_ : 100; }
  void Draw() {
    constexpr int kWidth = 30;
    const int filled = total_ > 0 ? done_ * kWidth / total_ : kWidth;
    Print(QStringLiteral("\r[%1%2] %3% %4/%5 images")
              .arg(QString(filled, u'#'), QString(kWidth - filled, u'-'))
              .arg(Percent(), 3)
              .arg(done_)
              .arg(total_));
    drawn_ = true;
  }

  int total_;
  bool terminal_;
  int done_ = 0;
  int lastTenth_ = -1;
  bool drawn_ = false;
};

void OnSignal(int signal) {
  gStop.store(signal);
}

void HandleSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
  // A write past a file size limit fails with an error the film reports, instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

struct Arguments {
  QString folder, out;
  FilmFormat format;  // an empty size: the first picture's
  DayImageRules rules;
};

int Usage(const QString& problem) {
  Print(QStringLiteral("quorvin18-timelapse: ") + problem +
        QStringLiteral("\nusage: quorvin18-timelapse FOLDER OUT [--fps N] [--size WxH] [--settings FILE] "
                       "[--day YYYY-MM-DD]\n       quorvin18-timelapse --help\n"));
  return kBadArguments;
}

// The thumbnails' name ending and the live images from the recorder's settings file.
bool ReadSettings(const QString& file, DayImageRules& rules, QString* problem) {
  if (!QFileInfo(file).isFile()) {
    *problem = file + QStringLiteral(": no such settings file");
    return false;
  }
  Settings settings;
  LoadOptions options;
  options.onFinding = [&](const LoadFinding& f) {
    if (f.IsFatal())
      *problem = file + QStringLiteral(": cannot be read as settings: ") + f.key + u' ' + f.detail;
  };
  if (LoadSettings(settings, file, options) == LoadStatus::Fatal) return false;
  const QString foot = settings.HiFileFoot[0] + settings.HiFileFoot[1];
  rules.thumbnailEnding = settings.HiFileFoot[1].isEmpty() ? QString() : foot + QStringLiteral(".jpg");
  QString live = settings.NetworkPath;
  if (!live.isEmpty() && !live.endsWith(u'/')) live += u'/';
  for (const QString& name : settings.LiFiName)
    rules.excluded << QDir::cleanPath(QDir(live).absoluteFilePath(name));
  return true;
}

std::optional<int> ParseArguments(const QCoreApplication& app, Arguments& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromLatin1(kDescription));
  parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("a day's history folder"));
  parser.addPositionalArgument(QStringLiteral("OUT"),
                               QStringLiteral("the film to write, e.g. 20240131.webm"));
  const QCommandLineOption fps(QStringLiteral("fps"), QStringLiteral("frames per second, 1 to 120 (25)"),
                               QStringLiteral("N"), QStringLiteral("25"));
  const QCommandLineOption size(QStringLiteral("size"),
                                QStringLiteral("frame size, 16x16 to 8192x8192 (the first picture's)"),
                                QStringLiteral("WxH"));
  const QCommandLineOption settings(
      QStringLiteral("settings"),
      QStringLiteral("the recorder's settings file: thumbnails are the names ending in HiFileFoot(0) + "
                     "HiFileFoot(1) + \".jpg\", and the live images are left out (without it: names "
                     "ending \"_.jpg\")"),
      QStringLiteral("FILE"));
  const QCommandLineOption day(
      QStringLiteral("day"),
      QStringLiteral("only pictures last written on this day, for folders that hold several days"),
      QStringLiteral("YYYY-MM-DD"));
  parser.addOptions({fps, size, settings, day});
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();

  if (!parser.parse(app.arguments())) return Usage(parser.errorText());
  if (parser.isSet(help)) {
    std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
    return kWritten;
  }
  if (parser.isSet(version)) {
    std::printf("quorvin18-timelapse %s\n", kVersionText);
    return kWritten;
  }
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 2) return Usage(QStringLiteral("expected FOLDER and OUT"));
  args.folder = positional[0];
  args.out = positional[1];

  bool ok = false;
  args.format.fps = parser.value(fps).toInt(&ok);
  if (!ok || args.format.fps < 1 || args.format.fps > 120)
    return Usage(QStringLiteral("--fps: \"%1\" is not a whole number from 1 to 120").arg(parser.value(fps)));
  if (parser.isSet(size)) {
    const auto match =
        QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(parser.value(size));
    const QSize wanted =
        match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
    if (wanted.width() < 16 || wanted.height() < 16 || wanted.width() > 8192 || wanted.height() > 8192)
      return Usage(
          QStringLiteral("--size: \"%1\" is not WxH from 16x16 to 8192x8192").arg(parser.value(size)));
    args.format.size = wanted;
  }
  if (parser.isSet(day)) {
    args.rules.day = QDate::fromString(parser.value(day), Qt::ISODate);
    if (!args.rules.day->isValid())
      return Usage(QStringLiteral("--day: \"%1\" is not a date YYYY-MM-DD").arg(parser.value(day)));
  }
  QString problem;
  if (parser.isSet(settings) && !ReadSettings(parser.value(settings), args.rules, &problem))
    return Usage(problem);
  if (QFileInfo(args.out).isDir()) return Usage(args.out + QStringLiteral(": a folder, not a film"));
  return std::nullopt;
}

int Interrupted() {
  Print(QStringLiteral("quorvin18-timelapse: stopped by signal %1; nothing written\n").arg(gStop.load()));
  return 128 + gStop.load();
}

int MakeFilm(const Arguments& args) {
  DayImageList list;
  QString error;
  if (!ListDayImages(args.folder, args.rules, list, &error)) {
    Print(QStringLiteral("quorvin18-timelapse: %1: cannot read the folder: %2\n").arg(args.folder, error));
    return kFolderUnreadable;
  }
  const int total = static_cast<int>(list.images.size());
  Progress progress(total);
  for (const QString& note : list.notes) progress.Note(note);

  FilmEncoder encoder(gStop);
  FilmFormat format = args.format;
  for (int i = 0; i < total && !gStop.load(); ++i) {
    const QString& path = list.images[static_cast<size_t>(i)].path;
    QFile file(path);
    QByteArray bytes;
    JpegCheck check;
    if (!file.open(QIODevice::ReadOnly)) {
      check.problem = file.errorString();
    } else {
      bytes = file.readAll();
      check = CheckJpeg(bytes);
      if (!check.ok) check.problem = QStringLiteral("not a whole JPEG picture: ") + check.problem;
    }
    if (!check.ok) {
      progress.Note(path + QStringLiteral(": ") + check.problem + QStringLiteral(", left out"));
    } else {
      if (format.size.isEmpty()) format.size = check.size;
      if ((encoder.Frames() == 0 && !encoder.Start(args.out, format)) || !encoder.Push(bytes)) break;
    }
    progress.Update(i + 1);
  }
  if (encoder.Frames() > 0 && encoder.Error().isEmpty() && !gStop.load()) encoder.Finish();
  progress.End();
  if (gStop.load()) return Interrupted();
  if (!encoder.Error().isEmpty()) {
    Print(QStringLiteral("quorvin18-timelapse: %1: %2; nothing written\n").arg(args.out, encoder.Error()));
    return kFilmFailed;
  }
  if (encoder.Frames() == 0) {
    Print(QStringLiteral("quorvin18-timelapse: %1: no picture to film; nothing written\n").arg(args.folder));
    return kNothingToFilm;
  }
  std::printf("%s: %d frames, %dx%d, %d fps, %.2f s\n", QFile::encodeName(args.out).constData(),
              encoder.Frames(), format.size.width(), format.size.height(), format.fps,
              static_cast<double>(encoder.Frames()) / format.fps);
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  HandleSignals();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("quorvin18-timelapse"));
  QCoreApplication::setApplicationVersion(QLatin1String(kVersionText));
  Arguments args;
  if (const std::optional<int> status = ParseArguments(app, args)) return *status;
  return MakeFilm(args);
}
