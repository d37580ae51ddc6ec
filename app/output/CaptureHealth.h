#pragma once
// What the recorder knows of its own health: when the last live and history captures succeeded, how many
// ran and failed since start, the last error-log line, and the stale-capture alarm. Plain data with time
// from the injected clock, read by the health file and by anyone else who asks; no widget in here.

#include "Clock.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <cstdint>

namespace quorvin {

enum class CaptureKind { Live, History };

class CaptureHealth {
 public:
  // The alarm: no live capture has succeeded for this many live intervals while live captures were due.
  static constexpr int kStaleIntervals = 3;
  // The longest step of the clock one check counts. Checks come every second or so; a longer gap is the
  // clock set forward (a time sync at boot) or a stalled loop, and neither may raise the alarm at once.
  static constexpr qint64 kLongestStepMs = 5000;

  enum class Change { None, Raised, Cleared };

  struct Record {
    qint64 captures = 0;    // cycles run since start
    qint64 failures = 0;    // of them, cycles that did not succeed
    QDateTime lastSuccess;  // invalid until one succeeded
  };

  explicit CaptureHealth(const Clock& clock);

  // A capture cycle begins: failure lines from now until CycleFinished count against it.
  void CycleStarted(CaptureKind kind);
  // The cycle ended. It succeeded when no failure line came while it ran: a frame came from the device and
  // every enabled output was written. A live success clears the alarm.
  Change CycleFinished(CaptureKind kind);
  // Every error-log line, as an ErrorLogListener hears it.
  void ErrorLogged(int code, const QString& line);
  // Called every second or so while the program runs. `liveDue`: the schedule wants live captures now
  // (scheduler on, a live output on, inside the operation time); only that time counts towards the alarm,
  // whether or not captures were tried in it.
  Change Check(bool liveDue, int32_t liveIntervalSeconds);

  const Record& Live() const { return live_; }
  const Record& History() const { return history_; }
  QString LastError() const { return lastError_; }
  QDateTime Started() const { return started_; }
  bool Stale() const { return stale_; }
  QDateTime StaleSince() const { return staleSince_; }
  // Seconds of due live captures since the last live success (or since they became due).
  qint64 SecondsWithoutLive() const { return waitedMs_ / 1000; }
  qint64 StaleAfterSeconds() const { return staleAfterMs_ / 1000; }

  QJsonObject ToJson() const;

 private:
  Record& Of(CaptureKind kind) { return kind == CaptureKind::Live ? live_ : history_; }

  const Clock& clock_;
  QDateTime started_;
  Record live_, history_;
  QString lastError_;
  int cycleDepth_ = 0;
  bool cycleFailed_ = false;
  QDateTime lastCheck_;
  qint64 waitedMs_ = 0;
  qint64 staleAfterMs_ = 0;
  bool stale_ = false;
  QDateTime staleSince_;
};

// Beside the settings file, with its base name: quorvin18cam2.ini gives quorvin18cam2.health.json.
QString HealthFilePath(const QString& settingsPath);
// Replaces the file at once (readers never see a part of it); false with the reason in `error`.
bool WriteHealthFile(const QString& path, const CaptureHealth& health, QString* error = nullptr);

}  // namespace quorvin
