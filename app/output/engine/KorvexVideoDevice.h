#pragma once
// The capture control korvex as the engine's video device.

#include "VideoDevice.h"

#include <korvex/KorvexCtrl.h>

namespace quorvin {

class KorvexVideoDevice final : public VideoDevice {
 public:
  explicit KorvexVideoDevice(korvex::CKorvexCtrl& control) : control_(control) {}
  int VideoWidth() const override { return control_.GetVideoWidth(); }
  int VideoHeight() const override { return control_.GetVideoHeight(); }
  bool CopyDIB(intptr_t dc) override { return control_.CopyDIB(static_cast<qintptr>(dc)); }
  void Reconnect() override { control_.captureWindow()->Reconnect(); }
  void SetDeviceIndex(int index) override { control_.SetDeviceIndex(index); }
  void SetPreview(bool on) override { control_.SetPreview(on); }
  bool VideoOverlay() const override { return control_.GetVideoOverlay(); }
  void SetUseVideoOverlay(bool on) override { control_.SetUseVideoOverlay(on); }
  // The device in use: the control keeps the index it was given, the window follows its device in the list.
  QString DeviceName() const override {
    return control_.DeviceNameList(control_.captureWindow()->CurrentDeviceIndex());
  }

 private:
  korvex::CKorvexCtrl& control_;
};

}  // namespace quorvin
