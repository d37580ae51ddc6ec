// The output settings panel: clamping on every keystroke, the name boxes with their defaults, and the
// previews, on the real main window.
#include "CapturePanel.h"
#include "Controls.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "StampPanel.h"

#include <QTest>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

class Panel : public ::testing::Test {
 protected:
  void SetUp() override { shell.LoadDefaults(); }
  Settings& s() { return shell.form().settings(); }
  QLineEdit* box(const char* name) { return shell.Box(QLatin1String(name)); }
  QString label(const char* name) { return shell.Find<QLabel>(QLatin1String(name))->text(); }
  Shell shell;
};

TEST_F(Panel, NumericBoxesClampToTheirLimits) {
  StampPanel& stamp = shell.form().stampPanel();
  CapturePanel& capture = shell.form().capturePanel();
  box("pos_0")->setText("10000");
  EXPECT_EQ(box("pos_0")->text(), "9999");
  EXPECT_EQ(stamp.UpDown4[0]->value(), 9999);
  EXPECT_EQ(s().MarkPosTop, 9999);
  box("pos_1")->setText("-1000");
  EXPECT_EQ(box("pos_1")->text(), "-999");
  EXPECT_EQ(s().MarkPosLeft, -999);
  // Far more digits than 32 bits hold: clamped as well, nothing overflows.
  box("pos_1")->setText("99999999999999999999");
  EXPECT_EQ(box("pos_1")->text(), "9999");

  for (const char* text : {"1", "0"}) {
    box("jrezo_0")->setText(text);
    EXPECT_EQ(box("jrezo_0")->text(), "2");
    EXPECT_EQ(s().rezo[0], 2);
  }
  box("size_2")->setText("0");
  EXPECT_EQ(box("size_2")->text(), "1");
  EXPECT_FLOAT_EQ(s().zoom[2], 0.01f);
  box("size_2")->setText("250");
  EXPECT_EQ(box("size_2")->text(), "200");
  EXPECT_FLOAT_EQ(s().zoom[2], 2.0f);

  capture.UpDown2[4]->setValue(200);
  capture.UpDown2[4]->stepBy(1);
  EXPECT_EQ(capture.UpDown2[4]->value(), 200);
  EXPECT_EQ(box("size_4")->text(), "200");
  EXPECT_FLOAT_EQ(s().zoom[4], 2.0f);
}

TEST_F(Panel, EveryKeystrokeIsCheckedAndPartialEntriesStoreNothing) {
  QLineEdit* quality = box("jrezo_1");
  quality->clear();
  EXPECT_EQ(s().rezo[1], 30);  // an empty box stores nothing
  QTest::keyClicks(quality, "300");
  EXPECT_EQ(quality->text(), "255");
  EXPECT_EQ(shell.form().capturePanel().UpDown3[1]->value(), 255);
  EXPECT_EQ(s().rezo[1], 255);

  QLineEdit* scale = box("size_3");
  scale->clear();
  QTest::keyClicks(scale, "50");
  EXPECT_FLOAT_EQ(s().zoom[3], 0.5f);

  QLineEdit* top = box("pos_0");
  top->clear();
  QTest::keyClicks(top, "-");
  EXPECT_EQ(top->text(), "-");
  EXPECT_EQ(s().MarkPosTop, 100);
  QTest::keyClicks(top, "5x");
  EXPECT_EQ(top->text(), "-5x");
  EXPECT_EQ(s().MarkPosTop, -5);
}

TEST_F(Panel, NameBoxesStoreTheirDefaultsWhenEmpty) {
  box("text1_8")->clear();
  EXPECT_EQ(box("text1_8")->text(), "");
  EXPECT_EQ(s().LiFiName[0], "Tovra.jpg");
  box("text1_6")->clear();
  EXPECT_EQ(s().LiFiName[1], "Tovra_.jpg");
  box("text1_7")->clear();
  EXPECT_EQ(s().LiFiName[2], "Tovra_50.jpg");
  box("text1_5")->clear();
  EXPECT_EQ(s().HiFileFoot[1], "_");

  // An empty history folder takes the live folder.
  box("text1_18")->setText("/srv/live");
  box("text1_17")->setText("x");
  box("text1_17")->clear();
  EXPECT_EQ(s().histPath, "/srv/live/");
  EXPECT_EQ(s().NetworkPath, "/srv/live/");
}

TEST_F(Panel, ClearedHistoryHeadComesBackAsQv) {
  // No file date or time format and no foot: the head must not be empty.
  Settings& st = s();
  for (int i : {2, 3, 8, 9}) st.op2[i] = 0;
  box("text1_3")->clear();
  box("text1_2")->clear();
  EXPECT_EQ(box("text1_2")->text(), "qv");
  EXPECT_EQ(st.HiFileHead[0], "qv");

  // With a file time format an empty head is fine.
  st.op2[3] = 1;
  box("text1_2")->clear();
  EXPECT_EQ(st.HiFileHead[0], "");
}

TEST_F(Panel, PreviewsFollowTheNamesAndTheStampTexts) {
  // Worked example: 13:45:27 on 29 June 1999, history time "hhnn" kept to three characters.
  shell.clock.Set(1999, 6, 29, 13, 45, 27);
  shell.Find<QAbstractButton>("Option3_3")->click();  // the manual interval, 300 s
  ASSERT_EQ(s().inter[1], 300);
  box("text1_18")->setText("/live");
  box("text1_17")->setText("x");
  box("text1_17")->clear();
  EXPECT_EQ(label("Label1_27"), "/live/1340.jpg");
  EXPECT_EQ(label("Label1_28"), "/live/1340_.jpg");
  // The next history time follows the file-time resolution at once.
  shell.form().scheduler().ComputeNextCapture(0);
  box("text1_3")->clear();
  box("text1_3")->setText("0");
  EXPECT_EQ(shell.form().scheduler().State().NextHistoryText, "135000");

  box("text1_13")->setText("d");
  shell.form().settings().op2[0] = 2;
  shell.form().context().Combo1[0]->setCurrentIndex(2);
  shell.form().context().Combo1Click(0);
  EXPECT_EQ(label("Label1_27"), "/live/d990629/1340.jpg");

  box("Text2_0")->setText("CAM");
  EXPECT_TRUE(label("Label1_22").startsWith("CAM ")) << label("Label1_22").toStdString();
  EXPECT_TRUE(label("Label1_22").contains("13:45:27")) << label("Label1_22").toStdString();
  const QString stamp = label("Label1_22");
  const QString example = label("Label1_27");
  box("Text2_4")->setText("/logo/none.bmp");
  EXPECT_EQ(s().LogomarkFilename, "/logo/none.bmp");
  EXPECT_EQ(label("Label1_22"), stamp);
  EXPECT_EQ(label("Label1_27"), example);

  box("Text3_0")->setText("abc");
  EXPECT_EQ(s().StartTime, "abc");
}

TEST_F(Panel, LoadedValuesPassTheSameLimits) {
  WriteAll(shell.work.File("q.ini"), "MarkPosTop = 20000\r\nZoom(0) = 3\r\nRezo(2) = 1\r\n");
  LoadOptions load;
  load.refresh = [this](Settings&) { shell.form().RefreshWindowFromSettings(); };
  LoadSettings(s(), shell.work.File("q.ini"), load);
  EXPECT_EQ(s().MarkPosTop, 9999);
  EXPECT_EQ(box("pos_0")->text(), "9999");
  EXPECT_FLOAT_EQ(s().zoom[0], 2.0f);
  EXPECT_EQ(box("size_0")->text(), "200");
  EXPECT_EQ(s().rezo[2], 2);
  // Defaults show as whole percentages: 0.2 is "20", not a long fraction.
  EXPECT_EQ(box("size_1")->text(), "20");
  EXPECT_FLOAT_EQ(s().zoom[1], 0.2f);
}

TEST(PanelRules, FitVideoWindowSizesAreExactAndDoNotOverflow) {
  const VideoWindowTwips vga = FitVideoWindowTwips(640, 480);
  EXPECT_EQ(vga.formWidth, 9700);
  EXPECT_EQ(vga.formHeight, 7600);
  EXPECT_EQ(vga.leadWidth, 9600);
  EXPECT_EQ(vga.leadHeight, 7200);
  // An 8K frame is far beyond 16 bits of twips.
  const VideoWindowTwips k8 = FitVideoWindowTwips(7680, 4320);
  EXPECT_EQ(k8.formWidth, 115300);
  EXPECT_EQ(TwipsToPixels(k8.leadWidth), 7680);
}

}  // namespace
}  // namespace quorvin::test

namespace quorvin::test {
namespace {

// Every control shows its setting, and the handlers the display runs store back exactly what was loaded.
TEST(SettingsDisplay, ShowsEveryControlAndStoresBackTheSameRecord) {
  Shell shell;
  const QByteArray file =
      "inter(0) = 123\r\ninter(1) = 456\r\nIntervalHistBuf = 456\r\nop3(0) = 3\r\nop3(1) = 0\r\nop3(2) = "
      "7\r\n"
      "op3(3) = 4\r\nop3(5) = 2\r\nop3(9) = 1\r\nop3(12) = 1\r\nop3(16) = 1\r\nop3(17) = 1\r\nop3(18) = 2\r\n"
      "op2(0) = 3\r\nop2(1) = 7\r\nop2(2) = 1\r\nop2(3) = 2\r\nop2(4) = 5\r\nop2(5) = 2\r\nop2(7) = 4\r\n"
      "NetworkPath = /srv/live/\r\nhistPath = /srv/hist/\r\nhistDirHead1(0) = d\r\nHiFileHead(0) = cam\r\n"
      "stampHead = \"Gate\"\r\nStartTime = 2200\r\nEndTime = 0600\r\nstampTextColor = &HFF00\r\n"
      "Zoom(0) = 0.75\r\nRezo(0) = 40\r\nch1(17) = 0\r\nch1(22) = 1\r\nch1(19) = 1\r\nch1(1) = 0\r\n"
      "ch1(2) = 0\r\nch1(3) = 0\r\nEfct(1) = 12\r\nMarkPosTop = 5\r\nMarkPosLeft = -7\r\nColorGanma2(1) = "
      "150\r\n";
  WriteAll(shell.work.File("s.ini"), file);
  Settings expected;
  LoadSettings(expected, shell.work.File("s.ini"));
  expected.PictureAngle = 2 * 9000;  // derived from op3(18) by the display

  LoadOptions load;
  load.refresh = [&](Settings&) { shell.form().RefreshWindowFromSettings(); };
  LoadSettings(shell.form().settings(), shell.work.File("s.ini"), load);
  EXPECT_EQ(SettingsFileBytes(shell.form().settings(), shell.clock.Now()),
            SettingsFileBytes(expected, shell.clock.Now()));
  EXPECT_EQ(shell.form().settings().PictureAngle, 18000);

  auto text = [&](const char* name) { return shell.Box(QLatin1String(name))->text(); };
  auto checked = [&](const char* name) {
    return shell.Find<QAbstractButton>(QLatin1String(name))->isChecked();
  };
  EXPECT_EQ(text("interval_0"), "123");
  EXPECT_EQ(text("interval_1"), "456");
  EXPECT_TRUE(shell.Box("interval_1")->isEnabled());  // manual preset
  for (const char* on :
       {"Option3_3", "Option4_0", "Option1_7", "Option2_4", "Option9_1", "Option12_1", "Option8_0",
        "Option16_1", "Option17_1", "Option18_2", "Check1_22", "Check1_19", "Check1_28"})
    EXPECT_TRUE(checked(on)) << on;
  for (const char* off : {"Check1_17", "Check1_1", "Check1_29"}) EXPECT_FALSE(checked(off)) << off;
  const ShellContext& c = shell.form().context();
  const int combos[] = {3, 7, 1, 2, 5, 2, 0, 4, 0, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(c.Combo1[i]->currentIndex(), combos[i]) << i;
  EXPECT_EQ(shell.Find<QComboBox>("Combo2")->currentIndex(), 2);
  EXPECT_EQ(text("text1_18"), "/srv/live/");
  EXPECT_EQ(text("text1_17"), "/srv/hist/");
  EXPECT_EQ(text("text1_13"), "d");
  EXPECT_EQ(text("text1_2"), "cam");
  EXPECT_EQ(text("Text2_0"), "Gate");
  EXPECT_EQ(text("Text3_0"), "2200");
  EXPECT_EQ(text("Text3_1"), "0600");
  EXPECT_EQ(shell.Find<QLabel>("Label2_5")->palette().color(QPalette::Window), QColor(0, 255, 0));
  EXPECT_EQ(text("size_0"), "75");
  EXPECT_EQ(text("jrezo_0"), "40");
  EXPECT_EQ(text("pos_0"), "5");
  EXPECT_EQ(text("pos_1"), "-7");
  EXPECT_EQ(shell.Find<QLabel>("Label6_1")->text(), "12");
  EXPECT_TRUE(shell.Find<QLabel>("Label6_1")->isEnabled());   // Median on
  EXPECT_FALSE(shell.Find<QLabel>("Label6_0")->isEnabled());  // Sharpen off
  // CMYK: the planes' names and the model's own values.
  EXPECT_EQ(shell.Find<QLabel>("Label8_1")->text(), "Magenta");
  EXPECT_EQ(shell.Find<QLabel>("Label5_1")->text(), "150");
  // No stamp on any output: the sample is greyed out.
  EXPECT_FALSE(shell.Find<QLabel>("Label1_22")->isEnabled());
}

}  // namespace
}  // namespace quorvin::test
