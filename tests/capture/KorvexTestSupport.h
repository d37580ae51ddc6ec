#pragma once
// Shared pieces of the capture tests: the application object, a private config folder and device
// sources a test controls (the device that can stall or be unplugged is in the shared test support).

#include <korvex/CaptureDevice.h>
#include <korvex/TestPatternDevice.h>

#include "FaultyCaptureDevice.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <vector>

namespace korvex::test {

// The QApplication every capture test needs, made once.
void EnsureApplication();

// Every test gets its own $XDG_CONFIG_HOME, so devices.ini never touches the user's.
class KorvexTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  QString TempPath(const QString& name) const { return temp_.filePath(name); }
  QString DevicesIni() const;

 private:
  QTemporaryDir temp_;
  QByteArray oldConfig_;
};

// A test pattern under another name.
class NamedTestDevice : public TestPatternDevice {
 public:
  NamedTestDevice(QString name, QString version) : name_(std::move(name)), version_(std::move(version)) {}
  QString Name() const override { return name_; }
  QString Version() const override { return version_; }
  QString SettingsKey() const override { return name_; }

 private:
  QString name_, version_;
};

std::shared_ptr<DeviceSource> SingleTestDevice(int motion = 0);

// Mean colour of a small block, to compare against the pattern with some tolerance.
QColor MeanColor(const QImage& image, int x, int y, int radius = 3);
bool Near(const QColor& a, const QColor& b, int tolerance = 12);

// Top row of the SMPTE bars, left to right, as videotestsrc draws them in RGB.
inline const QColor kSmpteBars[] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                    {255, 0, 255},   {255, 0, 0},   {0, 0, 255}};
// The seven bars at the heights of the top row, at the picture's own width.
void ExpectSmpteBars(const QImage& image, int tolerance = 12);

}  // namespace korvex::test
