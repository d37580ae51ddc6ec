#include "FrameConverter.h"

#include <turbojpeg.h>
#include <QPainter>

#include <algorithm>

namespace korvex {

namespace {

// A mapped buffer for the length of one conversion.
class MappedBuffer {
 public:
  explicit MappedBuffer(GstBuffer* buffer) : buffer_(buffer) {
    mapped_ = buffer_ && gst_buffer_map(buffer_, &map_, GST_MAP_READ);
  }
  ~MappedBuffer() {
    if (mapped_) gst_buffer_unmap(buffer_, &map_);
  }
  MappedBuffer(const MappedBuffer&) = delete;
  MappedBuffer& operator=(const MappedBuffer&) = delete;
  bool ok() const { return mapped_ && map_.size > 0; }
  const unsigned char* data() const { return map_.data; }
  unsigned long size() const { return static_cast<unsigned long>(map_.size); }

 private:
  GstBuffer* buffer_;
  GstMapInfo map_{};
  bool mapped_ = false;
};

bool IsRgb32(const QImage& image) {
  // Blue, green, red, then a byte that is 0xFF, in memory on a little-endian machine.
  return image.format() == QImage::Format_RGB32;
}

}  // namespace

Frame::Frame(GstSample* s, uint64_t number) : sample(s), seq(number) {
  GstCaps* caps = gst_sample_get_caps(s);
  if (!caps || !gst_sample_get_buffer(s) || gst_caps_get_size(caps) == 0) return;
  const gchar* media = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  if (g_str_equal(media, "image/jpeg"))
    jpeg = true;
  else
    raw = gst_video_info_from_caps(&info, caps);
}

// The last raw converter, made again only when the frame's layout or the wanted output changes.
struct FrameConverter::Cached {
  GstVideoInfo in{}, out{};
  QSize source, dest;
  GstVideoConverter* converter = nullptr;
  ~Cached() {
    if (converter) gst_video_converter_free(converter);
  }
};

FrameConverter::FrameConverter() = default;

FrameConverter::~FrameConverter() {
  if (decoder_) tjDestroy(decoder_);
}

bool FrameConverter::ConvertRaw(const Frame& frame, QImage& target, QSize source, QSize dest) {
  GstVideoInfo out;
  gst_video_info_set_format(&out, GST_VIDEO_FORMAT_BGRx, static_cast<guint>(target.width()),
                            static_cast<guint>(target.height()));
  out.stride[0] = static_cast<gint>(target.bytesPerLine());
  out.size = static_cast<gsize>(target.sizeInBytes());
  // The converter does not change the rate; it only has to match.
  out.fps_n = frame.info.fps_n;
  out.fps_d = frame.info.fps_d;
  if (!cached_ || !gst_video_info_is_equal(&cached_->in, &frame.info) ||
      !gst_video_info_is_equal(&cached_->out, &out) || cached_->source != source || cached_->dest != dest) {
    cached_.reset();
    // Downscaling comes before the colour matrix in the converter's chain, so a smaller view is converted
    // at its own size. The target outside the destination keeps its pixels (a host's image).
    GstStructure* config = gst_structure_new(
        "GstVideoConverter", GST_VIDEO_CONVERTER_OPT_SRC_WIDTH, G_TYPE_INT, source.width(),
        GST_VIDEO_CONVERTER_OPT_SRC_HEIGHT, G_TYPE_INT, source.height(), GST_VIDEO_CONVERTER_OPT_DEST_WIDTH,
        G_TYPE_INT, dest.width(), GST_VIDEO_CONVERTER_OPT_DEST_HEIGHT, G_TYPE_INT, dest.height(),
        GST_VIDEO_CONVERTER_OPT_FILL_BORDER, G_TYPE_BOOLEAN, FALSE, nullptr);
    GstVideoConverter* converter = gst_video_converter_new(&frame.info, &out, config);
    if (!converter) return false;
    cached_ = std::make_unique<Cached>();
    cached_->in = frame.info;
    cached_->out = out;
    cached_->source = source;
    cached_->dest = dest;
    cached_->converter = converter;
  }
  GstVideoFrame in_frame, out_frame;
  if (!gst_video_frame_map(&in_frame, const_cast<GstVideoInfo*>(&frame.info),
                           gst_sample_get_buffer(frame.sample.get()), GST_MAP_READ))
    return false;
  GstBuffer* wrapped =
      gst_buffer_new_wrapped_full(GstMemoryFlags(0), target.bits(), out.size, 0, out.size, nullptr, nullptr);
  const bool ok = gst_video_frame_map(&out_frame, &out, wrapped, GST_MAP_WRITE);
  if (ok) {
    gst_video_converter_frame(cached_->converter, &in_frame, &out_frame);
    gst_video_frame_unmap(&out_frame);
  }
  gst_buffer_unref(wrapped);
  gst_video_frame_unmap(&in_frame);
  return ok;
}

QSize FrameConverter::JpegSize(const Frame& frame) {
  if (!decoder_) decoder_ = tjInitDecompress();
  MappedBuffer bytes(gst_sample_get_buffer(frame.sample.get()));
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (!decoder_ || !bytes.ok() ||
      tjDecompressHeader3(decoder_, bytes.data(), bytes.size(), &width, &height, &subsampling, &colorspace) !=
          0)
    return {};
  return {width, height};
}

bool FrameConverter::DecodeJpeg(const Frame& frame, QImage& target, QSize dest, bool fast) {
  if (!decoder_) decoder_ = tjInitDecompress();
  MappedBuffer bytes(gst_sample_get_buffer(frame.sample.get()));
  if (!decoder_ || !bytes.ok()) return false;
  // BGRA: libjpeg-turbo writes 0xFF into the fourth byte, which RGB32 requires.
  const int flags = fast ? TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE : 0;
  const int failed = tjDecompress2(decoder_, bytes.data(), bytes.size(), target.bits(), dest.width(),
                                   static_cast<int>(target.bytesPerLine()), dest.height(), TJPF_BGRA, flags);
  // A warning (a frame cut short) still leaves a picture; only a fatal error leaves none.
  return failed == 0 || tjGetErrorCode(decoder_) == TJERR_WARNING;
}

bool FrameConverter::PaintInto(const Frame& frame, QImage& target) {
  if (target.isNull() || !frame.Valid()) return false;
  const QSize size = SizeOf(frame);
  if (size.isEmpty()) return false;
  const bool fits = size.width() <= target.width() && size.height() <= target.height();
  if (!IsRgb32(target) || (frame.jpeg && !fits)) {
    // Decoded at its own size, then copied: the decoder cannot clip, and other layouts need QPainter.
    const QImage image = ToImage(frame);
    if (image.isNull()) return false;
    QPainter painter(&target);
    if (!painter.isActive()) return false;
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image);
    return true;
  }
  if (frame.jpeg) return DecodeJpeg(frame, target, size, false);
  const QSize clipped = size.boundedTo(target.size());
  return ConvertRaw(frame, target, clipped, clipped);
}

QSize FrameConverter::SizeOf(const Frame& frame) {
  if (!frame.Valid()) return {};
  return frame.raw ? QSize(GST_VIDEO_INFO_WIDTH(&frame.info), GST_VIDEO_INFO_HEIGHT(&frame.info))
                   : JpegSize(frame);
}

QImage FrameConverter::ToImage(const Frame& frame) {
  if (!frame.Valid()) return {};
  const QSize size = SizeOf(frame);
  if (size.isEmpty()) return {};
  QImage image(size, QImage::Format_RGB32);
  const bool ok = frame.raw ? ConvertRaw(frame, image, size, size) : DecodeJpeg(frame, image, size, false);
  return ok ? image : QImage();
}

bool FrameConverter::Preview(const Frame& frame, QSize view, QImage& into) {
  if (!frame.Valid()) return false;
  const QSize full = SizeOf(frame);
  if (full.isEmpty()) return false;
  QSize size = full;
  if (!view.isEmpty() && view.width() < full.width() && view.height() < full.height()) {
    if (frame.raw) {
      size = view;
    } else {
      // The smallest size the decoder reaches by DCT scaling that still covers the view.
      int count = 0;
      const tjscalingfactor* factors = tjGetScalingFactors(&count);
      for (int i = 0; i < count; ++i) {
        const QSize scaled(TJSCALED(full.width(), factors[i]), TJSCALED(full.height(), factors[i]));
        if (scaled.width() >= view.width() && scaled.height() >= view.height() &&
            scaled.width() < size.width())
          size = scaled;
      }
    }
  }
  if (into.size() != size || !into.isDetached() || !IsRgb32(into)) into = QImage(size, QImage::Format_RGB32);
  return frame.raw ? ConvertRaw(frame, into, full, size) : DecodeJpeg(frame, into, size, true);
}

}  // namespace korvex
