// quorvin18-timelapse run as the operator runs it, on folders of real JPEG files written by the recorder's
// own JPEG writer: the film's order, frames, size and length read back, odd files among the pictures, the
// options and the terminal's bar, every error with its status, and no partial film after a failure or a
// signal.

#include "FilmProbe.h"
#include "ImageFiles.h"
#include "SettingsFile.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

using namespace quorvin;
using namespace quorvin::test;

namespace {

struct ToolRun {
  int status;
  QString out, err;
};

QByteArray Picture(QSize size, int grey, int bits = 24) {
  const cv::Mat pixels(size.height(), size.width(), CV_8UC4, cv::Scalar(grey, grey, grey, 255));
  return imaging::EncodeJpeg(pixels, bits, 25);
}

QByteArray NoisyPicture(QSize size, int seed) {
  cv::Mat pixels(size.height(), size.width(), CV_8UC4);
  cv::RNG(static_cast<uint64_t>(seed)).fill(pixels, cv::RNG::UNIFORM, 0, 256);
  return imaging::EncodeJpeg(pixels, 24, 25);
}

// The file's modification time, as the recorder's write would have left it.
void SetWritten(const QString& path, const QDateTime& when) {
  const timespec t{static_cast<time_t>(when.toSecsSinceEpoch()), 0};
  const timespec times[2] = {t, t};
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0) << path.toStdString();
}

class TimelapseTool : public ::testing::Test {
 protected:
  TimelapseTool() {
    QDir().mkpath(day_);
    QDir().mkpath(films_);
  }

  // Writes `bytes` below the day folder as if written `minute` minutes after noon.
  QString Put(const QString& name, const QByteArray& bytes, int minute) {
    const QString path = day_ + name;
    QDir().mkpath(QFileInfo(path).path());
    WriteAll(path, bytes);
    SetWritten(path, kNoon.addSecs(minute * 60));
    return path;
  }

  ToolRun Run(const QStringList& args, const std::function<void()>& inChild = {},
              const QString& program = kTool) {
    QProcess p;
    if (inChild) p.setChildProcessModifier(inChild);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
  }

  // Pictures whose names do not sort in the order they were written (the name head changed at 12:05),
  // in hour folders, of other shapes and kinds, and odd files between them.
  void WriteDay() {
    Put(QStringLiteral("12h/b1200.jpg"), Picture({64, 48}, 30), 0);
    Put(QStringLiteral("12h/a1210.jpg"), Picture({64, 48}, 60), 10);
    Put(QStringLiteral("13h/a1300.jpg"), Picture({64, 48}, 90), 60);
    Put(QStringLiteral("13h/a1310.jpg"), Picture({96, 24}, 120), 70);     // wider: borders above and below
    Put(QStringLiteral("13h/a1320.jpg"), Picture({32, 24}, 150, 8), 80);  // greyscale (op3(11) = 1)
    Put(QStringLiteral("13h/a1300_.jpg"), Picture({16, 12}, 250), 60);    // its thumbnail
    Put(QStringLiteral("notes.txt"), "not a picture", 20);
    Put(QStringLiteral("13h/a1330.jpg"), "<html>not a picture</html>", 90);
    const QByteArray whole = NoisyPicture({64, 48}, 1);
    Put(QStringLiteral("13h/a1340.jpg"), whole.left(whole.size() / 2), 100);  // cut short
    Put(QStringLiteral("13h/.a1350.jpg.Xy12Zq"), whole, 110);                 // still being written
  }

  static inline const QString kTool = QStringLiteral(QUORVIN_TIMELAPSE_TOOL);
  static inline const QDateTime kNoon{QDate(2024, 3, 5), QTime(12, 0)};
  QTemporaryDir dir_;
  const QString day_ = dir_.filePath(QStringLiteral("d20240305/"));
  const QString films_ = dir_.filePath(QStringLiteral("films/"));
  const QString film_ = films_ + QStringLiteral("20240305.webm");
};

TEST_F(TimelapseTool, FilmsTheDayInTheOrderItWasWrittenLeavingOutOddFiles) {
  WriteDay();
  const ToolRun run = Run({day_, film_, QStringLiteral("--fps"), QStringLiteral("5")});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, film_ + QStringLiteral(": 5 frames, 64x48, 5 fps, 1.00 s\n"));
  for (const char* note :
       {"notes.txt: not a .jpg file, left out", "1 thumbnail (names ending \"_.jpg\") left out",
        "a1330.jpg: not a whole JPEG picture: Not a JPEG file",
        "a1340.jpg: not a whole JPEG picture: Premature end of JPEG file", "7/7 images (100%)"})
    EXPECT_TRUE(run.err.contains(QLatin1String(note))) << note << "\n" << run.err.toStdString();
  EXPECT_FALSE(run.err.contains(u'\r'));  // no bar into a log

  const Film film = ProbeFilm(film_);
  ASSERT_TRUE(film.problem.isEmpty()) << film.problem.toStdString();
  EXPECT_EQ(film.container, QStringLiteral("WebM"));
  EXPECT_EQ(film.codec, QStringLiteral("VP8"));
  EXPECT_EQ(film.size, QSize(64, 48));  // the first picture's
  EXPECT_EQ(film.frameRate, QStringLiteral("5/1"));
  EXPECT_NEAR(film.seconds, 1.0, 0.001);
  const std::vector<int> written{30, 60, 90, 120, 150};
  ASSERT_EQ(film.centres.size(), written.size());
  for (size_t i = 0; i < written.size(); ++i) EXPECT_NEAR(film.centres[i], written[i], 8) << "frame " << i;
  EXPECT_EQ(FilesBelow(films_), QStringList{film_});
}

TEST_F(TimelapseTool, SizeRateSettingsDayAndTheTerminalsBar) {
  WriteDay();
  // The recorder's settings: thumbnails end "t.jpg", a live image shares the folder.
  Settings settings;
  settings.HiFileFoot = {QString(), QStringLiteral("t")};
  settings.NetworkPath = day_ + QStringLiteral("13h");
  settings.LiFiName[0] = QStringLiteral("now.jpg");
  const QString ini = dir_.filePath(QStringLiteral("quorvin18.ini"));
  ASSERT_TRUE(SaveSettings(settings, ini, SystemClock::Instance()).ok);
  Put(QStringLiteral("13h/a1320t.jpg"), Picture({16, 12}, 250), 80);
  Put(QStringLiteral("13h/now.jpg"), Picture({64, 48}, 250), 85);
  // Written the day before: left out with --day.
  Put(QStringLiteral("12h/a1150.jpg"), Picture({64, 48}, 250), -24 * 60);

  // A pseudo-terminal on standard error, as an operator's shell has.
  const QString command = QStringLiteral("%1 %2 %3 --size 40x30 --fps 10 --settings %4 --day 2024-03-05")
                              .arg(kTool, day_, film_, ini);
  const ToolRun run =
      Run({QStringLiteral("-qec"), command, QStringLiteral("/dev/null")}, {}, QStringLiteral("script"));
  ASSERT_EQ(run.status, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("\r[##############################] 100% 8/8 images")))
      << run.out.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("now.jpg: a live image, left out")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("1 thumbnail (names ending \"t.jpg\") left out")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("1 picture written on another day than 2024-03-05 left out")));
  const Film film = ProbeFilm(film_);
  EXPECT_EQ(film.size, QSize(40, 30));
  EXPECT_EQ(film.frameRate, QStringLiteral("10/1"));
  EXPECT_NEAR(film.seconds, 0.6, 0.001);  // the five pictures and "a1300_.jpg", a picture for these settings
  EXPECT_EQ(film.centres.size(), 6u);
}

TEST_F(TimelapseTool, EachErrorHasItsStatusAndWritesNothing) {
  QDir().mkpath(dir_.filePath(QStringLiteral("empty")));
  QDir().mkpath(dir_.filePath(QStringLiteral("odd")));
  WriteAll(dir_.filePath(QStringLiteral("odd/notes.txt")), "text");
  WriteAll(dir_.filePath(QStringLiteral("odd/cut.jpg")), Picture({64, 48}, 90).left(300));
  Put(QStringLiteral("1200.jpg"), Picture({64, 48}, 90), 0);
  const QString d = dir_.path() + u'/';
  struct Case {
    QStringList args;
    int status;
    const char* says;
  } const cases[] = {
      {{}, 2, "expected FOLDER and OUT"},
      {{day_}, 2, "expected FOLDER and OUT"},
      {{day_, film_, "--fps", "0"}, 2, "--fps: \"0\" is not a whole number from 1 to 120"},
      {{day_, film_, "--fps", "x"}, 2, "--fps: \"x\""},
      {{day_, film_, "--size", "8x8"}, 2, "--size: \"8x8\" is not WxH from 16x16 to 8192x8192"},
      {{day_, film_, "--size", "640"}, 2, "--size: \"640\""},
      {{day_, film_, "--day", "2024-02-30"}, 2, "--day: \"2024-02-30\" is not a date"},
      {{day_, film_, "--settings", d + "none.ini"}, 2, "none.ini: no such settings file"},
      {{day_, film_, "--speed", "2"}, 2, "Unknown option 'speed'"},
      {{day_, films_}, 2, "a folder, not a film"},
      {{d + "missing", film_}, 3, "missing: cannot read the folder: No such file or directory"},
      {{day_ + "1200.jpg", film_}, 3, "cannot read the folder: not a folder"},
      {{d + "empty", film_}, 4, "empty: no picture to film; nothing written"},
      {{d + "odd", film_}, 4, "odd: no picture to film; nothing written"},
      {{day_, d + "gone/film.webm"},
       1,
       "gone/film.webm: cannot write: No such file or directory; nothing written"},
  };
  for (const Case& c : cases) {
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << c.args.join(u' ').toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << c.says << "\n" << run.err.toStdString();
  }
  // A folder the tool may not read. Root reads every folder: without the two capabilities that let it,
  // it meets the folder's permissions like anyone.
  const QString locked = d + QStringLiteral("locked");
  QDir().mkpath(locked);
  ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0), 0);
  const ToolRun run =
      geteuid() == 0
          ? Run({QStringLiteral("--bounding-set=-dac_override,-dac_read_search"), kTool, locked, film_}, {},
                QStringLiteral("setpriv"))
          : Run({locked, film_});
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(run.err.contains(QStringLiteral("locked: cannot read the folder: Permission denied")));
  chmod(QFile::encodeName(locked).constData(), 0700);
  EXPECT_TRUE(FilesBelow(films_).isEmpty());
}

TEST_F(TimelapseTool, AFailureOrASignalMidFilmLeavesTheOlderFilmWhole) {
  // Noise, which costs the encoder as much as a real scene, in frames that all differ.
  for (int i = 0; i < 12; ++i)
    Put(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')), NoisyPicture({320, 240}, i), i);
  WriteAll(film_, "the film of an earlier run");

  // The disk fills up while the film is written.
  const ToolRun full = Run({day_, film_}, [] {
    const rlimit limit{4096, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(full.status, 1);
  EXPECT_TRUE(full.err.contains(QStringLiteral("; nothing written"))) << full.err.toStdString();
  EXPECT_EQ(ReadAll(film_), QByteArray("the film of an earlier run"));
  EXPECT_EQ(FilesBelow(films_), QStringList{film_});

  // Ctrl-C once the film is under way; many frames, so the signal comes long before its end.
  for (int i = 12; i < 600; ++i) {
    const QString name = day_ + QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
    const QString same = day_ + QStringLiteral("p%1.jpg").arg(i % 12, 3, 10, QLatin1Char('0'));
    ASSERT_EQ(link(QFile::encodeName(same).constData(), QFile::encodeName(name).constData()), 0);
  }
  QProcess p;
  p.setReadChannel(QProcess::StandardError);
  p.start(QStringLiteral(QUORVIN_TIMELAPSE_TOOL), {day_, film_});
  QByteArray err;
  while (!err.contains("/600 images") && p.waitForReadyRead(60000)) err += p.readAllStandardError();
  ASSERT_TRUE(err.contains("1/600 images")) << err.toStdString();
  kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(60000));
  err += p.readAllStandardError();
  EXPECT_EQ(p.exitCode(), 128 + SIGINT) << err.toStdString();
  EXPECT_TRUE(err.contains("stopped by signal 2; nothing written")) << err.toStdString();
  EXPECT_EQ(ReadAll(film_), QByteArray("the film of an earlier run"));
  EXPECT_EQ(FilesBelow(films_), QStringList{film_});
}

}  // namespace
