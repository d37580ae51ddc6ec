#include "DeviceList.h"

#include <algorithm>

namespace korvex {

bool DeviceList::Rescan() {
  auto before = std::move(found_);
  found_ = source_->Enumerate();
  return found_ != before;
}

void DeviceList::Publish(const std::shared_ptr<CaptureDevice>& keep) {
  const int kept_at = keep ? IndexOf(keep.get()) : -1;
  listed_ = found_;
  if (kept_at >= 0 && !Present(keep.get()))
    listed_.insert(listed_.begin() + std::min<size_t>(kept_at, listed_.size()), keep);
  if (listed_.size() > static_cast<size_t>(kMaxDrivers)) listed_.resize(kMaxDrivers);
  names_.clear();
  versions_.clear();
  for (const auto& device : listed_) {
    names_ << device->Name();
    versions_ << device->Version();
  }
}

std::shared_ptr<CaptureDevice> DeviceList::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return listed_[static_cast<size_t>(index)];
}

int DeviceList::IndexOf(const CaptureDevice* device) const {
  const auto it =
      std::find_if(listed_.begin(), listed_.end(), [&](const auto& d) { return d.get() == device; });
  return it == listed_.end() ? -1 : static_cast<int>(it - listed_.begin());
}

bool DeviceList::Present(const CaptureDevice* device) const {
  return std::any_of(found_.begin(), found_.end(), [&](const auto& d) { return d.get() == device; });
}

}  // namespace korvex
