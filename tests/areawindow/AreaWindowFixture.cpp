#include "AreaWindowFixture.h"

#include "Naming.h"

#include <QPainter>
#include <QTest>

namespace quorvin::test {

void AreaWindowFixture::SetUp() {
  DeriveNameFormats(settings_, naming_);
  korvex_ = std::make_unique<korvex::CKorvexCtrl>();
  int testDevice = -1;
  for (int i = 0; i < korvex_->GetNumDrivers(); ++i)
    if (korvex_->DeviceNameList(i).startsWith(QStringLiteral("Test Pattern"))) testDevice = i;
  ASSERT_GE(testDevice, 0) << "the test-pattern device is missing";
  korvex_->SetDeviceIndex(testDevice);
  video_ = std::make_unique<KorvexVideoDevice>(*korvex_);
  counting_ = std::make_unique<CountingDevice>(*video_);
}

void AreaWindowFixture::TearDown() {
  delete form_.data();
  counting_.reset();
  video_.reset();
  korvex_.reset();
}

Form4& AreaWindowFixture::Open(VideoDevice* device) {
  form_ = new Form4(settings_, naming_, main_, device, clock_, [this] { return tab_; });
  form_->show();
  form_->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(form_.data()));
  return *form_;
}

QPoint AreaWindowFixture::At(double x, double y) const {
  const QRectF area = View().PictureArea();
  const double scale = area.width() / form_->LEAD1[0].ImageWidth();
  return (area.topLeft() + QPointF(x, y) * scale).toPoint();
}

void AreaWindowFixture::Drag(QPoint from, QPoint to, Qt::MouseButton button) {
  QTest::mousePress(&View(), button, Qt::NoModifier, from);
  QTest::mouseMove(&View(), (from + to) / 2);
  QTest::mouseMove(&View(), to);
  QTest::mouseRelease(&View(), button, Qt::NoModifier, to);
}

}  // namespace quorvin::test
