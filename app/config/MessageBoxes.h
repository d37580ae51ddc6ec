#pragma once
// Message boxes go through this interface: the window layer shows real boxes, a headless run writes them
// to standard error, and tests record them.

#include <QString>

namespace quorvin {

enum class MessageIcon { Information, Exclamation, Critical };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A box with an OK button; returns once it is closed.
  virtual void Show(MessageIcon icon, const QString& title, const QString& text) = 0;
  // The box of an error after which the program ends with status 1 without saving anything: an exclamation
  // box with an OK button. It returns once closed; ending the process is the caller's part.
  virtual void Fatal(const QString& title, const QString& text) {
    Show(MessageIcon::Exclamation, title, text);
  }
};

// For runs without a display: every box is a line on standard error and counts as closed with OK.
class ConsoleMessageBoxes final : public MessageBoxes {
 public:
  void Show(MessageIcon icon, const QString& title, const QString& text) override;
};

// The line a box leaves on standard error: "title: text".
void WriteMessageToStderr(const QString& title, const QString& text);

}  // namespace quorvin
