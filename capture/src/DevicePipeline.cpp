#include "DevicePipeline.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <chrono>

Q_LOGGING_CATEGORY(lcPipeline, "quorvin.capture.pipeline")

namespace korvex {

void EnsureGstInitialised() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  });
}

DevicePipeline::DevicePipeline(std::shared_ptr<CaptureDevice> device, VideoFormat format)
    : device_(std::move(device)), format_(std::move(format)) {
  EnsureGstInitialised();
}

DevicePipeline::~DevicePipeline() {
  // Streaming threads end before the members they use go away.
  pipeline_.reset();
}

namespace {

QString AudioCaps(const AudioFormat& audio) {
  const char* format = audio.bits == 8 ? "U8" : "S16LE";
  return QStringLiteral("audio/x-raw,format=%1,rate=%2,channels=%3,layout=interleaved")
      .arg(QLatin1String(format))
      .arg(audio.rate)
      .arg(audio.channels);
}

}  // namespace

bool DevicePipeline::Build(const RecordingRequest* recording, QString* error) {
  pipeline_.reset();
  running_ = false;
  failed_ = false;
  eos_ = false;
  recorded_ = queuedIn_ = queuedOut_ = 0;
  limitSignalled_ = false;
  {
    std::lock_guard lock(mutex_);
    failure_.clear();
    latest_.reset();
  }

  QString source_error;
  ElementPtr source(device_->CreateSource(&source_error));
  if (!source) {
    if (error) *error = source_error;
    return false;
  }
  gst_object_ref_sink(source.get());

  // Nothing is converted in the pipeline: the grab and the preview convert the frames they use. Only a
  // network camera's JPEG is decoded here: a picture read over HTTP may come in pieces, which the decoder
  // puts together (a webcam's buffer is always one whole frame).
  const bool jpeg = format_.pixelFormat == QLatin1String("MJPG");
  const bool assemble = jpeg && !device_->Address().isEmpty();
  QString text = QStringLiteral("capsfilter name=fmt ! ");
  if (assemble) text += QStringLiteral("jpegdec ! ");
  const QString decode = jpeg && !assemble ? QStringLiteral("jpegdec ! ") : QString();
  const QString sink = QStringLiteral(
      "appsink name=frames max-buffers=1 drop=true sync=false enable-last-sample=false emit-signals=false");
  if (!recording) {
    text += sink;
  } else {
    text += QStringLiteral("tee name=t t. ! queue leaky=downstream max-size-buffers=1 max-size-bytes=0 ! ") +
            sink;
    text += QStringLiteral(
                " t. ! queue name=recq leaky=downstream max-size-buffers=90 max-size-bytes=0 max-size-time=0 "
                "! ") +
            decode +
            QStringLiteral(
                "videorate ! capsfilter name=recrate ! videoconvert ! video/x-raw,format=I420"
                " ! jpegenc name=enc quality=85 ! avimux name=mux ! filesink name=file");
    if (recording->withAudio) {
      text +=
          QStringLiteral(" %1 ! audioconvert ! audioresample ! %2 ! queue max-size-time=3000000000 ! mux.")
              .arg(device_->AudioSourceDescription(), AudioCaps(recording->audio));
    }
  }

  GError* raw_error = nullptr;
  PipelinePtr pipeline(gst_parse_launch(text.toUtf8().constData(), &raw_error));
  ErrorPtr parse_error(raw_error);
  if (!pipeline || parse_error) {
    if (error)
      *error = parse_error ? ToQString(parse_error->message) : QStringLiteral("cannot build pipeline");
    return false;
  }
  ElementPtr filter(gst_bin_get_by_name(GST_BIN(pipeline.get()), "fmt"));
  CapsPtr caps(gst_caps_from_string(device_->CapsFor(format_).toUtf8().constData()));
  if (!filter || !caps) {
    if (error) *error = QStringLiteral("unsupported format %1").arg(format_.Describe());
    return false;
  }
  g_object_set(filter.get(), "caps", caps.get(), nullptr);
  gst_bin_add(GST_BIN(pipeline.get()), source.get());  // the bin takes its own reference
  if (!LinkOpenedSource(pipeline.get(), source.get(), filter.get(), error)) return false;

  ElementPtr appsink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "frames"));
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = &DevicePipeline::OnNewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(appsink.get()), &callbacks, this, nullptr);

  if (recording) {
    ElementPtr file(gst_bin_get_by_name(GST_BIN(pipeline.get()), "file"));
    g_object_set(file.get(), "location", recording->path.toLocal8Bit().constData(), nullptr);
    ElementPtr rate(gst_bin_get_by_name(GST_BIN(pipeline.get()), "recrate"));
    if (recording->microSecPerFrame > 0) {
      gint num = 0, den = 1;
      gst_util_double_to_fraction(1e6 / static_cast<double>(recording->microSecPerFrame), &num, &den);
      CapsPtr rate_caps(
          gst_caps_new_simple("video/x-raw", "framerate", GST_TYPE_FRACTION, num, den, nullptr));
      g_object_set(rate.get(), "caps", rate_caps.get(), nullptr);
    }
    frameLimit_ = recording->frameLimit;
  }

  BusPtr bus(gst_element_get_bus(pipeline.get()));
  gst_bus_set_sync_handler(bus.get(), &DevicePipeline::OnBusMessage, this, nullptr);
  pipeline_ = std::move(pipeline);
  if (recording) AddProbes(*recording);
  return true;
}

bool DevicePipeline::LinkOpenedSource(GstElement* pipeline, GstElement* source, GstElement* filter,
                                      QString* error) {
  // A source in NULL offers every format it might have, so a link would never fail; opened (READY) it
  // offers what the device has, and a format it lacks is caught here instead of as a stream error later.
  BusPtr bus(gst_element_get_bus(pipeline));
  const bool opened = gst_element_set_state(source, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
  const bool linked = opened && gst_element_link(source, filter);
  gst_element_set_state(source, GST_STATE_NULL);  // the camera rests until the pipeline starts
  QString text;
  while (GstMessage* message = gst_bus_pop(bus.get())) {
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && text.isEmpty()) {
      GError* raw = nullptr;
      gst_message_parse_error(message, &raw, nullptr);
      ErrorPtr parsed(raw);
      text = parsed ? ToQString(parsed->message) : QString();
    }
    gst_message_unref(message);
  }
  if (!opened && error)
    *error = text.isEmpty() ? QStringLiteral("the device does not open") : device_->Redact(text);
  if (opened && !linked && error)
    *error = QStringLiteral("the device cannot deliver %1").arg(format_.Describe());
  return linked;
}

void DevicePipeline::AddProbes(const RecordingRequest&) {
  ElementPtr queue(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "recq"));
  ElementPtr encoder(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "enc"));
  PadPtr queue_in(gst_element_get_static_pad(queue.get(), "sink"));
  PadPtr queue_out(gst_element_get_static_pad(queue.get(), "src"));
  PadPtr encoded(gst_element_get_static_pad(encoder.get(), "src"));
  GstPadProbeCallback count = [](GstPad*, GstPadProbeInfo*, gpointer data) -> GstPadProbeReturn {
    ++*static_cast<std::atomic<int64_t>*>(data);
    return GST_PAD_PROBE_OK;
  };
  gst_pad_add_probe(queue_in.get(), GST_PAD_PROBE_TYPE_BUFFER, count, &queuedIn_, nullptr);
  gst_pad_add_probe(queue_out.get(), GST_PAD_PROBE_TYPE_BUFFER, count, &queuedOut_, nullptr);
  gst_pad_add_probe(
      encoded.get(), GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad*, GstPadProbeInfo*, gpointer data) -> GstPadProbeReturn {
        auto* self = static_cast<DevicePipeline*>(data);
        if (self->frameLimit_ > 0 && self->recorded_ >= self->frameLimit_) {
          if (!self->limitSignalled_.exchange(true)) {
            QMetaObject::invokeMethod(
                self, [self] { emit self->FrameLimitReached(); }, Qt::QueuedConnection);
          }
          return GST_PAD_PROBE_DROP;
        }
        ++self->recorded_;
        return GST_PAD_PROBE_OK;
      },
      this, nullptr);
}

bool DevicePipeline::Start(QString* error) {
  if (!pipeline_) {
    if (error) *error = QStringLiteral("no pipeline");
    return false;
  }
  if (running_) return true;
  eos_ = false;  // a source that ended (a single picture) starts over
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    const QString failure = FailureText();
    if (error) *error = failure.isEmpty() ? QStringLiteral("the device does not start") : failure;
    {
      std::lock_guard lock(mutex_);
      failed_ = true;
    }
    frameArrived_.notify_all();
    return false;
  }
  running_ = true;
  return true;
}

void DevicePipeline::Stop() {
  if (!pipeline_) return;
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  running_ = false;
  // A stopped camera's buffers belong to a pool that is gone; the numbering goes on.
  std::lock_guard lock(mutex_);
  latest_.reset();
}

QString DevicePipeline::FailureText() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

std::shared_ptr<const Frame> DevicePipeline::Latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

uint64_t DevicePipeline::FrameSeq() const {
  std::lock_guard lock(mutex_);
  return seq_;
}

std::shared_ptr<const Frame> DevicePipeline::WaitFrame(uint64_t after, int timeoutMs) {
  std::unique_lock lock(mutex_);
  const bool arrived = frameArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return failed_ || eos_ || (latest_ && latest_->seq > after);
  });
  if (!arrived || !latest_ || latest_->seq <= after) return nullptr;
  return latest_;
}

std::shared_ptr<const Frame> DevicePipeline::WaitSettled(uint64_t after, int settleMs, int timeoutMs) {
  // Settling counts time, not frames: a slow camera (2 fps, or slowed by low light) sends few frames.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock lock(mutex_);
  auto arrived = [&] { return latest_ && latest_->seq > after; };
  frameArrived_.wait_until(lock, deadline, [&] { return failed_ || eos_ || arrived(); });
  if (!arrived()) return nullptr;
  const auto settled =
      std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(settleMs));
  frameArrived_.wait_until(lock, settled, [&] { return failed_ || eos_; });
  return latest_;
}

void DevicePipeline::SendEos() {
  if (pipeline_ && running_) gst_element_send_event(pipeline_.get(), gst_event_new_eos());
}

bool DevicePipeline::WaitEos(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return frameArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return eos_ || failed_;
  }) && eos_;
}

GstFlowReturn DevicePipeline::OnNewSample(GstAppSink* sink, gpointer data) {
  auto* self = static_cast<DevicePipeline*>(data);
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (!sample) return GST_FLOW_EOS;
  uint64_t seq;
  {
    std::lock_guard lock(self->mutex_);
    seq = self->seq_ + 1;
  }
  auto frame = std::make_shared<const Frame>(sample, seq);
  if (!frame->Valid()) return GST_FLOW_OK;
  {
    std::lock_guard lock(self->mutex_);
    self->seq_ = seq;
    self->latest_ = std::move(frame);
  }
  self->frameArrived_.notify_all();
  return GST_FLOW_OK;
}

GstBusSyncReply DevicePipeline::OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
  auto* self = static_cast<DevicePipeline*>(data);
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
      GError* raw = nullptr;
      gchar* debug = nullptr;
      gst_message_parse_error(message, &raw, &debug);
      ErrorPtr error(raw);
      GCharPtr debug_text(debug);
      // A network camera's error may name its URL, and GStreamer's details more: both are masked.
      const QString text =
          self->device_->Redact(error ? ToQString(error->message) : QStringLiteral("device error"));
      const bool busy =
          error && error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_BUSY;
      qCWarning(lcPipeline) << "device error:" << text << self->device_->Redact(ToQString(debug));
      bool first = false;
      {
        std::lock_guard lock(self->mutex_);
        if (self->failure_.isEmpty()) self->failure_ = text;
        first = !self->failed_.exchange(true);
      }
      self->frameArrived_.notify_all();
      if (first)
        QMetaObject::invokeMethod(
            self, [self, text, busy] { emit self->DeviceFailed(text, busy); }, Qt::QueuedConnection);
      break;
    }
    case GST_MESSAGE_EOS: {
      {
        std::lock_guard lock(self->mutex_);
        self->eos_ = true;
      }
      self->frameArrived_.notify_all();
      QMetaObject::invokeMethod(
          self, [self] { emit self->EndOfStream(); }, Qt::QueuedConnection);
      break;
    }
    default:
      break;
  }
  // Nobody pops the bus; keeping messages would only pile them up.
  gst_message_unref(message);
  return GST_BUS_DROP;
}

}  // namespace korvex
