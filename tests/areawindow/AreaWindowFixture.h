#pragma once
// An area window on the real test-pattern device (or a device the test controls), with the main window's
// controls, the settings record and a clock of the test's own.

#include "Form4.h"
#include "KorvexVideoDevice.h"
#include "TestSupport.h"
#include "VideoTestDevices.h"

#include <QColor>
#include <QPointer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace quorvin::test {

// Counts the grabs that reach a real device.
class CountingDevice final : public VideoDevice {
 public:
  explicit CountingDevice(VideoDevice& inner) : inner_(inner) {}
  int VideoWidth() const override { return inner_.VideoWidth(); }
  int VideoHeight() const override { return inner_.VideoHeight(); }
  bool CopyDIB(intptr_t dc) override {
    ++grabs;
    return inner_.CopyDIB(dc);
  }
  void SetDeviceIndex(int i) override { inner_.SetDeviceIndex(i); }
  void SetPreview(bool on) override { inner_.SetPreview(on); }
  bool VideoOverlay() const override { return inner_.VideoOverlay(); }
  void SetUseVideoOverlay(bool on) override { inner_.SetUseVideoOverlay(on); }
  int grabs = 0;

 private:
  VideoDevice& inner_;
};

class AreaWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the window on `device` (the counted test-pattern device when none is given) and activates it.
  Form4& Open(VideoDevice* device);
  Form4& OpenOnTestPattern() { return Open(counting_.get()); }
  // The view position of a picture pixel.
  QPoint At(double x, double y) const;
  void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton);
  AreaRect EffectArea() const {
    return {settings_.EfctALeft, settings_.EfctATop, settings_.EfctAWidth, settings_.EfctAHeight};
  }
  AreaRect StampArea() const {
    return {settings_.StampAreaLeft, settings_.StampAreaTop, settings_.StampAreaWidth,
            settings_.StampAreaHeight};
  }
  ImageView& View() const { return form_->LEAD1View(); }
  int Grabs() const { return counting_->grabs; }

  ManualClock clock_;
  Settings settings_;
  NamingState naming_;
  ImagingControls main_;
  int tab_ = kEffectAreaTab;
  std::unique_ptr<korvex::CKorvexCtrl> korvex_;
  std::unique_ptr<KorvexVideoDevice> video_;
  std::unique_ptr<CountingDevice> counting_;
  QPointer<Form4> form_;
};

}  // namespace quorvin::test
