#pragma once
// The devices the capture window offers by index. The source may be listed again at any time (devices
// come and go); the list the host reads by index changes only when it reads the count again, so the
// indexes it holds keep naming the devices it was shown.

#include <korvex/CaptureDevice.h>

#include <QStringList>
#include <memory>
#include <vector>

namespace korvex {

class DeviceList {
 public:
  static constexpr int kMaxDrivers = 10;

  explicit DeviceList(std::shared_ptr<DeviceSource> source) : source_(std::move(source)) {}

  // Lists the source again: which devices are present now, and which are new. True when they are not the
  // devices found before.
  bool Rescan();
  // The list becomes what the last listing found, in its order and at most ten long. `keep`, the
  // connected device, stays at its place while it is gone, so it is picked up when it comes back.
  void Publish(const std::shared_ptr<CaptureDevice>& keep);

  int Count() const { return static_cast<int>(listed_.size()); }
  std::shared_ptr<CaptureDevice> At(int index) const;
  int IndexOf(const CaptureDevice* device) const;
  bool Present(const CaptureDevice* device) const;
  const QStringList& Names() const { return names_; }
  const QStringList& Versions() const { return versions_; }
  DeviceSource& Source() const { return *source_; }

 private:
  std::shared_ptr<DeviceSource> source_;
  std::vector<std::shared_ptr<CaptureDevice>> listed_;
  std::vector<std::shared_ptr<CaptureDevice>> found_;
  QStringList names_, versions_;
};

}  // namespace korvex
