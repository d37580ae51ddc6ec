#pragma once
// Device frames become 32-bit RGB only when somebody needs them: the frame a grab returns and the frames
// the preview shows. Raw video of any layout GStreamer knows goes through a GstVideoConverter, motion JPEG
// through libjpeg-turbo. The pipeline itself converts nothing, so a device nobody looks at costs only its
// delivery.

#include "GstHandles.h"

#include <gst/video/video.h>

#include <QImage>
#include <QRect>
#include <QSize>
#include <memory>

namespace korvex {

// One frame as the device delivered it. Cheap to make: the buffer is mapped only when converted.
struct Frame {
  Frame(GstSample* sample, uint64_t seq);
  bool Valid() const { return jpeg || raw; }

  SamplePtr sample;
  uint64_t seq = 0;
  bool jpeg = false;
  bool raw = false;
  GstVideoInfo info{};  // raw frames only
};

class FrameConverter {
 public:
  FrameConverter();
  ~FrameConverter();
  FrameConverter(const FrameConverter&) = delete;
  FrameConverter& operator=(const FrameConverter&) = delete;

  // Paints the frame at (0, 0) of `target` at the frame's own size, clipped to the target; the rest of
  // the target stays as it was. False when the frame cannot be read (a corrupt JPEG).
  bool PaintInto(const Frame& frame, QImage& target);
  // The frame at its own size in QImage::Format_RGB32; null when it cannot be read.
  QImage ToImage(const Frame& frame);
  // The frame's own size, read from its layout or its JPEG header; empty when it cannot be read.
  QSize SizeOf(const Frame& frame);
  // The frame for a view of `view` pixels: never smaller than the view, shrunk before its colours are
  // converted (raw: the converter scales in the device's own layout; JPEG: the decoder's DCT scaling).
  // Reuses `into` when it has the size already.
  bool Preview(const Frame& frame, QSize view, QImage& into);

 private:
  bool ConvertRaw(const Frame& frame, QImage& target, QSize source, QSize dest);
  bool DecodeJpeg(const Frame& frame, QImage& target, QSize dest, bool fast);
  QSize JpegSize(const Frame& frame);

  struct Cached;
  std::unique_ptr<Cached> cached_;
  void* decoder_ = nullptr;
};

}  // namespace korvex
