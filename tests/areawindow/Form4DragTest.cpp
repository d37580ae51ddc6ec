// Dragging on the real window: the rectangle shown while the left button is held, the area stored on the
// button-up by the current tab, the click defaults, and the redraw after every button-up.

#include "AreaWindowFixture.h"

#include <QTest>

namespace quorvin::test {
namespace {

using Form4Drag = AreaWindowFixture;

TEST_F(Form4Drag, DragOnTheEffectTabStoresTheRectangleAndRedraws) {
  Form4& form = OpenOnTestPattern();
  ASSERT_EQ(form.LEAD1[0].ImageWidth(), 640);
  const int grabsBefore = Grabs();

  QTest::mousePress(&View(), Qt::LeftButton, Qt::NoModifier, At(300, 200));
  EXPECT_FALSE(form.LEAD1[0].SelectionVisible());
  QTest::mouseMove(&View(), At(100, 50));
  EXPECT_TRUE(form.LEAD1[0].SelectionVisible());
  EXPECT_EQ(form.LEAD1[0].SelectionRect(), QRectF(100, 50, 200, 150));
  EXPECT_EQ(Grabs(), grabsBefore);  // moving only draws the rectangle
  QTest::mouseRelease(&View(), Qt::LeftButton, Qt::NoModifier, At(100, 50));

  EXPECT_EQ(EffectArea(), (AreaRect{100, 50, 200, 150}));
  EXPECT_EQ(StampArea(), (AreaRect{0, 0, 0, 0}));
  EXPECT_FALSE(form.LEAD1[0].SelectionVisible());
  EXPECT_EQ(Grabs(), grabsBefore + 1);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Effect Preview"));
}

TEST_F(Form4Drag, DraggingPastTheLeftEdgeStoresLeftZero) {
  OpenOnTestPattern();
  Drag(At(300, 200), At(-40, 50));
  EXPECT_EQ(EffectArea(), (AreaRect{0, 50, 300, 150}));
  // A press beside the picture starts at 0 too: no negative area is stored.
  Drag(At(-30, -20), At(60, 40));
  EXPECT_EQ(EffectArea(), (AreaRect{0, 0, 60, 40}));
}

TEST_F(Form4Drag, ClickDefaultsOnTheStampAndEffectTabs) {
  OpenOnTestPattern();
  tab_ = kStampAreaTab;
  Drag(At(123, 45), At(123, 45));
  EXPECT_EQ(StampArea(), (AreaRect{2, 4, 590, 474}));
  EXPECT_EQ(EffectArea(), (AreaRect{0, 0, 0, 0}));
  EXPECT_EQ(form_->windowTitle(), QStringLiteral("Stamp Preview"));

  tab_ = kEffectAreaTab;
  Drag(At(123, 45), At(123, 45));
  EXPECT_EQ(EffectArea(), (AreaRect{0, 0, 640, 480}));
  EXPECT_EQ(StampArea(), (AreaRect{2, 4, 590, 474}));
}

TEST_F(Form4Drag, OtherTabsShowTheRectangleStoreNothingButRedraw) {
  settings_.EfctALeft = 10, settings_.EfctATop = 20, settings_.EfctAWidth = 30, settings_.EfctAHeight = 40;
  settings_.StampAreaLeft = 50, settings_.StampAreaTop = 60;
  settings_.StampAreaWidth = 70, settings_.StampAreaHeight = 80;
  Form4& form = OpenOnTestPattern();
  const Settings before = settings_;
  for (int tab : {0, 1, 4}) {
    tab_ = tab;
    const int grabs = Grabs();
    QTest::mousePress(&View(), Qt::LeftButton, Qt::NoModifier, At(200, 100));
    QTest::mouseMove(&View(), At(250, 300));
    EXPECT_TRUE(form.LEAD1[0].SelectionVisible()) << tab;
    EXPECT_EQ(form.LEAD1[0].SelectionRect(), QRectF(200, 100, 50, 200)) << tab;
    QTest::mouseRelease(&View(), Qt::LeftButton, Qt::NoModifier, At(250, 300));
    EXPECT_EQ(settings_, before) << tab;
    EXPECT_EQ(Grabs(), grabs + 1) << tab;
    EXPECT_FALSE(form.LEAD1[0].SelectionVisible()) << tab;
  }
}

TEST_F(Form4Drag, RightButtonMovesDrawNothingButTheReleaseStores) {
  Form4& form = OpenOnTestPattern();
  form.LEAD1[0].SetSelectionRect(1, 2, 3, 4);
  QTest::mousePress(&View(), Qt::RightButton, Qt::NoModifier, At(400, 300));
  QTest::mouseMove(&View(), At(380, 250));
  QTest::mouseMove(&View(), At(350, 220));
  EXPECT_FALSE(form.LEAD1[0].SelectionVisible());
  EXPECT_EQ(form.LEAD1[0].SelectionRect(), QRectF(1, 2, 3, 4));
  QTest::mouseRelease(&View(), Qt::RightButton, Qt::NoModifier, At(350, 220));
  EXPECT_EQ(EffectArea(), (AreaRect{350, 220, 50, 80}));

  // Moves without a button (the view tracks the mouse) draw nothing either.
  QTest::mouseMove(&View(), At(10, 10));
  EXPECT_FALSE(form.LEAD1[0].SelectionVisible());
}

TEST_F(Form4Drag, TurnedPictureIsShownUprightAndTheStampClickUsesItsImageSize) {
  settings_.op3[18] = 1;
  settings_.PictureAngle = 9000;
  Form4& form = OpenOnTestPattern();
  EXPECT_EQ(form.LEAD1[0].ImageWidth(), 480);
  EXPECT_EQ(form.LEAD1[0].ImageHeight(), 640);
  EXPECT_EQ(form.FormWidthTwips(), 480 * 15 + 100);
  EXPECT_EQ(form.FormHeightTwips(), 640 * 15 + 400);
  EXPECT_EQ(form.LEAD1[0].Width(), 480 * 15);
  EXPECT_EQ(form.LEAD1[0].Height(), 640 * 15);
  EXPECT_EQ(View().size(), QSize(480, 640));

  tab_ = kStampAreaTab;
  Drag(At(100, 100), At(100, 100));
  EXPECT_EQ(StampArea(), (AreaRect{2, 4, 430, 634}));
  // Below row 480: positions are in the turned picture's pixels.
  Drag(At(50, 600), At(10, 500));
  EXPECT_EQ(StampArea(), (AreaRect{10, 500, 40, 100}));
}

TEST_F(Form4Drag, ActivationTakesANewFrameAndClosingDiscardsTheWindow) {
  Form4& form = OpenOnTestPattern();
  EXPECT_EQ(Grabs(), 1);
  EXPECT_EQ(form.FormWidthTwips(), 640 * 15 + 100);
  EXPECT_EQ(form.FormHeightTwips(), 480 * 15 + 400);
  EXPECT_EQ(form.size(), QSize(647, 507));  // 9700 and 7600 twips
  EXPECT_EQ(View().geometry(), QRect(0, 0, 640, 480));
  EXPECT_EQ(View().objectName(), QStringLiteral("LEAD1_0"));
  EXPECT_EQ(form.LEAD1[0].FixedSetting(56), 1);
  EXPECT_EQ(form.LEAD2.FixedSetting(56), 1);
  EXPECT_FALSE(main_.LEAD2.HasImage());  // the borrowed work control goes back empty

  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_EQ(Grabs(), 1);
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(Grabs(), 2);

  form.close();
  EXPECT_FALSE(form.LEAD1[0].HasImage());
  EXPECT_FALSE(form.LEAD2.HasImage());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form_.isNull());
}

}  // namespace
}  // namespace quorvin::test
