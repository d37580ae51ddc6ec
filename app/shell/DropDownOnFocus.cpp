#include "DropDownOnFocus.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace quorvin {
namespace {

class DropDownFilter : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::FocusIn) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && reason != Qt::ShortcutFocusReason)
      return false;
    // Opened after the focus change has finished: a pop-up shown inside it would take the focus away
    // again before the list has it.
    QPointer<QComboBox> combo = static_cast<QComboBox*>(watched);
    QTimer::singleShot(0, combo, [combo] {
      if (combo && combo->hasFocus() && combo->isEnabled() && combo->count() > 0 &&
          !combo->view()->isVisible())
        combo->showPopup();
    });
    return false;
  }
};

}  // namespace

void DropDownOnFocus(QComboBox* combo) {
  combo->installEventFilter(new DropDownFilter(combo));
}

}  // namespace quorvin
