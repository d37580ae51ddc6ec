// The control's properties through typed members and the dispatch interface, and its persistence.
#include "KorvexTestSupport.h"

#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>

namespace korvex::test {

class KorvexControlTest : public KorvexTest {
 protected:
  std::shared_ptr<DeviceSource> ThreeDevices() {
    return SourceOf({std::make_shared<NamedTestDevice>(QStringLiteral("A"), QStringLiteral("1")),
                     std::make_shared<NamedTestDevice>(QStringLiteral("B"), QStringLiteral("2")),
                     std::make_shared<NamedTestDevice>(QStringLiteral("C"), QStringLiteral("3"))});
  }
  static DispatchResult Put(CKorvexCtrl& c, int id, QVariant v) {
    return c.Invoke(id, DispatchKind::PropertyPut, {std::move(v)});
  }
  static QVariant Get(CKorvexCtrl& c, int id) { return c.Invoke(id, DispatchKind::PropertyGet).value; }
};

TEST_F(KorvexControlTest, DefaultsAndCreation) {
  CKorvexCtrl control(nullptr, ThreeDevices());
  EXPECT_TRUE(control.GetCenterWindow());
  EXPECT_TRUE(control.GetCaptureFilePath().isEmpty());
  EXPECT_FALSE(control.GetPreview());
  EXPECT_TRUE(control.GetWithAudio());
  EXPECT_EQ(control.GetFrames(), 15);
  EXPECT_EQ(control.GetStatusHWND(), 0);
  EXPECT_TRUE(control.GetConfirmWindow());
  EXPECT_FALSE(control.GetLimitEnabled());
  EXPECT_EQ(control.GetLimitTime(), 0);
  EXPECT_FALSE(control.GetUseVideoOverlay());
  EXPECT_EQ(control.GetPreviewRate(), 15);
  EXPECT_EQ(control.GetDeviceIndex(), 0);
  EXPECT_FALSE(control.IsModified());
  EXPECT_EQ(control.captureWindow()->windowTitle(), QStringLiteral("Korvex Capture 32bit"));
  EXPECT_EQ(control.captureWindow()->parentWidget(), &control);
  EXPECT_EQ(control.captureWindow()->PreviewIntervalMs(), 66);
  // The test device offers format and source dialogs, no display dialog and no overlay.
  EXPECT_TRUE(Get(control, kDispVideoFormat).toBool());
  EXPECT_TRUE(Get(control, kDispVideoSource).toBool());
  EXPECT_FALSE(Get(control, kDispVideoDisplay).toBool());
  EXPECT_FALSE(Get(control, kDispVideoOverlay).toBool());
  EXPECT_EQ(Get(control, kDispNumDrivers).toInt(), 3);
}

TEST_F(KorvexControlTest, PropertyValueRules) {
  CKorvexCtrl control(nullptr, ThreeDevices());
  Put(control, kDispPreviewRate, 0);
  EXPECT_EQ(Get(control, kDispPreviewRate).toInt(), 15);
  Put(control, kDispPreviewRate, -10);
  EXPECT_EQ(Get(control, kDispPreviewRate).toInt(), 10);
  EXPECT_EQ(control.captureWindow()->PreviewIntervalMs(), 100);
  Put(control, kDispPreviewRate, 5000);
  EXPECT_EQ(control.captureWindow()->PreviewIntervalMs(), 1);  // never a zero-interval busy loop
  Put(control, kDispLimitTime, -30);
  EXPECT_EQ(Get(control, kDispLimitTime).toInt(), 30);
  Put(control, kDispLimitTime, std::numeric_limits<int>::min());
  EXPECT_EQ(control.GetLimitTime(), std::numeric_limits<int>::max());

  CaptureParams params;
  Put(control, kDispFrames, 30);
  control.captureWindow()->GetSequenceSetup(params);
  EXPECT_EQ(params.microSecPerFrame, 33333);
  Put(control, kDispFrames, 0);  // no division by zero: the device's own rate
  control.captureWindow()->GetSequenceSetup(params);
  EXPECT_EQ(params.microSecPerFrame, 0);
  Put(control, kDispWithAudio, false);
  control.captureWindow()->GetSequenceSetup(params);
  EXPECT_FALSE(params.captureAudio);
  EXPECT_EQ(params.microSecPerFrame, 0);  // a setup edit changes one field only
}

TEST_F(KorvexControlTest, DeviceIndexConnectsByAbsoluteValueAndIgnoresMissingDevices) {
  CKorvexCtrl control(nullptr, ThreeDevices());
  Put(control, kDispDeviceIndex, -1);
  EXPECT_EQ(control.GetDeviceIndex(), 1);
  EXPECT_EQ(control.captureWindow()->CurrentDeviceIndex(), 1);
  Put(control, kDispDeviceIndex, 3);  // equal to the count: stored, B stays connected
  EXPECT_EQ(control.GetDeviceIndex(), 3);
  EXPECT_EQ(control.captureWindow()->CurrentDeviceIndex(), 1);
  EXPECT_EQ(control.captureWindow()->CurrentDevice()->Name(), QStringLiteral("B"));
  QImage host(640, 480, QImage::Format_RGB32);
  EXPECT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
}

TEST_F(KorvexControlTest, SettingNotifiesWithTheOwnIdAndReadOnlyIsRefused) {
  CKorvexCtrl control(nullptr, ThreeDevices());
  QSignalSpy changed(&control, &CKorvexCtrl::PropertyChanged);
  const std::vector<std::pair<int, QVariant>> puts = {
      {kDispCenterWindow, false},   {kDispCaptureFilePath, QStringLiteral("/tmp/x.avi")},
      {kDispWithAudio, false},      {kDispFrames, 10},
      {kDispStatusHWND, 0},         {kDispConfirmWindow, false},
      {kDispLimitEnabled, true},    {kDispLimitTime, 5},
      {kDispUseVideoOverlay, true}, {kDispPreviewRate, 20},
      {kDispDeviceIndex, 2},        {kDispVideoWidth, 320},
      {kDispVideoHeight, 240},      {kDispBorderStyle, 1},
      {kDispAppearance, 0},         {kDispBackColor, QColor(Qt::red)},
  };
  for (const auto& [id, value] : puts) {
    const auto result = Put(control, id, value);
    EXPECT_TRUE(result.ok()) << id;
    ASSERT_FALSE(changed.isEmpty()) << id;
    EXPECT_EQ(changed.takeLast()[0].toInt(), id);
  }
  EXPECT_TRUE(control.IsModified());
  EXPECT_EQ(Get(control, kDispCaptureFilePath).toString(), QStringLiteral("/tmp/x.avi"));
  EXPECT_EQ(control.captureWindow()->CaptureFile(), QStringLiteral("/tmp/x.avi"));
  EXPECT_EQ(Get(control, kDispVideoWidth).toInt(), 320);
  EXPECT_EQ(Get(control, kDispVideoHeight).toInt(), 240);
  EXPECT_FALSE(control.GetUseVideoOverlay() && control.GetVideoOverlay());
  EXPECT_EQ(Get(control, kDispBackColor).value<QColor>(), QColor(Qt::red));
  EXPECT_EQ(Get(control, kDispAppearance).toInt(), 0);

  for (int id : {kDispVideoFormat, kDispVideoSource, kDispVideoDisplay, kDispVideoOverlay, kDispNumDrivers,
                 kDispDeviceNameList}) {
    EXPECT_EQ(Put(control, id, 1).error, DispatchResult::Error::SetNotSupported) << id;
  }
  EXPECT_TRUE(changed.isEmpty());
  EXPECT_EQ(control.Invoke(99, DispatchKind::PropertyGet).error, DispatchResult::Error::UnknownMember);
  EXPECT_EQ(control.Invoke(kDispFrames, DispatchKind::PropertyPut, {}).error,
            DispatchResult::Error::BadParamCount);
  EXPECT_EQ(Put(control, kDispFrames, QStringLiteral("many")).error, DispatchResult::Error::TypeMismatch);
  EXPECT_EQ(control.Invoke(kDispDeviceNameList, DispatchKind::PropertyGet, {-2}).value.toString(),
            QStringLiteral("C [3]"));
  EXPECT_EQ(
      control.Invoke(kDispSave, DispatchKind::Method, {TempPath(QStringLiteral("none.avi"))}).value.toBool(),
      true);
}

TEST_F(KorvexControlTest, CaptureWindowWithoutItsWindowFailsEveryOperation) {
  CaptureWindow window(ThreeDevices());  // never created
  EXPECT_FALSE(window.IsWindow());
  EXPECT_FALSE(window.ConnectDevice(0));
  window.SetPreview(true);
  EXPECT_FALSE(window.Streaming());
  EXPECT_EQ(window.GetVideoWidth(), 0);
  EXPECT_EQ(window.GetVideoHeight(), 0);
  QImage host(64, 64, QImage::Format_RGB32);
  EXPECT_FALSE(window.GrabToDeviceContext(reinterpret_cast<qintptr>(&host)));
  EXPECT_FALSE(window.GrabToDib(TempPath(QStringLiteral("x.bmp"))));
  EXPECT_FALSE(window.ShowVideoFormatDialog());
  EXPECT_FALSE(window.ShowAudioFormatDialog());
  EXPECT_FALSE(window.SetCaptureFile(TempPath(QStringLiteral("x.avi"))));
  EXPECT_FALSE(window.StartSequence(false, false, 0));
  EXPECT_EQ(window.DriverCount(), 0);
}

TEST_F(KorvexControlTest, UnusableStoredFormatsFallBackToTheDefault) {
  auto start_with = [&](const QByteArray& group) {
    QDir().mkpath(QFileInfo(DevicesIni()).absolutePath());
    QFile ini(DevicesIni());
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[device%20A]\n" + group + "\n");
    ini.close();
    CKorvexCtrl control(nullptr, ThreeDevices());
    return QSize(control.GetVideoWidth(), control.GetVideoHeight());
  };
  // A good entry is used, so the bad ones below are really read and refused.
  EXPECT_EQ(start_with("width=320\nheight=240\nfpsNum=15\nfpsDen=1\npixelFormat=I420"), QSize(320, 240));
  EXPECT_EQ(start_with("width=abc\nheight=240\npixelFormat=I420"), QSize(640, 480));
  EXPECT_EQ(start_with("width=320\nheight=240\npixelFormat=NOPE"), QSize(640, 480));
  EXPECT_EQ(start_with("width=99999\nheight=240\npixelFormat=I420"), QSize(640, 480));
  EXPECT_EQ(start_with("width=320\nheight=240\nfpsNum=0\npixelFormat=I420"), QSize(640, 480));
}

TEST_F(KorvexControlTest, CenterWindowLaysOutTheCaptureWindow) {
  CKorvexCtrl control(nullptr, ThreeDevices());
  control.resize(800, 600);
  control.show();
  EXPECT_EQ(control.captureWindow()->geometry(), QRect(80, 60, 640, 480));
  control.SetCenterWindow(false);
  EXPECT_EQ(control.captureWindow()->pos(), QPoint(0, 0));
  control.SetCenterWindow(true);
  control.resize(400, 300);  // larger image than the area: at (0, 0), never off-screen
  EXPECT_EQ(control.captureWindow()->geometry(), QRect(0, 0, 640, 480));
  control.resize(1000, 300);
  EXPECT_EQ(control.captureWindow()->geometry(), QRect(180, 0, 640, 480));
  control.SetVideoWidth(320);
  control.SetVideoHeight(240);
  EXPECT_EQ(control.captureWindow()->geometry(), QRect(340, 30, 320, 240));
}

TEST_F(KorvexControlTest, StatusMessagesReachTheStatusWindow) {
  CKorvexCtrl control(nullptr, ThreeDevices());
  QLabel label;
  Put(control, kDispStatusHWND, qlonglong(label.winId()));
  control.captureWindow()->SetVideoFormat({320, 240, 30, 1, QStringLiteral("NOPE")});
  EXPECT_TRUE(label.text().contains(QStringLiteral("NOPE"))) << label.text().toStdString();
}

TEST_F(KorvexControlTest, PersistenceRoundTripAndVersionRule) {
  QByteArray saved;
  {
    CKorvexCtrl control(nullptr, ThreeDevices());
    control.SetCenterWindow(false);
    control.SetPreview(true);
    control.SetWithAudio(false);
    control.SetFrames(25);
    control.SetCaptureFilePath(QStringLiteral("/data/cap.avi"));
    control.SetConfirmWindow(false);
    control.SetLimitEnabled(true);
    control.SetLimitTime(100000);  // past 16 bits
    control.SetUseVideoOverlay(true);
    control.SetPreviewRate(7);
    control.SetDeviceIndex(2);
    control.SetStatusHWND(1234);
    saved = control.SavedProperties();
  }
  // The fixed order after the version.
  {
    QDataStream in(saved);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 version;
    bool center, preview, audio;
    qint32 frames;
    QString path;
    in >> version >> center >> preview >> audio >> frames >> path;
    EXPECT_EQ(version, 65540u);
    EXPECT_FALSE(center);
    EXPECT_TRUE(preview);
    EXPECT_FALSE(audio);
    EXPECT_EQ(frames, 25);
    EXPECT_EQ(path, QStringLiteral("/data/cap.avi"));
  }
  CKorvexCtrl loaded(nullptr, ThreeDevices());
  loaded.SetFrames(3);
  ASSERT_TRUE(loaded.LoadProperties(saved));
  EXPECT_FALSE(loaded.IsModified());
  EXPECT_FALSE(loaded.GetCenterWindow());
  EXPECT_TRUE(loaded.GetPreview());
  EXPECT_FALSE(loaded.GetWithAudio());
  EXPECT_EQ(loaded.GetFrames(), 25);
  EXPECT_EQ(loaded.GetCaptureFilePath(), QStringLiteral("/data/cap.avi"));
  EXPECT_FALSE(loaded.GetConfirmWindow());
  EXPECT_TRUE(loaded.GetLimitEnabled());
  EXPECT_EQ(loaded.GetLimitTime(), 100000);
  EXPECT_TRUE(loaded.GetUseVideoOverlay());
  EXPECT_EQ(loaded.GetPreviewRate(), 7);
  EXPECT_EQ(loaded.GetDeviceIndex(), 2);
  EXPECT_EQ(loaded.GetStatusHWND(), 0);  // not persisted
  EXPECT_EQ(loaded.captureWindow()->PreviewIntervalMs(), 142);

  // Another version: the values are read past and every property is at its default.
  QByteArray other = saved;
  other[3] = 0x05;  // 65541
  EXPECT_FALSE(loaded.LoadProperties(other));
  EXPECT_TRUE(loaded.GetCenterWindow());
  EXPECT_FALSE(loaded.GetPreview());
  EXPECT_TRUE(loaded.GetWithAudio());
  EXPECT_EQ(loaded.GetFrames(), 15);
  EXPECT_TRUE(loaded.GetCaptureFilePath().isEmpty());
  EXPECT_TRUE(loaded.GetConfirmWindow());
  EXPECT_FALSE(loaded.GetLimitEnabled());
  EXPECT_EQ(loaded.GetLimitTime(), 0);
  EXPECT_FALSE(loaded.GetUseVideoOverlay());
  EXPECT_EQ(loaded.GetPreviewRate(), 15);
  EXPECT_EQ(loaded.GetDeviceIndex(), 0);
  // Truncated data of our version counts as unreadable: defaults too, nothing half loaded.
  ASSERT_TRUE(loaded.LoadProperties(saved));
  EXPECT_FALSE(loaded.LoadProperties(saved.left(saved.size() - 2)));
  EXPECT_EQ(loaded.GetFrames(), 15);
}

TEST_F(KorvexControlTest, AppearanceStringsAndLanguage) {
  EXPECT_EQ(CKorvexCtrl::AppearanceDisplayString(0), QStringLiteral("0 - ﾌﾗｯﾄ"));
  EXPECT_EQ(CKorvexCtrl::AppearanceDisplayString(1), QStringLiteral("1 - 3D"));
  CKorvexCtrl control(nullptr, ThreeDevices());
  CKorvexCtrl::SetLanguage(UiLanguage::Japanese);
  EXPECT_EQ(CKorvexCtrl::PageCaption(), QStringLiteral("全般"));
  EXPECT_TRUE(control.MakeAboutBox()->windowTitle().contains(QStringLiteral("バージョン情報")));
  CKorvexCtrl::SetLanguage(UiLanguage::English);
  EXPECT_EQ(CKorvexCtrl::PageCaption(), QStringLiteral("General"));
  auto about = control.MakeAboutBox();
  EXPECT_TRUE(about->text().contains(QStringLiteral("1.4")));
  int shown = 0;
  control.SetDialogRunner([&](QDialog& d) {
    shown += qobject_cast<QMessageBox*>(&d) != nullptr;
    return 0;
  });
  EXPECT_TRUE(control.Invoke(kDispAboutBox, DispatchKind::Method).ok());
  EXPECT_EQ(shown, 1);
}

}  // namespace korvex::test
