// The live save cycle, from the test-pattern device into a temporary live folder.

#include "EngineFixture.h"
#include "FaultyCaptureDevice.h"
#include "ImageFiles.h"
#include "ImagingError.h"
#include "Naming.h"

#include <korvex/CaptureWindow.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <thread>

using namespace quorvin;
using namespace quorvin::test;

namespace {

// The names renamed into a folder, in the order the renames happened.
class RenameWatch {
 public:
  explicit RenameWatch(const QString& folder) : fd_(inotify_init1(IN_NONBLOCK)) {
    QDir().mkpath(folder);
    inotify_add_watch(fd_, folder.toLocal8Bit().constData(), IN_MOVED_TO);
  }
  ~RenameWatch() { ::close(fd_); }
  QStringList Names() {
    QStringList names;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
      for (char* p = buffer; p < buffer + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(p);
        if (e->len) names << QString::fromLocal8Bit(e->name);
        p += sizeof(inotify_event) + e->len;
      }
    return names;
  }

 private:
  int fd_;
};

using LiveCycle = EngineFixture;

}  // namespace

TEST_F(LiveCycle, DefaultsWriteThumbnailHalfAndLiveInThatOrderAtTheirSizesAndQualities) {
  RenameWatch watch(settings_.NetworkPath);
  engine_->SaveLiveImages();

  EXPECT_EQ(watch.Names(), (QStringList{"tovra_.jpg", "tovra_50.jpg", "tovra.jpg"}));
  struct Expected {
    const char* name;
    int width, height, quality;
  } outputs[] = {{"tovra_.jpg", 128, 96, 30}, {"tovra_50.jpg", 320, 240, 10}, {"tovra.jpg", 640, 480, 25}};
  for (const Expected& e : outputs) {
    SCOPED_TRACE(e.name);
    const JpegInfo info = InspectJpeg(ReadAll(settings_.NetworkPath + e.name));
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.width, e.width);
    EXPECT_EQ(info.height, e.height);
    EXPECT_FALSE(info.grey);
    EXPECT_EQ(info.firstLumaQuant, ExpectedFirstLumaQuant(imaging::JpegQualityFromFactor(e.quality)));
  }
  EXPECT_TRUE(ErrorLogLines().isEmpty()) << ErrorLogLines().join('\n').toStdString();
  // The status label is coloured and the timer off for the whole cycle.
  ASSERT_GE(host_.calls.size(), 6);
  EXPECT_EQ(host_.calls.mid(0, 3), (QStringList{"Label4 ff0000", "timer off", "events"}));
  EXPECT_EQ(host_.calls.mid(host_.calls.size() - 3), (QStringList{"Label4 000000", "timer on", "events"}));
  // Every slot is released after a cycle that went well.
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(controls_.LEAD1[i].HasImage()) << i;
}

TEST_F(LiveCycle, StampsAndBitDepthsFollowTheirSwitchesAndTheThumbnailNeverCarriesAStamp) {
  PlainVideoDevice plain(640, 480, QColor(90, 90, 90));
  UseDevice(&plain);
  settings_.ch1[3] = 0;   // no stamp on the live image
  settings_.op3[10] = 1;  // half image in greyscale
  DeriveNameFormats(settings_, naming_);
  engine_->SaveLiveImages();

  const QImage thumb = DecodeJpeg(settings_.NetworkPath + "tovra_.jpg");
  const QImage half = DecodeJpeg(settings_.NetworkPath + "tovra_50.jpg");
  const QImage live = DecodeJpeg(settings_.NetworkPath + "tovra.jpg");
  ASSERT_FALSE(thumb.isNull());
  ASSERT_FALSE(half.isNull());
  ASSERT_FALSE(live.isNull());
  EXPECT_EQ(CountPixelsUnlike(thumb, QColor(90, 90, 90), 24), 0);
  EXPECT_GT(CountPixelsUnlike(half, QColor(90, 90, 90), 24), 50);  // the stamp
  EXPECT_EQ(CountPixelsUnlike(live, QColor(90, 90, 90), 24), 0);   // copied before the half was stamped
  EXPECT_TRUE(InspectJpeg(ReadAll(settings_.NetworkPath + "tovra_50.jpg")).grey);
  EXPECT_FALSE(InspectJpeg(ReadAll(settings_.NetworkPath + "tovra.jpg")).grey);

  // Both stamped: the half image is the stamped live image made smaller, its stamp a quarter of the pixels.
  settings_.ch1[3] = 1;
  engine_->SaveLiveImages();
  const QImage stampedLive = DecodeJpeg(settings_.NetworkPath + "tovra.jpg");
  const QImage stampedHalf = DecodeJpeg(settings_.NetworkPath + "tovra_50.jpg");
  const int inLive = CountPixelsUnlike(stampedLive, QColor(90, 90, 90), 24);
  const int inHalf = CountPixelsUnlike(stampedHalf, QColor(90, 90, 90), 24);
  EXPECT_GT(inLive, 200);
  EXPECT_NEAR(inHalf, inLive / 4, inLive / 10);
  EXPECT_TRUE(ErrorLogLines().isEmpty()) << ErrorLogLines().join('\n').toStdString();
}

TEST_F(LiveCycle, ScaledSizesRoundToTheNearestAndHalvesToEven) {
  settings_.zoom[2] = 0.33f;  // 211.2 x 158.4
  engine_->SaveLiveImages();
  const JpegInfo half = InspectJpeg(ReadAll(settings_.NetworkPath + "tovra_50.jpg"));
  EXPECT_EQ(half.width, 211);
  EXPECT_EQ(half.height, 158);

  EXPECT_EQ(ScaledSize(5, 0.5), 2);  // 2.5 -> 2
  EXPECT_EQ(ScaledSize(7, 0.5), 4);  // 3.5 -> 4
  EXPECT_THROW(ScaledSize(640, 1e10), ImagingError);
}

TEST_F(LiveCycle, AnAbsurdZoomIsLoggedAndTheOtherOutputsAreStillWritten) {
  settings_.zoom[1] = 1e12f;
  engine_->SaveLiveImages();
  EXPECT_FALSE(QFile::exists(settings_.NetworkPath + "tovra_.jpg"));
  EXPECT_TRUE(QFile::exists(settings_.NetworkPath + "tovra_50.jpg"));
  EXPECT_TRUE(QFile::exists(settings_.NetworkPath + "tovra.jpg"));
  const QStringList log = ErrorLogLines();
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].contains(QStringLiteral("saveing 21 "))) << log[0].toStdString();
}

TEST_F(LiveCycle, WithEveryLiveOutputOffItGrabsMakesTheFolderAndWritesNothing) {
  PlainVideoDevice plain(320, 240, Qt::gray);
  UseDevice(&plain);
  settings_.ch1[6] = settings_.ch1[7] = settings_.ch1[8] = 0;
  engine_->SaveLiveImages();
  EXPECT_EQ(plain.grabs, 1);
  EXPECT_TRUE(QDir(settings_.NetworkPath).exists());
  EXPECT_TRUE(QDir(settings_.NetworkPath).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(LiveCycle, AnUnmakeableLiveFolderIsLoggedWithItsReasonSummarisedWhileItLastsAndCleared) {
  WriteAll(work_.File(QStringLiteral("blocked")), "x");
  settings_.NetworkPath = work_.File(QStringLiteral("blocked/live/"));
  StderrCapture said;
  auto count = [](const QString& text) { return ErrorLogLines().filter(text).size(); };
  const QString cannot = QStringLiteral("cannot makeing path  ") + settings_.NetworkPath;
  for (int i = 0; i < 12; ++i) {
    engine_->SaveLiveImages();
    engine_->SaveHistoryImages();  // a history cycle without errors clears nothing of the live ones
    clock_.AdvanceSeconds(1);
  }
  // Per cycle: the file standing at blocked/, the folder below it, one line per enabled output.
  EXPECT_EQ(count(cannot + QStringLiteral(" 15 ")), 10);
  EXPECT_EQ(count(cannot + QStringLiteral(" 10 ")), 10);
  EXPECT_EQ(count(QStringLiteral(" saveing 10 ")), 10);
  EXPECT_EQ(ErrorLogLines().size(), 30);
  EXPECT_EQ(host_.calls.last(), "events");
  EXPECT_TRUE(host_.calls.contains("timer on"));
  // Standard error says why: the level, the file and the system's text.
  const QString text = said.Text();
  EXPECT_TRUE(text.contains(QStringLiteral("cannot make ") + work_.File(QStringLiteral("blocked/")) +
                            QStringLiteral(": ") + qt_error_string(EEXIST)))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("saveing 10: live image: ") + settings_.NetworkPath +
                            QStringLiteral("tovra.jpg: ") + qt_error_string(ENOTDIR)));

  clock_.AdvanceSeconds(3600);
  engine_->SaveLiveImages();
  EXPECT_EQ(count(QStringLiteral(" saveing (repeated 27 more times) 10 ")), 1);
  EXPECT_EQ(count(cannot + QStringLiteral(" (repeated 3 more times) 15 ")), 1);
  EXPECT_EQ(ErrorLogLines().size(), 33);

  ASSERT_TRUE(QFile::remove(work_.File(QStringLiteral("blocked"))));
  engine_->SaveLiveImages();
  EXPECT_TRUE(InspectJpeg(ReadAll(settings_.NetworkPath + "tovra.jpg")).valid);
  EXPECT_EQ(count(QStringLiteral(" saveing (repeated 2 more times, then cleared) 10 ")), 1);
  EXPECT_EQ(count(cannot + QStringLiteral(" (cleared) 15 ")), 1);
  EXPECT_EQ(ErrorLogLines().size(), 36);
}

TEST_F(LiveCycle, ACameraThatStopsDeliveringIsLoggedAndLaterCyclesWork) {
  PlainVideoDevice plain(320, 240, QColor(200, 200, 200));
  FlakyVideoDevice flaky(plain);
  UseDevice(&flaky);
  settings_.ch1[1] = settings_.ch1[3] = 0;
  engine_->SaveLiveImages();
  flaky.failing = true;
  engine_->SaveLiveImages();
  QStringList log = ErrorLogLines();
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].contains(QStringLiteral("saveing 31 "))) << log[0].toStdString();
  // The blank frame of the failed grab is written, never the previous frame.
  EXPECT_GT(CountPixelsUnlike(DecodeJpeg(settings_.NetworkPath + "tovra.jpg"), QColor(200, 200, 200), 24),
            1000);

  flaky.failing = false;
  engine_->SaveLiveImages();
  EXPECT_EQ(ErrorLogLines().size(), 1);
  EXPECT_EQ(CountPixelsUnlike(DecodeJpeg(settings_.NetworkPath + "tovra.jpg"), QColor(200, 200, 200), 24), 0);

  // The reason names the capture control's device.
  FlakyVideoDevice lost(*video_);
  lost.failing = true;
  UseDevice(&lost);
  StderrCapture said;
  engine_->SaveLiveImages();
  EXPECT_TRUE(said.Text().contains(QStringLiteral("saveing 31: video grab from ") + video_->DeviceName() +
                                   QStringLiteral(": the capture device delivered no frame")))
      << said.Text().toStdString();
  EXPECT_TRUE(video_->DeviceName().startsWith(QStringLiteral("Test Pattern")));
}

TEST_F(LiveCycle, ALostCameraIsTriedEveryCycleAndTheCycleAfterItsReturnIsNormal) {
  settings_.ch1[1] = settings_.ch1[3] = 0;  // no stamps: a blank frame is black all over
  const QString live = settings_.NetworkPath + "tovra.jpg";
  // With the window shown the camera streams; parked in the tray it rests between grabs.
  for (const bool preview : {true, false}) {
    SCOPED_TRACE(preview ? "streaming" : "resting");
    auto device = std::make_shared<korvex::test::FaultyDevice>();
    korvex::CKorvexCtrl control(nullptr, korvex::test::SourceOf({device}));
    control.SetPreview(preview);
    KorvexVideoDevice video(control);
    UseDevice(&video);
    engine_->SaveLiveImages();
    ASSERT_GT(CountPixelsUnlike(DecodeJpeg(live), Qt::black, 24), 10000);
    const qsizetype logged = ErrorLogLines().size();

    device->Unplug();
    for (int cycle = 1; cycle <= 3; ++cycle) {
      SCOPED_TRACE(cycle);
      const int asked = device->SourcesAsked();
      QElapsedTimer took;
      took.start();
      engine_->SaveLiveImages();
      EXPECT_LT(took.elapsed(), korvex::CaptureWindow::kGrabTimeoutMs);  // no grab waits for a gone camera
      EXPECT_EQ(ErrorLogLines().size(), logged + cycle);                 // the grab's line, nothing else
      if (cycle > 1) {
        EXPECT_GT(device->SourcesAsked(), asked);  // a reconnect was tried
      }
      // The cycle goes on: the blank frame at the camera's last size, never the last picture.
      const QImage image = DecodeJpeg(live);
      EXPECT_EQ(image.size(), QSize(640, 480));
      EXPECT_EQ(CountPixelsUnlike(image, Qt::black, 24), 0);
    }

    device->Replug();
    engine_->SaveLiveImages();
    EXPECT_EQ(ErrorLogLines().size(), logged + 3);
    EXPECT_GT(CountPixelsUnlike(DecodeJpeg(live), Qt::black, 24), 10000);
    EXPECT_EQ(control.captureWindow()->Streaming(), preview);  // a shown preview runs again
    UseDevice(video_.get());
  }
}

TEST_F(LiveCycle, AReaderPollingTheLiveImageNeverSeesAPartialFile) {
  engine_->SaveLiveImages();
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0}, bad{0};
  const QString live = settings_.NetworkPath + "tovra.jpg";
  std::thread reader([&] {
    while (!stop) {
      QFile f(live);
      if (!f.open(QIODevice::ReadOnly)) {
        ++bad;  // the name must always be there
        continue;
      }
      if (!InspectJpeg(f.readAll()).valid) ++bad;
      ++reads;
    }
  });
  for (int i = 0; i < 15 || reads < 300; ++i) {
    engine_->SaveLiveImages();
    if (i > 200) break;
  }
  stop = true;
  reader.join();
  EXPECT_GE(reads.load(), 300);
  EXPECT_EQ(bad.load(), 0);
  const QStringList left = QDir(settings_.NetworkPath).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(left, (QStringList{"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}));  // no temporary files
}

TEST_F(LiveCycle, ALinkedLiveImageIsWrittenThroughToItsTargetAndAReadOnlyOneIsLeft) {
  const QString www = Folder(QStringLiteral("www"));
  QDir().mkpath(www);
  QDir().mkpath(settings_.NetworkPath);
  WriteAll(www + "cam.jpg", "old");
  ASSERT_EQ(::symlink("../www/cam.jpg", (settings_.NetworkPath + "tovra.jpg").toLocal8Bit()), 0);
  WriteAll(settings_.NetworkPath + "tovra_.jpg", "kept");
  ASSERT_EQ(::chmod((settings_.NetworkPath + "tovra_.jpg").toLocal8Bit(), 0444), 0);
  engine_->SaveLiveImages();

  EXPECT_EQ(QFileInfo(settings_.NetworkPath + "tovra.jpg").symLinkTarget(), www + "cam.jpg");
  const JpegInfo live = InspectJpeg(ReadAll(www + "cam.jpg"));
  EXPECT_TRUE(live.valid);
  EXPECT_EQ(live.width, 640);
  EXPECT_EQ(ReadAll(settings_.NetworkPath + "tovra_.jpg"), "kept");
  EXPECT_TRUE(InspectJpeg(ReadAll(settings_.NetworkPath + "tovra_50.jpg")).valid);
  const QStringList log = ErrorLogLines();
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].endsWith(QStringLiteral("saveing 11 "))) << log[0].toStdString();
  EXPECT_EQ(QDir(www).entryList(QDir::Files | QDir::Hidden), QStringList{"cam.jpg"});  // no temporary
}
