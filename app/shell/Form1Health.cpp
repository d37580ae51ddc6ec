// Form1's part in the capture health: every cycle counted, the stale-capture alarm checked, shown on
// Label10 and the tray icon, logged and told on standard error, and the health file written.
#include "Controls.h"
#include "ErrorLog.h"
#include "Form1.h"
#include "PanelRules.h"
#include "SettingsRules.h"
#include "TrayIcon.h"

#include <QCoreApplication>

namespace quorvin {
namespace {

constexpr int32_t kAlarmColor = 0x0000FF;  // red, 0x00BBGGRR

// Brackets the engine's cycles so that the health record sees each one whole, whoever starts it: the
// scheduler or the "Capture now" button.
class WatchedEngine final : public ShellEngine {
 public:
  using Watch = std::function<void(CaptureKind, bool finished)>;
  WatchedEngine(std::unique_ptr<ShellEngine> engine, Watch watch)
      : engine_(std::move(engine)), watch_(std::move(watch)) {}
  void SaveLiveImages() override {
    Cycle(CaptureKind::Live, [this] { engine_->SaveLiveImages(); });
  }
  void SaveHistoryImages() override {
    Cycle(CaptureKind::History, [this] { engine_->SaveHistoryImages(); });
  }
  bool SelectDevice(int index, int position, bool store) override {
    return engine_->SelectDevice(index, position, store);
  }
  void UseOverlayIfAvailable() override { engine_->UseOverlayIfAvailable(); }
  SnapshotResult SaveSnapshot(const QString& folder) override { return engine_->SaveSnapshot(folder); }
  void AttachVideo(korvex::CKorvexCtrl* control) override { engine_->AttachVideo(control); }

 private:
  template <typename Run>
  void Cycle(CaptureKind kind, Run&& run) {
    watch_(kind, false);
    run();
    watch_(kind, true);
  }
  std::unique_ptr<ShellEngine> engine_;
  Watch watch_;
};

QString AlarmText(const CaptureHealth& h) {
  return QCoreApplication::translate("quorvin", "No live capture has succeeded for %1 s (%2 live intervals).")
      .arg(h.StaleAfterSeconds())
      .arg(CaptureHealth::kStaleIntervals);
}

}  // namespace

void Form1::WatchCycles() {
  engine_ = std::make_unique<WatchedEngine>(std::move(engine_), [this](CaptureKind kind, bool finished) {
    if (!finished)
      health_.CycleStarted(kind);
    else
      CycleFinished(kind);
  });
  errorLogListener_ = std::make_unique<ErrorLogListener>(
      [this](int code, const QString& line) { health_.ErrorLogged(code, line); });
  healthTimer_ = new QTimer(this);
  healthTimer_->setObjectName(QStringLiteral("HealthTimer"));
  healthTimer_->setInterval(1000);
  connect(healthTimer_, &QTimer::timeout, this, &Form1::CheckCaptureHealth);
}

bool Form1::LiveCapturesDue() const {
  const Settings& s = settings_;
  if (phase_ != Phase::Running || s.ch1[Switch::CaptureActive] != 1) return false;
  if (s.ch1[Switch::LiveThumbnail] + s.ch1[Switch::HalfImage] + s.ch1[Switch::LiveImage] <= 0) return false;
  return s.op3[Option::PartTime] != 1 ||
         InsideOperationTime(s.StartTime, s.EndTime, clock_.Now().time().toString(QStringLiteral("HHmmss")));
}

void Form1::CycleFinished(CaptureKind kind) {
  // A cycle cut short by the end proves nothing either way.
  if (Ending()) return;
  const CaptureHealth::Record& record = kind == CaptureKind::Live ? health_.Live() : health_.History();
  const qint64 failures = record.failures;
  const CaptureHealth::Change change = health_.CycleFinished(kind);
  // A change writes the file itself, with this cycle already counted.
  if (change == CaptureHealth::Change::None)
    WriteHealthFile();
  else
    HealthChanged(change);
  emit CaptureFinished(kind, record.failures == failures);
}

void Form1::CheckCaptureHealth() {
  if (phase_ != Phase::Running) return;
  HealthChanged(health_.Check(LiveCapturesDue(), settings_.inter[0]));
}

void Form1::HealthChanged(CaptureHealth::Change change) {
  if (change == CaptureHealth::Change::None) return;
  const bool stale = change == CaptureHealth::Change::Raised;
  // The log keeps its fixed words for whoever parses it; its line on standard error says why in the
  // operator's language, as do the window and the tray.
  const QString text =
      stale ? AlarmText(health_) : QCoreApplication::translate("quorvin", "Live captures succeed again.");
  AppendErrorLog(QString::fromLatin1(stale ? "live capture stale" : "live capture recovered"),
                 stale ? ErrorCode::LiveCapturesStale : ErrorCode::LiveCapturesRecovered, text, clock_);
  tray_->SetAlarm(stale ? text : QString());
  ShowStateWithAlarm();
  WriteHealthFile();
  emit CaptureAlarm(stale, text);
}

void Form1::WriteHealthFile() {
  if (healthPath_.isEmpty()) return;
  QString error;
  const bool ok = quorvin::WriteHealthFile(healthPath_, health_, &error);
  // Said once, not at every capture; and once more when it works again.
  if (ok == !healthWriteFailed_) return;
  healthWriteFailed_ = !ok;
  WriteMessageToStderr(
      QStringLiteral("Quorvin"),
      ok ? QCoreApplication::translate("quorvin", "The health file %1 is written again.").arg(healthPath_)
         : QCoreApplication::translate("quorvin", "Cannot write the health file %1 (%2).")
               .arg(healthPath_, error));
}

void Form1::ShowStateWithAlarm() {
  if (!health_.Stale()) {
    Label10_->setText(stateText_);
    SetLabelBackground(Label10_, stateColor_);
  } else {
    Label10_->setText(stateText_ + QLatin1Char('\n') +
                      QCoreApplication::translate("quorvin", "LIVE CAPTURE FAILING"));
    SetLabelBackground(Label10_, kAlarmColor);
  }
  QPalette palette = Label10_->palette();
  palette.setColor(QPalette::WindowText, health_.Stale() ? Qt::white : Qt::black);
  Label10_->setPalette(palette);
}

}  // namespace quorvin
