// The recorder's film of the day before: history written by the capture engine from the test-pattern
// device through a simulated evening, the date changing at midnight, the tool run in the background and
// its film read back.

#include "DailyTimelapse.h"
#include "EngineFixture.h"
#include "FilmProbe.h"
#include "Naming.h"

#include <QSignalSpy>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <csignal>

using namespace quorvin;
using namespace quorvin::test;

namespace {

using Outcome = DailyTimelapse::Outcome;

ino_t Inode(const QString& path) {
  struct stat st {};
  return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

class DailyFilm : public EngineFixture {
 protected:
  void Layout(int folder1, int folder2, int fileTime) {
    settings_.ch1[Switch::HistoryImage] = settings_.ch1[Switch::HistoryThumbnail] = 1;
    settings_.op2[Format::FolderDate1] = folder1;
    settings_.op2[Format::FolderDate2] = folder2;
    settings_.op2[Format::FileTime] = fileTime;
    DeriveNameFormats(settings_, naming_);
  }
  // A history capture as the scheduler makes it; its files carry that moment as their time.
  void CaptureAt(int day, int h, int m, int s) {
    clock_.Set(1999, 6, day, h, m, s);
    BuildHistoryNames(settings_, naming_, clock_);
    engine_->SaveHistoryImages();
    const timespec t{static_cast<time_t>(clock_.Now().toSecsSinceEpoch()), 0};
    const timespec times[2] = {t, t};
    for (int i : {0, 1})
      utimensat(AT_FDCWD, QFile::encodeName(engine_->HistoryFile(i)).constData(), times, 0);
  }
  // Waits for the film under way (the test's own event loop, as the recorder's) and gives its outcome.
  Outcome Await(QSignalSpy& spy) {
    EXPECT_TRUE(spy.wait(120000));
    return spy.isEmpty() ? Outcome::Failed : spy.takeFirst().at(1).value<Outcome>();
  }
  QString FilmOf(int day) const { return FilmPath(settings_, QDate(1999, 6, day)); }
};

TEST_F(DailyFilm, TheDayFolderFollowsTheNamingAndSaysWhetherItNamesTheDate) {
  settings_.histDirHead1[0] = QStringLiteral("d");
  const QString hist = settings_.histPath;
  struct Case {
    int folder1, folder2;
    QString folder;
    bool dated;
  } const cases[] = {
      {1, 7, hist + "d19990629/", true},  // yyyymmdd, hours below
      {3, 6, hist + "d9906/29/", true},   // yymm, dd
      {4, 4, hist + "d99/0629/", true},   // yy, mmdd
      {5, 0, hist + "d0629/", false},     // mmdd: every year's 29 June
      {7, 7, hist + "d29/", false},       // dd: the 29th of every month
      {0, 7, hist + "d/", false},         // only hours
  };
  for (const Case& c : cases) {
    settings_.op2[Format::FolderDate1] = c.folder1;
    settings_.op2[Format::FolderDate2] = c.folder2;
    const DayHistory day = HistoryOfDay(settings_, QDate(1999, 6, 29));
    EXPECT_EQ(day.folder, c.folder) << c.folder1 << " " << c.folder2;
    EXPECT_EQ(day.dated, c.dated) << c.folder1 << " " << c.folder2;
  }
  EXPECT_EQ(FilmOf(29), hist + "timelapse/19990629.webm");
}

TEST_F(DailyFilm, AfterMidnightTheDayBeforeIsFilmedInTheBackground) {
  Layout(1, 7, 1);  // hist/yyyymmdd/hh/hhnnss0.jpg, thumbnails beside them
  CaptureAt(29, 22, 58, 0);
  CaptureAt(29, 23, 30, 0);
  DailyTimelapse daily(settings_, QStringLiteral(QUORVIN_TIMELAPSE_TOOL), clock_);
  QSignalSpy spy(&daily, &DailyTimelapse::Finished);

  // Started on the 29th: the 28th has no history, which is no fault.
  daily.Check();
  EXPECT_EQ(Await(spy), Outcome::NothingToFilm);
  EXPECT_FALSE(QFile::exists(FilmOf(28)));
  daily.Check();
  EXPECT_FALSE(daily.Busy());  // once a day

  CaptureAt(29, 23, 59, 50);
  CaptureAt(30, 0, 0, 2);
  clock_.Set(1999, 6, 30, 0, 0, 5);
  daily.Check();
  EXPECT_TRUE(daily.Busy());  // returned at once; the tool works on
  EXPECT_FALSE(QFile::exists(FilmOf(29)));
  EXPECT_EQ(Await(spy), Outcome::Written);
  const Film film = ProbeFilm(FilmOf(29));
  EXPECT_TRUE(film.problem.isEmpty()) << film.problem.toStdString();
  EXPECT_EQ(film.size, QSize(640, 480));
  EXPECT_EQ(film.centres.size(), 3u);  // the 29th's three pictures; no thumbnail, nothing of the 30th
  EXPECT_NEAR(film.seconds, 3 / 25.0, 0.001);

  // The recorder ends while the film is made again. It blocks its end signals, as every thread here then;
  // the tool still hears SIGTERM and leaves the film there as it was.
  const ino_t before = Inode(FilmOf(29));
  sigset_t ends, previous;
  sigemptyset(&ends);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&ends, s);
  pthread_sigmask(SIG_BLOCK, &ends, &previous);
  {
    DailyTimelapse ending(settings_, QStringLiteral(QUORVIN_TIMELAPSE_TOOL), clock_);
    ASSERT_TRUE(ending.MakeFilm(QDate(1999, 6, 29)));
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  EXPECT_EQ(Inode(FilmOf(29)), before);
  EXPECT_EQ(FilesBelow(settings_.histPath + "timelapse"), QStringList{FilmOf(29)});
}

TEST_F(DailyFilm, AFolderWithoutTheDateGivesTheFilmWhatWasWrittenThatDay) {
  Layout(0, 0, 4);  // every picture straight into hist/ as hhn0.jpg, overwritten a day later
  CaptureAt(29, 23, 0, 0);
  CaptureAt(29, 23, 50, 0);
  CaptureAt(30, 0, 0, 2);
  clock_.Set(1999, 6, 30, 0, 0, 5);
  DailyTimelapse daily(settings_, QStringLiteral(QUORVIN_TIMELAPSE_TOOL), clock_);
  QSignalSpy spy(&daily, &DailyTimelapse::Finished);
  daily.Check();
  EXPECT_EQ(Await(spy), Outcome::Written);
  EXPECT_EQ(ProbeFilm(FilmOf(29)).centres.size(), 2u);
}

}  // namespace
