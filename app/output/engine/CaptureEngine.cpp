#include "CaptureEngine.h"

#include "ErrorLog.h"
#include "ImagingError.h"
#include "Naming.h"
#include "Pipeline.h"
#include "SettingsRules.h"

#include <QFileInfo>

#include <algorithm>

namespace quorvin {
namespace {

constexpr int32_t kBlue = 0xFF0000;  // 0x00BBGGRR
constexpr int32_t kRed = 0x0000FF;
constexpr int kJpeg = 10;
constexpr int kSnapshotLast = 1024;

bool On(int32_t v) {
  return v == 1;
}

// Re-enables the timer and resets the label whatever happened inside the cycle.
class CycleGuard {
 public:
  CycleGuard(CaptureHost& host, CaptureHost::CycleLabel label, int32_t color) : host_(host), label_(label) {
    host_.SetCycleLabelColor(label_, color);
    host_.SetTimerEnabled(false);
    host_.ProcessPendingEvents();
  }
  ~CycleGuard() {
    host_.SetCycleLabelColor(label_, 0);
    host_.SetTimerEnabled(true);
    host_.ProcessPendingEvents();
  }
  CycleGuard(const CycleGuard&) = delete;
  CycleGuard& operator=(const CycleGuard&) = delete;

 private:
  CaptureHost& host_;
  CaptureHost::CycleLabel label_;
};

constexpr char kLive[] = "saveing";
constexpr char kHistory[] = "saveing3";
enum CycleKind { kLiveCycle, kHistoryCycle };

// What each output is called in the reasons of the error log.
const char* const kOutputs[Output::Count] = {"live image", "live thumbnail", "half image", "history image",
                                             "history thumbnail"};

QString On(const char* what, int output) {
  return QStringLiteral("%1 on the %2").arg(QLatin1String(what), QLatin1String(kOutputs[output]));
}

}  // namespace

CaptureEngine::CaptureEngine(Settings& settings, NamingState& naming, ImagingControls& controls,
                             VideoDevice* video, CaptureHost& host, const Clock& clock)
    : s_(settings), naming_(naming), c_(controls), video_(video), host_(host), clock_(clock) {}

template <typename Step>
bool CaptureEngine::Trap(const char* message, const QString& what, Step&& step) {
  // The program began to end (in a message-pump pass of this cycle): the rest of the cycle is dropped, or
  // it would grab from a control on its way out and write what the operator did not wait for.
  if (host_.Ending()) return false;
  auto log = [&](ErrorCode code, const QString& why) {
    AppendErrorLog(QString::fromLatin1(message), code,
                   what.isEmpty() ? why : what + QStringLiteral(": ") + why, clock_);
  };
  try {
    step();
    return true;
  } catch (const ImagingError& e) {
    log(e.Code(), e.Message());
  } catch (const std::exception& e) {
    log(ErrorCode::Unknown, QString::fromLocal8Bit(e.what()));
  }
  return false;
}

QString CaptureEngine::GrabWhat() const {
  if (s_.op3[Option::Source] == 0) return QStringLiteral("scanner grab");
  const QString name = video_ ? video_->DeviceName() : QString();
  return name.isEmpty() ? QStringLiteral("video grab") : QStringLiteral("video grab from ") + name;
}

AcquisitionContext CaptureEngine::Context() {
  AcquisitionContext ctx{c_, s_, video_, [this] { host_.FitVideoWindow(); }, window_, &clock_, std::nullopt};
  // Only while the settings still name the source it stands for: a loaded file's choice wins.
  if (twainStandIn_ && twainStandIn_->stored == s_.DevIndexTwain) ctx.twainSource = twainStandIn_->used;
  return ctx;
}

void CaptureEngine::NoteDefaultInUse(const char* what, const QString& key, const QString& value,
                                     const QString& used, std::optional<QString>& logged) {
  if (logged == value) return;
  logged = value;
  AppendErrorLog(QStringLiteral("%1 %2 unknown, %3 used").arg(QLatin1String(what), value, used),
                 ErrorCode::SettingUnknown,
                 QStringLiteral("%1 = %2 names no %3; drawn with %4 until it changes")
                     .arg(key, value, QLatin1String(what), used),
                 clock_);
}

void CaptureEngine::NoteStampDefaults() {
  const int32_t style = s_.op3[Option::TextStyle], placement = s_.op3[Option::TextPlacement];
  if (!TextStyleKnown(style))
    NoteDefaultInUse("stamp style", QStringLiteral("op3(5)"), QString::number(style),
                     QString::number(kDefaultTextStyle), loggedStyle_);
  if (!TextPlacementKnown(placement))
    NoteDefaultInUse("stamp placement", QStringLiteral("op3(2)"), QString::number(placement),
                     QString::number(kDefaultTextPlacement), loggedPlacement_);
  if (!StampFontPoints(s_))
    NoteDefaultInUse("stamp size", QStringLiteral("SFontSize"), QStringLiteral("\"%1\"").arg(s_.SFontSize),
                     QString::number(kDefaultFontPoints), loggedFontSize_);
}

void CaptureEngine::LogoSlot(int k, const char* message, int output) {
  const int32_t placement = s_.op3[Option::LogoPlacement];
  if (!LogoPlacementKnown(placement) && !s_.LogomarkFilename.isEmpty())
    NoteDefaultInUse("logo placement", QStringLiteral("op3(3)"), QString::number(placement),
                     QString::number(kDefaultLogoPlacement), loggedLogoPlacement_);
  Trap(message, On("logo", output), [&] { LogoOverlay(c_, k, s_); });
}

bool CaptureEngine::StampSlot(int k, const char* message, int output) {
  NoteStampDefaults();
  ImagingControl& slot = c_.LEAD1[k];
  const QString what = On("time stamp", output);
  bool ok = Trap(message, what, [&] {
    c_.LEAD2.SetImageHandle(slot.ImageHandle());
    // The slot takes the stamped picture back below. Until then LEAD2 alone holds the pixels, so the stamp
    // draws into them instead of copying the whole frame first.
    slot.SetImageHandle(0);
  });
  ok = Trap(message, what, [&] { PrintTimeStamp2(c_.LEAD2, s_, naming_, clock_); }) && ok;
  return Trap(message, what, [&] { slot.SetImageHandle(c_.LEAD2.ImageHandle()); }) && ok;
}

void CaptureEngine::WriteLiveOutput(int i) {
  ImagingControl& slot = c_.LEAD1[i];
  const int32_t w = ScaledSize(slot.ImageWidth(), s_.zoom[i]);
  const int32_t h = ScaledSize(slot.ImageHeight(), s_.zoom[i]);
  slot.Resize(static_cast<float>(w), static_cast<float>(h), 1);
  slot.SaveImage(LiveOutputPath(s_, i), kJpeg, naming_.BitsPerPixel[i], s_.rezo[i], false);
  slot.SetImageHandle(0);
}

void CaptureEngine::ResizeForHistory(int k) {
  ImagingControl& slot = c_.LEAD1[k];
  const int32_t w = ScaledSize(slot.ImageWidth(), s_.zoom[Output::HistoryImage + k]);
  const int32_t h = ScaledSize(slot.ImageHeight(), s_.zoom[Output::HistoryImage + k]);
  slot.Resize(static_cast<float>(w), static_cast<float>(h), 1);
}

void CaptureEngine::MakeFolder(const QString& path) {
  if (!host_.Ending()) MakePath(path, clock_);
}

void CaptureEngine::SaveLiveImages() {
  if (host_.Ending()) return;
  CycleGuard guard(host_, CaptureHost::CycleLabel::Live, kBlue);
  ErrorLogCycle cycle(repeats_, kLiveCycle, clock_);
  Trap(kLive, GrabWhat(), [&] {
    AcquisitionContext ctx = Context();
    AcquireFrame(ctx);
  });
  MakeFolder(s_.NetworkPath);
  if (On(s_.ch1[Switch::LiveThumbnail])) {
    Trap(kLive, kOutputs[Output::LiveThumbnail],
         [&] { c_.LEAD1[1].SetImageHandle(c_.LEAD1[0].ImageHandle()); });
    Trap(kLive, kOutputs[Output::LiveThumbnail], [&] { WriteLiveOutput(Output::LiveThumbnail); });
  }
  // Half and live image both stamped, neither with a logo (the defaults): the half image is the stamped
  // frame made smaller, so the stamp is drawn once on the frame, not on a whole copy of it and then again.
  // Both then show the same time, that of their one grab.
  const bool stampOnce = On(s_.ch1[Switch::HalfImage]) && On(s_.ch1[Switch::LiveImage]) &&
                         On(s_.ch1[Switch::StampOnHalfImage]) && On(s_.ch1[Switch::StampOnLiveImage]) &&
                         !On(s_.ch1[Switch::LogoOnHalfImage]) && !On(s_.ch1[Switch::LogoOnLiveImage]);
  bool liveStamped = false;
  if (On(s_.ch1[Switch::HalfImage])) {
    if (stampOnce) liveStamped = StampSlot(0, kLive, Output::HalfImage);
    Trap(kLive, kOutputs[Output::HalfImage], [&] { c_.LEAD1[2].SetImageHandle(c_.LEAD1[0].ImageHandle()); });
    if (On(s_.ch1[Switch::LogoOnHalfImage])) LogoSlot(2, kLive, Output::HalfImage);
    if (On(s_.ch1[Switch::StampOnHalfImage]) && !stampOnce) StampSlot(2, kLive, Output::HalfImage);
    Trap(kLive, kOutputs[Output::HalfImage], [&] { WriteLiveOutput(Output::HalfImage); });
  }
  if (On(s_.ch1[Switch::LiveImage])) {
    if (On(s_.ch1[Switch::LogoOnLiveImage])) LogoSlot(0, kLive, Output::LiveImage);
    if (On(s_.ch1[Switch::StampOnLiveImage]) && !liveStamped) StampSlot(0, kLive, Output::LiveImage);
    Trap(kLive, kOutputs[Output::LiveImage], [&] { WriteLiveOutput(Output::LiveImage); });
  }
  Trap(kLive, {}, [&] { c_.LEAD1[0].SetImageHandle(0); });
}

QString CaptureEngine::HistoryFile(int which) const {
  return which == 0 ? HistoryImagePath(s_, naming_) : HistoryThumbnailPath(s_, naming_);
}

void CaptureEngine::SaveHistoryImages() {
  if (host_.Ending()) return;
  CycleGuard guard(host_, CaptureHost::CycleLabel::History, kRed);
  ErrorLogCycle cycle(repeats_, kHistoryCycle, clock_);
  Trap(kHistory, GrabWhat(), [&] {
    AcquisitionContext ctx = Context();
    AcquireFrame(ctx);
  });
  if (On(s_.ch1[Switch::HistoryThumbnail])) {
    const QString thumbnail = kOutputs[Output::HistoryThumbnail];
    Trap(kHistory, thumbnail, [&] { c_.LEAD1[1].SetImageHandle(c_.LEAD1[0].ImageHandle()); });
    MakeFolder(s_.histPath + naming_.HistorySubPath[1]);
    if (s_.zoom[Output::HistoryThumbnail] != 1.0f) Trap(kHistory, thumbnail, [&] { ResizeForHistory(1); });
    Trap(kHistory, thumbnail, [&] {
      c_.LEAD1[1].SaveImage(HistoryFile(1), kJpeg, naming_.BitsPerPixel[Output::HistoryThumbnail],
                            s_.rezo[Output::HistoryThumbnail], false);
    });
    Trap(kHistory, {}, [&] { c_.LEAD1[1].SetImageHandle(0); });
  }
  if (On(s_.ch1[Switch::HistoryImage])) {
    const QString image = kOutputs[Output::HistoryImage];
    if (On(s_.ch1[Switch::LogoOnHistoryImage])) LogoSlot(0, kHistory, Output::HistoryImage);
    MakeFolder(s_.histPath + naming_.HistorySubPath[0]);
    if (On(s_.ch1[Switch::StampOnHistoryImage])) StampSlot(0, kHistory, Output::HistoryImage);
    if (s_.zoom[Output::HistoryImage] != 1.0f) Trap(kHistory, image, [&] { ResizeForHistory(0); });
    Trap(kHistory, image, [&] {
      c_.LEAD1[0].SaveImage(HistoryFile(0), kJpeg, naming_.BitsPerPixel[Output::HistoryImage],
                            s_.rezo[Output::HistoryImage], false);
    });
  }
  Trap(kHistory, {}, [&] { c_.LEAD1[0].SetImageHandle(0); });
}

SnapshotResult CaptureEngine::SaveSnapshot(const QString& folder) {
  host_.SetBusyCursor(true);
  SnapshotResult result;
  try {
    AcquisitionContext ctx = Context();
    if (s_.op3[Option::Source] != 0) {
      GrabVideoFrame(ctx);
      c_.LEAD2.SetImageHandle(c_.LEAD1[0].ImageHandle());
      ColorCorrect(c_.LEAD2, s_);
      c_.LEAD1[0].SetImageHandle(c_.LEAD2.ImageHandle());
      PostProcessing(c_, s_, ctx.fitVideoWindow);
    } else {
      // The scanner grab corrects and post-processes itself; twice would turn or flip the picture back.
      GrabTwainFrame(ctx);
    }
    QString base = folder;
    if (base.endsWith(QLatin1Char('/')) && base.size() > 1) base.chop(1);
    QString name;
    for (int n = 0; n <= kSnapshotLast; ++n) {
      name = QStringLiteral("vk%1.jpg").arg(n, 5, 10, QLatin1Char('0'));
      if (!QFileInfo::exists(base + QLatin1Char('/') + name)) break;
    }
    result.file = (base == QLatin1String("/") ? base : base + QLatin1Char('/')) + name;
    c_.LEAD1[0].SaveImage(result.file, kJpeg, 24, 2, false);
    result.ok = true;
  } catch (const std::exception& e) {
    result.error = QString::fromLocal8Bit(e.what());
  }
  host_.ProcessPendingEvents();
  host_.SetBusyCursor(false);
  return result;
}

bool CaptureEngine::SelectDevice(int index, int position, bool store) {
  try {
    if (index == 1) {
      if (store) s_.DevIndex = position;
      if (video_) video_->SetDeviceIndex(position);
      host_.SetSourceLabel(QStringLiteral("(V%1)").arg(position));
      if (video_) video_->SetPreview(true);
      UseOverlayIfAvailable();
      host_.FitVideoWindow();
    } else if (index == 0) {
      ImagingControl& frame = c_.LEAD1[0];
      if (frame.TwainSourceCount() == 0) return true;
      if (store) s_.DevIndexTwain = position;
      twainStandIn_.reset();
      if (position != s_.DevIndexTwain) twainStandIn_ = StandIn{s_.DevIndexTwain, position};
      frame.SetTwainSourceName(
          frame.TwainSourceNameAt(static_cast<int16_t>(std::clamp<int32_t>(position, -1, INT16_MAX))));
      host_.SetSourceLabel(QStringLiteral("(T %1)").arg(position));
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void CaptureEngine::UseOverlayIfAvailable() {
  if (video_ && video_->VideoOverlay()) video_->SetUseVideoOverlay(true);
}

}  // namespace quorvin
