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
  // A box after which the process ends at once with status 1, without saving anything. Only test doubles
  // return from it.
  virtual void Fatal(const QString& title, const QString& text) = 0;
};

// For runs without a display: every box is a line on standard error and counts as closed with OK.
class ConsoleMessageBoxes final : public MessageBoxes {
 public:
  void Show(MessageIcon icon, const QString& title, const QString& text) override;
  [[noreturn]] void Fatal(const QString& title, const QString& text) override;
};

// The line a box leaves on standard error: "title: text".
void WriteMessageToStderr(const QString& title, const QString& text);

}  // namespace quorvin
