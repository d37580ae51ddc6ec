// Streaming capture into an AVI file, checked with GStreamer's own discoverer.
#include "KorvexTestSupport.h"

#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

#include <gst/pbutils/pbutils.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QUrl>

namespace korvex::test {

namespace {
struct Discovered {
  bool ok = false;
  int width = 0, height = 0, videoStreams = 0, audioStreams = 0;
  QString videoCaps, audioCaps;
  QString error;
};

QString CapsText(GstDiscovererStreamInfo* info) {
  GstCaps* caps = gst_discoverer_stream_info_get_caps(info);
  if (!caps) return {};
  gchar* text = gst_caps_to_string(caps);
  const QString result = QString::fromUtf8(text);
  g_free(text);
  gst_caps_unref(caps);
  return result;
}

Discovered Discover(const QString& path) {
  Discovered d;
  GError* error = nullptr;
  GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, &error);
  if (!discoverer) return d;
  const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
  GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri.constData(), &error);
  if (error) {
    d.error = QString::fromUtf8(error->message);
    g_error_free(error);
  }
  if (info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK) {
    d.ok = true;
    GList* videos = gst_discoverer_info_get_video_streams(info);
    d.videoStreams = g_list_length(videos);
    if (videos) {
      d.width = gst_discoverer_video_info_get_width(GST_DISCOVERER_VIDEO_INFO(videos->data));
      d.height = gst_discoverer_video_info_get_height(GST_DISCOVERER_VIDEO_INFO(videos->data));
      d.videoCaps = CapsText(GST_DISCOVERER_STREAM_INFO(videos->data));
    }
    gst_discoverer_stream_info_list_free(videos);
    GList* audios = gst_discoverer_info_get_audio_streams(info);
    d.audioStreams = g_list_length(audios);
    if (audios) d.audioCaps = CapsText(GST_DISCOVERER_STREAM_INFO(audios->data));
    gst_discoverer_stream_info_list_free(audios);
  }
  if (info) gst_discoverer_info_unref(info);
  g_object_unref(discoverer);
  return d;
}

void LimitFrames(CKorvexCtrl& control, int frames) {
  CaptureParams params;
  control.captureWindow()->GetSequenceSetup(params);
  params.frameLimit = frames;
  control.captureWindow()->SetSequenceSetup(params);
}
}  // namespace

class KorvexRecordingTest : public KorvexTest {};

TEST_F(KorvexRecordingTest, FrameLimitedCaptureWritesAPlayableAviAndFiresEndCapture) {
  CKorvexCtrl control(nullptr, SingleTestDevice(4));
  control.SetPreview(true);
  const QString path = TempPath(QStringLiteral("capture.avi"));
  control.SetCaptureFilePath(path);
  control.SetConfirmWindow(false);
  LimitFrames(control, 10);
  QSignalSpy ended(&control, &CKorvexCtrl::EndCapture);
  ASSERT_TRUE(control.Invoke(kDispStartCapture, DispatchKind::Method).ok());
  ASSERT_EQ(ended.size(), 1);
  EXPECT_EQ(ended[0][0].toInt(), 10);
  EXPECT_GE(ended[0][1].toInt(), 0);
  EXPECT_FALSE(control.captureWindow()->Capturing());
  EXPECT_TRUE(control.captureWindow()->Streaming());  // the preview goes on

  const Discovered found = Discover(path);
  ASSERT_TRUE(found.ok) << found.error.toStdString();
  EXPECT_EQ(found.videoStreams, 1);
  EXPECT_EQ(found.audioStreams, 1);  // WithAudio is on by default: the test tone
  EXPECT_EQ(found.width, 640);
  EXPECT_EQ(found.height, 480);
  EXPECT_TRUE(found.videoCaps.startsWith(QStringLiteral("image/jpeg"))) << found.videoCaps.toStdString();
  EXPECT_TRUE(found.audioCaps.contains(QStringLiteral("rate=(int)48000"))) << found.audioCaps.toStdString();

  // Save copies the capture file; it reports success whatever happens.
  const QString copy = TempPath(QStringLiteral("copy.avi"));
  EXPECT_TRUE(control.Save(copy));
  EXPECT_EQ(QFileInfo(copy).size(), QFileInfo(path).size());
  EXPECT_TRUE(control.Save(TempPath(QStringLiteral("no/such/folder/copy.avi"))));
}

TEST_F(KorvexRecordingTest, WithoutAudioAndWithPreviewOffTheDeviceRestsAfterwards) {
  CKorvexCtrl control(nullptr, SingleTestDevice(4));
  const QString path = TempPath(QStringLiteral("quiet.avi"));
  control.SetCaptureFilePath(path);
  control.SetConfirmWindow(false);
  control.SetWithAudio(false);
  LimitFrames(control, 5);
  QSignalSpy ended(&control, &CKorvexCtrl::EndCapture);
  control.StartCapture();
  ASSERT_EQ(ended.size(), 1);
  EXPECT_EQ(ended[0][0].toInt(), 5);
  EXPECT_FALSE(control.captureWindow()->Streaming());
  const Discovered found = Discover(path);
  ASSERT_TRUE(found.ok) << found.error.toStdString();
  EXPECT_EQ(found.audioStreams, 0);
}

TEST_F(KorvexRecordingTest, TimeLimitEndsTheCaptureAndTheStatusWindowHearsOfIt) {
  CKorvexCtrl control(nullptr, SingleTestDevice(4));
  QLabel status;
  control.SetStatusHWND(qint64(status.winId()));
  control.SetCaptureFilePath(TempPath(QStringLiteral("timed.avi")));
  control.SetConfirmWindow(false);
  control.SetWithAudio(false);
  control.SetLimitEnabled(true);
  control.SetLimitTime(-1);  // read as 1 second
  QSignalSpy ended(&control, &CKorvexCtrl::EndCapture);
  QElapsedTimer took;
  took.start();
  control.StartCapture();
  EXPECT_GE(took.elapsed(), 900);
  ASSERT_EQ(ended.size(), 1);
  EXPECT_GT(ended[0][0].toInt(), 10);
  EXPECT_TRUE(status.text().startsWith(QStringLiteral("Captured %1 frames").arg(ended[0][0].toInt())))
      << status.text().toStdString();
}

TEST_F(KorvexRecordingTest, EscapeStopsAnUnlimitedCapture) {
  CKorvexCtrl control(nullptr, SingleTestDevice(4));
  control.SetCaptureFilePath(TempPath(QStringLiteral("escaped.avi")));
  control.SetConfirmWindow(false);
  control.SetWithAudio(false);
  // Once the capture runs, the operator presses Esc.
  QObject::connect(control.captureWindow(), &CaptureWindow::StatusMessage, &control,
                   [&](int id, const QString&) {
                     if (id == kStatusCaptureStarting)
                       QCoreApplication::postEvent(
                           &control, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
                   });
  QSignalSpy ended(&control, &CKorvexCtrl::EndCapture);
  control.StartCapture();
  EXPECT_EQ(ended.size(), 1);
  EXPECT_FALSE(control.captureWindow()->Capturing());
}

TEST_F(KorvexRecordingTest, ConfirmCancelledRecordsNothing) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  const QString path = TempPath(QStringLiteral("never.avi"));
  control.SetCaptureFilePath(path);
  QString asked;
  control.SetDialogRunner([&](QDialog& dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) asked = box->text();
    return int(QMessageBox::Cancel);
  });
  QSignalSpy ended(&control, &CKorvexCtrl::EndCapture);
  control.StartCapture();
  EXPECT_TRUE(asked.contains(path));
  EXPECT_TRUE(ended.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(KorvexRecordingTest, NoCaptureFileOrAnUnwritableOneIsAClearFailure) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.SetPreview(true);
  QSignalSpy status(control.captureWindow(), &CaptureWindow::StatusMessage);
  QSignalSpy ended(&control, &CKorvexCtrl::EndCapture);
  EXPECT_FALSE(control.captureWindow()->StartSequence(false, false, 0));
  ASSERT_EQ(status.size(), 1);
  EXPECT_EQ(status.last()[0].toInt(), kStatusDeviceError);

  const QString nowhere = TempPath(QStringLiteral("no/such/folder/c.avi"));
  control.SetCaptureFilePath(nowhere);
  EXPECT_FALSE(control.captureWindow()->StartSequence(false, false, 0));
  ASSERT_EQ(status.size(), 2);
  EXPECT_TRUE(status.last()[1].toString().contains(nowhere));
  EXPECT_TRUE(ended.isEmpty());
  EXPECT_TRUE(control.captureWindow()->Streaming());  // the preview is untouched
}

}  // namespace korvex::test
