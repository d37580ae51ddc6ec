#pragma once
// The imaging control: one picture held by handle, the operations the program calls on it, text drawing,
// colour planes and scanner-class ("TWAIN") acquisition. One instance per control role: LEAD1(0..4) and
// LEAD2 of the main window, LEAD1(0) and LEAD2 of the area window.
//
// Pixels are OpenCV images in the layout ImageOps.h describes. A failing call throws ImagingError.
//
// Drawing surface handed to the capture control: GetImageDC returns the address of a QImage
// (Format_RGB32) that shares the picture's pixels, cast to an integer. The capture control paints the frame
// at (0, 0) with QPainter; the pixels are the picture's own, so ReleaseImageDC has nothing to copy and
// only ends the loan. The address stays valid until ReleaseImageDC or the next picture change.

#include "ImageOps.h"
#include "TextDrawing.h"

#include <QImage>
#include <QRectF>
#include <QString>

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace quorvin {

class ImagingControl {
 public:
  ImagingControl();
  ~ImagingControl();
  ImagingControl(const ImagingControl&) = delete;
  ImagingControl& operator=(const ImagingControl&) = delete;

  // --- The picture ---
  // 0 when no picture is held.
  int32_t ImageHandle() const { return handle_; }
  // Takes its own copy of the picture behind the handle; 0 releases the picture. An unknown handle is an
  // error and leaves the picture as it was.
  void SetImageHandle(int32_t handle);
  float ImageWidth() const { return static_cast<float>(image_.cols); }
  float ImageHeight() const { return static_cast<float>(image_.rows); }
  // 24 for colour, 8 for greyscale; 0 without a picture.
  int BitsPerPixel() const;
  bool HasImage() const { return handle_ != 0; }
  // The pixels, for the view, tests and the output writer; empty without a picture.
  const cv::Mat& Picture() const { return image_; }
  // Replaces the picture (a colour or grey OpenCV image). The control shares the Mat's pixels, or copies
  // them when the Mat only wraps a buffer of the caller's.
  void SetPicture(cv::Mat picture);

  void CreateImage(float width, float height, int bits);
  intptr_t GetImageDC();
  void ReleaseImageDC();

  void LoadImage(const QString& file, int bits, int page, int pages);
  void SaveImage(const QString& file, int format, int bits, int quality, bool multiPage);

  // --- Geometry ---
  void Resize(float width, float height, int flags);
  void Crop(float left, float top, float width, float height);
  void Combine(float dstLeft, float dstTop, float dstWidth, float dstHeight, int32_t srcHandle, float srcLeft,
               float srcTop, int32_t op);
  void Rotate(int32_t angle, bool resize, int32_t fillColor);
  void Flip();
  void Mirror();

  // --- Filters ---
  void Invert();
  void Intensity();
  void Sharpen(int value);
  void Median(int value);
  void Oilify(int value);
  void Mosaic(int value);
  void Average(int value);
  void Gamma(int value);

  // --- Colour planes ---
  void SeparatePlanes(int32_t mode);
  void MergePlanes(int32_t mode);
  int32_t ColorPlane(int index) const;
  void SetColorPlane(int index, int32_t handle);

  // --- Text ---
  void SetTextLeft(int32_t v) { text_.left = v; }
  void SetTextTop(int32_t v) { text_.top = v; }
  void SetTextWidth(int32_t v) { text_.width = v; }
  void SetTextHeight(int32_t v) { text_.height = v; }
  void SetTextColor(int32_t colorRef) { text_.color = colorRef; }
  void SetTextAuxColor1(int32_t colorRef) { text_.auxColor1 = colorRef; }
  void SetTextAuxColor2(int32_t colorRef) { text_.auxColor2 = colorRef; }
  void SetTextPosition(int32_t code);
  void SetTextStyle(int32_t code);
  void SetFontName(const QString& name) { text_.fontName = name; }
  // The size as the settings hold it: a number of points; anything else is an error.
  void SetFontSize(double points);
  const imaging::TextOptions& Text() const { return text_; }
  void DrawText(const QString& text, int32_t flags);

  // --- Display ---
  // Tells the view to redraw from the current picture.
  void Repaint();
  // One handler at a time; `owner` lets a view remove its own handler without removing a newer one.
  void SetRepaintHandler(std::function<void()> handler, const void* owner = nullptr) {
    repaint_ = std::move(handler);
    repaintOwner_ = owner;
  }
  void ClearRepaintHandler(const void* owner) {
    if (repaintOwner_ != owner) return;
    repaint_ = nullptr;
    repaintOwner_ = nullptr;
  }
  // Container size in twips, 15 per pixel.
  float Width() const { return widthTwips_; }
  float Height() const { return heightTwips_; }
  void SetWidth(float twips) { widthTwips_ = twips; }
  void SetHeight(float twips) { heightTwips_ = twips; }
  void SetSelectionRect(float left, float top, float width, float height);
  QRectF SelectionRect() const { return selection_; }
  void SetSelectionVisible(bool visible);
  bool SelectionVisible() const { return selectionVisible_; }
  // The view always shows the whole picture, so the shown size in picture pixels is the picture's.
  float ViewWidth() const { return ImageWidth(); }
  float ViewHeight() const { return ImageHeight(); }

  // --- Scanner-class sources ---
  int16_t TwainInit(intptr_t window);
  int TwainSourceCount() const;
  QString TwainSourceNameAt(int index) const;
  void SetTwainSourceName(const QString& name);
  QString TwainSourceName() const { return twainSource_; }
  int16_t TwainAcquire(intptr_t window);
  // Scan resolution of TwainAcquire; 100 dots per inch unless changed.
  void SetTwainResolution(int dotsPerInch) { twainDpi_ = dotsPerInch; }

  // --- Fixed settings: accepted and kept, by identifier ---
  void SetSetting2(bool v) { fixed_[2] = v; }
  void SetSetting56(int32_t v) { fixed_[56] = v; }
  void SetSetting57(bool v) { fixed_[57] = v; }
  void SetTwainSetting81(int32_t v) { fixed_[81] = v; }
  void SetTwainSetting82(int32_t v) { fixed_[82] = v; }
  void SetTwainSetting85(int32_t v) { fixed_[85] = v; }
  void SetTwainSetting86(int32_t v) { fixed_[86] = v; }
  void SetTwainSetting89(int32_t v) { fixed_[89] = v; }
  void SetTextSetting164(bool v) { fixed_[164] = v; }
  void SetTextSetting210(int32_t v) { fixed_[210] = v; }
  void SetTextSetting211(int32_t v) { fixed_[211] = v; }
  void SetTextSetting236(bool v) { fixed_[236] = v; }
  // The value last put for an identifier; -1 when never put.
  int32_t FixedSetting(int dispid) const;

 private:
  // Makes the picture held (a fresh handle when none) after an operation replaced the pixels.
  void Hold(cv::Mat picture);
  void Release();
  cv::Mat& Editable();  // the picture, unshared, or an error without one
  template <typename Operation>
  void Filter(const char* name, Operation&& operation);
  void ReleasePlane(int index);

  cv::Mat image_;
  int32_t handle_ = 0;
  std::array<cv::Mat, 4> planes_;
  std::array<int32_t, 4> planeHandles_{0, 0, 0, 0};
  std::unique_ptr<QImage> surface_;
  imaging::TextOptions text_;
  std::function<void()> repaint_;
  const void* repaintOwner_ = nullptr;
  float widthTwips_ = 0, heightTwips_ = 0;
  QRectF selection_;
  bool selectionVisible_ = false;
  QString twainSource_;
  int twainDpi_ = 100;
  std::map<int, int32_t> fixed_;
};

}  // namespace quorvin
