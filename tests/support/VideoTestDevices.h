#pragma once
// Video devices for tests: a plain picture that is easy to look for, and a wrapper that fails grabs on
// demand, for the camera that stops delivering frames.

#include "VideoDevice.h"

#include <QColor>

#include <functional>

namespace quorvin::test {

// Paints one colour over its whole video size; can stop delivering, and can run a hook inside a grab.
class PlainVideoDevice final : public VideoDevice {
 public:
  PlainVideoDevice(int width, int height, QColor color) : width_(width), height_(height), color_(color) {}
  int VideoWidth() const override { return width_; }
  int VideoHeight() const override { return height_; }
  bool CopyDIB(intptr_t dc) override;
  void SetDeviceIndex(int) override {}
  void SetPreview(bool) override {}
  bool VideoOverlay() const override { return false; }
  void SetUseVideoOverlay(bool) override {}

  bool delivering = true;
  int grabs = 0;
  std::function<void()> duringGrab;

 private:
  int width_, height_;
  QColor color_;
};

// Passes everything to another device but fails its grabs while `failing` is set.
class FlakyVideoDevice final : public VideoDevice {
 public:
  explicit FlakyVideoDevice(VideoDevice& inner) : inner_(inner) {}
  int VideoWidth() const override { return inner_.VideoWidth(); }
  int VideoHeight() const override { return inner_.VideoHeight(); }
  bool CopyDIB(intptr_t dc) override { return failing ? false : inner_.CopyDIB(dc); }
  void SetDeviceIndex(int i) override { inner_.SetDeviceIndex(i); }
  void SetPreview(bool on) override { inner_.SetPreview(on); }
  bool VideoOverlay() const override { return inner_.VideoOverlay(); }
  void SetUseVideoOverlay(bool on) override { inner_.SetUseVideoOverlay(on); }
  QString DeviceName() const override { return inner_.DeviceName(); }
  bool failing = false;

 private:
  VideoDevice& inner_;
};

}  // namespace quorvin::test
