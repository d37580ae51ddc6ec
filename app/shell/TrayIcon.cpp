#include "TrayIcon.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>

namespace quorvin {
namespace {

// A camera body with a lens; `dot` marks the state (none for the window's own icon); `crossed` strikes it
// through.
QIcon CameraIcon(const QColor& dot, bool crossed = false) {
  QIcon icon;
  for (int side : {16, 32, 64}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double u = side / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 110));
    p.drawRoundedRect(QRectF(1 * u, 4 * u, 14 * u, 10 * u), 2 * u, 2 * u);
    p.drawRect(QRectF(5 * u, 2.5 * u, 5 * u, 2 * u));
    p.setBrush(QColor(220, 230, 240));
    p.drawEllipse(QPointF(8 * u, 9 * u), 3.6 * u, 3.6 * u);
    p.setBrush(QColor(40, 70, 110));
    p.drawEllipse(QPointF(8 * u, 9 * u), 2 * u, 2 * u);
    if (dot.isValid()) {
      p.setBrush(dot);
      p.setPen(QPen(Qt::white, u * 0.8));
      p.drawEllipse(QPointF(12.5 * u, 12.5 * u), 3 * u, 3 * u);
    }
    if (crossed) {
      p.setPen(QPen(QColor(230, 30, 30), 2 * u, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(1.5 * u, 1.5 * u), QPointF(14.5 * u, 14.5 * u));
    }
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

QIcon TrayIcon::MainIcon() {
  return CameraIcon(QColor());
}

QIcon TrayIcon::Image1(int index) {
  return CameraIcon(index == 0 ? QColor(220, 40, 40) : QColor(40, 170, 60));
}

QIcon TrayIcon::AlarmIcon() {
  return CameraIcon(QColor(230, 150, 20), /*crossed=*/true);
}

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), menu_(new QMenu) {
  menu_->setObjectName(QStringLiteral("mnuPopup"));
  menu_->setTitle(QStringLiteral("PopUp"));
  setup_ = menu_->addAction(QStringLiteral("Setup"));
  setup_->setObjectName(QStringLiteral("ssVER"));
  menu_->addSeparator()->setObjectName(QStringLiteral("LL2"));
  quit_ = menu_->addAction(QStringLiteral("Quit(&X)"));
  quit_->setObjectName(QStringLiteral("ssFIN"));
  connect(setup_, &QAction::triggered, this, &TrayIcon::SetupChosen);
  connect(quit_, &QAction::triggered, this, &TrayIcon::QuitChosen);
}

TrayIcon::~TrayIcon() {
  delete platform_;
  delete menu_;
}

void TrayIcon::Add(const QString& tip) {
  present_ = true;
  picture_ = Picture::Main;
  tip_ = tip;
  Apply();
}

void TrayIcon::Set(int index, const QString& tip) {
  if (!present_) return;  // a change without an icon has no effect
  picture_ = index == 0 ? Picture::Busy : Picture::Idle;
  tip_ = tip;
  Apply();
}

void TrayIcon::Remove() {
  present_ = false;
  Apply();
}

void TrayIcon::SetAlarm(const QString& text) {
  alarm_ = text;
  Apply();
}

QIcon TrayIcon::CurrentIcon() const {
  if (picture_ == Picture::Busy) return Image1(0);
  if (!alarm_.isEmpty()) return AlarmIcon();
  return picture_ == Picture::Main ? MainIcon() : Image1(1);
}

bool TrayIcon::Visible() const {
  return platform_ && platform_->isVisible();
}

void TrayIcon::Callback(int event) {
  if (event != kLeftButtonUp && event != kRightButtonUp) return;
  menu_->popup(QCursor::pos());
}

void TrayIcon::Apply() {
  if (!present_) {
    if (platform_) platform_->hide();
    return;
  }
  if (!platform_) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    platform_ = new QSystemTrayIcon;
    connect(platform_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::Trigger) Callback(kLeftButtonUp);
      if (reason == QSystemTrayIcon::Context) Callback(kRightButtonUp);
    });
  }
  platform_->setIcon(CurrentIcon());
  platform_->setToolTip(alarm_.isEmpty() ? tip_ : tip_ + QLatin1Char('\n') + alarm_);
  platform_->show();
}

}  // namespace quorvin
