#include "Scheduler.h"

#include "Naming.h"
#include "StampText.h"

#include <algorithm>

namespace quorvin {
namespace {

constexpr int64_t kSecondsPerDay = 24 * 60 * 60;

bool LiveOutputsOn(const Settings& s) {
  return s.ch1[Switch::LiveThumbnail] + s.ch1[Switch::HalfImage] + s.ch1[Switch::LiveImage] > 0;
}
bool HistoryOutputsOn(const Settings& s) {
  return s.ch1[Switch::HistoryImage] + s.ch1[Switch::HistoryThumbnail] > 0;
}

}  // namespace

QString ClockDisplayForm(const QString& t) {
  return t.mid(0, 2) + QLatin1Char(':') + t.mid(2, 2) + QLatin1Char(':') + t.mid(4, 2);
}

int64_t DigitValue(const QString& text) {
  // Saturates long before int64 could overflow: clock texts have at most six digits.
  int64_t value = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
    value = std::min<int64_t>(value * 10 + (c.unicode() - '0'), int64_t{1} << 40);
  }
  return value;
}

QString AddSecondsToClockText(const QString& nowText, int64_t seconds) {
  const int64_t h = DigitValue(nowText.mid(0, 2));
  const int64_t m = DigitValue(nowText.mid(2, 2));
  const int64_t s = DigitValue(nowText.mid(4, 2));
  int64_t total = (h * 3600 + m * 60 + s + seconds % kSecondsPerDay) % kSecondsPerDay;
  if (total < 0) total += kSecondsPerDay;
  return QStringLiteral("%1%2%3")
      .arg(total / 3600, 2, 10, QLatin1Char('0'))
      .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(total % 60, 2, 10, QLatin1Char('0'));
}

int64_t SecondsAhead(const QString& nowText, const QString& timeText) {
  auto seconds = [](const QString& t) {
    return DigitValue(t.mid(0, 2)) * 3600 + DigitValue(t.mid(2, 2)) * 60 + DigitValue(t.mid(4, 2));
  };
  return ((seconds(timeText) - seconds(nowText)) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
}

Scheduler::Scheduler(Settings& settings, NamingState& naming, const Clock& clock, SchedulerDisplay& display,
                     CaptureCycles& cycles)
    : settings_(settings), naming_(naming), clock_(clock), display_(display), cycles_(&cycles) {}

QString Scheduler::CurrentClockText() const {
  return clock_.Now().time().toString(QStringLiteral("HHmmss"));
}

void Scheduler::Tick() {
  using CycleLabel = SchedulerDisplay::CycleLabel;
  Settings& s = settings_;

  state_.CaptureAllowed = true;
  display_.SetTimerEnabled(false);

  state_.NowText = CurrentClockText();
  display_.ShowClock(ClockDisplayForm(state_.NowText));

  BuildHistoryNames(s, naming_, clock_);

  // With a stamp on any output the panel shows the composed text; otherwise the bare patterns.
  if (s.ch1[Switch::StampOnHalfImage] != 1 && s.ch1[Switch::StampOnHistoryImage] != 1 &&
      s.ch1[Switch::StampOnLiveImage] != 1)
    display_.ShowStampSample(s.stampHead + QLatin1Char(' ') +
                             InsertSeparators(naming_.StampDateFormat, s.stampDateSep) + QLatin1Char(' ') +
                             InsertSeparators(naming_.StampTimeFormat, s.stampTimeSep) + QLatin1Char(' ') +
                             s.stampFoot);

  if (s.ch1[Switch::CaptureActive] != 1) {
    ShowTimerStandbyState();
    display_.ShowState(QStringLiteral("STANDBY"), kStandbyColor);
  } else if (s.op3[Option::PartTime] != 1) {
    ShowActiveState();
  } else if (InsideOperationTime(s.StartTime, s.EndTime, state_.NowText)) {
    ShowActiveState();
  } else {
    ShowTimerStandbyState();
    state_.CaptureAllowed = false;
  }

  if (s.ch1[Switch::CaptureActive] == 1 && state_.CaptureAllowed) {
    if (LiveOutputsOn(s)) {
      display_.SetCycleLabelText(CycleLabel::Live, ClockDisplayForm(state_.NextLiveText));
      if (DueTest(0)) state_.LiveDue = true;
    }
    if (HistoryOutputsOn(s)) {
      display_.SetCycleLabelText(CycleLabel::History, ClockDisplayForm(state_.NextHistoryText));
      if (DueTest(1)) state_.HistoryDue = true;
    }
  }

  if (LiveOutputsOn(s) && state_.LiveDue) {
    display_.SetTrayIcon(0);
    cycles_->SaveLiveImages();
    display_.SetTrayIcon(1);
    display_.ProcessPendingEvents();
    state_.LiveDue = false;
  }
  if (HistoryOutputsOn(s) && state_.HistoryDue) {
    display_.SetTrayIcon(0);
    cycles_->SaveHistoryImages();
    display_.SetTrayIcon(1);
    display_.ProcessPendingEvents();
    state_.HistoryDue = false;
  }

  display_.SetTimerEnabled(true);
}

bool Scheduler::DueTest(int index) {
  const QString& next = index == 0 ? state_.NextLiveText : state_.NextHistoryText;
  bool& wrapped = index == 0 ? state_.LiveWrapped : state_.HistoryWrapped;
  if (wrapped && DigitValue(state_.NowText) < 120000) {
    // The clock has passed the midnight the next time lies after; the due test waits for the next tick.
    wrapped = false;
    return false;
  }
  if (!wrapped && state_.NowText >= next) {
    ComputeNextCapture(index);
    return true;
  }
  // No plan lies further ahead than its longest wait, so one that does was made at a later clock time:
  // the clock was set back (a daylight-saving end, a correction). Waiting for it would stop the captures
  // for as long as the step; the schedule restarts from now, without a capture. One second for the tick.
  const int64_t longest =
      index == 0 ? settings_.inter[0] : LongestHistoryWait(settings_.inter[1], naming_.FileTimeLength);
  if (SecondsAhead(state_.NowText, next) > longest + 1) ComputeNextCapture(index);
  return false;
}

void Scheduler::ComputeNextCapture(int index) {
  state_.NowText = CurrentClockText();
  if (index == 0) {
    state_.NextLiveText = AddSecondsToClockText(state_.NowText, settings_.inter[0]);
    state_.LiveWrapped = state_.NowText > state_.NextLiveText;
  } else if (index == 1) {
    state_.NextHistoryText = NextHistoryTime(state_.NowText, settings_.inter[1], naming_.FileTimeLength);
    state_.HistoryWrapped = state_.NowText > state_.NextHistoryText;
  }
}

void Scheduler::ShowActiveState() {
  using CycleLabel = SchedulerDisplay::CycleLabel;
  const Settings& s = settings_;
  if (s.ch1[Switch::HistoryImage] + s.ch1[Switch::HistoryThumbnail] != 0) {
    display_.SetCycleLabelEnabled(CycleLabel::History, true);
  } else {
    display_.SetCycleLabelText(CycleLabel::History, QStringLiteral("SLEEP"));
    display_.SetCycleLabelEnabled(CycleLabel::History, false);
  }
  if (s.ch1[Switch::LiveThumbnail] + s.ch1[Switch::HalfImage] + s.ch1[Switch::LiveImage] != 0) {
    display_.SetCycleLabelEnabled(CycleLabel::Live, true);
  } else {
    display_.SetCycleLabelText(CycleLabel::Live, QStringLiteral("SLEEP"));
    display_.SetCycleLabelEnabled(CycleLabel::Live, false);
  }
  display_.ShowState(QStringLiteral("ACTIVE"), kActiveColor);
}

void Scheduler::ShowTimerStandbyState() {
  using CycleLabel = SchedulerDisplay::CycleLabel;
  display_.SetCycleLabelEnabled(CycleLabel::History, false);
  display_.SetCycleLabelText(CycleLabel::History, QStringLiteral("SLEEP"));
  display_.SetCycleLabelEnabled(CycleLabel::Live, false);
  display_.SetCycleLabelText(CycleLabel::Live, QStringLiteral("SLEEP"));
  display_.ShowState(QStringLiteral("TIMER STANDBY"), kTimerStandbyColor);
}

}  // namespace quorvin
