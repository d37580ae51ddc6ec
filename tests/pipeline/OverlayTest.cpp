// The time stamp and the logo mark.

#include "ImageOps.h"
#include "ImagingControl.h"
#include "ImagingError.h"
#include "Pipeline.h"
#include "PipelineTestImages.h"
#include "StampText.h"
#include "TestSupport.h"

#include <QImage>

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

namespace quorvin {
namespace {

using test::DifferenceBox;
using test::DifferingInside;
using test::DifferingOutside;
using test::NoisePicture;
using test::Put;
using test::SamePixels;
using test::UniformPicture;

NamingState StampNaming() {
  NamingState n;
  n.StampDateFormat = QStringLiteral("yyyymmdd");
  n.StampTimeFormat = QStringLiteral("hhnnss");
  return n;
}

struct Stamped {
  cv::Mat before, after;
  ImagingControl lead2;
};

void Stamp(Stamped& st, Settings& s, const cv::Mat& picture) {
  st.before = picture;
  Put(st.lead2, picture);
  const test::ManualClock clock(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)));
  PrintTimeStamp2(st.lead2, s, StampNaming(), clock);
  st.after = st.lead2.Picture().clone();
}

TEST(TimeStamp, DrawsOnlyInsideTheStampArea) {
  Settings s;
  s.StampAreaLeft = 20;
  s.StampAreaTop = 30;
  s.StampAreaWidth = 150;
  s.StampAreaHeight = 40;
  for (int style = 0; style <= 6; ++style) {
    s.op3[5] = style;
    Stamped st;
    Stamp(st, s, UniformPicture(240, 120, 0x808080));
    const cv::Rect area(20, 30, 150, 40);
    EXPECT_EQ(DifferingOutside(st.after, st.before, area), 0) << "style " << style;
    EXPECT_GT(DifferingInside(st.after, st.before, area), 50) << "style " << style;
  }
}

TEST(TimeStamp, DefaultSettingsGiveAVisibleStamp) {
  Settings s;  // stamp area 0, 0, 0, 0, position 5, style 5
  Stamped st;
  Stamp(st, s, NoisePicture(320, 240, 8));
  const cv::Rect box = DifferenceBox(st.after, st.before);
  ASSERT_FALSE(box.empty());
  // Position 5 is the centre column, bottom row; two lines of 16-pixel text.
  EXPECT_NEAR(box.x + box.width / 2.0, 160, 3);
  EXPECT_GT(box.x, 10);
  EXPECT_EQ(box.y + box.height, 240);
  EXPECT_GT(box.height, 30);
  EXPECT_LT(box.height, 60);
  EXPECT_EQ(s.StampAreaWidth, 0);  // clamping leaves the zero area alone
}

TEST(TimeStamp, PositionsFollowTheGrid) {
  Settings s;
  s.op3[5] = 0;
  s.stampFoot.clear();
  for (int code : {0, 8}) {
    s.op3[2] = code;
    Stamped st;
    Stamp(st, s, UniformPicture(400, 200, 0));
    const cv::Rect box = DifferenceBox(st.after, st.before);
    ASSERT_FALSE(box.empty());
    if (code == 0) {
      EXPECT_LT(box.x, 10);
      EXPECT_LT(box.y, 10);
    } else {
      EXPECT_GT(box.x + box.width, 390);
      EXPECT_GT(box.y + box.height, 190);
    }
  }
}

TEST(TimeStamp, BoxStyleIsLegibleOnAnyBackground) {
  Settings s;  // white text, style 5
  for (int32_t background : {0xFFFFFF, 0x000000}) {
    Stamped st;
    Stamp(st, s, UniformPicture(300, 100, background));
    cv::Mat grey;
    cv::cvtColor(st.after, grey, cv::COLOR_BGRA2GRAY);
    // Both light text pixels and dark box pixels are there.
    EXPECT_GT(cv::countNonZero(grey > 200), 30) << std::hex << background;
    EXPECT_GT(cv::countNonZero(grey < 50), 30) << std::hex << background;
  }
}

TEST(TimeStamp, ContrastColoursFollowTheTextColour) {
  Settings s;
  struct Case {
    int32_t color;
    int32_t aux;
  };
  for (const Case& c : {Case{0x0000FF, 0xFFFFFF}, Case{0xFF0000, 0}, Case{0x707070, 0xFFFFFF},
                        Case{0x707071, 0}, Case{0xFFFFFF, 0}}) {
    s.stampTextColor = c.color;
    Stamped st;
    Stamp(st, s, UniformPicture(50, 20, 0));
    EXPECT_EQ(st.lead2.Text().auxColor1, c.aux) << std::hex << c.color;
    EXPECT_EQ(st.lead2.Text().auxColor2, c.aux) << std::hex << c.color;
  }
}

TEST(TimeStamp, AreaIsClampedIntoTheSettings) {
  Settings s;
  s.StampAreaLeft = 500;
  s.StampAreaTop = 10;
  s.StampAreaWidth = 100;
  s.StampAreaHeight = 300;
  Stamped st;
  Stamp(st, s, UniformPicture(320, 240, 0));
  EXPECT_EQ(s.StampAreaLeft, 320);
  EXPECT_EQ(s.StampAreaWidth, 0);
  EXPECT_EQ(s.StampAreaHeight, 230);
  // A size that is no size (an older or hand-edited file) stamps at the default rather than not at all.
  for (const auto& [text, points] : {std::pair{"30", 30.0}, {"big", 12.0}, {"30", 30.0}, {"0", 12.0}}) {
    s.SFontSize = QString::fromLatin1(text);
    Stamp(st, s, UniformPicture(32, 24, 0));
    EXPECT_EQ(st.lead2.Text().fontSize, points) << text;
  }
}

TEST(LogoPosition, GridPlaceAndOffsets) {
  Settings s;
  s.op3[3] = 4;
  EXPECT_EQ(LogoPosition(640, 480, 100, 50, s), QPoint(370, 315));
  s.op3[3] = 0;
  EXPECT_EQ(LogoPosition(640, 480, 100, 50, s), QPoint(100, 100));
  s.op3[3] = 8;
  s.MarkPosLeft = -10;
  s.MarkPosTop = 0;
  EXPECT_EQ(LogoPosition(640, 480, 100, 50, s), QPoint(530, 430));
  // Halves go to the even neighbour: 270.5 -> 270, 271.5 -> 272.
  s.op3[3] = 3;
  s.MarkPosLeft = 0;
  EXPECT_EQ(LogoPosition(641, 480, 100, 50, s).x(), 270);
  EXPECT_EQ(LogoPosition(643, 480, 100, 50, s).x(), 272);
  s.op3[3] = 9;  // no place: the default top left
  EXPECT_EQ(LogoPosition(640, 480, 100, 50, s), QPoint(0, 0));
}

class LogoOverlayTest : public testing::Test {
 protected:
  void SetUp() override {
    s_.LogomarkFilename = folder_.File("logo.png");
    s_.LogomarkMaskFilename = folder_.File("mask.png");
    s_.op3[3] = 4;
    QImage logo(100, 50, QImage::Format_RGB32);
    logo.fill(QColor(255, 0, 0));
    ASSERT_TRUE(logo.save(s_.LogomarkFilename));
    // Left half white (masked: the picture shows), right half black (the logo shows).
    QImage mask(100, 50, QImage::Format_RGB32);
    mask.fill(Qt::black);
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x) mask.setPixel(x, y, qRgb(255, 255, 255));
    ASSERT_TRUE(mask.save(s_.LogomarkMaskFilename));
    frame_ = NoisePicture(640, 480, 6);
  }

  test::WorkingFolder folder_;
  Settings s_;
  ImagingControls controls_;
  cv::Mat frame_;
  const cv::Rect logoArea_{370, 315, 100, 50};
};

TEST_F(LogoOverlayTest, PlainCombineDrawsTheWholeLogo) {
  ApplyLogoSettings(controls_, s_);
  EXPECT_EQ(controls_.logoWidth, 100);
  EXPECT_EQ(controls_.logoHeight, 50);
  Put(controls_.LEAD1[2], frame_);
  LogoOverlay(controls_, 2, s_);  // mask switch off
  const cv::Mat& out = controls_.LEAD1[2].Picture();
  EXPECT_EQ(DifferingOutside(out, frame_, logoArea_), 0);
  EXPECT_TRUE(SamePixels(out(logoArea_), UniformPicture(100, 50, 0x0000FF)));
}

TEST_F(LogoOverlayTest, MaskedStepsLeaveTheMaskedPartOfThePicture) {
  s_.ch1[14] = 1;
  ApplyLogoSettings(controls_, s_);
  for (int round = 0; round < 2; ++round) {  // the held logo changes, the result does not
    Put(controls_.LEAD1[0], frame_);
    LogoOverlay(controls_, 0, s_);
    const cv::Mat& out = controls_.LEAD1[0].Picture();
    const cv::Rect masked(370, 315, 50, 50), shown(420, 315, 50, 50);
    EXPECT_EQ(DifferingOutside(out, frame_, shown), 0) << "round " << round;
    EXPECT_TRUE(SamePixels(out(shown), UniformPicture(50, 50, 0x0000FF)));
    EXPECT_TRUE(SamePixels(out(masked), frame_(masked)));
  }
  // The logo in LEAD1(3) now holds black where the mask is set.
  EXPECT_EQ(controls_.LEAD1[3].Picture().at<cv::Vec4b>(10, 10), cv::Vec4b(0, 0, 0, 255));
  EXPECT_EQ(controls_.LEAD1[3].Picture().at<cv::Vec4b>(10, 80), cv::Vec4b(0, 0, 255, 255));
}

TEST_F(LogoOverlayTest, MaskSwitchWithoutAMaskNameUsesThePlainCombine) {
  s_.ch1[14] = 1;
  ApplyLogoSettings(controls_, s_);
  s_.LogomarkMaskFilename.clear();
  Put(controls_.LEAD1[0], frame_);
  LogoOverlay(controls_, 0, s_);
  EXPECT_TRUE(SamePixels(controls_.LEAD1[0].Picture()(logoArea_), UniformPicture(100, 50, 0x0000FF)));
}

TEST_F(LogoOverlayTest, TransparentPartsOfAPngLogoStayClear) {
  QImage logo(100, 50, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  for (int y = 0; y < 50; ++y) logo.setPixel(99, y, qRgba(0, 0, 255, 255));
  ASSERT_TRUE(logo.save(s_.LogomarkFilename));
  ApplyLogoSettings(controls_, s_);
  Put(controls_.LEAD1[0], frame_);
  LogoOverlay(controls_, 0, s_);
  EXPECT_EQ(DifferingOutside(controls_.LEAD1[0].Picture(), frame_, cv::Rect(469, 315, 1, 50)), 0);
  EXPECT_EQ(controls_.LEAD1[0].Picture().at<cv::Vec4b>(320, 469), cv::Vec4b(255, 0, 0, 255));
}

TEST_F(LogoOverlayTest, AnUnreadableLogoIsReportedAndTheMaskStillLoads) {
  test::WriteAll(s_.LogomarkFilename, "not a picture");
  try {
    ApplyLogoSettings(controls_, s_);
    FAIL() << "an unreadable logo was accepted";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::ImageLoad);
  }
  EXPECT_FALSE(s_.LogomarkFilename.isEmpty());  // the operator's choice is kept
  EXPECT_TRUE(controls_.LEAD1[4].HasImage());
  Put(controls_.LEAD1[0], frame_);
  try {
    LogoOverlay(controls_, 0, s_);
    FAIL() << "an overlay without a logo was reported as done";
  } catch (const ImagingError& e) {
    EXPECT_TRUE(e.Message().contains(s_.LogomarkFilename));
  }
  EXPECT_TRUE(SamePixels(controls_.LEAD1[0].Picture(), frame_));
}

TEST_F(LogoOverlayTest, MissingFilesAreForgottenWhenSettingsAreApplied) {
  s_.ch1[14] = 1;
  s_.LogomarkFilename = folder_.File("gone.png");
  s_.LogomarkMaskFilename = folder_.File("gone-mask.png");
  ApplyLogoSettings(controls_, s_);
  EXPECT_TRUE(s_.LogomarkFilename.isEmpty());
  EXPECT_TRUE(s_.LogomarkMaskFilename.isEmpty());
  EXPECT_EQ(s_.ch1[14], 0);
  EXPECT_FALSE(controls_.LEAD1[3].HasImage());
  // Without a logo the overlay does nothing, not even a repaint.
  int repaints = 0;
  controls_.LEAD1[0].SetRepaintHandler([&repaints] { ++repaints; });
  Put(controls_.LEAD1[0], frame_);
  LogoOverlay(controls_, 0, s_);
  EXPECT_TRUE(SamePixels(controls_.LEAD1[0].Picture(), frame_));
  EXPECT_EQ(repaints, 0);
}

}  // namespace
}  // namespace quorvin
