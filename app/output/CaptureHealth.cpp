#include "CaptureHealth.h"

#include "AtomicFile.h"
#include "ErrorLog.h"

#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>

namespace quorvin {
namespace {

// With the offset from UTC, so a reader elsewhere can tell the age.
QJsonValue Time(const QDateTime& t) {
  if (!t.isValid()) return QJsonValue::Null;
  return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonObject RecordJson(const CaptureHealth::Record& r) {
  return {{QStringLiteral("lastSuccess"), Time(r.lastSuccess)},
          {QStringLiteral("captures"), r.captures},
          {QStringLiteral("failures"), r.failures}};
}

}  // namespace

CaptureHealth::CaptureHealth(const Clock& clock) : clock_(clock), started_(clock.Now()) {}

void CaptureHealth::CycleStarted(CaptureKind) {
  // "Capture now" clicked in a cycle's message-pump pass runs inside it; both share what failed.
  if (cycleDepth_++ == 0) cycleFailed_ = false;
}

CaptureHealth::Change CaptureHealth::CycleFinished(CaptureKind kind) {
  Record& r = Of(kind);
  cycleDepth_ = std::max(cycleDepth_ - 1, 0);
  ++r.captures;
  if (cycleFailed_) {
    ++r.failures;
    return Change::None;
  }
  r.lastSuccess = clock_.Now();
  if (kind != CaptureKind::Live) return Change::None;
  // Counting starts again from this moment.
  waitedMs_ = 0;
  if (lastCheck_.isValid()) lastCheck_ = r.lastSuccess;
  if (!stale_) return Change::None;
  stale_ = false;
  staleSince_ = QDateTime();
  return Change::Cleared;
}

void CaptureHealth::ErrorLogged(int code, const QString& line) {
  const auto kind = static_cast<ErrorCode>(code);
  if (kind == ErrorCode::LiveCapturesRecovered) return;
  lastError_ = line;
  // Neither the alarm's own line (it may come in a cycle's message-pump pass) nor a stamp drawn in the
  // default style (noted once; the outputs are written all the same) is a capture that failed.
  if (kind != ErrorCode::LiveCapturesStale && kind != ErrorCode::SettingUnknown) cycleFailed_ = true;
}

CaptureHealth::Change CaptureHealth::Check(bool liveDue, int32_t liveIntervalSeconds) {
  const QDateTime now = clock_.Now();
  const qint64 step = lastCheck_.isValid() ? lastCheck_.msecsTo(now) : 0;
  lastCheck_ = now;
  staleAfterMs_ = qint64{kStaleIntervals} * std::max<int32_t>(liveIntervalSeconds, 1) * 1000;
  if (!liveDue) {
    // Counting starts again when captures are next due; an alarm stays until a live capture succeeds.
    waitedMs_ = 0;
    return Change::None;
  }
  waitedMs_ += std::clamp<qint64>(step, 0, kLongestStepMs);
  if (stale_ || waitedMs_ < staleAfterMs_) return Change::None;
  stale_ = true;
  staleSince_ = now;
  return Change::Raised;
}

QJsonObject CaptureHealth::ToJson() const {
  return {{QStringLiteral("started"), Time(started_)},
          {QStringLiteral("updated"), Time(clock_.Now())},
          {QStringLiteral("live"), RecordJson(live_)},
          {QStringLiteral("history"), RecordJson(history_)},
          {QStringLiteral("lastError"), lastError_.isEmpty() ? QJsonValue::Null : QJsonValue(lastError_)},
          {QStringLiteral("stale"), stale_},
          {QStringLiteral("staleSince"), Time(staleSince_)},
          {QStringLiteral("staleAfterSeconds"), StaleAfterSeconds()}};
}

QString HealthFilePath(const QString& settingsPath) {
  const QFileInfo info(settingsPath);
  return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".health.json");
}

bool WriteHealthFile(const QString& path, const CaptureHealth& health, QString* error) {
  return WriteFileAtomically(path, QJsonDocument(health.ToJson()).toJson(QJsonDocument::Indented), error,
                             Durability::Visible);
}

}  // namespace quorvin
