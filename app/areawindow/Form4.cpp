#include "Form4.h"

#include <QCloseEvent>
#include <QLoggingCategory>

#include <algorithm>
#include <exception>

Q_LOGGING_CATEGORY(lcAreaWindow, "quorvin.areawindow")

namespace quorvin {

namespace {

int ButtonValue(Qt::MouseButtons buttons) {
  return static_cast<int>(buttons & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton));
}

int ShiftValue(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
         (modifiers & Qt::AltModifier ? 4 : 0);
}

int WidgetPixels(int64_t twips) {
  return static_cast<int>(std::clamp<int64_t>(PictureTwipsToPixels(twips), 0, QWIDGETSIZE_MAX));
}

QString TitleForTab(int tab) {
  if (tab == kEffectAreaTab) return QStringLiteral("Effect Preview");
  if (tab == kStampAreaTab) return QStringLiteral("Stamp Preview");
  return QStringLiteral("Preview");
}

}  // namespace

Form4::Form4(Settings& settings, const NamingState& naming, ImagingControls& mainControls, VideoDevice* video,
             const Clock& clock, std::function<int()> currentTab, QWidget* parent)
    : QWidget(parent, Qt::Window),
      settings_(settings),
      naming_(naming),
      main_(mainControls),
      video_(video),
      clock_(clock),
      currentTab_(std::move(currentTab)),
      view_(std::make_unique<ImageView>(LEAD1[0], this)) {
  setObjectName(QStringLiteral("Form4"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(TitleForTab(currentTab_ ? currentTab_() : -1));
  view_->setObjectName(QStringLiteral("LEAD1_0"));
  view_->setGeometry(0, 0, kStandInWidth, kStandInHeight);
  connect(view_.get(), &ImageView::MouseDown, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, float x, float y) {
            Lead1_MouseDown(0, ButtonValue(button), ShiftValue(modifiers), x, y);
          });
  connect(view_.get(), &ImageView::MouseMove, this,
          [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, float x, float y) {
            Lead1_MouseMove(0, ButtonValue(buttons), ShiftValue(modifiers), x, y);
          });
  connect(view_.get(), &ImageView::MouseUp, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, float x, float y) {
            Lead1_MouseUp(0, ButtonValue(button), ShiftValue(modifiers), x, y);
          });
  SizeWindow(SizeForPicture(kStandInWidth, kStandInHeight));
}

Form4::~Form4() = default;

void Form4::ShowAreaPreview() {
  // A frame grab may wait for the device; should anything asked for a new preview meanwhile, it runs
  // once more afterwards instead of inside the running one, which holds the borrowed work control.
  if (previewRunning_) {
    previewAgain_ = true;
    return;
  }
  previewRunning_ = true;
  do {
    previewAgain_ = false;
    RunPreview();
  } while (previewAgain_);
  previewRunning_ = false;
}

void Form4::RunPreview() {
  setWindowTitle(TitleForTab(currentTab_ ? currentTab_() : -1));
  AreaPreviewContext ctx{LEAD1,   LEAD2,  main_,  settings_,
                         naming_, video_, clock_, [this](const AreaWindowSize& size) { SizeWindow(size); }};
  try {
    standIn_ = quorvin::ShowAreaPreview(ctx).standIn;
  } catch (const std::exception& e) {
    // An event handler must not let an error end the recorder; the output cycle meets the same
    // settings at its next capture and logs the failure there.
    qCWarning(lcAreaWindow) << "area preview failed:" << e.what();
    LEAD1[0].Repaint();
  }
}

void Form4::Form_Activate() {
  ShowAreaPreview();
}

void Form4::Lead1_MouseDown(int /*Index*/, int /*Button*/, int /*Shift*/, float X, float Y) {
  drag_.Start(X, Y);
  LEAD1[0].SetSelectionVisible(false);
}

void Form4::Lead1_MouseMove(int /*Index*/, int Button, int /*Shift*/, float X, float Y) {
  if (Button != 1) return;
  const AreaRect r = drag_.Track(X, Y);
  LEAD1[0].SetSelectionRect(static_cast<float>(r.left), static_cast<float>(r.top),
                            static_cast<float>(r.width), static_cast<float>(r.height));
  LEAD1[0].SetSelectionVisible(true);
}

void Form4::Lead1_MouseUp(int /*Index*/, int /*Button*/, int /*Shift*/, float X, float Y) {
  const AreaRect r = drag_.Track(X, Y);
  const int tab = currentTab_ ? currentTab_() : -1;
  const PreviewExtent extent{LEAD1[0].ViewWidth(), LEAD1[0].ViewHeight(), LEAD1[0].ImageWidth(),
                             LEAD1[0].ImageHeight()};
  const bool stored = StoreArea(tab, r, extent, settings_);
  LEAD1[0].SetSelectionVisible(false);
  if (stored) emit AreaStored(tab);
  ShowAreaPreview();
}

void Form4::Form_QueryUnload() {
  LEAD1[0].SetImageHandle(0);
  LEAD2.SetImageHandle(0);
}

void Form4::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}

void Form4::closeEvent(QCloseEvent* event) {
  Form_QueryUnload();
  LEAD1[0].Repaint();
  event->accept();
}

void Form4::SizeWindow(const AreaWindowSize& size) {
  formWidthTwips_ = size.formWidth;
  formHeightTwips_ = size.formHeight;
  // The picture keeps 1:1 at the top left; what the twips add around it is the window's own margin.
  view_->setGeometry(0, 0, WidgetPixels(size.pictureWidth), WidgetPixels(size.pictureHeight));
  resize(WidgetPixels(size.formWidth), WidgetPixels(size.formHeight));
}

}  // namespace quorvin
