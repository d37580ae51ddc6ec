#include "PixelPool.h"

#include <opencv2/core.hpp>

#include <deque>
#include <mutex>
#include <utility>

namespace quorvin::imaging {

namespace {

constexpr size_t kSmallestPooled = size_t{1} << 20;  // smaller buffers come from malloc's own free lists
constexpr size_t kMaxPooledBlocks = 16;
constexpr size_t kMaxPooledBytes = size_t{256} << 20;
constexpr size_t kAutoStep = 0x7fffffff;  // OpenCV's CV_AUTOSTEP: no step given for that dimension

class PixelPool final : public cv::MatAllocator {
 public:
  cv::UMatData* allocate(int dims, const int* sizes, int type, void* data, size_t* step, cv::AccessFlag,
                         cv::UMatUsageFlags) const override {
    // The same layout as OpenCV's standard allocator: rows packed, or the caller's steps for its own data.
    size_t total = CV_ELEM_SIZE(type);
    for (int i = dims - 1; i >= 0; --i) {
      if (step != nullptr) {
        if (data != nullptr && step[i] != kAutoStep) {
          CV_Assert(total <= step[i]);
          total = step[i];
        } else {
          step[i] = total;
        }
      }
      total *= static_cast<size_t>(sizes[i]);
    }
    auto* u = new cv::UMatData(this);
    u->size = total;
    if (data != nullptr) {
      u->data = u->origdata = static_cast<uchar*>(data);
      u->flags |= cv::UMatData::USER_ALLOCATED;
    } else {
      u->data = u->origdata = Take(total);
    }
    return u;
  }

  bool allocate(cv::UMatData* u, cv::AccessFlag, cv::UMatUsageFlags) const override { return u != nullptr; }

  void deallocate(cv::UMatData* u) const override {
    if (u == nullptr) return;
    CV_Assert(u->urefcount == 0 && u->refcount == 0);
    if (!(u->flags & cv::UMatData::USER_ALLOCATED)) Give(u->origdata, u->size);
    delete u;
  }

  size_t Pooled() const {
    std::lock_guard lock(mutex_);
    return pooledBytes_;
  }

 private:
  uchar* Take(size_t size) const {
    if (size >= kSmallestPooled) {
      std::lock_guard lock(mutex_);
      for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) {
        if (it->first != size) continue;
        uchar* block = it->second;
        blocks_.erase(std::next(it).base());
        pooledBytes_ -= size;
        return block;
      }
    }
    return static_cast<uchar*>(cv::fastMalloc(size));
  }

  void Give(uchar* block, size_t size) const {
    if (size >= kSmallestPooled && size <= kMaxPooledBytes) {
      std::lock_guard lock(mutex_);
      // The oldest blocks go first: the sizes in use now are the ones worth keeping.
      while (!blocks_.empty() &&
             (blocks_.size() >= kMaxPooledBlocks || pooledBytes_ + size > kMaxPooledBytes)) {
        pooledBytes_ -= blocks_.front().first;
        cv::fastFree(blocks_.front().second);
        blocks_.pop_front();
      }
      blocks_.emplace_back(size, block);
      pooledBytes_ += size;
      return;
    }
    cv::fastFree(block);
  }

  mutable std::mutex mutex_;
  mutable std::deque<std::pair<size_t, uchar*>> blocks_;
  mutable size_t pooledBytes_ = 0;
};

// Never destroyed: pictures may still be released while the process shuts down.
PixelPool& ThePool() {
  static PixelPool* pool = new PixelPool;
  return *pool;
}

}  // namespace

void InstallPixelPool() {
  static std::once_flag once;
  std::call_once(once, [] { cv::Mat::setDefaultAllocator(&ThePool()); });
}

size_t PooledBytes() {
  return ThePool().Pooled();
}

}  // namespace quorvin::imaging
