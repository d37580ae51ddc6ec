#include "Form2.h"

#include <korvex/KorvexCtrl.h>

#include <QCloseEvent>
#include <QVBoxLayout>

namespace quorvin {

Form2::Form2(std::shared_ptr<korvex::DeviceSource> devices, bool screen, QWidget* parent)
    : QWidget(parent, Qt::Window),
      korvex_(new korvex::CKorvexCtrl(this, std::move(devices))),
      screen_(screen) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("preview"));
  korvex_->setObjectName(QStringLiteral("Korvex1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(korvex_);
  TellWhetherSeen();  // created hidden
}

void Form2::TellWhetherSeen() {
  korvex_->SetPreviewSeen(screen_ && isVisible() && !isMinimized());
}

void Form2::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  TellWhetherSeen();
}

void Form2::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  TellWhetherSeen();
}

void Form2::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) TellWhetherSeen();
}

void Form2::closeEvent(QCloseEvent* event) {
  if (!closeAllowed_) {
    hide();
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace quorvin
