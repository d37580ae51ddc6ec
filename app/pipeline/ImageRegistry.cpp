#include "ImageRegistry.h"

#include <unordered_map>
#include <unordered_set>

namespace quorvin::imaging {
namespace {

struct Registry {
  std::unordered_map<int32_t, cv::Mat*> images;
  std::unordered_set<int32_t> lent;
  int32_t next = 0x10000;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

int32_t RegisterImage(cv::Mat* storage) {
  Registry& r = TheRegistry();
  // Handles are not reused soon, so a stale handle kept by a caller finds nothing instead of a stranger.
  do {
    r.next = r.next == INT32_MAX ? 0x10000 : r.next + 1;
  } while (r.images.contains(r.next));
  r.images.emplace(r.next, storage);
  return r.next;
}

void UnregisterImage(int32_t handle) {
  if (handle == 0) return;
  TheRegistry().images.erase(handle);
  TheRegistry().lent.erase(handle);
}

void SetImageLent(int32_t handle, bool lent) {
  if (lent) {
    TheRegistry().lent.insert(handle);
  } else {
    TheRegistry().lent.erase(handle);
  }
}

bool IsImageLent(int32_t handle) {
  return TheRegistry().lent.contains(handle);
}

const cv::Mat* LookUpImage(int32_t handle) {
  if (handle == 0) return nullptr;
  auto& images = TheRegistry().images;
  auto it = images.find(handle);
  return it == images.end() ? nullptr : it->second;
}

}  // namespace quorvin::imaging
