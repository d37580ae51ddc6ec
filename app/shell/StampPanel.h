#pragma once
// Tab 3 of SSTab1: the time stamp (which outputs, texts, date and time formats, placement, style, font
// and colour) and the logo mark (which outputs, files, grid place and offsets).

#include "ShellContext.h"

#include <QRadioButton>
#include <QWidget>

#include <array>

namespace quorvin {

class UpDown;

class StampPanel : public QWidget {
  Q_OBJECT
 public:
  StampPanel(ShellContext& context, QWidget* parent = nullptr);

  void Text2_Change(int index);
  void pos_Change(int index);
  void UpDown4_Change(int index);
  void Option1_Click(int index);
  // Only Label2(5), the text colour, answers a click.
  void Label2_Click(int index);

  // The settings display's part for this tab.
  void RefreshOptions();
  void RefreshTexts();
  void RefreshMarkPosition();
  void ShowLogoPreview();

  std::array<QRadioButton*, 9> Option1{};
  std::array<QRadioButton*, 9> Option2{};
  std::array<QLineEdit*, 2> pos{};
  std::array<UpDown*, 2> UpDown4{};
  QComboBox* Combo2 = nullptr;
  QLabel* Label2_5 = nullptr;
  QLabel* Image1_2 = nullptr;  // logo preview

 private:
  ShellContext& c_;
};

}  // namespace quorvin
