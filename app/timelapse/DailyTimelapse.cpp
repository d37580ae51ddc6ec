#include "DailyTimelapse.h"

#include "Naming.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <csignal>

Q_LOGGING_CATEGORY(lcTimelapse, "quorvin.timelapse")

namespace quorvin {
namespace {

class FixedClock final : public Clock {
 public:
  explicit FixedClock(QDateTime at) : at_(std::move(at)) {}
  QDateTime Now() const override { return at_; }

 private:
  QDateTime at_;
};

// The tool's exit statuses the recorder tells apart.
constexpr int kFolderUnreadable = 3;
constexpr int kNothingToFilm = 4;
constexpr qsizetype kKeptOutput = 4096;

// Runs in the child between fork and exec.
void RunAtLowestPriority() {
  // The recorder blocks its end signals in every thread; the tool must hear them to remove its file.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  sched_param param{};
  if (sched_setscheduler(0, SCHED_IDLE, &param) != 0) setpriority(PRIO_PROCESS, 0, 19);
  constexpr int kIoPrioClassIdle = 3, kIoPrioClassShift = 13, kIoPrioWhoProcess = 1;
  syscall(SYS_ioprio_set, kIoPrioWhoProcess, 0, kIoPrioClassIdle << kIoPrioClassShift);
}

}  // namespace

DayHistory HistoryOfDay(const Settings& settings, QDate day) {
  Settings s = settings;
  NamingState naming;
  DeriveNameFormats(s, naming);
  // The hour level changes within the day: the day's folder is the one above it.
  if (naming.FolderDateFormat2 == QLatin1String("hh")) {
    naming.FolderDateFormat2.clear();
    s.histDirHead2[0].clear();
    s.histDirFoot2[0].clear();
  }
  BuildHistoryNames(s, naming, FixedClock(QDateTime(day, QTime(12, 0))));
  DayHistory history;
  history.folder = s.histPath + naming.HistorySubPath[0];
  if (history.folder.isEmpty()) history.folder = QStringLiteral(".");
  const QString formats = naming.FolderDateFormat1 + naming.FolderDateFormat2;
  history.dated = formats.contains(QLatin1String("yy")) && formats.contains(QLatin1String("mm")) &&
                  formats.contains(QLatin1String("dd"));
  return history;
}

QString FilmPath(const Settings& settings, QDate day) {
  QString folder = settings.histPath;
  if (!folder.isEmpty() && !folder.endsWith(u'/')) folder += u'/';
  return folder + QStringLiteral("timelapse/") + day.toString(QStringLiteral("yyyyMMdd")) +
         QStringLiteral(".webm");
}

DailyTimelapse::DailyTimelapse(const Settings& settings, QString tool, const Clock& clock, QObject* parent)
    : QObject(parent), settings_(settings), tool_(std::move(tool)), clock_(clock) {}

DailyTimelapse::~DailyTimelapse() {
  if (!Busy()) return;
  process_->disconnect(this);
  process_->terminate();
  if (!process_->waitForFinished(5000)) {
    process_->kill();
    process_->waitForFinished(1000);
  }
}

bool DailyTimelapse::Busy() const {
  return process_ && process_->state() != QProcess::NotRunning;
}

void DailyTimelapse::Check() {
  const QDate today = clock_.Now().date();
  if (today == checked_) return;
  checked_ = today;
  const QDate yesterday = today.addDays(-1);
  if (QFileInfo::exists(FilmPath(settings_, yesterday))) return;
  if (Busy()) {
    if (filming_ != yesterday) pending_ = yesterday;
    return;
  }
  MakeFilm(yesterday);
}

bool DailyTimelapse::MakeFilm(QDate day) {
  if (Busy()) return false;
  const DayHistory history = HistoryOfDay(settings_, day);
  const QString film = FilmPath(settings_, day);
  QDir().mkpath(QFileInfo(film).absolutePath());
  QStringList args{history.folder, film};
  if (!history.dated) args << QStringLiteral("--day") << day.toString(Qt::ISODate);
  // The thumbnails' feet as the recorder runs with them, which may differ from the file last saved.
  scratch_ = std::make_unique<QTemporaryDir>();
  const QString settingsFile = scratch_->filePath(QStringLiteral("quorvin18.ini"));
  if (SaveSettings(settings_, settingsFile, clock_).ok) args << QStringLiteral("--settings") << settingsFile;

  if (process_) process_.release()->deleteLater();
  process_ = std::make_unique<QProcess>();
  process_->setProcessChannelMode(QProcess::MergedChannels);
  process_->setChildProcessModifier(RunAtLowestPriority);
  connect(process_.get(), &QProcess::readyReadStandardOutput, this,
          [this] { output_ = (output_ + process_->readAllStandardOutput()).right(kKeptOutput); });
  connect(process_.get(), &QProcess::finished, this, &DailyTimelapse::Ended);
  connect(process_.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) Ended();
  });
  filming_ = day;
  output_.clear();
  qCInfo(lcTimelapse) << "making the film of" << day << "from" << history.folder << "into" << film;
  process_->start(tool_, args);
  return true;
}

void DailyTimelapse::Ended() {
  output_ = (output_ + process_->readAllStandardOutput()).right(kKeptOutput);
  const QStringList lines = QString::fromLocal8Bit(output_).split(u'\n', Qt::SkipEmptyParts);
  QString message = lines.isEmpty() ? process_->errorString() : lines.last();
  const int status =
      process_->exitStatus() == QProcess::NormalExit && process_->error() != QProcess::FailedToStart
          ? process_->exitCode()
          : -1;
  Outcome outcome = Outcome::Failed;
  if (status == 0) outcome = Outcome::Written;
  // No history that day is no fault: the recorder was off, or history captures were.
  const bool noFolder =
      status == kFolderUnreadable && !QFileInfo::exists(HistoryOfDay(settings_, filming_).folder);
  if (status == kNothingToFilm || noFolder) outcome = Outcome::NothingToFilm;
  if (outcome == Outcome::Failed)
    qCWarning(lcTimelapse) << "the film of" << filming_ << "failed:" << message;
  else
    qCInfo(lcTimelapse) << "the film of" << filming_ << ":" << message;
  scratch_.reset();
  const QDate day = filming_;
  filming_ = {};
  emit Finished(day, outcome, message);

  const QDate next = pending_;
  pending_ = {};
  if (next.isValid() && !QFileInfo::exists(FilmPath(settings_, next))) MakeFilm(next);
}

}  // namespace quorvin
