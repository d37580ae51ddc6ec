// Listing devices: the system source with its test device, the ten-device cut, the name formatting,
// and the format arithmetic of V4L2 devices.
#include "KorvexTestSupport.h"
#include "V4l2Device.h"

#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

namespace korvex::test {

class KorvexDeviceListTest : public KorvexTest {};

TEST_F(KorvexDeviceListTest, SystemSourceListsTheTestPatternLastUnlessHidden) {
  qunsetenv("KORVEX_NO_TEST_DEVICE");
  const auto with = MakeSystemDeviceSource()->Enumerate();
  ASSERT_FALSE(with.empty());
  EXPECT_EQ(with.back()->Name(), QStringLiteral("Test Pattern"));
  EXPECT_TRUE(with.back()->Version().startsWith(QStringLiteral("videotestsrc 1.")));

  qputenv("KORVEX_NO_TEST_DEVICE", "1");
  const auto without = MakeSystemDeviceSource()->Enumerate();
  qunsetenv("KORVEX_NO_TEST_DEVICE");
  EXPECT_EQ(without.size() + 1, with.size());
  for (const auto& device : without) EXPECT_NE(device->Name(), QStringLiteral("Test Pattern"));
}

TEST_F(KorvexDeviceListTest, ControlFormatsNamesAndCutsTheListAtTen) {
  std::vector<std::shared_ptr<CaptureDevice>> devices;
  for (int i = 0; i < 12; ++i)
    devices.push_back(
        std::make_shared<NamedTestDevice>(QStringLiteral("Cam %1").arg(i), QStringLiteral("v%1").arg(i)));
  CKorvexCtrl control(nullptr, SourceOf(devices));
  EXPECT_EQ(control.GetNumDrivers(), 10);
  EXPECT_EQ(control.DeviceNameList(0), QStringLiteral("Cam 0 [v0]"));
  EXPECT_EQ(control.DeviceNameList(9), QStringLiteral("Cam 9 [v9]"));
  EXPECT_EQ(control.DeviceNameList(-1), QStringLiteral("Cam 1 [v1]"));
  EXPECT_EQ(control.DeviceNameList(10), QString());
  EXPECT_EQ(control.DeviceNameList(std::numeric_limits<int>::min()), QString());
  QStringList names, versions;
  control.captureWindow()->DriverList(names, versions);
  EXPECT_EQ(names.size(), 10);
  EXPECT_EQ(versions.size(), 10);
}

TEST_F(KorvexDeviceListTest, TheListIsReadOnceWhenTheWindowIsCreated) {
  class CountingSource : public DeviceSource {
   public:
    std::vector<std::shared_ptr<CaptureDevice>> Enumerate() override {
      ++calls;
      return {std::make_shared<TestPatternDevice>()};
    }
    int calls = 0;
  };
  auto source = std::make_shared<CountingSource>();
  CKorvexCtrl control(nullptr, source);
  control.SetDeviceIndex(0);
  control.DeviceNameList(0);
  control.GetNumDrivers();
  EXPECT_EQ(source->calls, 1);
}

TEST_F(KorvexDeviceListTest, SwitchingDevicesWhilePreviewingKeepsStreamingFromTheNewOne) {
  auto red = std::make_shared<NamedTestDevice>(QStringLiteral("Red"), QStringLiteral("1"));
  auto blue = std::make_shared<NamedTestDevice>(QStringLiteral("Blue"), QStringLiteral("1"));
  red->SetControl(QStringLiteral("pattern"), 4);
  blue->SetControl(QStringLiteral("pattern"), 6);
  CKorvexCtrl control(nullptr, SourceOf({red, blue}));
  control.SetPreview(true);
  QImage host(640, 480, QImage::Format_RGB32);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  EXPECT_TRUE(Near(MeanColor(host, 320, 240), QColor(255, 0, 0)));
  control.SetDeviceIndex(1);
  EXPECT_TRUE(control.captureWindow()->Streaming());
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  EXPECT_TRUE(Near(MeanColor(host, 320, 240), QColor(0, 0, 255)));
}

TEST_F(KorvexDeviceListTest, NoDevicesLeavesEveryOperationFailingQuietly) {
  CKorvexCtrl control(nullptr, SourceOf({}));
  EXPECT_EQ(control.GetNumDrivers(), 0);
  EXPECT_EQ(control.DeviceNameList(0), QString());
  control.SetDeviceIndex(0);
  control.SetPreview(true);
  EXPECT_EQ(control.GetVideoWidth(), 0);
  QImage host(64, 64, QImage::Format_RGB32);
  EXPECT_FALSE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
}

TEST(KorvexV4l2FormatTest, DriverVersionIsKernelStyle) {
  EXPECT_EQ(FormatDriverVersion(QStringLiteral("uvcvideo"), (6u << 16) | (1u << 8) | 27u),
            QStringLiteral("uvcvideo 6.1.27"));
}

TEST(KorvexV4l2FormatTest, CapsBecomeOneFormatPerSizeRateAndPixelFormat) {
  const auto formats =
      V4l2Device::FormatsFromCaps(
          QStringLiteral(
              "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, framerate=(fraction){ "
              "30/1, 15/1 "
              "}; "
              "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1; "
              "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, framerate=(fraction)30/1; "
              "video/x-raw, format=(string){ NV12, GRAY8 }, width=(int)[ 16, 1280 ], height=(int)[ 16, 720 "
              "]; "
              "video/x-bayer, format=(string)rggb, width=(int)640, height=(int)480"))
          .offered;
  ASSERT_EQ(formats.size(), 19u);
  EXPECT_EQ(formats[0], (VideoFormat{640, 480, 30, 1, QStringLiteral("YUY2")}));
  EXPECT_EQ(formats[1], (VideoFormat{640, 480, 15, 1, QStringLiteral("YUY2")}));
  EXPECT_EQ(formats[2], (VideoFormat{1920, 1080, 30, 1, QStringLiteral("MJPG")}));
  EXPECT_EQ(formats[2].ToCapsString(), QStringLiteral("image/jpeg,width=1920,height=1080,framerate=30/1"));
  // A format list and a size range: each format at the eight common sizes inside the range.
  EXPECT_EQ(formats[3], (VideoFormat{1280, 720, 30, 1, QStringLiteral("NV12")}));
  EXPECT_EQ(formats[10], (VideoFormat{160, 120, 30, 1, QStringLiteral("NV12")}));
  EXPECT_EQ(formats[11], (VideoFormat{1280, 720, 30, 1, QStringLiteral("GRAY8")}));
}

TEST(KorvexV4l2FormatTest, ASideSetAloneFindsTheNearestOfferedSize) {
  const std::vector<VideoFormat> offered = {
      {640, 480, 30, 1, QStringLiteral("YUY2")},
      {1280, 720, 10, 1, QStringLiteral("YUY2")},
      {1280, 960, 5, 1, QStringLiteral("YUY2")},
      {1920, 1080, 5, 1, QStringLiteral("YUY2")},
  };
  V4l2Identity id;
  id.card = QStringLiteral("Cam");
  id.path = QStringLiteral("/nonexistent");
  V4l2Device device(id, V4l2Formats{offered, {}});
  // Width 1280 asked with the old height 480: the 1280 size nearest in height.
  auto fit = device.FitFormat({1280, 480, 30, 1, QStringLiteral("YUY2")}, FitSide::Width);
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->height, 720);
  EXPECT_EQ(fit->fpsNum, 10);
  fit = device.FitFormat({1280, 1080, 5, 1, QStringLiteral("YUY2")}, FitSide::Width);
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->height, 960);  // the same width, nearest in height, beats 1920x1080
  EXPECT_FALSE(device.FitFormat({800, 600, 30, 1, QStringLiteral("YUY2")}, FitSide::Width));
  EXPECT_FALSE(device.FitFormat({640, 480, 30, 1, QStringLiteral("MJPG")}, FitSide::Whole));
  EXPECT_EQ(device.DefaultFormat(), offered[0]);
  QString error;
  EXPECT_EQ(device.CreateSource(&error), nullptr);
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace korvex::test
