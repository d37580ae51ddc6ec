// The effect and colour settings on the real main window: check boxes and what they switch, the effect
// and gamma sliders, the colour models, the option groups, the date and time lists with the stamp sample,
// the style list, the colour dialog and the lists that open on focus.
#include "Controls.h"
#include "EffectPanel.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "StampPanel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvin::test {
namespace {

class EffectPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell.LoadDefaults();
    // Shown, so clicks land where the operator's would and the lists can take the focus.
    shell.form().show();
  }
  Settings& s() { return shell.form().settings(); }
  template <typename W>
  W* find(const QString& name) {
    W* w = shell.Find<W>(name);
    if (!w) ADD_FAILURE() << "no control " << name.toStdString();
    return w;
  }
  QAbstractButton* button(const QString& name) { return find<QAbstractButton>(name); }
  QLabel* label(const QString& name) { return find<QLabel>(name); }
  QScrollBar* slider(const QString& name) { return find<QScrollBar>(name); }
  // Brings the tab holding `w` to the front, as the operator would before using it.
  void reveal(QWidget* w) {
    QTabWidget* tabs = shell.form().SSTab1();
    for (int i = 0; i < tabs->count(); ++i)
      if (tabs->widget(i)->isAncestorOf(w)) tabs->setCurrentIndex(i);
  }
  void click(QWidget* w) {
    reveal(w);
    // Near the left edge: a check box or option button answers only on its mark and caption, which
    // may be far narrower than the cell it sits in.
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(std::min(8, w->width() / 2), w->height() / 2));
  }
  void step(QScrollBar* bar) {
    // What a click on the slider's right arrow does.
    reveal(bar);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  }
  // The operator's pick in a choice list.
  void pick(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  QByteArray recordBytes(const Settings& settings) { return SettingsFileBytes(settings, shell.clock.Now()); }
  static QColor bgr(int32_t value) { return ColorFromBgr(value); }

  Shell shell;
};

QString Indexed(const char* name, int index) {
  return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

TEST_F(EffectPanelTest, CheckBoxesCarryTheirCaptionsAndStoreTheirSwitch) {
  const struct {
    int index;
    const char* caption;
  } boxes[] = {{1, "Live Half"},     {2, "Histrical"},    {3, "Live Full"},  {6, "Live thumbnail"},
               {7, "Live Harfsize"}, {8, "Live capture"}, {9, "Hist file"},  {10, "Hist thumbnail file"},
               {11, "Live Full"},    {12, "Live Half"},   {13, "Histrical"}, {14, "use image mask"},
               {17, "Sharpen"},      {18, "Intensity"},   {19, "Invert"},    {20, "Flip"},
               {21, "Mirror"},       {22, "Median"},      {23, "Oilify"},    {24, "Mosaic"},
               {25, "Average"},      {26, "Gamma"},       {28, "Active"},    {29, "Start on Task Try"}};
  for (const auto& b : boxes) {
    QAbstractButton* box = button(Indexed("Check1", b.index));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QString::fromLatin1(b.caption)) << b.index;
    for (int round = 0; round < 2; ++round) {
      click(box);
      EXPECT_EQ(s().ch1[b.index], box->isChecked() ? 1 : 0) << b.index;
    }
  }

  // What each switch enables: the live name boxes and the history example paths.
  const struct {
    int check;
    QWidget* follower;
  } followers[] = {{6, shell.Box("text1_6")},
                   {7, shell.Box("text1_7")},
                   {8, shell.Box("text1_8")},
                   {9, label("Label1_27")},
                   {10, label("Label1_28")}};
  for (const auto& f : followers) {
    QAbstractButton* box = button(Indexed("Check1", f.check));
    for (int round = 0; round < 2; ++round) {
      click(box);
      EXPECT_EQ(f.follower->isEnabled(), box->isChecked()) << f.check;
    }
  }

  QStringList titles;
  for (const QGroupBox* group : shell.form().SSTab1()->widget(2)->findChildren<QGroupBox*>())
    titles << group->title();
  EXPECT_TRUE(titles.contains("Effect")) << titles.join(", ").toStdString();
  EXPECT_TRUE(titles.contains("Color Ganmma Correct for all capture image"))
      << titles.join(", ").toStdString();
}

TEST_F(EffectPanelTest, EffectSwitchKeepsItsValueWhenOffAndReloadsTheSliderWhenOn) {
  const int checks[6] = {17, 22, 23, 24, 25, 26};
  const int values[6] = {640, 12, 3, 25, 7, 180};
  for (int k = 0; k < 6; ++k) {
    QAbstractButton* box = button(Indexed("Check1", checks[k]));
    QLabel* value = label(Indexed("Label6", k));
    if (!box->isChecked()) click(box);
    ASSERT_TRUE(value->isEnabled()) << k;
    const int32_t before = s().efct[k];
    click(box);
    EXPECT_FALSE(value->isEnabled()) << k;
    EXPECT_EQ(s().efct[k], before) << k;

    // Changed elsewhere (a loaded file) while off: switching on shows the stored value, not the old one.
    s().efct[k] = values[k];
    click(box);
    EXPECT_TRUE(value->isEnabled()) << k;
    EXPECT_EQ(value->text(), QString::number(values[k])) << k;
    EXPECT_EQ(slider(Indexed("HScroll2", k))->value(), values[k]) << k;
    EXPECT_EQ(s().efct[k], values[k]) << k;
  }
}

TEST_F(EffectPanelTest, EffectSlidersShowAndStoreTheirValueWithinTheirRanges) {
  const int minimum[6] = {0, 1, 1, 1, 1, 50};
  const int maximum[6] = {1000, 30, 30, 30, 30, 300};
  for (int k = 0; k < 6; ++k) {
    QScrollBar* bar = slider(Indexed("HScroll2", k));
    QLabel* value = label(Indexed("Label6", k));
    bar->setValue(minimum[k] + 1);
    step(bar);
    EXPECT_EQ(value->text(), QString::number(minimum[k] + 2)) << k;
    EXPECT_EQ(s().efct[k], minimum[k] + 2) << k;
    bar->setValue(maximum[k] + 50);
    EXPECT_EQ(value->text(), QString::number(maximum[k])) << k;
    EXPECT_EQ(s().efct[k], maximum[k]) << k;
    bar->setValue(minimum[k] - 50);
    EXPECT_EQ(s().efct[k], minimum[k]) << k;
  }
  // The gamma effect's own limits are not the gamma correction's: 50 is its least.
  EXPECT_EQ(s().efct[5], 50);
}

TEST_F(EffectPanelTest, ColourModelsShowTheirOwnPlanesAndValues) {
  s().colorganma = {110, 120, 130, 140};
  s().colorganma2 = {60, 70, 80, 90};
  const char* cmyk[3] = {"Cyan", "Magenta", "Yellow"};
  const int32_t cmykColours[3] = {0xE0A000, 0xFF00FF, 0x00A0E0};
  const char* rgb[3] = {"Blue", "Green", "Red"};
  const int32_t rgbColours[3] = {0xFF0000, 0x00A000, 0x0000FF};

  click(button("Option17_1"));
  EXPECT_EQ(s().op3[17], 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(label(Indexed("Label8", i))->text(), cmyk[i]);
    EXPECT_EQ(label(Indexed("Label8", i))->palette().color(QPalette::Window), bgr(cmykColours[i])) << i;
    EXPECT_EQ(slider(Indexed("HScroll1", i))->value(), s().colorganma2[i]);
    EXPECT_EQ(label(Indexed("Label5", i))->text(), QString::number(60 + 10 * i));
  }
  step(slider("HScroll1_1"));
  EXPECT_EQ(s().colorganma2[1], 71);
  EXPECT_EQ(label("Label5_1")->text(), "71");

  click(button("Option17_0"));
  EXPECT_EQ(s().op3[17], 0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(label(Indexed("Label8", i))->text(), rgb[i]);
    EXPECT_EQ(label(Indexed("Label8", i))->palette().color(QPalette::Window), bgr(rgbColours[i])) << i;
    EXPECT_EQ(slider(Indexed("HScroll1", i))->value(), 110 + 10 * i);
    EXPECT_EQ(label(Indexed("Label5", i))->text(), QString::number(110 + 10 * i));
  }
  slider("HScroll1_2")->setValue(42);
  EXPECT_EQ(s().colorganma[2], 42);
  // Each model kept its own values; black is the settings file's alone.
  EXPECT_EQ(s().colorganma, (std::array<int32_t, 4>{110, 120, 42, 140}));
  EXPECT_EQ(s().colorganma2, (std::array<int32_t, 4>{60, 71, 80, 90}));

  click(button("Option17_2"));
  EXPECT_EQ(s().op3[17], 2);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(label(Indexed("Label8", i))->isEnabled()) << i;
    EXPECT_FALSE(label(Indexed("Label5", i))->isEnabled()) << i;
  }
  const Settings before = s();
  slider("HScroll1_0")->setValue(7);
  EXPECT_EQ(label("Label5_0")->text(), "7");
  EXPECT_EQ(recordBytes(s()), recordBytes(before));

  click(button("Option17_1"));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(label(Indexed("Label8", i))->isEnabled()) << i;
    EXPECT_TRUE(label(Indexed("Label5", i))->isEnabled()) << i;
  }
  EXPECT_EQ(label("Label5_0")->text(), "60");
}

TEST_F(EffectPanelTest, GammaBeyondTheSliderIsShownAndKeptAsTheSliderHoldsIt) {
  // The file's check lets a negative gamma through; the slider cannot show it.
  s().colorganma[0] = -5;
  s().colorganma[1] = 100;
  // The slider already at its least, so moving it there changes nothing by itself.
  s().colorganma2[0] = 1;
  click(button("Option17_1"));
  click(button("Option17_0"));
  EXPECT_EQ(slider("HScroll1_0")->value(), 1);
  EXPECT_EQ(label("Label5_0")->text(), "1");
  EXPECT_EQ(s().colorganma[0], 1);
  EXPECT_EQ(s().colorganma[1], 100);
}

TEST_F(EffectPanelTest, TurnSetsTheOptionAndTheAngle) {
  const char* captions[4] = {"0 deg", "90 deg", "180 deg", "270 deg"};
  for (int i : {2, 1, 3, 0, 2}) {
    QAbstractButton* turn = button(Indexed("Option18", i));
    EXPECT_EQ(turn->text(), captions[i]);
    click(turn);
    EXPECT_EQ(s().op3[18], i);
    EXPECT_EQ(s().PictureAngle, i * 9000);
  }
  EXPECT_EQ(s().PictureAngle, 18000);
}

TEST_F(EffectPanelTest, OptionGroupsStoreTheirIndexAndNothingElse) {
  const struct {
    const char* group;
    int count;
    int op3;
  } groups[] = {{"Option1", 9, 2},   {"Option2", 9, 3},   {"Option4", 2, 1},
                {"Option8", 2, 8},   {"Option9", 2, 9},   {"Option10", 2, 10},
                {"Option11", 2, 11}, {"Option12", 2, 12}, {"Option16", 2, 16}};
  for (const auto& g : groups) {
    for (int i = g.count - 1; i >= 0; --i) {
      Settings expected = s();
      expected.op3[g.op3] = i;
      click(button(Indexed(g.group, i)));
      EXPECT_EQ(s().op3[g.op3], i) << g.group << " " << i;
      EXPECT_EQ(recordBytes(s()), recordBytes(expected)) << g.group << " " << i;
    }
  }
  for (int depth = 8; depth <= 12; ++depth) {
    EXPECT_EQ(button(Indexed(qPrintable(QStringLiteral("Option%1").arg(depth)), 0))->text(), "24 bit");
    EXPECT_EQ(button(Indexed(qPrintable(QStringLiteral("Option%1").arg(depth)), 1))->text(), "8 bit");
  }
  EXPECT_EQ(button("Option4_0")->text(), "TWAIN");
  EXPECT_EQ(button("Option4_1")->text(), "VFW");
  EXPECT_EQ(button("Option17_2")->text(), "Disable");

  // The stamp sample is aligned as the text will be placed: columns left, centre, right.
  for (int i = 0; i < 9; ++i) {
    click(button(Indexed("Option1", i)));
    const Qt::Alignment expected = i < 3 ? Qt::AlignLeft : i < 6 ? Qt::AlignHCenter : Qt::AlignRight;
    EXPECT_EQ(label("Label1_22")->alignment() & Qt::AlignHorizontal_Mask, expected) << i;
  }
}

TEST_F(EffectPanelTest, DateAndTimeListsRederiveTheStampFormatsAndTheSample) {
  shell.clock.Set(1999, 6, 29, 13, 45, 27);
  shell.Box("Text2_0")->setText("CAM");
  shell.Box("Text2_2")->setText("/");
  shell.Box("Text2_3")->setText(":");
  QComboBox* dates = find<QComboBox>("Combo1_4");
  QComboBox* times = find<QComboBox>("Combo1_5");
  ASSERT_TRUE(dates && times);
  const QStringList dateEntries = {"",     "yyyymmdd", "yyyymm", "yyyy", "yymmdd",
                                   "yymm", "yy",       "mmdd",   "mm",   "dd"};
  const QStringList timeEntries = {"", "hhnnss", "hhnn", "hh"};
  ASSERT_EQ(dates->count(), dateEntries.size());
  for (int i = 0; i < dates->count(); ++i) EXPECT_EQ(dates->itemText(i), dateEntries[i]);
  ASSERT_EQ(times->count(), timeEntries.size());
  for (int i = 0; i < times->count(); ++i) EXPECT_EQ(times->itemText(i), timeEntries[i]);

  const struct {
    int index;
    const char* format;
    const char* shown;
    const char* absent;
  } dateCases[] = {{1, "yyyymmdd", "1999/06/29", ""},
                   {4, "yymmdd", "99/06/29", "1999"},
                   {3, "yyyy", "1999", "/06"},
                   {9, "dd", "29", "/"},
                   {0, " ", "", "06/29"}};
  for (const auto& c : dateCases) {
    pick(dates, c.index);
    EXPECT_EQ(s().op2[4], c.index);
    EXPECT_EQ(shell.form().naming().StampDateFormat, c.format) << c.index;
    const QString sample = label("Label1_22")->text();
    EXPECT_TRUE(sample.startsWith("CAM")) << sample.toStdString();
    EXPECT_TRUE(sample.contains(QLatin1String(c.shown))) << c.index << " " << sample.toStdString();
    if (*c.absent) {
      EXPECT_FALSE(sample.contains(QLatin1String(c.absent))) << c.index << " " << sample.toStdString();
    }
  }
  pick(dates, 1);

  const struct {
    int index;
    const char* format;
    const char* shown;
    const char* absent;
  } timeCases[] = {{2, "hhnn", "13:45", "13:45:27"}, {3, "hh", "13", "13:45"}, {1, "hhnnss", "13:45:27", ""}};
  for (const auto& c : timeCases) {
    pick(times, c.index);
    EXPECT_EQ(s().op2[5], c.index);
    EXPECT_EQ(shell.form().naming().StampTimeFormat, c.format) << c.index;
    const QString sample = label("Label1_22")->text();
    EXPECT_TRUE(sample.contains(QLatin1String(c.shown))) << c.index << " " << sample.toStdString();
    if (*c.absent) {
      EXPECT_FALSE(sample.contains(QLatin1String(c.absent))) << c.index << " " << sample.toStdString();
    }
  }

  // The name lists re-derive the names the same way and the example path follows.
  pick(find<QComboBox>("Combo1_3"), 0);
  pick(find<QComboBox>("Combo1_2"), 0);
  EXPECT_FALSE(label("Label1_27")->text().contains("19990629")) << label("Label1_27")->text().toStdString();
  pick(find<QComboBox>("Combo1_2"), 1);
  EXPECT_EQ(shell.form().naming().FileDateFormat, "yyyymmdd");
  EXPECT_TRUE(label("Label1_27")->text().contains("19990629")) << label("Label1_27")->text().toStdString();
}

TEST_F(EffectPanelTest, StyleListIsTheImagingControlsStyles) {
  auto* styles = find<QComboBox>("Combo2");
  ASSERT_NE(styles, nullptr);
  const QStringList names = {"Normal", "Shadow", "Outline", "Raised", "Sunken", "Box", "Heavy outline"};
  ASSERT_EQ(styles->count(), names.size());
  for (int i = 0; i < styles->count(); ++i) EXPECT_EQ(styles->itemText(i), names[i]);
  pick(styles, 4);
  EXPECT_EQ(s().op3[5], 4);
  pick(styles, 0);
  EXPECT_EQ(s().op3[5], 0);
}

TEST_F(EffectPanelTest, ColourSampleAsksTheColourDialogAndCancelChangesNothing) {
  QLabel* sample = label("Label2_5");
  ASSERT_NE(sample, nullptr);
  s().stampTextColor = 0x00FFFF;
  shell.form().RefreshWindowFromSettings();
  shell.dialogs.NextColor(0x4080FF);
  click(sample);
  ASSERT_EQ(shell.dialogs.colorRequests.size(), 1u);
  EXPECT_EQ(shell.dialogs.colorRequests[0], 0x00FFFF);
  EXPECT_EQ(s().stampTextColor, 0x4080FF);
  EXPECT_EQ(sample->palette().color(QPalette::Window), QColor(0xFF, 0x80, 0x40));

  const Settings before = s();
  shell.dialogs.NextColor(std::nullopt);
  click(sample);
  ASSERT_EQ(shell.dialogs.colorRequests.size(), 2u);
  EXPECT_EQ(shell.dialogs.colorRequests[1], 0x4080FF);
  EXPECT_EQ(recordBytes(s()), recordBytes(before));
  EXPECT_EQ(sample->palette().color(QPalette::Window), QColor(0xFF, 0x80, 0x40));

  // The colour chosen is the one the next save writes.
  ASSERT_TRUE(SaveSettings(s(), shell.SettingsFile(), shell.clock, &shell.boxes).ok);
  Settings reloaded;
  LoadSettings(reloaded, shell.SettingsFile());
  EXPECT_EQ(reloaded.stampTextColor, 0x4080FF);
}

TEST_F(EffectPanelTest, ChoiceListsOpenWhenTheyGetTheFocus) {
  Form1& form = shell.form();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  const int tabs[] = {3, 3, 0, -1};
  const char* names[] = {"Combo1_4", "Combo2", "Combo1_2", "Combo3_1"};
  for (int n = 0; n < 4; ++n) {
    if (tabs[n] >= 0) form.SSTab1()->setCurrentIndex(tabs[n]);
    auto* combo = find<QComboBox>(QLatin1String(names[n]));
    ASSERT_NE(combo, nullptr);
    // The device lists are empty until start-up lists the devices.
    if (combo->count() == 0) combo->addItem(QStringLiteral("Test Pattern"));
    ASSERT_FALSE(combo->view()->isVisible()) << names[n];
    combo->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_TRUE(combo->view()->isVisible()) << names[n];
    // Closing the list gives the focus back to the box; that must not open it again.
    combo->hidePopup();
    QCoreApplication::processEvents();
    EXPECT_FALSE(combo->view()->isVisible()) << names[n];
  }
  // Focus handed on by a tab page coming to the front, not by the operator's key: the list stays shut.
  QComboBox* style = find<QComboBox>("Combo2");
  form.SSTab1()->setCurrentIndex(3);
  shell.Box("Text2_0")->setFocus(Qt::TabFocusReason);
  style->setFocus(Qt::OtherFocusReason);
  QCoreApplication::processEvents();
  EXPECT_TRUE(style->hasFocus());
  EXPECT_FALSE(style->view()->isVisible());
  style->setFocus(Qt::BacktabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_FALSE(style->view()->isVisible()) << "the list had the focus already";
  shell.Box("Text2_0")->setFocus(Qt::TabFocusReason);
  style->setFocus(Qt::BacktabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_TRUE(style->view()->isVisible());
  style->hidePopup();
}

TEST_F(EffectPanelTest, PreviewButtonsSitOnTheirTabs) {
  QTabWidget* tabs = shell.form().SSTab1();
  auto* effect = find<QPushButton>("Command2_1");
  auto* stamp = find<QPushButton>("Command2_0");
  ASSERT_TRUE(effect && stamp);
  EXPECT_EQ(effect->text(), "Effect Preview");
  EXPECT_EQ(stamp->text(), "Stamp Preview");
  EXPECT_TRUE(tabs->widget(2)->isAncestorOf(effect));
  EXPECT_TRUE(tabs->widget(3)->isAncestorOf(stamp));
}

}  // namespace
}  // namespace quorvin::test
