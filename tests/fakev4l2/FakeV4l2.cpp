// The fake V4L2 nodes: the C library calls v4l2src makes (stat64, open64, ioctl, dup, mmap64, close) and
// those of korvex's own control code, answered for /dev/video* paths. A caller's descriptor is an eventfd
// that is readable while a frame is done, so poll works unchanged; buffers live in a memfd it maps.
#include "FakeV4l2.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

namespace fakev4l2 {
namespace {

template <typename F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
int CloseReal(int fd) {
  static const auto real = Real<int (*)(int)>("close");
  return real(fd);
}
void* MmapReal(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
  static const auto real = Real<void* (*)(void*, size_t, int, int, int, off_t)>("mmap");
  return real(addr, length, prot, flags, fd, offset);
}

// A node as it is plugged in now.
struct Device {
  Node node;
  std::map<unsigned, int> values, writes;
  bool gone = false;
  const void* owner = nullptr;  // the open file that holds the stream
  unsigned fourcc = 0;
  int width = 0, height = 0, fps = 30;
};

// One open file: its eventfd and, once requested, its buffers and frame clock.
struct File {
  std::shared_ptr<Device> device;
  int event = -1;  // our own duplicate of the caller's eventfd
  int memfd = -1;
  unsigned char* memory = nullptr;
  size_t bufferSize = 0;
  std::vector<v4l2_buffer> buffers;
  std::deque<unsigned> queued, done;
  bool streaming = false;
  std::thread clock;
  unsigned sequence = 0;
  long delivered = 0;
};

// Never destroyed: C library calls can come while static objects are being destroyed at exit.
struct State {
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<Node> script;
  std::string scriptText;  // of FAKE_V4L2_SCRIPT, as last read
  bool loaded = false;
  std::map<std::string, std::shared_ptr<Device>> devices;  // by path
  std::map<int, std::shared_ptr<File>> files;              // by the caller's descriptor
};
State& S() {
  static State* state = new State;
  return *state;
}

std::shared_ptr<Device> Find(const std::string& path) {
  const auto it = S().devices.find(path);
  return it == S().devices.end() ? nullptr : it->second;
}

std::shared_ptr<File> FileOf(int fd) {
  const auto it = S().files.find(fd);
  return it == S().files.end() ? nullptr : it->second;
}

void PlugLocked(Node node, const std::string& at) {
  auto d = std::make_shared<Device>();
  node.path = at;
  d->node = node;
  for (const Control& c : node.controls) d->values[c.id] = c.defaultValue;
  if (!node.formats.empty()) {
    const Format& f = node.formats.front();
    d->fourcc = f.fourcc;
    std::tie(d->width, d->height) = f.stepwise ? std::pair(f.maxW, f.maxH) : f.sizes.front();
    d->fps = f.fps.empty() ? 30 : f.fps.front();
  }
  S().devices[at] = d;
}

void LoadLocked(const std::vector<Node>& nodes) {
  for (auto& [path, device] : S().devices) device->gone = true;
  S().wake.notify_all();
  S().script = nodes;
  S().devices.clear();
  for (const Node& n : nodes) PlugLocked(n, n.path);
  S().loaded = true;
}

// A program run with FAKE_V4L2_SCRIPT reads the file again when it changes: a node gone from it is
// unplugged, a new one plugged in, and "busy" follows the file.
void FollowScriptFile() {
  const char* file = std::getenv("FAKE_V4L2_SCRIPT");
  std::stringstream text;
  if (!file || !(text << std::ifstream(file).rdbuf()) || text.str() == S().scriptText) return;
  S().scriptText = text.str();
  std::string error;
  const auto nodes = Parse(S().scriptText, &error);
  if (!error.empty()) std::fprintf(stderr, "fake V4L2 script %s: %s\n", file, error.c_str());
  S().script = nodes;
  S().loaded = true;
  for (auto it = S().devices.begin(); it != S().devices.end();) {
    const auto kept =
        std::find_if(nodes.begin(), nodes.end(), [&](const Node& n) { return n.path == it->first; });
    if (kept == nodes.end()) {
      it->second->gone = true;
      it = S().devices.erase(it);
    } else {
      it->second->node.busy = kept->busy;
      ++it;
    }
  }
  for (const Node& n : nodes)
    if (!S().devices.count(n.path)) PlugLocked(n, n.path);
  S().wake.notify_all();
}

// Once a script is loaded every /dev/video path is the fake's, so a real camera never joins a test.
bool Owned(const char* path) {
  if (!path || std::strncmp(path, "/dev/video", 10) != 0) return false;
  std::lock_guard lock(S().mutex);
  FollowScriptFile();
  return S().loaded;
}

const Control* FindControl(const Device& d, unsigned id) {
  for (const Control& c : d.node.controls)
    if (c.id == id) return &c;
  return nullptr;
}

bool Inactive(const Device& d, const Control& c) {
  return c.inactiveWhenId && d.values.at(c.inactiveWhenId) == c.inactiveWhenValue;
}

// The script line that offers this size in this pixel format.
const Format* FindFormat(const Device& d, unsigned fourcc, int w, int h) {
  for (const Format& f : d.node.formats) {
    if (f.fourcc != fourcc) continue;
    if (f.stepwise && w >= f.minW && w <= f.maxW && h >= f.minH && h <= f.maxH) return &f;
    if (std::find(f.sizes.begin(), f.sizes.end(), std::pair(w, h)) != f.sizes.end()) return &f;
  }
  return nullptr;
}

size_t ImageSize(unsigned fourcc, int w, int h) {
  return fourcc == V4L2_PIX_FMT_MJPEG ? tjBufSize(w, h, TJSAMP_422) : size_t(w) * h * 2;
}

// The nearest size offered in the wanted pixel format (in the first one when that is not offered).
void Fit(const Device& d, v4l2_pix_format& pix) {
  if (std::none_of(d.node.formats.begin(), d.node.formats.end(),
                   [&](const Format& f) { return f.fourcc == pix.pixelformat; }))
    pix.pixelformat = d.node.formats.front().fourcc;
  long best = -1;
  // Measured against the size asked for, not the best so far, which replaces it in `pix`.
  const auto [want_w, want_h] = std::pair(long(pix.width), long(pix.height));
  auto consider = [&, want_w = want_w, want_h = want_h](int w, int h) {
    const long cost = std::labs(w - want_w) + std::labs(h - want_h);
    if (best >= 0 && cost >= best) return;
    best = cost;
    pix.width = unsigned(w);
    pix.height = unsigned(h);
  };
  for (const Format& f : d.node.formats) {
    if (f.fourcc != pix.pixelformat) continue;
    for (const auto& [w, h] : f.sizes) consider(w, h);
    if (f.stepwise)
      consider(f.minW + (std::clamp<long>(want_w, f.minW, f.maxW) - f.minW) / f.stepW * f.stepW,
               f.minH + (std::clamp<long>(want_h, f.minH, f.maxH) - f.minH) / f.stepH * f.stepH);
  }
  pix.field = V4L2_FIELD_NONE;
  pix.bytesperline = pix.pixelformat == V4L2_PIX_FMT_YUYV ? pix.width * 2 : 0;
  pix.sizeimage = unsigned(ImageSize(pix.pixelformat, int(pix.width), int(pix.height)));
  pix.colorspace = V4L2_COLORSPACE_SRGB;
  pix.ycbcr_enc = V4L2_YCBCR_ENC_601;  // what Render() writes, whatever the size
  pix.quantization = V4L2_QUANTIZATION_LIM_RANGE;
}

// The test picture (see FakeV4l2.h), as YUYV (limited-range BT.601, as webcams send it) or MJPEG.
size_t Render(unsigned fourcc, int w, int h, unsigned sequence, unsigned char* out, size_t capacity) {
  static const unsigned char kBars[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const unsigned char grey = static_cast<unsigned char>(FrameGrey(sequence)), black[3] = {0, 0, 0};
  const unsigned char top_left[3] = {grey, grey, grey};
  std::vector<unsigned char> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      std::memcpy(&rgb[(size_t(y) * w + x) * 3],
                  y >= h / 4  ? kBars[x * 4 / w]
                  : x < w / 4 ? top_left
                              : black,
                  3);
  if (fourcc == V4L2_PIX_FMT_MJPEG) {
    tjhandle jpeg = tjInitCompress();
    unsigned long size = capacity;
    const int r =
        tjCompress2(jpeg, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_422, 90, TJFLAG_NOREALLOC);
    tjDestroy(jpeg);
    return r == 0 ? size : 0;
  }
  for (size_t i = 0; i < size_t(w) * h; i += 2) {
    const unsigned char* p = &rgb[i * 3];
    auto luma = [](const unsigned char* q) { return (66 * q[0] + 129 * q[1] + 25 * q[2] + 128) / 256 + 16; };
    out[i * 2] = static_cast<unsigned char>(luma(p));
    out[i * 2 + 1] = static_cast<unsigned char>((-38 * p[0] - 74 * p[1] + 112 * p[2] + 128) / 256 + 128);
    out[i * 2 + 2] = static_cast<unsigned char>(luma(p + 3));
    out[i * 2 + 3] = static_cast<unsigned char>((112 * p[0] - 94 * p[1] - 18 * p[2] + 128) / 256 + 128);
  }
  return size_t(w) * h * 2;
}

void Signal(int event) {
  const uint64_t one = 1;
  [[maybe_unused]] const auto n = write(event, &one, sizeof one);
}

// The camera's frame clock, one thread per streaming file: once per frame period it fills the oldest
// queued buffer (a frame with none queued is dropped, as a driver drops it).
void RunClock(std::shared_ptr<File> f) {
  std::unique_lock lock(S().mutex);
  auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(f->device->node.startMs);
  while (true) {
    next += std::chrono::microseconds(1000000 / std::max(1, f->device->fps));
    FollowScriptFile();
    if (S().wake.wait_until(lock, next, [&] { return !f->streaming || f->device->gone; })) break;
    const unsigned sequence = f->sequence++;
    const long limit = f->device->node.frames;
    if (f->queued.empty() || (limit >= 0 && f->delivered >= limit)) continue;
    v4l2_buffer& b = f->buffers[f->queued.front()];
    f->queued.pop_front();
    const Device& d = *f->device;
    const auto [fourcc, w, h] = std::tuple(d.fourcc, d.width, d.height);
    lock.unlock();  // STREAMOFF joins this thread before the memory goes
    b.bytesused = unsigned(Render(fourcc, w, h, sequence, f->memory + b.m.offset, b.length));
    lock.lock();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    b.timestamp = {now.tv_sec, now.tv_nsec / 1000};
    b.sequence = sequence;
    b.flags = V4L2_BUF_FLAG_MAPPED | V4L2_BUF_FLAG_DONE | V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
    f->done.push_back(b.index);
    ++f->delivered;
    Signal(f->event);
  }
  if (f->device->gone) Signal(f->event);  // wakes the caller's poll so it meets ENODEV
}

void StopStreaming(std::unique_lock<std::mutex>& lock, File& f) {
  if (!f.streaming) return;
  f.streaming = false;
  S().wake.notify_all();
  lock.unlock();
  f.clock.join();
  lock.lock();
  f.queued.clear();
  f.done.clear();
  uint64_t drained;
  while (read(f.event, &drained, sizeof drained) > 0) {
  }
}

void FreeBuffers(File& f) {
  if (f.memory) munmap(f.memory, f.bufferSize * f.buffers.size());
  if (f.memfd >= 0) CloseReal(f.memfd);
  f.memory = nullptr;
  f.memfd = -1;
  f.buffers.clear();
  if (f.device->owner == &f) f.device->owner = nullptr;
}

// Another program, or another open file, holds the stream (uvcvideo answers EBUSY then).
bool Busy(const File& f) {
  return f.device->node.busy || (f.device->owner && f.device->owner != &f);
}

template <typename T>
void Copy(T& field, const std::string& text) {
  std::snprintf(reinterpret_cast<char*>(field), sizeof field, "%s", text.c_str());
}

int ControlRequest(Device& d, unsigned long request, void* arg) {
  if (request == VIDIOC_QUERYCTRL) {
    auto& q = *static_cast<v4l2_queryctrl*>(arg);
    const Control* c = nullptr;
    if (q.id & V4L2_CTRL_FLAG_NEXT_CTRL) {
      const unsigned after = q.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
      for (const Control& k : d.node.controls)
        if (k.id > after && (!c || k.id < c->id)) c = &k;
    } else {
      c = FindControl(d, q.id);
    }
    if (!c) return EINVAL;
    q = {};
    q.id = c->id;
    q.type = c->type;
    Copy(q.name, c->label);
    q.minimum = c->minimum;
    q.maximum = c->maximum;
    q.step = unsigned(c->step);
    q.default_value = c->defaultValue;
    q.flags = (Inactive(d, *c) ? V4L2_CTRL_FLAG_INACTIVE : 0) |
              (c->writeOnly ? V4L2_CTRL_FLAG_WRITE_ONLY : 0) | (c->isVolatile ? V4L2_CTRL_FLAG_VOLATILE : 0);
    return 0;
  }
  if (request == VIDIOC_QUERYMENU) {
    auto& m = *static_cast<v4l2_querymenu*>(arg);
    const Control* c = FindControl(d, m.id);
    if (!c || !c->items.count(int(m.index))) return EINVAL;
    std::snprintf(reinterpret_cast<char*>(m.name), sizeof m.name, "%s", c->items.at(int(m.index)).c_str());
    return 0;
  }
  auto& v = *static_cast<v4l2_control*>(arg);
  const Control* c = FindControl(d, v.id);
  if (!c) return EINVAL;
  if (request == VIDIOC_G_CTRL) {
    if (c->writeOnly) return EACCES;
    v.value = d.values[v.id];
    return 0;
  }
  if (c->refuses) return EIO;         // the camera stalls the request
  if (Inactive(d, *c)) return EBUSY;  // a manual value while its automatic mode is on
  if (v.value < c->minimum || v.value > c->maximum) return ERANGE;
  if (c->type == V4L2_CTRL_TYPE_MENU && !c->items.count(v.value)) return EINVAL;
  if (!c->writeOnly) d.values[c->id] = v.value;
  ++d.writes[c->id];
  return 0;
}

int FormatRequest(File& f, unsigned long request, void* arg) {
  Device& d = *f.device;
  switch (request) {
    case VIDIOC_ENUM_FMT: {
      auto& e = *static_cast<v4l2_fmtdesc*>(arg);
      std::vector<unsigned> fourccs;
      for (const Format& fm : d.node.formats)
        if (std::find(fourccs.begin(), fourccs.end(), fm.fourcc) == fourccs.end())
          fourccs.push_back(fm.fourcc);
      if (e.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || e.index >= fourccs.size()) return EINVAL;
      e.pixelformat = fourccs[e.index];
      e.flags = e.pixelformat == V4L2_PIX_FMT_MJPEG ? V4L2_FMT_FLAG_COMPRESSED : 0;
      Copy(e.description, e.pixelformat == V4L2_PIX_FMT_MJPEG ? "Motion-JPEG" : "YUYV 4:2:2");
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto& e = *static_cast<v4l2_frmsizeenum*>(arg);
      unsigned index = 0;
      for (const Format& fm : d.node.formats) {
        if (fm.fourcc != e.pixel_format) continue;
        if (fm.stepwise && e.index == 0) {
          e.type = V4L2_FRMSIZE_TYPE_STEPWISE;
          e.stepwise = {unsigned(fm.minW), unsigned(fm.maxW), unsigned(fm.stepW),
                        unsigned(fm.minH), unsigned(fm.maxH), unsigned(fm.stepH)};
          return 0;
        }
        for (const auto& [w, h] : fm.sizes) {
          if (index++ != e.index) continue;
          e.type = V4L2_FRMSIZE_TYPE_DISCRETE;
          e.discrete = {unsigned(w), unsigned(h)};
          return 0;
        }
      }
      return EINVAL;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto& e = *static_cast<v4l2_frmivalenum*>(arg);
      const Format* fm = FindFormat(d, e.pixel_format, int(e.width), int(e.height));
      if (!fm || e.index >= fm->fps.size()) return EINVAL;
      e.type = V4L2_FRMIVAL_TYPE_DISCRETE;
      e.discrete = {1, unsigned(fm->fps[e.index])};
      return 0;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_TRY_FMT:
    case VIDIOC_S_FMT: {
      auto& pix = static_cast<v4l2_format*>(arg)->fmt.pix;
      if (static_cast<v4l2_format*>(arg)->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
      if (request == VIDIOC_G_FMT) {
        pix = {};
        std::tie(pix.width, pix.height, pix.pixelformat) =
            std::tuple(unsigned(d.width), unsigned(d.height), d.fourcc);
      }
      Fit(d, pix);
      if (request != VIDIOC_S_FMT) return 0;
      if (Busy(f) || !f.buffers.empty()) return EBUSY;
      std::tie(d.fourcc, d.width, d.height) = std::tuple(pix.pixelformat, int(pix.width), int(pix.height));
      const Format* fm = FindFormat(d, d.fourcc, d.width, d.height);
      if (fm && !fm->fps.empty() && std::find(fm->fps.begin(), fm->fps.end(), d.fps) == fm->fps.end())
        d.fps = fm->fps.front();
      return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
      auto& p = *static_cast<v4l2_streamparm*>(arg);
      if (p.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
      if (request == VIDIOC_S_PARM) {
        if (Busy(f)) return EBUSY;
        const auto& t = p.parm.capture.timeperframe;
        int wanted = t.numerator ? int(t.denominator / t.numerator) : 30;
        const Format* fm = FindFormat(d, d.fourcc, d.width, d.height);
        if (fm && !fm->fps.empty())  // the nearest rate it lists; any rate when it lists none
          wanted = *std::min_element(fm->fps.begin(), fm->fps.end(), [&](int a, int b) {
            return std::abs(a - wanted) < std::abs(b - wanted);
          });
        d.fps = std::max(1, wanted);
      }
      p.parm.capture = {};
      p.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
      p.parm.capture.timeperframe = {1, unsigned(d.fps)};
      return 0;
    }
  }
  return ENOTTY;
}

int StreamRequest(std::unique_lock<std::mutex>& lock, const std::shared_ptr<File>& file,
                  unsigned long request, void* arg) {
  File& f = *file;
  switch (request) {
    case VIDIOC_REQBUFS: {
      auto& r = *static_cast<v4l2_requestbuffers*>(arg);
      if (r.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || r.memory != V4L2_MEMORY_MMAP) return EINVAL;
      r.capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP;
      if (f.streaming) return EBUSY;
      FreeBuffers(f);
      if (r.count == 0) return 0;
      if (Busy(f)) return EBUSY;
      r.count = std::clamp(r.count, 2u, 16u);
      f.bufferSize = (ImageSize(f.device->fourcc, f.device->width, f.device->height) + 4095) / 4096 * 4096;
      f.memfd = memfd_create("fake-v4l2", MFD_CLOEXEC);
      if (f.memfd < 0 || ftruncate(f.memfd, off_t(f.bufferSize * r.count)) != 0) return ENOMEM;
      f.memory = static_cast<unsigned char*>(
          MmapReal(nullptr, f.bufferSize * r.count, PROT_READ | PROT_WRITE, MAP_SHARED, f.memfd, 0));
      f.buffers.assign(r.count, v4l2_buffer{});
      for (unsigned i = 0; i < r.count; ++i) {
        v4l2_buffer& b = f.buffers[i];
        std::tie(b.index, b.type, b.memory, b.field) =
            std::tuple(i, V4L2_BUF_TYPE_VIDEO_CAPTURE, V4L2_MEMORY_MMAP, V4L2_FIELD_NONE);
        b.length = unsigned(f.bufferSize);
        b.m.offset = unsigned(i * f.bufferSize);
      }
      f.device->owner = &f;
      return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
      auto& b = *static_cast<v4l2_buffer*>(arg);
      if (b.index >= f.buffers.size()) return EINVAL;
      if (request == VIDIOC_QBUF) {
        f.queued.push_back(b.index);
        f.buffers[b.index].flags = V4L2_BUF_FLAG_MAPPED | V4L2_BUF_FLAG_QUEUED;
      }
      b = f.buffers[b.index];
      return 0;
    }
    case VIDIOC_DQBUF: {
      // v4l2src polls before it dequeues, so a frame is done by now unless the stream stopped.
      if (f.done.empty()) return f.streaming ? EAGAIN : EINVAL;
      uint64_t one;
      [[maybe_unused]] const auto n = read(f.event, &one, sizeof one);
      v4l2_buffer& b = f.buffers[f.done.front()];
      f.done.pop_front();
      b.flags &= ~V4L2_BUF_FLAG_DONE;
      *static_cast<v4l2_buffer*>(arg) = b;
      return 0;
    }
    case VIDIOC_STREAMON:
      if (Busy(f)) return EBUSY;
      if (f.buffers.empty()) return EINVAL;
      if (!f.streaming) {
        f.streaming = true;
        f.delivered = 0;
        f.clock = std::thread(RunClock, file);
      }
      return 0;
    case VIDIOC_STREAMOFF:
      StopStreaming(lock, f);
      for (auto& b : f.buffers) b.flags = V4L2_BUF_FLAG_MAPPED;
      return 0;
  }
  return ENOTTY;
}

int Request(std::unique_lock<std::mutex>& lock, const std::shared_ptr<File>& file, unsigned long request,
            void* arg) {
  Device& d = *file->device;
  if (d.gone) return ENODEV;
  if (request == VIDIOC_QUERYCAP) {
    auto& cap = *static_cast<v4l2_capability*>(arg);
    cap = {};
    Copy(cap.driver, d.node.driver);
    Copy(cap.card, d.node.card);
    Copy(cap.bus_info, d.node.bus);
    cap.version = d.node.version;
    cap.device_caps = (d.node.metadata ? V4L2_CAP_META_CAPTURE : V4L2_CAP_VIDEO_CAPTURE) | V4L2_CAP_STREAMING;
    cap.capabilities =
        V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_DEVICE_CAPS;
    return 0;
  }
  if (d.node.metadata) return ENOTTY;
  if (request == VIDIOC_QUERYCTRL || request == VIDIOC_QUERYMENU || request == VIDIOC_G_CTRL ||
      request == VIDIOC_S_CTRL)
    return ControlRequest(d, request, arg);
  const int r = FormatRequest(*file, request, arg);
  return r != ENOTTY ? r : StreamRequest(lock, file, request, arg);
}

int Open(const char* path, int flags) {
  std::lock_guard lock(S().mutex);
  const auto device = Find(path);
  if (!device) {
    errno = ENOENT;
    return -1;
  }
  const int fd = eventfd(0, EFD_SEMAPHORE | EFD_NONBLOCK | ((flags & O_CLOEXEC) ? EFD_CLOEXEC : 0));
  if (fd < 0) return -1;
  auto f = std::make_shared<File>();
  f->device = device;
  f->event = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  S().files[fd] = f;
  return fd;
}

int Stat(const char* path, struct stat64* st) {
  std::lock_guard lock(S().mutex);
  if (!Find(path)) {
    errno = ENOENT;
    return -1;
  }
  *st = {};
  st->st_mode = S_IFCHR | 0660;
  st->st_rdev = makedev(81, std::atoi(path + 10));
  return 0;
}

}  // namespace

bool Load(const std::string& script, std::string* error) {
  std::string problem;
  const auto nodes = Parse(script, &problem);
  if (error) *error = problem;
  if (!problem.empty()) return false;
  std::lock_guard lock(S().mutex);
  LoadLocked(nodes);
  return true;
}

void Unplug(const std::string& path) {
  std::lock_guard lock(S().mutex);
  if (const auto device = Find(path)) device->gone = true;
  S().devices.erase(path);
  S().wake.notify_all();
}

void Plug(const std::string& described, const std::string& at) {
  std::lock_guard lock(S().mutex);
  for (const Node& n : S().script)
    if (n.path == described) PlugLocked(n, at.empty() ? described : at);
}

void SetBusy(const std::string& path, bool busy) {
  std::lock_guard lock(S().mutex);
  if (const auto device = Find(path)) device->node.busy = busy;
}

namespace {
int ControlState(const std::string& path, const std::string& control, bool writes) {
  const unsigned id = ControlId(control);
  std::lock_guard lock(S().mutex);
  const auto device = Find(path);
  if (!device || !FindControl(*device, id)) return -1;
  return writes ? device->writes[id] : device->values[id];
}
}  // namespace

int Value(const std::string& path, const std::string& control) {
  return ControlState(path, control, false);
}

int Writes(const std::string& path, const std::string& control) {
  return ControlState(path, control, true);
}

std::vector<Node> Plugged() {
  std::lock_guard lock(S().mutex);
  std::vector<Node> out;
  for (const auto& [path, device] : S().devices) out.push_back(device->node);
  return out;
}

}  // namespace fakev4l2

// The C library's entry points; anything that is not a fake node goes to the real function.
extern "C" {

int open(const char* path, int flags, ...) {
  static const auto real = fakev4l2::Real<int (*)(const char*, int, ...)>("open");
  va_list ap;
  va_start(ap, flags);
  const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(ap, mode_t) : 0;
  va_end(ap);
  return fakev4l2::Owned(path) ? fakev4l2::Open(path, flags) : real(path, flags, mode);
}

// open64 and mmap64 are the same functions under the names large-file builds call.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int stat64(const char* path, struct stat64* st) {
  static const auto real = fakev4l2::Real<int (*)(const char*, struct stat64*)>("stat64");
  return fakev4l2::Owned(path) ? fakev4l2::Stat(path, st) : real(path, st);
}

int ioctl(int fd, unsigned long request, ...) {
  static const auto real = fakev4l2::Real<int (*)(int, unsigned long, ...)>("ioctl");
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  std::unique_lock lock(fakev4l2::S().mutex);
  const auto file = fakev4l2::FileOf(fd);
  if (!file) {
    lock.unlock();
    return real(fd, request, arg);
  }
  const int error = fakev4l2::Request(lock, file, request, arg);
  if (error == 0) return 0;
  errno = error;
  return -1;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
  {
    std::lock_guard lock(fakev4l2::S().mutex);
    if (const auto file = fakev4l2::FileOf(fd)) fd = file->memfd;  // the caller maps the buffer memory
  }
  return fakev4l2::MmapReal(addr, length, prot, flags, fd, offset);
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off_t offset)
    __attribute__((alias("mmap")));

// v4l2src's buffer pool streams on a duplicate of the descriptor it opened.
int dup(int fd) {
  static const auto real = fakev4l2::Real<int (*)(int)>("dup");
  const int copy = real(fd);
  std::lock_guard lock(fakev4l2::S().mutex);
  if (const auto file = fakev4l2::FileOf(fd); file && copy >= 0) fakev4l2::S().files[copy] = file;
  return copy;
}

int close(int fd) {
  std::unique_lock lock(fakev4l2::S().mutex);
  if (const auto file = fakev4l2::FileOf(fd)) {
    auto& files = fakev4l2::S().files;
    files.erase(fd);
    if (std::none_of(files.begin(), files.end(), [&](const auto& entry) { return entry.second == file; })) {
      fakev4l2::StopStreaming(lock, *file);
      fakev4l2::FreeBuffers(*file);
      fakev4l2::CloseReal(file->event);
    }
  }
  lock.unlock();
  return fakev4l2::CloseReal(fd);
}

}  // extern "C"
