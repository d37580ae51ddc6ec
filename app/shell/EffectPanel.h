#pragma once
// Tab 2 of SSTab1: the effects in the effect area, the turn and the colour gamma of every frame.

#include "ShellContext.h"

#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>

#include <array>

namespace quorvin {

class EffectPanel : public QWidget {
  Q_OBJECT
 public:
  EffectPanel(ShellContext& context, QWidget* parent = nullptr);

  void HScroll1_Change(int index);
  void HScroll2_Change(int index);
  void Option17_Click(int index);
  void Option18_Click(int index);

  // The settings display's part for this tab.
  void RefreshOptions();
  void RefreshEffects();

  std::array<QScrollBar*, 3> HScroll1{};
  std::array<QLabel*, 3> Label5{};
  std::array<QLabel*, 3> Label8{};  // plane names: Blue/Green/Red or Cyan/Magenta/Yellow
  std::array<QScrollBar*, 6> HScroll2{};
  std::array<QRadioButton*, 3> Option17{};
  std::array<QRadioButton*, 4> Option18{};

 private:
  ShellContext& c_;
};

}  // namespace quorvin
