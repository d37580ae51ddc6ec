#pragma once
// Tab 1 of SSTab1: when to capture and how each output is written. The two intervals with their
// up-downs and the history presets, the operation time, and per output the JPEG quality, the scale and
// the colour depth.

#include "PanelRules.h"
#include "ShellContext.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QWidget>

#include <array>

namespace quorvin {

class UpDown;

class CapturePanel : public QWidget {
  Q_OBJECT
 public:
  CapturePanel(ShellContext& context, QWidget* parent = nullptr);

  void Option3_Click(int index);
  void interval_Change(int index);
  void UpDown1_Change(int index);
  // The pairs jrezo/UpDown3 (quality) and size/UpDown2 (scale).
  void jrezo_Change(int index);
  void UpDown3_Change(int index);
  void size_Change(int index);
  void UpDown2_Change(int index);
  void Text3_Change(int index);

  // The settings display's part for this tab, in the order of the display table.
  void RefreshIntervals();
  void RefreshOptions();
  void RefreshOperationTime();
  void RefreshQuality();

  std::array<QLineEdit*, 2> interval{};
  std::array<UpDown*, 2> UpDown1{};
  std::array<QRadioButton*, 4> Option3{};
  std::array<QRadioButton*, 2> Option16{};
  std::array<QLineEdit*, 2> Text3{};
  std::array<QLineEdit*, 5> jrezo{};
  std::array<UpDown*, 5> UpDown3{};
  std::array<QLineEdit*, 5> size{};
  std::array<UpDown*, 5> UpDown2{};
  // Option8 to Option12: colour depth of outputs 0 to 4, each (0) "24 bit", (1) "8 bit".
  std::array<std::array<QRadioButton*, 2>, 5> OptionDepth{};

 private:
  // Text box change of a numeric pair: clamp, mirror into the up-down, store.
  void NumericChange(QLineEdit* box, UpDown* upDown, NumericLimits limits,
                     const std::function<void(int32_t)>& store);
  void UpDownChange(UpDown* upDown, QLineEdit* box, NumericLimits limits);

  ShellContext& c_;
};

}  // namespace quorvin
