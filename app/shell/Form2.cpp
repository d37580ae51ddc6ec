#include "Form2.h"

#include <korvex/KorvexCtrl.h>

#include <QCloseEvent>
#include <QVBoxLayout>

namespace quorvin {

Form2::Form2(std::shared_ptr<korvex::DeviceSource> devices, QWidget* parent)
    : QWidget(parent, Qt::Window), korvex_(new korvex::CKorvexCtrl(this, std::move(devices))) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("preview"));
  korvex_->setObjectName(QStringLiteral("Korvex1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(korvex_);
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
