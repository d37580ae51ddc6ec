#pragma once
// The capture scheduler: twice a second it decides whether a live or a history capture is due and runs
// it. It works on six-digit clock texts "hhnnss" compared as text and knows no date; the coming midnight
// is handled by the two wrap flags. No widget in here: the main window shows what it is told.

#include "CaptureHost.h"
#include "Clock.h"
#include "NamingState.h"
#include "Settings.h"
#include "SettingsRules.h"

#include <QString>

#include <cstdint>

namespace quorvin {

// What the tick shows and switches on the main window.
class SchedulerDisplay {
 public:
  using CycleLabel = CaptureHost::CycleLabel;  // Label4 live, Label7 history

  virtual ~SchedulerDisplay() = default;
  virtual void SetTimerEnabled(bool enabled) = 0;   // Timer1
  virtual void ShowClock(const QString& text) = 0;  // Label5(4)
  virtual void SetCycleLabelText(CycleLabel label, const QString& text) = 0;
  virtual void SetCycleLabelEnabled(CycleLabel label, bool enabled) = 0;
  virtual void ShowState(const QString& text, int32_t colorBgr) = 0;  // Label10, 0x00BBGGRR
  virtual void ShowStampSample(const QString& text) = 0;              // Label1(22)
  virtual void SetTrayIcon(int index) = 0;
  virtual void ProcessPendingEvents() = 0;  // one message-pump pass
};

// The scheduler's process-wide values.
struct SchedulerState {
  QString NowText;
  QString NextLiveText;
  QString NextHistoryText;
  bool LiveWrapped = false;
  bool HistoryWrapped = false;
  bool LiveDue = false;
  bool HistoryDue = false;
  bool CaptureAllowed = false;
  bool IntervalEditGuard = false;
};

inline constexpr int32_t kStandbyColor = 0x808080;       // grey
inline constexpr int32_t kActiveColor = 0x00FFFF;        // yellow
inline constexpr int32_t kTimerStandbyColor = 0x0080FF;  // orange

// "hhnnss" as "hh:nn:ss".
QString ClockDisplayForm(const QString& sixDigits);
// The integer value of a digit text; anything that is not one reads 0.
int64_t DigitValue(const QString& text);
// The time of day h:m:(s + seconds), carried and taken modulo 24 hours, as "hhnnss". Any addend works:
// huge or negative intervals from a hand-edited file still give a time of day.
QString AddSecondsToClockText(const QString& nowText, int64_t seconds);
// How far the time of day `timeText` lies after `nowText` ("hhnnss" both), in seconds from 0 to a day,
// taking the coming midnight into account.
int64_t SecondsAhead(const QString& nowText, const QString& timeText);

class Scheduler {
 public:
  Scheduler(Settings& settings, NamingState& naming, const Clock& clock, SchedulerDisplay& display,
            CaptureCycles& cycles);

  // Timer1_Timer: the tick, in its nine steps.
  void Tick();
  // 0 live, 1 history; any other index only refreshes NowText.
  void ComputeNextCapture(int index);
  void ShowActiveState();
  void ShowTimerStandbyState();

  SchedulerState& State() { return state_; }
  const SchedulerState& State() const { return state_; }
  // The engine is wired in after the window exists.
  void SetCycles(CaptureCycles& cycles) { cycles_ = &cycles; }

 private:
  // Step 6 for one schedule; true when its capture became due.
  bool DueTest(int index);
  QString CurrentClockText() const;

  Settings& settings_;
  NamingState& naming_;
  const Clock& clock_;
  SchedulerDisplay& display_;
  CaptureCycles* cycles_;
  SchedulerState state_;
};

}  // namespace quorvin
