// Grabbing frames from the real test device: pixels, sizes, preview on and off, files.
#include "KorvexTestSupport.h"

#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

namespace korvex::test {

namespace {
void ExpectBars(const QImage& image) {
  ExpectSmpteBars(image);
}

QImage Blank(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}
}  // namespace

class KorvexGrabTest : public KorvexTest {};

TEST_F(KorvexGrabTest, CopyDibPaintsTheTestPatternWithPreviewOn) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.resize(800, 600);
  control.SetPreview(true);
  EXPECT_TRUE(control.captureWindow()->Streaming());
  QImage host = Blank(640, 480);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  ExpectBars(host);
  // The same call through the dispatch interface, by identifier.
  QImage again = Blank(640, 480);
  const auto result =
      control.Invoke(kDispCopyDIB, DispatchKind::Method, {qlonglong(reinterpret_cast<qintptr>(&again))});
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(result.value.toBool());
  ExpectBars(again);
}

TEST_F(KorvexGrabTest, MovingPatternGivesDifferentConsecutiveFrames) {
  CKorvexCtrl control(nullptr, SingleTestDevice(8));
  control.SetPreview(true);
  QImage first = Blank(640, 480), second = Blank(640, 480);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&first)));
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&second)));
  EXPECT_NE(first, second);
}

TEST_F(KorvexGrabTest, GrabWithPreviewOffStartsAndStopsTheDevice) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  EXPECT_FALSE(control.captureWindow()->Streaming());
  QImage host = Blank(640, 480);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  ExpectBars(host);
  EXPECT_FALSE(control.captureWindow()->Streaming());
  // Preview on then off leaves the device at rest again.
  control.SetPreview(true);
  EXPECT_TRUE(control.captureWindow()->Streaming());
  control.SetPreview(false);
  EXPECT_FALSE(control.captureWindow()->Streaming());
}

TEST_F(KorvexGrabTest, HostImageLargerOrSmallerThanTheFrame) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  QImage large(800, 600, QImage::Format_RGB32);
  large.fill(Qt::magenta);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&large)));
  ExpectBars(large.copy(0, 0, 640, 480));
  EXPECT_EQ(large.pixel(700, 550), QColor(Qt::magenta).rgb());  // painted at (0, 0), at its own size
  QImage small = Blank(100, 80);
  EXPECT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&small)));
  QImage null_image;
  EXPECT_FALSE(control.CopyDIB(reinterpret_cast<qintptr>(&null_image)));
  EXPECT_FALSE(control.CopyDIB(0));
}

TEST_F(KorvexGrabTest, FormatChangeGivesTheNewSizeAndIsKeptForTheDevice) {
  {
    CKorvexCtrl control(nullptr, SingleTestDevice());
    control.SetPreview(true);
    QSignalSpy changed(&control, &CKorvexCtrl::PropertyChanged);
    control.SetVideoWidth(-1280);
    control.SetVideoHeight(720);
    EXPECT_EQ(control.GetVideoWidth(), 1280);
    EXPECT_EQ(control.GetVideoHeight(), 720);
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[0][0].toInt(), kDispVideoWidth);
    EXPECT_EQ(changed[1][0].toInt(), kDispVideoHeight);
    QImage host = Blank(1280, 720);
    ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
    ExpectBars(host);
  }
  // A driver keeps its format: a new control on the same device starts at 1280 x 720.
  QSettings ini(DevicesIni(), QSettings::IniFormat);
  EXPECT_EQ(ini.value(QStringLiteral("device test-pattern/width")).toInt(), 1280);
  CKorvexCtrl control(nullptr, SingleTestDevice());
  EXPECT_EQ(control.GetVideoWidth(), 1280);
  EXPECT_EQ(control.GetVideoHeight(), 720);
}

TEST_F(KorvexGrabTest, UltraHdFramesWork) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.SetVideoWidth(3840);
  control.SetVideoHeight(2160);
  EXPECT_EQ(control.GetVideoWidth(), 3840);
  EXPECT_EQ(control.captureWindow()->Status().imageWidth * 15, 57600);  // twips, past 16 bits
  QImage host = Blank(3840, 2160);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  ExpectBars(host);
}

TEST_F(KorvexGrabTest, SaveDibReplacesAnExistingFile) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  const QString path = TempPath(QStringLiteral("grab.bmp"));
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("not a picture at all");
  }
  const auto result = control.Invoke(kDispSaveDIB, DispatchKind::Method, {path});
  EXPECT_TRUE(result.ok());
  QImageReader reader(path);
  EXPECT_EQ(reader.format(), QByteArray("bmp"));
  const QImage saved = reader.read();
  ASSERT_EQ(saved.size(), QSize(640, 480));
  ExpectBars(saved);
}

TEST_F(KorvexGrabTest, EditCopyPutsTheFrameOnTheClipboard) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  EXPECT_TRUE(control.captureWindow()->GrabToClipboard());
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(640, 480));
  ExpectBars(copied);
}

TEST_F(KorvexGrabTest, PreviewPaintsFramesInTheCaptureWindow) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.resize(640, 480);
  control.show();
  control.SetPreviewRate(30);
  control.SetPreview(true);
  QImage shown;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        shown = control.captureWindow()->grab().toImage();
        return Near(MeanColor(shown, 320 / 7, 100), kSmpteBars[0]);
      },
      3000));
  ExpectBars(shown);
}

TEST_F(KorvexGrabTest, UnseenPreviewRestsTheDeviceAndNoGrabIsStaleOrLostWhileSeenAndUnseenAlternate) {
  CKorvexCtrl control(nullptr, SingleTestDevice(8));
  control.SetPreview(true);
  control.SetPreviewSeen(false);
  EXPECT_TRUE(control.GetPreview());  // being seen is beside Preview, not part of it
  EXPECT_FALSE(control.captureWindow()->Streaming());
  QImage previous = Blank(640, 480);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&previous)));
  // The pattern moves 8 pixels a frame: a grab that handed back the frame it already had would repeat it.
  for (int i = 0; i < 20; ++i) {
    const bool seen = i % 2 == 0;
    control.SetPreviewSeen(seen);
    EXPECT_EQ(control.captureWindow()->Streaming(), seen) << i;
    QImage next = Blank(640, 480);
    ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&next))) << i;
    EXPECT_NE(next, previous) << i;
    previous = next;
  }
}

TEST_F(KorvexGrabTest, PreviewSeenAgainShowsMovingFrames) {
  CKorvexCtrl control(nullptr, SingleTestDevice(8));
  control.resize(640, 480);
  control.show();
  control.SetPreviewRate(30);
  control.SetPreviewSeen(false);
  control.SetPreview(true);
  const auto shown = [&] { return control.captureWindow()->grab().toImage(); };
  const QImage unseen = shown();
  EXPECT_EQ(MeanColor(unseen, 320, 240), QColor(Qt::black));  // nothing was converted to show
  control.SetPreviewSeen(true);
  QImage first;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        first = shown();
        return first != unseen;
      },
      3000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return shown() != first; }, 3000));
}

}  // namespace korvex::test
