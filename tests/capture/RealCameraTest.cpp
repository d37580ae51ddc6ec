// The V4L2 path as a recorder with a real camera drives it: the control lists the fake nodes, GStreamer's
// own v4l2src streams from them, and the camera answers formats and controls the way webcams do.
#include "FakeDeviceProvider.h"
#include "FakeV4l2.h"
#include "KorvexTestSupport.h"

#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

#include <linux/videodev2.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <tuple>

namespace korvex::test {

namespace {

// A UVC webcam: YUYV up to 640x480, larger sizes only as MJPEG, the usual automatic modes with their
// manual controls, a volatile gain, a relative pan, a control the firmware refuses.
const char* const kWebcam = R"(
camera /dev/video0
  card "USB Camera"
  format YUYV 640x480 320x240 @30 @15
  format MJPG 1920x1080 1280x720 @30
  control brightness int "Brightness" 0 255 1 128
  control gain int "Gain" 0 255 1 32 volatile
  control exposure_auto menu "Auto Exposure" 0 3 1 3 1="Manual Mode" 3="Aperture Priority Mode"
  control exposure_absolute int "Exposure Time, Absolute" 3 2047 1 250 inactive-when exposure_auto=3
  control focus_auto bool "Focus, Automatic Continuous" 0 1 1 1
  control focus_absolute int "Focus, Absolute" 0 1023 1 68 inactive-when focus_auto=1
  control pan_relative int "Pan, Relative" -4320 4320 3600 0 write-only
  control backlight_compensation int "Backlight Compensation" 0 2 1 1 refuses
metadata /dev/video1 of /dev/video0
)";

const char* const kCamera = "/dev/video0";

QString Id(unsigned cid) {
  return QString::number(cid);
}

template <typename T>
T* Editor(QDialog& dialog, unsigned cid) {
  return dialog.findChild<T*>(QStringLiteral("control_") + Id(cid));
}

// The fake's picture: red, green, blue and white bars below a grey block at the top left.
void ExpectBars(const QImage& image, int width, int height) {
  ASSERT_GE(image.width(), width);
  ASSERT_GE(image.height(), height);
  const QColor bars[] = {Qt::red, Qt::green, Qt::blue, Qt::white};
  for (int bar = 0; bar < 4; ++bar) {
    const QColor seen = MeanColor(image, width * (2 * bar + 1) / 8, height * 5 / 8);
    EXPECT_TRUE(Near(seen, bars[bar], 20)) << "bar " << bar << " is " << seen.name().toStdString();
  }
}

int Grey(const QImage& image) {
  return MeanColor(image, image.width() / 8, image.height() / 8).green();
}

QImage Blank(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}

bool Grab(CKorvexCtrl& control, QImage& host) {
  return control.CopyDIB(reinterpret_cast<qintptr>(&host));
}

}  // namespace

class RealCameraTest : public KorvexTest {
 protected:
  void SetUp() override {
    KorvexTest::SetUp();
    qputenv("KORVEX_V4L2_NODES", "/dev/video0:/dev/video1");
    qputenv("KORVEX_NO_TEST_DEVICE", "1");
  }
  void TearDown() override {
    fakev4l2::Load("");
    qunsetenv("KORVEX_V4L2_NODES");
    qunsetenv("KORVEX_NO_TEST_DEVICE");
    KorvexTest::TearDown();
  }
  void Load(const std::string& script) {
    std::string error;
    ASSERT_TRUE(fakev4l2::Load(script, &error)) << error;
  }
  // The control as the recorder creates it, on the system's device list, with its status messages.
  std::unique_ptr<CKorvexCtrl> Control() {
    auto control = std::make_unique<CKorvexCtrl>();
    status_ = std::make_unique<QSignalSpy>(control->captureWindow(), &CaptureWindow::StatusMessage);
    return control;
  }
  // The status message with that id whose text contains `part`, if one came.
  QString Reported(int id, const QString& part = {}) const {
    for (const auto& message : *status_)
      if (message[0].toInt() == id && message[1].toString().contains(part)) return message[1].toString();
    return {};
  }
  std::unique_ptr<QSignalSpy> status_;
};

TEST_F(RealCameraTest, ListsCaptureNodesOnlyAndGrabsWithPreviewOffAndOn) {
  Load(kWebcam);
  auto control = Control();
  ASSERT_EQ(control->GetNumDrivers(), 1);  // the metadata node carries no pictures
  EXPECT_EQ(control->DeviceNameList(0), QStringLiteral("USB Camera [uvcvideo 6.1.0]"));
  EXPECT_EQ(control->GetVideoWidth(), 640);
  EXPECT_EQ(control->captureWindow()->CurrentFormat().pixelFormat, QStringLiteral("YUY2"));
  QImage host = Blank(640, 480);
  ASSERT_TRUE(Grab(*control, host));
  ExpectBars(host, 640, 480);
  EXPECT_FALSE(control->captureWindow()->Streaming());
  control->SetPreview(true);
  host = Blank(640, 480);
  ASSERT_TRUE(Grab(*control, host));
  ExpectBars(host, 640, 480);
}

TEST_F(RealCameraTest, SlowAndStallingCamerasGiveTheirNewestFrame) {
  // 2 fps after half a second of start-up: five settle frames would take longer than the grab may wait.
  Load(R"(
camera /dev/video0
  start 500
  format YUYV 640x480 @2
)");
  auto slow = Control();
  QImage host = Blank(640, 480);
  EXPECT_TRUE(Grab(*slow, host));
  ExpectBars(host, 640, 480);
  slow.reset();

  // Two frames, then nothing: the grab returns the second.
  Load(R"(
camera /dev/video0
  frames 2
  format YUYV 320x240 @30
)");
  auto stalling = Control();
  host = Blank(320, 240);
  ASSERT_TRUE(Grab(*stalling, host));
  ExpectBars(host, 320, 240);
  EXPECT_NEAR(Grey(host), fakev4l2::FrameGrey(1), 6);
}

TEST_F(RealCameraTest, ManualModesSurviveAReplugAndRefusalsAreReported) {
  Load(kWebcam);
  auto control = Control();
  control->SetDialogRunner([](QDialog& dialog) {
    Editor<QCheckBox>(dialog, V4L2_CID_FOCUS_AUTO)->setChecked(false);
    Editor<QSpinBox>(dialog, V4L2_CID_FOCUS_ABSOLUTE)->setValue(300);
    Editor<QComboBox>(dialog, V4L2_CID_EXPOSURE_AUTO)->setCurrentIndex(0);  // Manual Mode
    Editor<QSpinBox>(dialog, V4L2_CID_EXPOSURE_ABSOLUTE)->setValue(500);
    return int(QDialog::Accepted);
  });
  control->DlgVideoSource();
  ASSERT_EQ(fakev4l2::Value(kCamera, "focus_absolute"), 300);

  // A stored value the camera no longer takes is reported when it is put back.
  QSettings(DevicesIni(), QSettings::IniFormat)
      .setValue(QStringLiteral("device v4l2 USB Camera usb-0000:00:14.0-1/controls/") +
                    Id(V4L2_CID_BACKLIGHT_COMPENSATION),
                2);
  control->SetPreview(true);
  fakev4l2::Unplug(kCamera);
  QImage host = Blank(640, 480);
  EXPECT_FALSE(Grab(*control, host));
  fakev4l2::Plug(kCamera);  // back with its defaults: automatic focus and exposure
  ASSERT_EQ(fakev4l2::Value(kCamera, "focus_auto"), 1);
  ASSERT_TRUE(Grab(*control, host));
  EXPECT_EQ(fakev4l2::Value(kCamera, "focus_auto"), 0);
  EXPECT_EQ(fakev4l2::Value(kCamera, "focus_absolute"), 300);
  EXPECT_EQ(fakev4l2::Value(kCamera, "exposure_auto"), 1);
  EXPECT_EQ(fakev4l2::Value(kCamera, "exposure_absolute"), 500);
  EXPECT_FALSE(Reported(kStatusDeviceError, QStringLiteral("Backlight Compensation = 2")).isEmpty());
}

TEST_F(RealCameraTest, WriteOnlyAndVolatileControlsAreNeitherKeptNorReplayed) {
  Load(kWebcam);
  auto control = Control();
  control->SetDialogRunner([](QDialog& dialog) {
    Editor<QSpinBox>(dialog, V4L2_CID_PAN_RELATIVE)->setValue(3600);  // one step to the right
    Editor<QSpinBox>(dialog, V4L2_CID_GAIN)->setValue(100);
    return int(QDialog::Accepted);
  });
  control->DlgVideoSource();
  ASSERT_EQ(fakev4l2::Writes(kCamera, "pan_relative"), 1);
  ASSERT_EQ(fakev4l2::Value(kCamera, "gain"), 100);

  // Every pipeline rebuild: a format change, preview, a connect, a reconnect after a replug.
  control->SetVideoWidth(320);
  control->SetPreview(true);
  control->SetPreview(false);
  control->SetDeviceIndex(0);
  EXPECT_EQ(fakev4l2::Writes(kCamera, "pan_relative"), 1);
  fakev4l2::Unplug(kCamera);
  fakev4l2::Plug(kCamera);
  QImage host = Blank(320, 240);
  control->SetPreview(true);
  EXPECT_TRUE(Grab(*control, host));
  EXPECT_EQ(fakev4l2::Writes(kCamera, "pan_relative"), 0);  // the replugged camera never moved
  EXPECT_EQ(fakev4l2::Value(kCamera, "gain"), 32);
  const QStringList kept = QSettings(DevicesIni(), QSettings::IniFormat).allKeys();
  EXPECT_FALSE(kept.filter(Id(V4L2_CID_PAN_RELATIVE)).size() + kept.filter(Id(V4L2_CID_GAIN)).size())
      << kept.join(' ').toStdString();
}

TEST_F(RealCameraTest, SourceDialogShowsWhatTheCameraTakesAndRereadsAfterEachSet) {
  Load(kWebcam);
  auto control = Control();
  control->SetDialogRunner([](QDialog& dialog) {
    auto* exposure_mode = Editor<QComboBox>(dialog, V4L2_CID_EXPOSURE_AUTO);
    EXPECT_EQ(exposure_mode->count(), 2);  // menu indices 0 and 2 are not supported
    EXPECT_EQ(exposure_mode->itemText(0), QStringLiteral("Manual Mode"));
    EXPECT_EQ(exposure_mode->itemData(1).toInt(), 3);
    EXPECT_EQ(exposure_mode->currentText(), QStringLiteral("Aperture Priority Mode"));
    auto* exposure = Editor<QSpinBox>(dialog, V4L2_CID_EXPOSURE_ABSOLUTE);
    EXPECT_FALSE(exposure->isEnabled());
    exposure_mode->setCurrentIndex(0);
    EXPECT_TRUE(exposure->isEnabled());
    EXPECT_EQ(fakev4l2::Value(kCamera, "exposure_auto"), 1);

    auto* backlight = Editor<QSpinBox>(dialog, V4L2_CID_BACKLIGHT_COMPENSATION);
    backlight->setValue(2);
    EXPECT_EQ(backlight->value(), 1);  // what the camera has
    EXPECT_TRUE(
        dialog.findChild<QLabel*>(QStringLiteral("refusal"))->text().contains(QStringLiteral("Backlight")));
    Editor<QSpinBox>(dialog, V4L2_CID_BRIGHTNESS)->setValue(140);
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("refusal"))->text().isEmpty());
    return int(QDialog::Rejected);
  });
  control->DlgVideoSource();
  EXPECT_EQ(fakev4l2::Value(kCamera, "exposure_auto"), 3);  // cancel puts the camera back
  EXPECT_EQ(fakev4l2::Value(kCamera, "brightness"), 128);
}

TEST_F(RealCameraTest, WidthOrHeightAloneReachesSizesOfAnyPixelFormat) {
  Load(kWebcam);
  auto control = Control();
  control->SetVideoWidth(1920);  // offered only as MJPEG
  EXPECT_EQ(control->GetVideoWidth(), 1920);
  EXPECT_EQ(control->GetVideoHeight(), 1080);
  EXPECT_EQ(control->captureWindow()->CurrentFormat().pixelFormat, QStringLiteral("MJPG"));
  QImage host = Blank(1920, 1080);
  ASSERT_TRUE(Grab(*control, host));
  ExpectBars(host, 1920, 1080);

  control->SetVideoHeight(240);
  EXPECT_EQ(control->captureWindow()->CurrentFormat(),
            (VideoFormat{320, 240, 30, 1, QStringLiteral("YUY2")}));
  control->SetVideoWidth(1000);  // nothing that wide: reported, the format stays
  EXPECT_EQ(control->GetVideoWidth(), 320);
  EXPECT_FALSE(Reported(kStatusDeviceError, QStringLiteral("width 1000")).isEmpty());

  // The format dialog offers both pixel formats with their own sizes.
  control->SetDialogRunner([](QDialog& dialog) {
    auto* pixel = dialog.findChild<QComboBox*>(QStringLiteral("pixelBox"));
    auto* size = dialog.findChild<QComboBox*>(QStringLiteral("sizeBox"));
    pixel->setCurrentIndex(pixel->findText(QStringLiteral("MJPG")));
    EXPECT_EQ(size->findText(QStringLiteral("320 x 240")), -1);
    size->setCurrentIndex(size->findText(QStringLiteral("1280 x 720")));
    return int(QDialog::Accepted);
  });
  control->DlgVideoFormat();
  EXPECT_EQ(control->captureWindow()->CurrentFormat(),
            (VideoFormat{1280, 720, 30, 1, QStringLiteral("MJPG")}));
}

TEST_F(RealCameraTest, RangesOfSizesAndRatesBecomeCommonChoices) {
  // A loopback device: any size in steps, frame intervals it cannot list.
  Load(R"(
camera /dev/video0
  card "Dummy video device"
  driver v4l2loopback 0.12.7
  format YUYV 48x32-1920x1080/16x8
)");
  auto control = Control();
  EXPECT_EQ(control->captureWindow()->CurrentFormat(),
            (VideoFormat{640, 480, 30, 1, QStringLiteral("YUY2")}));
  for (const VideoFormat& f : control->captureWindow()->CurrentDevice()->Formats()) {
    EXPECT_LE(f.fpsNum / f.fpsDen, 60) << f.Describe().toStdString();
    EXPECT_GE(f.width, 160) << f.Describe().toStdString();
  }
  control->SetDialogRunner([](QDialog& dialog) {
    auto* size = dialog.findChild<QComboBox*>(QStringLiteral("sizeBox"));
    auto* rate = dialog.findChild<QComboBox*>(QStringLiteral("rateBox"));
    size->setCurrentIndex(size->findText(QStringLiteral("1280 x 720")));
    rate->setCurrentIndex(rate->findText(QStringLiteral("15 fps")));
    return int(QDialog::Accepted);
  });
  control->DlgVideoFormat();
  EXPECT_EQ(control->captureWindow()->CurrentFormat(),
            (VideoFormat{1280, 720, 15, 1, QStringLiteral("YUY2")}));
  control->SetVideoWidth(1008);  // inside the range, on its step
  EXPECT_EQ(control->GetVideoWidth(), 1008);
  EXPECT_EQ(control->GetVideoHeight(), 720);
  QImage host = Blank(1008, 720);
  ASSERT_TRUE(Grab(*control, host));
  ExpectBars(host, 1008, 720);
}

TEST_F(RealCameraTest, BusyCameraAndFormatMismatchAreReportedAsSuch) {
  Load(kWebcam);
  auto control = Control();
  fakev4l2::SetBusy(kCamera, true);  // another program streams from it
  QImage host = Blank(640, 480);
  EXPECT_FALSE(Grab(*control, host));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Reported(kStatusDeviceBusy).isEmpty(); }, 2000));
  EXPECT_TRUE(Reported(kStatusDeviceLost).isEmpty());
  fakev4l2::SetBusy(kCamera, false);
  EXPECT_TRUE(Grab(*control, host));

  // Another camera at the same node and bus, without the 640x480 YUYV the control keeps: said at connect.
  fakev4l2::Load(R"(
camera /dev/video0
  card "USB Camera"
  format MJPG 1280x720 @30
)");
  control->SetDeviceIndex(0);
  EXPECT_FALSE(
      Reported(kStatusDeviceError, QStringLiteral("cannot deliver 640 x 480, 30 fps, YUY2")).isEmpty());
  EXPECT_EQ(control->GetVideoWidth(), 0);
  EXPECT_FALSE(Grab(*control, host));
}

// The cameras as the system's device monitor reports them: V4L2 and PipeWire providers, hotplug.
class MonitoredCameraTest : public RealCameraTest {
 protected:
  using Style = fakeprovider::Style;
  void SetUp() override {
    RealCameraTest::SetUp();
    qunsetenv("KORVEX_V4L2_NODES");
    fakeprovider::Register();
  }
  void TearDown() override {
    fakeprovider::WithdrawAll();
    RealCameraTest::TearDown();
  }
  // A camera comes (its node, then the provider's report) or goes; the window hears it in its own loop.
  void Plug(Style style, const std::string& described, const std::string& at = {}) {
    fakev4l2::Plug(described, at);
    ASSERT_TRUE(fakeprovider::Publish(style, at.empty() ? described : at));
    QCoreApplication::processEvents();
  }
  void Unplug(Style style, const std::string& path) {
    fakev4l2::Unplug(path);
    fakeprovider::Withdraw(style, path);
    QCoreApplication::processEvents();
  }
};

// The webcam with its USB identity, as udev reports it.
const std::string kUsbWebcam = std::string(kWebcam).insert(std::string(kWebcam).find("  format"),
                                                           "  usb 046d:0825\n  serial 8A1B2C3D\n");

TEST_F(MonitoredCameraTest, CamerasListedThroughPipeWireOpenAndEachCameraIsListedOnce) {
  Load(kUsbWebcam);
  ASSERT_TRUE(fakeprovider::Publish(Style::PipeWire, "/dev/video0"));
  auto control = Control();
  ASSERT_EQ(control->GetNumDrivers(), 1);
  EXPECT_EQ(control->DeviceNameList(0),
            QStringLiteral("USB Camera [uvcvideo 6.1.0]"));  // not "USB_Camera (V4L2)"
  QImage host = Blank(640, 480);
  ASSERT_TRUE(Grab(*control, host));
  ExpectBars(host, 640, 480);
  control.reset();

  // Both providers at once, one of them twice, and a metadata node a provider lists: still one camera.
  for (const char* path : {"/dev/video0", "/dev/video0", "/dev/video1"})
    ASSERT_TRUE(fakeprovider::Publish(Style::V4l2, path));
  control = Control();
  EXPECT_EQ(control->GetNumDrivers(), 1);
  EXPECT_EQ(control->DeviceNameList(0), QStringLiteral("USB Camera [uvcvideo 6.1.0]"));
  control.reset();

  // A node that does not open: named from what PipeWire says of it.
  fakeprovider::WithdrawAll();
  ASSERT_TRUE(fakeprovider::Publish(Style::PipeWire, "/dev/video0"));
  fakev4l2::Unplug("/dev/video0");
  control = Control();
  ASSERT_EQ(control->GetNumDrivers(), 1);
  EXPECT_EQ(control->DeviceNameList(0), QStringLiteral("USB Camera [uvcvideo 6.1.0]"));
  EXPECT_FALSE(Grab(*control, host));
}

// A camera on a port of the hub, with a USB identity and a brightness to keep.
std::string UsbCamera(const std::string& path, char port, const std::string& usb,
                      const std::string& serial = {}) {
  return "camera " + path + "\n  card \"USB Camera\"\n  bus usb-0000:00:14.0-" + port + "\n  usb " + usb +
         (serial.empty() ? "" : "\n  serial " + serial) +
         "\n  format YUYV 640x480 320x240 @30\n  control brightness int \"Brightness\" 0 255 1 128\n";
}

TEST_F(MonitoredCameraTest, ACameraIsFoundAgainByItsSerialNeverByItsOldNodeAndKeepsItsSettings) {
  // The camera, the same camera on the next port (its nodes swapped), and another model with the same card.
  Load(UsbCamera(kCamera, '1', "046d:0825", "8A1B2C3D") + "metadata /dev/video1 of /dev/video0\n" +
       UsbCamera("/dev/video3", '2', "046d:0825", "8A1B2C3D") + "metadata /dev/video2 of /dev/video3\n" +
       UsbCamera("/dev/video4", '1', "0c45:6366"));
  for (const char* path : {"/dev/video2", "/dev/video3", "/dev/video4"}) fakev4l2::Unplug(path);
  QSettings old(DevicesIni(), QSettings::IniFormat);  // as an older version kept them: by card and port
  const QString group = QStringLiteral("device v4l2 USB Camera usb-0000:00:14.0-1/");
  for (const auto& [key, value] :
       {std::pair{"width", QVariant(320)}, {"height", 240}, {"pixelFormat", "YUY2"}})
    old.setValue(group + QLatin1String(key), value);
  old.setValue(group + QStringLiteral("controls/") + Id(V4L2_CID_BRIGHTNESS), 150);
  old.sync();
  ASSERT_TRUE(fakeprovider::Publish(Style::V4l2, kCamera));
  auto control = Control();
  ASSERT_EQ(control->GetNumDrivers(), 1);
  EXPECT_EQ(control->GetVideoWidth(), 320);
  EXPECT_EQ(fakev4l2::Value(kCamera, "brightness"), 150);

  Unplug(Style::V4l2, kCamera);
  fakev4l2::Unplug("/dev/video1");
  Plug(Style::V4l2, "/dev/video4", kCamera);  // another camera takes the node
  QImage host = Blank(320, 240);
  EXPECT_FALSE(Grab(*control, host));
  EXPECT_EQ(fakev4l2::Writes(kCamera, "brightness"), 0);

  fakev4l2::Plug("/dev/video2");  // the camera on the next port, its metadata node first
  Plug(Style::PipeWire, "/dev/video3");
  ASSERT_TRUE(Grab(*control, host));
  ExpectBars(host, 320, 240);
  EXPECT_EQ(fakev4l2::Value("/dev/video3", "brightness"), 150);
  EXPECT_EQ(QSettings(DevicesIni(), QSettings::IniFormat)
                .value(QStringLiteral("device v4l2 USB Camera 046d:0825 USB_Camera_8A1B2C3D/width"))
                .toInt(),
            320);
}

TEST_F(MonitoredCameraTest, TwoCamerasOfOneModelWithoutSerialsAreToldApartByTheirPorts) {
  Load(UsbCamera(kCamera, '1', "046d:0825") + UsbCamera("/dev/video2", '2', "046d:0825"));
  for (const char* path : {kCamera, "/dev/video2"}) ASSERT_TRUE(fakeprovider::Publish(Style::V4l2, path));
  auto control = Control();
  ASSERT_EQ(control->GetNumDrivers(), 2);
  for (int i : {0, 1}) {
    control->SetDeviceIndex(i);
    control->SetDialogRunner([i](QDialog& dialog) {
      Editor<QSpinBox>(dialog, V4L2_CID_BRIGHTNESS)->setValue(10 + i);
      return int(QDialog::Accepted);
    });
    control->DlgVideoSource();
  }
  // Both replugged, each coming back at the other's node.
  Unplug(Style::V4l2, kCamera);
  Unplug(Style::V4l2, "/dev/video2");
  Plug(Style::V4l2, kCamera, "/dev/video2");
  Plug(Style::V4l2, "/dev/video2", kCamera);
  QImage host = Blank(640, 480);
  for (int i : {0, 1}) {
    control->SetDeviceIndex(i);
    ASSERT_TRUE(Grab(*control, host));
  }
  EXPECT_EQ(fakev4l2::Value("/dev/video2", "brightness"), 10);  // the first camera, by its port
  EXPECT_EQ(fakev4l2::Value(kCamera, "brightness"), 11);
}

TEST_F(MonitoredCameraTest, CamerasPluggedInLaterAreListedWhenReadAgainAndThePreviewFollowsItsCamera) {
  qunsetenv("KORVEX_NO_TEST_DEVICE");
  Load(kUsbWebcam);
  fakev4l2::Unplug("/dev/video0");
  fakev4l2::Unplug("/dev/video1");
  auto control = Control();
  ASSERT_EQ(control->GetNumDrivers(), 1);

  Plug(Style::V4l2, "/dev/video0");
  EXPECT_TRUE(control->DeviceNameList(0).startsWith(QStringLiteral("Test Pattern")));  // until read again
  ASSERT_EQ(control->GetNumDrivers(), 2);
  EXPECT_EQ(control->DeviceNameList(0), QStringLiteral("USB Camera [uvcvideo 6.1.0]"));
  EXPECT_TRUE(control->DeviceNameList(1).startsWith(QStringLiteral("Test Pattern")));
  EXPECT_EQ(control->captureWindow()->CurrentDeviceIndex(), 1);  // still the test pattern, at its new place

  control->SetDeviceIndex(0);
  control->SetVideoWidth(320);
  control->SetPreview(true);
  Unplug(Style::V4l2, "/dev/video0");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Reported(kStatusDeviceLost).isEmpty(); }, 3000));
  EXPECT_EQ(control->GetNumDrivers(), 2);  // the connected camera keeps its place while it is gone
  EXPECT_EQ(control->DeviceNameList(0), QStringLiteral("USB Camera [uvcvideo 6.1.0]"));

  // Back at another node: the preview runs again by itself, in the format it had.
  Plug(Style::PipeWire, "/dev/video0", "/dev/video2");
  ASSERT_TRUE(QTest::qWaitFor([&] { return control->captureWindow()->Streaming(); }, 3000));
  EXPECT_EQ(control->GetVideoWidth(), 320);
  QImage host = Blank(320, 240);
  ASSERT_TRUE(Grab(*control, host));
  ExpectBars(host, 320, 240);
}

TEST_F(RealCameraTest, UnseenCameraStreamsOnAndGrabsOnlyFramesMadeAfterTheAsking) {
  Load(kWebcam);
  auto control = Control();
  control->SetPreview(true);
  control->SetPreviewSeen(false);
  // MJPEG (only the grabbed frame is decoded), then YUYV (only the grabbed frame is converted).
  for (const auto& [width, height, pixel] :
       {std::tuple(1920, 1080, QStringLiteral("MJPG")), std::tuple(640, 480, QStringLiteral("YUY2"))}) {
    control->SetVideoWidth(width);
    ASSERT_EQ(control->captureWindow()->CurrentFormat().pixelFormat, pixel);
    for (int i = 0; i < 6; ++i) {
      control->SetPreviewSeen(i % 2 == 1);
      EXPECT_TRUE(control->captureWindow()->Streaming()) << "a camera keeps its exposure settled";
      QImage host = Blank(width, height);
      ASSERT_TRUE(Grab(*control, host)) << pixel.toStdString() << " " << i;
      ExpectBars(host, width, height);
    }
  }
  control.reset();

  // Three frames, then nothing: no more grabs succeed than frames came, each one a new frame.
  Load(R"(
camera /dev/video0
  frames 3
  format MJPG 640x480 @30
)");
  control = Control();
  control->SetPreview(true);
  control->SetPreviewSeen(false);
  QImage host = Blank(640, 480);
  int grabbed = 0;
  while (grabbed <= 3 && Grab(*control, host)) ++grabbed;
  EXPECT_LE(grabbed, 3);
}

}  // namespace korvex::test
