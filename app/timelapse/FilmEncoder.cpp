#include "FilmEncoder.h"

#include "AtomicFile.h"
#include "GstHandles.h"

#include <QFile>

#include <gst/app/gstappsrc.h>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace quorvin::timelapse {

using korvex::BusPtr;
using korvex::CapsPtr;
using korvex::ElementPtr;
using korvex::ErrorPtr;
using korvex::GCharPtr;
using korvex::PipelinePtr;

// The pipeline and what its threads report to the thread that feeds it.
struct FilmEncoder::Pipeline {
  PipelinePtr pipeline;
  GstElement* source = nullptr;  // owned by the pipeline
  std::mutex mutex;
  std::condition_variable changed;
  bool ended = false;
  QString error;

  // The streaming threads end before what they report to goes.
  ~Pipeline() { pipeline.reset(); }

  void Report(bool end, const QString& text = {}) {
    const std::lock_guard lock(mutex);
    ended = ended || end;
    if (error.isEmpty()) error = text;
    changed.notify_all();
  }
};

namespace {

constexpr guint kQueuedFrames = 4;

// Bits per second for a sharp picture at this size and rate (about 0.1 bit per pixel), within what a
// browser plays back smoothly.
int TargetBitrate(const FilmFormat& format) {
  const double bits = 0.1 * format.size.width() * format.size.height() * format.fps;
  return static_cast<int>(std::clamp(bits, 200e3, 40e6));
}

}  // namespace

FilmEncoder::FilmEncoder(const std::atomic<int>& stop) : stop_(stop) {}

FilmEncoder::~FilmEncoder() {
  Abandon();
}

bool FilmEncoder::Fail(const QString& error) {
  error_ = stop_.load() ? QString() : error;
  Abandon();
  return false;
}

void FilmEncoder::Abandon() {
  pipeline_.reset();  // stops the streaming threads before the file goes
  if (!temp_.isEmpty()) ::unlink(temp_.constData());
  temp_.clear();
}

bool FilmEncoder::Start(const QString& path, const FilmFormat& format) {
  path_ = path;
  format_ = format;
  gst_init(nullptr, nullptr);
  const int fd = CreateTemporaryBeside(path, &temp_);
  if (fd < 0) return Fail(QStringLiteral("cannot write: ") + QString::fromLocal8Bit(std::strerror(errno)));
  ::close(fd);

  GError* raw = nullptr;
  PipelinePtr pipeline(
      gst_parse_launch("appsrc name=source format=time ! jpegdec name=decoder ! videoconvert ! videoscale ! "
                       "capsfilter name=size ! vp8enc name=encoder ! webmmux ! filesink name=sink",
                       &raw));
  const ErrorPtr error(raw);
  if (error || !pipeline)
    return Fail(QStringLiteral("GStreamer cannot make the film: ") +
                QString::fromUtf8(error ? error->message : "no pipeline") +
                QStringLiteral(" (gstreamer1.0-plugins-good installed?)"));
  pipeline_ = std::make_unique<Pipeline>();
  pipeline_->pipeline = std::move(pipeline);
  GstBin* bin = GST_BIN(pipeline_->pipeline.get());
  const ElementPtr source(gst_bin_get_by_name(bin, "source"));
  const ElementPtr decoder(gst_bin_get_by_name(bin, "decoder"));
  const ElementPtr size(gst_bin_get_by_name(bin, "size"));
  const ElementPtr encoder(gst_bin_get_by_name(bin, "encoder"));
  const ElementPtr sink(gst_bin_get_by_name(bin, "sink"));
  pipeline_->source = source.get();

  const CapsPtr jpeg(gst_caps_new_simple("image/jpeg", "framerate", GST_TYPE_FRACTION, format.fps, 1,
                                         "parsed", G_TYPE_BOOLEAN, TRUE, nullptr));
  g_object_set(source.get(), "caps", jpeg.get(), "max-buffers", guint64{kQueuedFrames}, nullptr);
  // A picture the check let through but the decoder refuses is dropped, not the end of the film.
  g_object_set(decoder.get(), "max-errors", -1, nullptr);
  // Every field fixed: a picture of another kind (greyscale, 4:2:2) must not change the stream's caps,
  // which the WebM muxer cannot follow. Colours as JPEG holds them (full-range BT.601).
  const CapsPtr frame(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT,
                                          format.size.width(), "height", G_TYPE_INT, format.size.height(),
                                          "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, "interlace-mode",
                                          G_TYPE_STRING, "progressive", "colorimetry", G_TYPE_STRING,
                                          "1:4:0:0", "chroma-site", G_TYPE_STRING, "jpeg", nullptr));
  g_object_set(size.get(), "caps", frame.get(), nullptr);
  // Real-time speed settings: a day of 1080p pictures in minutes, not hours. One thread: libvpx's own
  // threads cost several times the CPU on a busy machine. No frame is ever dropped for the rate.
  g_object_set(encoder.get(), "deadline", gint64{1}, "cpu-used", 8, "threads", 1, "dropframe-threshold", 0,
               "target-bitrate", TargetBitrate(format), nullptr);
  g_object_set(sink.get(), "location", temp_.constData(), nullptr);

  GstAppSrcCallbacks callbacks{};
  callbacks.need_data = [](GstAppSrc*, guint, gpointer data) { static_cast<Pipeline*>(data)->Report(false); };
  gst_app_src_set_callbacks(GST_APP_SRC(source.get()), &callbacks, pipeline_.get(), nullptr);
  const BusPtr bus(gst_element_get_bus(pipeline_->pipeline.get()));
  const auto onMessage = [](GstBus*, GstMessage* message, gpointer data) {
    auto* p = static_cast<Pipeline*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) p->Report(true);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
      GError* raw = nullptr;
      gchar* debug = nullptr;
      gst_message_parse_error(message, &raw, &debug);
      const ErrorPtr error(raw);
      const GCharPtr details(debug);
      p->Report(true, QString::fromUtf8(error ? error->message : "stream error"));
    }
    return GST_BUS_PASS;
  };
  gst_bus_set_sync_handler(bus.get(), onMessage, pipeline_.get(), nullptr);

  if (gst_element_set_state(pipeline_->pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    const std::lock_guard lock(pipeline_->mutex);
    return Fail(pipeline_->error.isEmpty() ? QStringLiteral("the film pipeline does not start")
                                           : pipeline_->error);
  }
  return true;
}

bool FilmEncoder::Push(const QByteArray& jpeg) {
  if (!pipeline_) return false;
  {
    std::unique_lock lock(pipeline_->mutex);
    // Woken when the source's queue runs empty; the timeout lets a stop from a signal handler be seen.
    auto* source = GST_APP_SRC(pipeline_->source);
    while (gst_app_src_get_current_level_buffers(source) >= kQueuedFrames && !pipeline_->ended &&
           !stop_.load())
      pipeline_->changed.wait_for(lock, std::chrono::milliseconds(100));
    if (pipeline_->ended || stop_.load()) {
      const QString error = pipeline_->error;
      lock.unlock();
      return Fail(error.isEmpty() ? QStringLiteral("the film stream ended early") : error);
    }
  }
  GstBuffer* buffer = gst_buffer_new_memdup(jpeg.constData(), static_cast<gsize>(jpeg.size()));
  const GstClockTime start = gst_util_uint64_scale(frames_, GST_SECOND, format_.fps);
  const GstClockTime next = gst_util_uint64_scale(frames_ + 1, GST_SECOND, format_.fps);
  GST_BUFFER_PTS(buffer) = start;
  GST_BUFFER_DURATION(buffer) = next - start;
  if (gst_app_src_push_buffer(GST_APP_SRC(pipeline_->source), buffer) != GST_FLOW_OK)
    return Fail(QStringLiteral("the film stream refused a frame"));
  ++frames_;
  return true;
}

bool FilmEncoder::Finish() {
  if (!pipeline_) return false;
  gst_app_src_end_of_stream(GST_APP_SRC(pipeline_->source));
  {
    std::unique_lock lock(pipeline_->mutex);
    while (!pipeline_->ended && !stop_.load())
      pipeline_->changed.wait_for(lock, std::chrono::milliseconds(100));
    if (!pipeline_->error.isEmpty() || stop_.load()) {
      const QString error = pipeline_->error;
      lock.unlock();
      return Fail(error);
    }
  }
  pipeline_.reset();
  // The film replaces an older one only once it is on the disk whole.
  const int fd = ::open(temp_.constData(), O_RDONLY);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!synced || ::rename(temp_.constData(), QFile::encodeName(path_).constData()) != 0)
    return Fail(QStringLiteral("cannot write: ") + QString::fromLocal8Bit(std::strerror(errno)));
  temp_.clear();
  return true;
}

}  // namespace quorvin::timelapse
