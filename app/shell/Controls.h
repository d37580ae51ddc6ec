#pragma once
// Small controls the windows share: the up-down pair of arrows and helpers that name controls as their
// arrays do ("Check1_28").

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include <cstdint>

class QToolButton;

namespace quorvin {

// Two arrow buttons that step a value. Its own range is wide on purpose: the handlers of the box it is
// paired with enforce the limits, and a step past a limit must reach them to be turned back.
class UpDown : public QWidget {
  Q_OBJECT
 public:
  explicit UpDown(QWidget* parent = nullptr);
  int value() const { return value_; }
  // Emits valueChanged when the value changes, as an operator's step would.
  void setValue(int value);
  void setRange(int minimum, int maximum);
  void stepBy(int steps) { setValue(value_ + steps); }

 signals:
  void valueChanged(int value);

 private:
  int value_ = 0;
  int minimum_ = -1000000;
  int maximum_ = 1000000;
  QToolButton* up_;
  QToolButton* down_;
};

// objectName "name_index", as the control arrays are addressed.
template <typename W>
W* Named(W* widget, const char* name, int index) {
  widget->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
  return widget;
}
template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

// Sets a check box or option button from code without its signals; the caller runs the handler.
void SetCheckedQuietly(QAbstractButton* button, bool checked);

// A label's background from a 0x00BBGGRR value.
void SetLabelBackground(QLabel* label, int32_t colorBgr);
QColor ColorFromBgr(int32_t colorBgr);
int32_t BgrFromColor(const QColor& color);

}  // namespace quorvin
