#include "AreaPreview.h"

#include "Pipeline.h"

namespace quorvin {

namespace {

// The main window's LEAD2 is only borrowed: whatever happens, it goes back empty.
class BorrowedWorkControl {
 public:
  explicit BorrowedWorkControl(ImagingControl& control) : control_(control) {}
  ~BorrowedWorkControl() {
    try {
      control_.SetImageHandle(0);
    } catch (...) {
      // Releasing never fails; a destructor must not throw regardless.
    }
  }
  BorrowedWorkControl(const BorrowedWorkControl&) = delete;
  BorrowedWorkControl& operator=(const BorrowedWorkControl&) = delete;

 private:
  ImagingControl& control_;
};

void ApplySize(AreaPreviewContext& ctx, int64_t width, int64_t height) {
  const AreaWindowSize size = SizeForPicture(width, height);
  ctx.LEAD1[0].SetWidth(static_cast<float>(size.pictureWidth));
  ctx.LEAD1[0].SetHeight(static_cast<float>(size.pictureHeight));
  if (ctx.sizeWindow) ctx.sizeWindow(size);
}

// The picture size: the device's video format, else the main frame control's (the last format a grab
// saw), else the stand-in size.
void PictureSize(const AreaPreviewContext& ctx, int& width, int& height) {
  if (ctx.video != nullptr && ctx.video->VideoWidth() > 0 && ctx.video->VideoHeight() > 0) {
    width = ctx.video->VideoWidth();
    height = ctx.video->VideoHeight();
    return;
  }
  const auto lastWidth = static_cast<int64_t>(ctx.main.LEAD1[0].Width()) / kTwipsPerPixel;
  const auto lastHeight = static_cast<int64_t>(ctx.main.LEAD1[0].Height()) / kTwipsPerPixel;
  if (lastWidth > 0 && lastHeight > 0 && lastWidth <= INT32_MAX && lastHeight <= INT32_MAX) {
    width = static_cast<int>(lastWidth);
    height = static_cast<int>(lastHeight);
    return;
  }
  width = kStandInWidth;
  height = kStandInHeight;
}

}  // namespace

AreaWindowSize SizeForPicture(int64_t width, int64_t height) {
  AreaWindowSize size;
  size.pictureWidth = width * kTwipsPerPixel;
  size.pictureHeight = height * kTwipsPerPixel;
  size.formWidth = size.pictureWidth + kFrameWidthTwips;
  size.formHeight = size.pictureHeight + kFrameHeightTwips;
  return size;
}

int64_t PictureTwipsToPixels(int64_t twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

AreaPreviewOutcome ShowAreaPreview(AreaPreviewContext& ctx) {
  ImagingControl& picture = ctx.LEAD1[0];
  ImagingControl& work = ctx.main.LEAD2;
  BorrowedWorkControl borrowed(work);
  AreaPreviewOutcome outcome;

  // 1
  picture.SetImageHandle(0);
  picture.SetSetting56(1);
  ctx.LEAD2.SetSetting56(1);

  // 2
  PictureSize(ctx, outcome.width, outcome.height);
  ApplySize(ctx, outcome.width, outcome.height);

  // 3: the container is at 15 twips per pixel, so its size in pixels is the picture's.
  picture.CreateImage(picture.Width() / kTwipsPerPixel, picture.Height() / kTwipsPerPixel, 24);
  bool painted = false;
  if (ctx.video != nullptr) {
    const intptr_t dc = picture.GetImageDC();
    painted = ctx.video->CopyDIB(dc);
    picture.ReleaseImageDC();
  }
  outcome.standIn = !painted;
  Settings standInSettings;
  if (outcome.standIn) standInSettings = ctx.settings;
  Settings& s = outcome.standIn ? standInSettings : ctx.settings;

  // 4
  work.SetImageHandle(picture.ImageHandle());
  ColorCorrect(work, s);
  picture.SetImageHandle(work.ImageHandle());
  work.SetImageHandle(0);

  // 5
  if (s.PictureAngle != 0) picture.Rotate(s.PictureAngle, true, 0);

  // 6
  if (s.op3[Option::Turn] == 1 || s.op3[Option::Turn] == 3) ApplySize(ctx, outcome.height, outcome.width);

  // 7
  if (s.ch1[Switch::Flip] == 1) picture.Flip();
  if (s.ch1[Switch::Mirror] == 1) picture.Mirror();

  // 8
  work.SetImageHandle(picture.ImageHandle());
  efct_lead2(work, s);
  picture.Combine(static_cast<float>(s.EfctALeft), static_cast<float>(s.EfctATop),
                  static_cast<float>(s.EfctAWidth), static_cast<float>(s.EfctAHeight), work.ImageHandle(), 0,
                  0, imaging::kCombineCopy);
  picture.Repaint();
  work.SetImageHandle(0);

  // 9
  LogoOverlay(ctx.main, picture, s);

  // 10
  work.SetImageHandle(picture.ImageHandle());
  PrintTimeStamp2(work, s, ctx.naming, ctx.clock);
  picture.SetImageHandle(work.ImageHandle());
  // Putting a handle does not redraw the view; the stamped picture must be seen.
  picture.Repaint();
  return outcome;
}

}  // namespace quorvin
