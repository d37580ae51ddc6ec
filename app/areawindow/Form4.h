#pragma once
// The image and area window Form4: one frame processed the way the outputs will be, and a rectangle
// dragged on it with the left button that becomes the effect area (main window tab 2) or the time-stamp
// area (tab 3).
//
// Opening: the main window's "Stamp Preview" and "Effect Preview" buttons create it with
//   auto* form = new Form4(settings, naming, controls, video, clock, [tabs] { return tabs->currentIndex();
//   }); form->show(); form->raise(); form->activateWindow();
// and keep it in a QPointer. It is not modal. Every activation takes a new frame; closing it (the
// operator, the tray command, the end of the program) releases its images and deletes the object, so the
// pointer turns null and the next opening creates a new window. A press on a preview button while it is
// open only needs raise() and activateWindow(), which take a new frame.
//
// Arguments, all of which must outlive the window:
//   settings      the process-wide settings record; a finished drag writes the areas into it
//   naming        the derived naming state, for the stamp's date and time formats
//   mainControls  the main window's imaging controls: LEAD2 is borrowed as the work control (and left
//                 empty), LEAD1(3) and LEAD1(4) are the logo and its mask, LEAD1(0)'s container size is
//                 the last known video size
//   video         the capture control as video device; nullptr when there is none
//   clock         for the stamp text
//   currentTab    the index of the main window's tab control SSTab1, read at each button-up
// parent: optional; the window stays a top-level window of its own either way.

#include "AreaDrag.h"
#include "AreaPreview.h"
#include "ImageView.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

namespace quorvin {

class Form4 : public QWidget {
  Q_OBJECT

 public:
  Form4(Settings& settings, const NamingState& naming, ImagingControls& mainControls, VideoDevice* video,
        const Clock& clock, std::function<int()> currentTab, QWidget* parent = nullptr);
  ~Form4() override;

  // The window's controls: LEAD1(0) shows the preview; LEAD2 is only set up and released.
  std::array<ImagingControl, 1> LEAD1;
  ImagingControl LEAD2;
  ImageView& LEAD1View() const { return *view_; }

  void ShowAreaPreview();
  void Form_Activate();
  // Button and Shift as the handlers have always had them: 1 left, 2 right, 4 middle; 1 Shift, 2 Ctrl,
  // 4 Alt. X, Y in picture pixels.
  void Lead1_MouseDown(int Index, int Button, int Shift, float X, float Y);
  void Lead1_MouseMove(int Index, int Button, int Shift, float X, float Y);
  void Lead1_MouseUp(int Index, int Button, int Shift, float X, float Y);
  void Form_QueryUnload();

  // The window's size in twips as ShowAreaPreview last set it.
  int64_t FormWidthTwips() const { return formWidthTwips_; }
  int64_t FormHeightTwips() const { return formHeightTwips_; }
  // True while the picture is a black stand-in because no frame came.
  bool ShowsStandIn() const { return standIn_; }

 signals:
  // A button-up stored an area: the main window may show the new values.
  void AreaStored(int tab);

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SizeWindow(const AreaWindowSize& size);
  void RunPreview();

  Settings& settings_;
  const NamingState& naming_;
  ImagingControls& main_;
  VideoDevice* video_;
  const Clock& clock_;
  std::function<int()> currentTab_;
  // Declared after the controls, so the view that points at LEAD1(0) goes first.
  std::unique_ptr<ImageView> view_;
  AreaDrag drag_;
  int64_t formWidthTwips_ = 0, formHeightTwips_ = 0;
  bool standIn_ = false;
  bool previewRunning_ = false;
  bool previewAgain_ = false;
};

}  // namespace quorvin
