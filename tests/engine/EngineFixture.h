#pragma once
// A capture engine on the real test-pattern device (or a device the test controls), writing into a
// temporary folder that is also the working folder, with a clock the test sets.

#include "CaptureEngine.h"
#include "KorvexVideoDevice.h"
#include "TestSupport.h"
#include "VideoTestDevices.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace quorvin::test {

// Records what the cycles ask of the main window.
class RecordingHost final : public CaptureHost {
 public:
  bool Ending() const override { return ending; }
  void SetTimerEnabled(bool enabled) override { calls.push_back(enabled ? "timer on" : "timer off"); }
  void SetCycleLabelColor(CycleLabel label, int32_t color) override {
    calls.push_back(QStringLiteral("%1 %2")
                        .arg(label == CycleLabel::Live ? "Label4" : "Label7")
                        .arg(color, 6, 16, QLatin1Char('0')));
  }
  void ProcessPendingEvents() override { calls.push_back("events"); }
  void FitVideoWindow() override { ++fits; }
  void SetBusyCursor(bool busy) override { calls.push_back(busy ? "busy" : "idle"); }
  void SetSourceLabel(const QString& text) override { sourceLabel = text; }

  QStringList calls;
  bool ending = false;
  int fits = 0;
  QString sourceLabel = QStringLiteral("(V0)");
};

struct JpegInfo {
  bool valid = false;
  int width = 0, height = 0;
  bool grey = false;
  int firstLumaQuant = 0;  // the DC entry of the first quantisation table
};
JpegInfo InspectJpeg(const QByteArray& bytes);
// The DC entry of libjpeg's luminance table at a libjpeg quality.
int ExpectedFirstLumaQuant(int libjpegQuality);
QImage DecodeJpeg(const QString& path);
// Pixels differing from `color` by more than `tolerance` in any channel.
int CountPixelsUnlike(const QImage& image, QColor color, int tolerance);
QStringList ErrorLogLines();

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The engine grabs from `device` from now on.
  void UseDevice(VideoDevice* device) { engine_->SetVideoDevice(device); }
  QString Folder(const QString& name) const {
    return work_.Path() + QLatin1Char('/') + name + QLatin1Char('/');
  }

  WorkingFolder work_;
  ManualClock clock_;
  Settings settings_;
  NamingState naming_;
  ImagingControls controls_;
  RecordingHost host_;
  std::unique_ptr<korvex::CKorvexCtrl> korvex_;
  std::unique_ptr<KorvexVideoDevice> video_;
  std::unique_ptr<CaptureEngine> engine_;
};

}  // namespace quorvin::test
