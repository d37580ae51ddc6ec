// The view: picture-pixel mouse positions, redraw on Repaint, the selection rectangle.

#include "ImageView.h"
#include "PipelineTestImages.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quorvin {
namespace {

TEST(ImageView, ReportsMousePositionsInPicturePixels) {
  ImagingControl control;
  control.SetPicture(test::UniformPicture(200, 100, 0x808080));
  ImageView view(control);
  view.resize(400, 300);  // scale 2, the picture centred with 50 pixels above and below
  EXPECT_EQ(view.PictureArea(), QRectF(0, 50, 400, 200));
  QSignalSpy down(&view, &ImageView::MouseDown);
  QSignalSpy up(&view, &ImageView::MouseUp);
  QTest::mousePress(&view, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 110));
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(399, 249));
  ASSERT_EQ(down.count(), 1);
  EXPECT_EQ(down[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
  EXPECT_EQ(down[0][1].value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
  EXPECT_FLOAT_EQ(down[0][2].toFloat(), 50);
  EXPECT_FLOAT_EQ(down[0][3].toFloat(), 30);
  ASSERT_EQ(up.count(), 1);
  EXPECT_FLOAT_EQ(up[0][2].toFloat(), 199.5f);
  EXPECT_FLOAT_EQ(up[0][3].toFloat(), 99.5f);
}

TEST(ImageView, ShowsThePictureAndTheVisibleSelection) {
  ImagingControl control;
  control.SetPicture(test::UniformPicture(100, 80, 0x0000FF));
  ImageView view(control);
  view.resize(100, 80);
  QImage shown = view.grab().toImage();
  EXPECT_EQ(shown.pixelColor(50, 40), QColor(255, 0, 0));

  control.SetSelectionRect(10, 20, 30, 20);
  control.SetSelectionVisible(true);
  shown = view.grab().toImage();
  const QColor edge = shown.pixelColor(10, 30), inside = shown.pixelColor(25, 30);
  EXPECT_NE(edge, QColor(255, 0, 0));
  EXPECT_EQ(inside, QColor(255, 0, 0));
  control.SetSelectionVisible(false);
  EXPECT_EQ(view.grab().toImage().pixelColor(10, 30), QColor(255, 0, 0));
}

}  // namespace
}  // namespace quorvin

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
