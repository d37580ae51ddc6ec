#pragma once
// Tab 0 of SSTab1: where the images go. The live folder and file names, the history folder and the
// parts of the history folder and file names, with the two example paths.

#include "ShellContext.h"

#include <QWidget>

namespace quorvin {

class OutputPanel : public QWidget {
  Q_OBJECT
 public:
  OutputPanel(ShellContext& context, QWidget* parent = nullptr);

  // text1_Change(i): copies the text into its field (the default when empty), then RefreshNamePreview.
  void text1_Change(int index);
  // The settings display's part for this tab: the name boxes.
  void Refresh();
  // Label1(27) and Label1(28): the example history image and thumbnail paths.
  void ShowExamplePaths();

 private:
  QLineEdit* MakeText1(int index, const QString& placeholder = {});
  ShellContext& c_;
};

}  // namespace quorvin
