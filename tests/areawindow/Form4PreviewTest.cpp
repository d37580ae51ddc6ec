// What the preview shows: the frame processed as the outputs are, the effects only inside the effect area,
// the logo and the stamp whatever the per-output switches say, and a stand-in when no frame comes.

#include "AreaWindowFixture.h"
#include "Pipeline.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <opencv2/core.hpp>

namespace quorvin::test {
namespace {

// The plain device's colour as the picture holds it (blue, green, red, X).
const QColor kFrameColor(40, 80, 120);
const cv::Vec4b kFramePixel(120, 80, 40, 255);

// Pixels unlike `pixel` inside and outside a rectangle.
struct Unlike {
  int inside = 0, outside = 0;
};
Unlike CountUnlike(const cv::Mat& picture, cv::Vec4b pixel, cv::Rect area) {
  Unlike n;
  for (int y = 0; y < picture.rows; ++y)
    for (int x = 0; x < picture.cols; ++x)
      if (picture.at<cv::Vec4b>(y, x) != pixel) ++(area.contains({x, y}) ? n.inside : n.outside);
  return n;
}

class Form4Preview : public AreaWindowFixture {
 protected:
  void SetUp() override {
    AreaWindowFixture::SetUp();
    settings_.op3[17] = 2;  // no colour correction: the frame colour stays exact
    // The stamp, always drawn, kept in one corner away from what a test looks at.
    settings_.StampAreaLeft = 200, settings_.StampAreaTop = 160;
    settings_.StampAreaWidth = 120, settings_.StampAreaHeight = 80;
    for (int i : {1, 2, 3, 11, 12, 13}) settings_.ch1[static_cast<size_t>(i)] = 0;
  }
  const cv::Rect stampCorner{200, 160, 120, 80};
  PlainVideoDevice device_{320, 240, kFrameColor};
};

TEST_F(Form4Preview, InvertChangesOnlyTheEffectArea) {
  settings_.ch1[19] = 1;
  settings_.EfctALeft = 10, settings_.EfctATop = 20, settings_.EfctAWidth = 30, settings_.EfctAHeight = 40;
  const Form4& form = Open(&device_);
  const cv::Mat& p = form.LEAD1[0].Picture();
  ASSERT_EQ(p.size(), cv::Size(320, 240));
  const cv::Vec4b inverted(255 - 120, 255 - 80, 255 - 40, 255);
  const cv::Rect effect(10, 20, 30, 40);
  for (int y = 0; y < p.rows; ++y)
    for (int x = 0; x < p.cols; ++x) {
      if (stampCorner.contains({x, y})) continue;
      ASSERT_EQ(p.at<cv::Vec4b>(y, x), effect.contains({x, y}) ? inverted : kFramePixel) << x << "," << y;
    }
  EXPECT_FALSE(form.ShowsStandIn());
}

TEST_F(Form4Preview, ColourCorrectionTurnFlipAndMirrorComeBeforeTheEffectArea) {
  settings_.op3[17] = 0;
  settings_.colorganma = {100, 100, 40, 100};  // red plane only
  settings_.ch1[20] = 1;
  settings_.ch1[21] = 1;
  settings_.ch1[19] = 1;
  settings_.EfctALeft = 0, settings_.EfctATop = 0, settings_.EfctAWidth = 5, settings_.EfctAHeight = 5;
  const Form4& form = Open(&device_);
  const cv::Mat& p = form.LEAD1[0].Picture();
  const cv::Vec4b outside = p.at<cv::Vec4b>(100, 100);
  EXPECT_EQ(outside[0], 120);  // blue and green as painted
  EXPECT_EQ(outside[1], 80);
  EXPECT_NE(outside[2], 40);  // red corrected over the whole picture
  const cv::Vec4b corner = p.at<cv::Vec4b>(2, 2);
  EXPECT_EQ(corner[0], 255 - outside[0]);
  EXPECT_EQ(corner[2], 255 - outside[2]);  // inverted after the correction
}

TEST_F(Form4Preview, StampIsDrawnInsideTheStampAreaWhateverTheOutputSwitches) {
  settings_.StampAreaLeft = 20, settings_.StampAreaTop = 30;
  settings_.StampAreaWidth = 200, settings_.StampAreaHeight = 100;
  const Form4& form = Open(&device_);
  const Unlike n = CountUnlike(form.LEAD1[0].Picture(), kFramePixel, {20, 30, 200, 100});
  EXPECT_GT(n.inside, 50);
  EXPECT_EQ(n.outside, 0);
  EXPECT_EQ(StampArea(), (AreaRect{20, 30, 200, 100}));
}

TEST_F(Form4Preview, LogoIsDrawnWhateverTheOutputSwitches) {
  QTemporaryDir dir;
  const QString logo = dir.filePath(QStringLiteral("logo.png"));
  QImage red(20, 10, QImage::Format_RGB32);
  red.fill(QColor(255, 0, 0));
  ASSERT_TRUE(red.save(logo));
  settings_.LogomarkFilename = logo;
  ApplyLogoSettings(main_, settings_);
  settings_.op3[3] = 0;
  settings_.MarkPosLeft = 5, settings_.MarkPosTop = 6;
  const Form4& form = Open(&device_);
  const cv::Mat& p = form.LEAD1[0].Picture();
  const Unlike n = CountUnlike(p, kFramePixel, {5, 6, 20, 10});
  EXPECT_EQ(n.inside, 200);
  EXPECT_EQ(p.at<cv::Vec4b>(10, 10), cv::Vec4b(0, 0, 255, 255));
  EXPECT_EQ(CountUnlike(p, kFramePixel, stampCorner).outside, 200);  // the logo and nothing else
}

TEST_F(Form4Preview, AFrameClampsTheStoredAreasAsAnOutputWould) {
  settings_.EfctATop = 400, settings_.EfctALeft = 500, settings_.EfctAWidth = 300,
  settings_.EfctAHeight = 100;
  OpenOnTestPattern();
  EXPECT_EQ(EffectArea(), (AreaRect{500, 400, 140, 80}));
}

TEST_F(Form4Preview, WithoutAVideoDeviceAStandInOfTheLastKnownSizeIsShown) {
  settings_.op3[1] = 0;  // TWAIN selected
  // Areas placed for larger scanner frames: a stand-in must not clamp them.
  settings_.EfctATop = 1000, settings_.EfctALeft = 1200, settings_.EfctAWidth = 300,
  settings_.EfctAHeight = 200;
  settings_.StampAreaLeft = 100, settings_.StampAreaTop = 100;
  settings_.StampAreaWidth = 2000, settings_.StampAreaHeight = 1000;
  const Settings before = settings_;
  Form4& form = Open(nullptr);
  EXPECT_TRUE(form.ShowsStandIn());
  EXPECT_EQ(form.LEAD1[0].Picture().size(), cv::Size(640, 480));
  EXPECT_EQ(form.FormWidthTwips(), 640 * 15 + 100);
  EXPECT_EQ(settings_, before);
  // The stand-in is black with the stamp on it.
  const Unlike n = CountUnlike(form.LEAD1[0].Picture(), cv::Vec4b(0, 0, 0, 255), {100, 100, 540, 380});
  EXPECT_GT(n.inside, 50);
  EXPECT_EQ(n.outside, 0);

  tab_ = kStampAreaTab;
  Drag(At(5, 5), At(5, 5));
  EXPECT_EQ(StampArea(), (AreaRect{2, 4, 590, 474}));
  EXPECT_TRUE(form_->isVisible());
  form_->close();

  // The main frame control remembers the last video format: the stand-in takes that size.
  main_.LEAD1[0].SetWidth(320 * 15);
  main_.LEAD1[0].SetHeight(240 * 15);
  Form4& again = Open(nullptr);
  EXPECT_EQ(again.LEAD1[0].Picture().size(), cv::Size(320, 240));
  EXPECT_EQ(again.size(), QSize(327, 267));
}

TEST_F(Form4Preview, AFailingGrabShowsABlankOfTheVideoSize) {
  PlainVideoDevice silent(800, 600, kFrameColor);
  silent.delivering = false;
  settings_.StampAreaLeft = 0, settings_.StampAreaTop = 0;
  settings_.StampAreaWidth = 100, settings_.StampAreaHeight = 50;
  Form4& form = Open(&silent);
  EXPECT_EQ(silent.grabs, 1);
  EXPECT_TRUE(form.ShowsStandIn());
  EXPECT_EQ(form.LEAD1[0].Picture().size(), cv::Size(800, 600));
  EXPECT_EQ(CountUnlike(form.LEAD1[0].Picture(), cv::Vec4b(0, 0, 0, 255), {0, 0, 100, 50}).outside, 0);

  silent.delivering = true;  // the device recovers: the next button-up shows a frame again
  Drag(At(10, 10), At(20, 20));
  EXPECT_FALSE(form.ShowsStandIn());
  EXPECT_EQ(form.LEAD1[0].Picture().at<cv::Vec4b>(300, 300), kFramePixel);
}

TEST_F(Form4Preview, AnImagingErrorLeavesTheWindowOpenAndTheWorkControlEmpty) {
  // A logo file that is there but was never loaded: the overlay fails before the stamp.
  const WorkingFolder folder;
  WriteAll(folder.File("logo.png"), "not loaded");
  settings_.LogomarkFilename = folder.File("logo.png");
  settings_.ch1[19] = 1;
  settings_.EfctALeft = 0, settings_.EfctATop = 0, settings_.EfctAWidth = 10, settings_.EfctAHeight = 10;
  Form4& form = Open(&device_);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(main_.LEAD2.HasImage());
  EXPECT_EQ(form.LEAD1[0].Picture().at<cv::Vec4b>(100, 100), kFramePixel);  // processed up to the stamp

  settings_.LogomarkFilename.clear();
  Drag(At(10, 10), At(20, 20));
  EXPECT_GT(CountUnlike(form.LEAD1[0].Picture(), kFramePixel, stampCorner).inside, 50);
}

TEST_F(Form4Preview, APreviewAskedForDuringAGrabRunsAfterIt) {
  Form4* form = nullptr;
  int nested = 0, grabsInsideNested = -1;
  device_.duringGrab = [&] {
    if (form == nullptr || nested++ != 0) return;
    const int before = device_.grabs;
    form->ShowAreaPreview();
    grabsInsideNested = device_.grabs - before;
  };
  form = &Open(&device_);
  const int grabs = device_.grabs;
  form->ShowAreaPreview();
  EXPECT_EQ(grabsInsideNested, 0);      // not run inside the grab, which holds the borrowed work control
  EXPECT_EQ(device_.grabs, grabs + 2);  // but once more afterwards
  EXPECT_FALSE(main_.LEAD2.HasImage());
  EXPECT_EQ(form->LEAD1[0].Picture().at<cv::Vec4b>(10, 10), kFramePixel);
}

}  // namespace
}  // namespace quorvin::test
