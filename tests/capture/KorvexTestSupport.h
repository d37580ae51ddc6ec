#pragma once
// Shared pieces of the capture tests: the application object, a private config folder, device sources
// a test controls, and a test device that can stall or be unplugged.

#include <korvex/CaptureDevice.h>
#include <korvex/TestPatternDevice.h>

#include "GstHandles.h"

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

// Offers the devices a test made, in order.
class FixedDeviceSource : public DeviceSource {
 public:
  explicit FixedDeviceSource(std::vector<std::shared_ptr<CaptureDevice>> devices)
      : devices_(std::move(devices)) {}
  std::vector<std::shared_ptr<CaptureDevice>> Enumerate() override { return devices_; }

 private:
  std::vector<std::shared_ptr<CaptureDevice>> devices_;
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

// A test pattern whose frames can be held back (a camera that stops delivering) and which can be
// unplugged (the pipeline gets an error; the device cannot be opened until it is plugged in again).
class FaultyDevice : public TestPatternDevice {
 public:
  GstElement* CreateSource(QString* error) override;
  void Stall(bool stalled);
  void Unplug();
  void Replug() { unplugged_ = false; }
  int SourcesMade() const { return made_; }

 private:
  std::atomic<bool> unplugged_{false};
  bool stalled_ = false;
  ElementPtr bin_;
  int made_ = 0;
};

std::shared_ptr<DeviceSource> SourceOf(std::vector<std::shared_ptr<CaptureDevice>> devices);
std::shared_ptr<DeviceSource> SingleTestDevice(int motion = 0);

// Mean colour of a small block, to compare against the pattern with some tolerance.
QColor MeanColor(const QImage& image, int x, int y, int radius = 3);
bool Near(const QColor& a, const QColor& b, int tolerance = 12);

}  // namespace korvex::test
