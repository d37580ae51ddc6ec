// Devices that stop delivering frames or disappear while connected.
#include "KorvexTestSupport.h"

#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace korvex::test {

class KorvexFaultTest : public KorvexTest {};

TEST_F(KorvexFaultTest, StalledDeviceMakesCopyDibFailAfterTheTimeout) {
  auto device = std::make_shared<FaultyDevice>();
  CKorvexCtrl control(nullptr, SourceOf({device}));
  control.SetPreview(true);
  QImage host(640, 480, QImage::Format_RGB32);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  device->Stall(true);
  QElapsedTimer waited;
  waited.start();
  EXPECT_FALSE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  EXPECT_GE(waited.elapsed(), CaptureWindow::kGrabTimeoutMs - 50);
  EXPECT_LT(waited.elapsed(), CaptureWindow::kGrabTimeoutMs + 2000);
  device->Stall(false);
  EXPECT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
}

TEST_F(KorvexFaultTest, UnpluggedDeviceFailsQuietlyAndReconnectsWhenBack) {
  auto device = std::make_shared<FaultyDevice>();
  CKorvexCtrl control(nullptr, SourceOf({device}));
  QSignalSpy status(control.captureWindow(), &CaptureWindow::StatusMessage);
  control.SetPreview(true);
  QImage host(640, 480, QImage::Format_RGB32);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));

  device->Unplug();
  QElapsedTimer waited;
  waited.start();
  EXPECT_FALSE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  EXPECT_LT(waited.elapsed(), 1000);  // no reconnect possible, no frame awaited
  auto reported_lost = [&] {
    for (const auto& message : status)
      if (message[0].toInt() == kStatusDeviceLost) return true;
    return false;
  };
  EXPECT_TRUE(QTest::qWaitFor(reported_lost, 2000));
  EXPECT_EQ(control.GetVideoWidth(), 0);
  EXPECT_FALSE(control.captureWindow()->GrabToDib(TempPath(QStringLiteral("x.bmp"))));
  EXPECT_FALSE(control.captureWindow()->GrabToClipboard());
  control.DlgVideoFormat();  // no crash and no dialog hang

  device->Replug();
  const int made = device->SourcesMade();
  EXPECT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  EXPECT_GT(device->SourcesMade(), made);
  EXPECT_EQ(control.GetVideoWidth(), 640);
}

TEST_F(KorvexFaultTest, ACaptureFromAStalledDeviceStillEnds) {
  auto device = std::make_shared<FaultyDevice>();
  CKorvexCtrl control(nullptr, SourceOf({device}));
  control.SetCaptureFilePath(TempPath(QStringLiteral("stalled.avi")));
  control.SetConfirmWindow(false);
  control.SetWithAudio(false);
  device->Stall(true);  // nothing, not even the end of the stream, gets through
  QObject::connect(control.captureWindow(), &CaptureWindow::StatusMessage, &control,
                   [&](int id, const QString&) {
                     if (id == kStatusCaptureStarting) control.captureWindow()->StopSequence();
                   });
  QSignalSpy ended(&control, &CKorvexCtrl::EndCapture);
  EXPECT_FALSE(control.captureWindow()->StartSequence(false, false, 0));
  ASSERT_EQ(ended.size(), 1);
  EXPECT_EQ(ended[0][0].toInt(), 0);
  EXPECT_FALSE(control.captureWindow()->Capturing());
}

TEST_F(KorvexFaultTest, ConnectDeviceReconnectsAfterAnUnplug) {
  auto device = std::make_shared<FaultyDevice>();
  CKorvexCtrl control(nullptr, SourceOf({device}));
  control.SetPreview(true);
  device->Unplug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return control.captureWindow()->DeviceLost(); }, 2000));
  control.SetDeviceIndex(0);  // still gone
  EXPECT_TRUE(control.captureWindow()->DeviceLost());
  device->Replug();
  control.SetDeviceIndex(0);
  EXPECT_FALSE(control.captureWindow()->DeviceLost());
  EXPECT_TRUE(control.captureWindow()->Streaming());
  QImage host(640, 480, QImage::Format_RGB32);
  EXPECT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
}

}  // namespace korvex::test
