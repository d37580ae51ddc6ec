#pragma once
// What the main window's panels share: the process-wide records and the control arrays that span more
// than one tab (Check1, Combo1, Label1, Label6 ...), so one panel's handler can reach another's controls.

#include "Clock.h"
#include "ImagingControls.h"
#include "NamingState.h"
#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <functional>

namespace quorvin {

class Dialogs;
class Scheduler;

struct ShellContext {
  ShellContext(Settings& s, NamingState& n, ImagingControls& c, const Clock& k)
      : settings(s), naming(n), controls(c), clock(k) {}

  Settings& settings;
  NamingState& naming;
  ImagingControls& controls;
  const Clock& clock;
  Scheduler* scheduler = nullptr;
  Dialogs* dialogs = nullptr;  // the file, font, colour and folder dialogs

  std::function<void()> refreshNamePreview;  // RefreshNamePreview
  std::function<void(int)> command1;         // Command1_Click(index)
  std::function<void(int)> command2;         // Command2_Click(index)

  std::array<QCheckBox*, 30> Check1{};
  // Runs after Check1(i) stored its setting: the enabling of the controls that belong to it.
  std::array<std::function<void(bool)>, 30> afterCheck1;
  std::array<QComboBox*, 10> Combo1{};
  std::array<QLabel*, 29> Label1{};
  std::array<QLabel*, 13> Label6{};
  std::array<QLineEdit*, 19> text1{};
  std::array<QLineEdit*, 6> Text2{};
  std::array<QPushButton*, 14> Command1{};

  // Check1_Click(i): stores the switch and runs the enabling hook.
  void Check1Click(int index);
  // Combo1_Click(i): stores the list position, re-derives the formats and refreshes the previews.
  void Combo1Click(int index);
  // Creates Check1(i) with its caption and handler.
  QCheckBox* MakeCheck1(int index, const QString& caption);
  // Creates Combo1(i) with the entries of its format column and its handler.
  QComboBox* MakeCombo1(int index);
  // Creates Command1(i).
  QPushButton* MakeCommand1(int index, const QString& caption);
};

// The check boxes whose setting the settings display shows: 1 to 29 except 4, 5, 15, 16 and 27.
bool Check1Shown(int index);

}  // namespace quorvin
