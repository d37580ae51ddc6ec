#pragma once
// The film of the previous day, made once the date has changed: the time-lapse tool runs as a child
// process at the lowest CPU priority, so the recorder's own captures are never delayed by it, and the
// recorder's event loop only hears when it ends.

#include "Clock.h"
#include "Settings.h"

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

#include <memory>

class QProcess;
class QTemporaryDir;

namespace quorvin {

// Where one day's history images lie, as the naming settings put them.
struct DayHistory {
  QString folder;  // histPath and the folder levels for that day, the hour level left out
  // The folders name the year, the month and the day. When they do not (no date, a month, a day of the
  // month), `folder` holds other days too and only the images last written on that day are the film.
  bool dated = false;
};
DayHistory HistoryOfDay(const Settings& settings, QDate day);

// histPath + "timelapse/" + yyyyMMdd + ".webm"
QString FilmPath(const Settings& settings, QDate day);

class DailyTimelapse final : public QObject {
  Q_OBJECT

 public:
  enum class Outcome { Written, NothingToFilm, Failed };
  Q_ENUM(Outcome)

  // `tool`: the quorvin18-timelapse program. The settings are read when a film starts.
  DailyTimelapse(const Settings& settings, QString tool, const Clock& clock = SystemClock::Instance(),
                 QObject* parent = nullptr);
  // A film still being made is stopped (SIGTERM: the tool removes its partial file) and waited for.
  ~DailyTimelapse() override;

  // Cheap enough for every scheduler tick. The first call, and the first call on each new date, starts the
  // previous day's film unless it exists or one is being made (then it follows that one).
  void Check();
  // Starts the film of `day` now (replacing an existing film); false when one is being made.
  bool MakeFilm(QDate day);
  bool Busy() const;

 signals:
  // `message`: the tool's last line (the film's frames and length, or what went wrong).
  void Finished(QDate day, quorvin::DailyTimelapse::Outcome outcome, const QString& message);

 private:
  void Ended();

  const Settings& settings_;
  QString tool_;
  const Clock& clock_;
  QDate checked_;  // the date of the last Check
  QDate pending_;  // a day whose film waits for the running one
  QDate filming_;
  std::unique_ptr<QProcess> process_;
  QByteArray output_;                       // the end of what the tool printed
  std::unique_ptr<QTemporaryDir> scratch_;  // the settings as the recorder runs with them, for the tool
};

}  // namespace quorvin
