// The scheduler: its clock-text rules alone, then the real main window's tick driven through simulated
// days by a manual clock, with the captures recorded.
#include "CapturePanel.h"
#include "Controls.h"
#include "Scheduler.h"
#include "ShellTestSupport.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

using CycleLabel = CaptureHost::CycleLabel;

TEST(SchedulerRules, OperationTimeWindows) {
  struct Case {
    const char* start;
    const char* end;
    const char* now;
    bool inside;
  };
  const Case cases[] = {
      // Across midnight.
      {"2200", "0600", "2330", true},
      {"2200", "0600", "0559", true},
      {"2200", "0600", "0600", false},
      {"2200", "0600", "1200", false},
      {"2200", "0600", "2200", true},
      {"2200", "0600", "2159", false},
      // Within one day: the end minute is outside.
      {"0800", "1700", "0800", true},
      {"0800", "1700", "1659", true},
      {"0800", "1700", "1700", false},
      {"0800", "1700", "0759", false},
      // Equal bounds: always inside.
      {"0000", "0000", "0000", true},
      {"0000", "0000", "1234", true},
      {"0930", "0930", "0929", true},
      // Bounds are read from their first two and last two characters.
      {"22:00", "06:00", "2330", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InsideOperationTime(c.start, c.end, c.now), c.inside)
        << c.start << "-" << c.end << " at " << c.now;
}

TEST(SchedulerRules, ClockTextArithmeticWrapsAndNeverFails) {
  EXPECT_EQ(AddSecondsToClockText("235800", 300), "000300");
  EXPECT_EQ(AddSecondsToClockText("134527", 600), "135527");
  EXPECT_EQ(AddSecondsToClockText("000000", 86400), "000000");
  // Intervals the controls never produce, from a hand-edited file: still a time of day.
  EXPECT_EQ(AddSecondsToClockText("000010", -20), "235950");
  EXPECT_EQ(AddSecondsToClockText("120000", 2147483647), AddSecondsToClockText("120000", 2147483647 % 86400));
  EXPECT_EQ(ClockDisplayForm("090507"), "09:05:07");
}

class SchedulerDays : public ::testing::Test {
 protected:
  void SetUp() override {
    shell.LoadDefaults();
    Start();
  }
  // Start-up's step 9: the next times count from now.
  void Start() {
    shell.form().scheduler().ComputeNextCapture(0);
    shell.form().scheduler().ComputeNextCapture(1);
  }
  void SetClock(int h, int m, int s) { shell.clock.Set(1999, 6, 29, h, m, s); }
  SchedulerState& state() { return shell.form().scheduler().State(); }
  QLabel* label(const char* name) { return shell.Find<QLabel>(QLatin1String(name)); }
  void Click(const char* name) { shell.Find<QAbstractButton>(QLatin1String(name))->click(); }
  int Live() const { return shell.engine->Count(true); }
  int History() const { return shell.engine->Count(false); }

  Shell shell;
};

TEST_F(SchedulerDays, ADayOfLiveAndHistoryCapturesOnTheirTimes) {
  Click("Check1_9");  // history image on; history preset "10min" from the defaults
  ASSERT_EQ(shell.form().settings().inter[1], 600);
  shell.Run(24 * 3600 + 10);

  // Every five minutes a live image and on every ten-minute boundary a history image, all day. A next
  // time of exactly 00:00:00 lies after midnight: the tick at midnight clears the wrap and the capture
  // runs on the next tick, still within that second.
  EXPECT_EQ(Live(), 288);
  EXPECT_EQ(History(), 144);
  // Started at 12:00:00, so every capture falls on its mark, to the second.
  for (const RecordingEngine::Save& s : shell.engine->saves) {
    const QTime t = s.at.time();
    EXPECT_EQ(t.minute() % (s.live ? 5 : 10), 0) << s.at.toString().toStdString();
    EXPECT_EQ(t.second(), 0) << s.at.toString().toStdString();
  }
  // When both are due in one tick, the live capture runs first.
  const auto& saves = shell.engine->saves;
  for (size_t i = 1; i < saves.size(); ++i)
    if (saves[i].at == saves[i - 1].at) {
      EXPECT_TRUE(saves[i - 1].live && !saves[i].live);
    }
  EXPECT_EQ(label("Label10")->text(), "ACTIVE");
  EXPECT_TRUE(shell.form().Timer1Enabled());
}

TEST_F(SchedulerDays, PartTimeWindowAcrossMidnight) {
  Settings& s = shell.form().settings();
  s.op3[16] = 1;
  s.StartTime = "2200";
  s.EndTime = "0600";
  struct Probe {
    int h, m;
    const char* state;
  };
  for (const Probe& p : {Probe{23, 30, "ACTIVE"}, Probe{5, 59, "ACTIVE"}, Probe{6, 0, "TIMER STANDBY"},
                         Probe{12, 0, "TIMER STANDBY"}, Probe{22, 0, "ACTIVE"}}) {
    SetClock(p.h, p.m, 0);
    shell.Tick();
    EXPECT_EQ(label("Label10")->text(), p.state) << p.h << ":" << p.m;
    const bool outside = QLatin1String(p.state) == QLatin1String("TIMER STANDBY");
    EXPECT_EQ(label("Label4")->text() == "SLEEP", outside);
    EXPECT_EQ(label("Label4")->isEnabled(), !outside);
    EXPECT_FALSE(label("Label7")->isEnabled() && outside);
  }

  // A whole day from noon: captures only inside the window.
  SetClock(12, 0, 0);
  Start();
  shell.engine->saves.clear();
  shell.Run(24 * 3600, 5000);
  ASSERT_GT(Live(), 0);
  for (const RecordingEngine::Save& save : shell.engine->saves) {
    const QTime t = save.at.time();
    EXPECT_TRUE(t.hour() >= 22 || t.hour() < 6) << t.toString().toStdString();
  }
}

TEST_F(SchedulerDays, EqualBoundsMeanAlwaysInside) {
  Settings& s = shell.form().settings();
  s.op3[16] = 1;
  ASSERT_EQ(s.StartTime, "0000");
  ASSERT_EQ(s.EndTime, "0000");
  for (int h : {0, 7, 13, 23}) {
    SetClock(h, 59, 59);
    shell.Tick();
    EXPECT_EQ(label("Label10")->text(), "ACTIVE");
  }
}

TEST_F(SchedulerDays, NextTimeAfterMidnightWaitsForTheWrap) {
  SetClock(23, 58, 0);
  Start();
  EXPECT_EQ(state().NextLiveText, "000300");
  EXPECT_TRUE(state().LiveWrapped);

  shell.Run(119);  // to 23:59:59
  EXPECT_EQ(Live(), 0);
  EXPECT_TRUE(state().LiveWrapped);
  shell.clock.Set(1999, 6, 30, 0, 0, 0);
  shell.Tick();
  EXPECT_FALSE(state().LiveWrapped);
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(label("Label4")->text(), "00:03:00");

  shell.Run(179);  // to 00:02:59
  EXPECT_EQ(Live(), 0);
  shell.Run(1);
  ASSERT_EQ(Live(), 1);
  EXPECT_EQ(shell.engine->saves[0].at.time(), QTime(0, 3, 0));
  EXPECT_EQ(state().NextLiveText, "000800");
}

TEST_F(SchedulerDays, ClockSetBackRestartsTheScheduleWithoutACapture) {
  SetClock(14, 0, 0);
  Start();
  EXPECT_EQ(state().NextLiveText, "140500");
  SetClock(1, 0, 0);
  shell.Tick();
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(state().NextLiveText, "010500");
  shell.Run(300);
  EXPECT_EQ(Live(), 1);
}

TEST_F(SchedulerDays, AClockSetBackByLessThanTwelveHoursNeverStopsTheCaptures) {
  Click("Check1_9");  // history every ten minutes, on ten-minute boundaries, besides live every five
  struct Step {
    const char* what;
    QDateTime from, to;
  };
  const QDate day(1999, 10, 30), next(1999, 10, 31);
  const Step steps[] = {
      {"daylight-saving end", QDateTime(next, QTime(2, 50)), QDateTime(next, QTime(2, 0))},
      {"back while the next time lies after midnight", QDateTime(day, QTime(23, 50)),
       QDateTime(day, QTime(23, 0))},
      {"back across midnight", QDateTime(next, QTime(0, 5)), QDateTime(day, QTime(23, 40))},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    shell.clock.Set(step.from);
    Start();
    shell.Run(9 * 60);
    ASSERT_GT(Live(), 0);
    shell.engine->saves.clear();
    shell.clock.Set(step.to);
    shell.Run(3600);
    // From the step on, no capture is further from the one before (or from the step, or the end) than
    // its interval.
    for (const bool live : {true, false}) {
      QDateTime last = step.to;
      qint64 longest = 0;
      for (const RecordingEngine::Save& save : shell.engine->saves) {
        if (save.live != live) continue;
        longest = std::max(longest, last.msecsTo(save.at));
        last = save.at;
      }
      longest = std::max(longest, last.msecsTo(shell.clock.Now()));
      EXPECT_LE(longest, (live ? 300 : 600) * 1000 + 500) << (live ? "live" : "history");
    }
  }
}

TEST_F(SchedulerDays, SchedulerOffCapturesNothingAndFreezesTheTimes) {
  Click("Check1_28");
  ASSERT_EQ(shell.form().settings().ch1[28], 0);
  const QString live = state().NextLiveText;
  shell.Run(3 * 3600, 2000);
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(History(), 0);
  EXPECT_EQ(label("Label10")->text(), "STANDBY");
  for (const char* name : {"Label4", "Label7"}) {
    EXPECT_EQ(label(name)->text(), "SLEEP");
    EXPECT_FALSE(label(name)->isEnabled());
  }
  EXPECT_EQ(state().NextLiveText, live);

  // Switched on again long after the next time: one capture at once, the missed ones are not repeated.
  Click("Check1_28");
  shell.Run(1);
  EXPECT_EQ(Live(), 1);
}

TEST_F(SchedulerDays, LiveOutputsOffLeaveHistoryRunning) {
  Click("Check1_9");
  for (const char* name : {"Check1_6", "Check1_7", "Check1_8"}) Click(name);
  shell.Run(3600);
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(History(), 6);
  EXPECT_EQ(label("Label4")->text(), "SLEEP");
  EXPECT_FALSE(label("Label4")->isEnabled());
  EXPECT_TRUE(label("Label7")->isEnabled());
}

TEST_F(SchedulerDays, PresetsAndManualInterval) {
  CapturePanel& panel = shell.form().capturePanel();
  QLineEdit* history = shell.Box("interval_1");
  EXPECT_EQ(history->text(), "600");
  EXPECT_FALSE(history->isEnabled());

  SetClock(13, 45, 27);
  Click("Option3_1");
  EXPECT_EQ(history->text(), "1800");
  EXPECT_EQ(shell.form().settings().inter[1], 1800);
  // The file time keeps three characters (ten minutes), so the next time is on such a boundary.
  EXPECT_EQ(state().NextHistoryText, "142000");

  Click("Option3_3");
  EXPECT_TRUE(history->isEnabled());
  EXPECT_EQ(history->text(), "300");  // the kept manual interval
  history->selectAll();
  QTest::keyClicks(history, "450");
  EXPECT_EQ(shell.form().settings().inter[1], 450);
  Click("Option3_2");
  EXPECT_EQ(history->text(), "3600");
  EXPECT_EQ(shell.form().settings().IntervalHistBuf, "450");
  Click("Option3_3");
  EXPECT_EQ(history->text(), "450");
  EXPECT_EQ(shell.form().settings().inter[1], 450);
  EXPECT_EQ(panel.UpDown1[1]->value(), 450);
  EXPECT_FALSE(state().IntervalEditGuard);
}

TEST_F(SchedulerDays, TypedIntervalsAreClampedOnEveryKeystroke) {
  QLineEdit* live = shell.Box("interval_0");
  live->clear();
  QTest::keyClicks(live, "12000");
  EXPECT_EQ(live->text(), "9999");
  EXPECT_EQ(shell.form().settings().inter[0], 9999);
  EXPECT_EQ(shell.form().capturePanel().UpDown1[0]->value(), 9999);

  live->clear();
  QTest::keyClicks(live, "0");
  EXPECT_EQ(live->text(), "1");
  EXPECT_EQ(shell.form().settings().inter[0], 1);

  // Not an integer: ignored, the interval stays.
  live->setText("12a");
  EXPECT_EQ(shell.form().settings().inter[0], 1);

  // A new interval counts from the moment of the change.
  SetClock(10, 0, 0);
  live->setText("120");
  EXPECT_EQ(state().NextLiveText, "100200");
  shell.form().capturePanel().UpDown1[0]->stepBy(1);
  EXPECT_EQ(live->text(), "121");
  EXPECT_EQ(shell.form().settings().inter[0], 121);
  EXPECT_EQ(state().NextLiveText, "100201");
  EXPECT_FALSE(state().IntervalEditGuard);
}

}  // namespace
}  // namespace quorvin::test
