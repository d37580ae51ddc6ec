#pragma once
// Message boxes as QMessageBox. Every text also goes to standard error; without a display (the offscreen
// platform) no box is shown and each counts as closed with OK at once.

#include "MessageBoxes.h"

namespace quorvin {

class QtMessageBoxes final : public MessageBoxes {
 public:
  void Show(MessageIcon icon, const QString& title, const QString& text) override;
};

// True under the offscreen platform: a modal box would wait for ever there.
bool RunningWithoutDisplay();

}  // namespace quorvin
