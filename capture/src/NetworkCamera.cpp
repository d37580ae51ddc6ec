#include "NetworkCamera.h"

#include "GstHandles.h"

#include <QCryptographicHash>

namespace korvex {

namespace {

// Each pad-added callback needs the bin's ghost pad and the camera; the bin owns this.
struct BinContext {
  NetworkCamera* camera;
  GstPad* ghost;                 // owned by the bin
  GstElement* decode = nullptr;  // RTSP: owned by the bin
  std::atomic<int> videoStream{-1};
};

void Target(BinContext* context, GstPad* pad) {
  // The first usable pad feeds the camera's one output.
  PadPtr target(gst_ghost_pad_get_target(GST_GHOST_PAD(context->ghost)));
  if (!target) gst_ghost_pad_set_target(GST_GHOST_PAD(context->ghost), pad);
}

void PostError(GstElement* bin, const QString& text) {
  GError* error =
      g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE, text.toUtf8().constData());
  gst_element_post_message(bin, gst_message_new_error(GST_OBJECT(bin), error, nullptr));
  g_error_free(error);
}

// A bin with a ghost "src" pad whose target its pad-added callbacks set; `context` lives as long as it.
GstElement* NewBin(NetworkCamera* camera, BinContext** context) {
  GstElement* bin = gst_bin_new(nullptr);
  GstPad* ghost = gst_ghost_pad_new_no_target("src", GST_PAD_SRC);
  gst_element_add_pad(bin, ghost);
  *context = new BinContext{camera, ghost};
  g_object_set_data_full(G_OBJECT(bin), "korvex-context", *context,
                         [](gpointer data) { delete static_cast<BinContext*>(data); });
  return bin;
}

// Both elements, or neither and `error` naming them.
bool MakePair(const char* first, GstElement** a, const char* second, GstElement** b, QString* error) {
  *a = gst_element_factory_make(first, nullptr);
  *b = gst_element_factory_make(second, nullptr);
  if (*a && *b) return true;
  for (GstElement* made : {*a, *b})
    if (made) gst_object_unref(gst_object_ref_sink(made));
  if (error)
    *error = QStringLiteral("%1 or %2 is not installed").arg(QLatin1String(first), QLatin1String(second));
  return false;
}

// rtspsrc and souphttpsrc name the credentials alike.
void SetCredentials(GstElement* source, const NetworkCameraEntry& e) {
  if (!e.user.isEmpty()) g_object_set(source, "user-id", e.user.toUtf8().constData(), nullptr);
  if (!e.password.isEmpty()) g_object_set(source, "user-pw", e.password.toUtf8().constData(), nullptr);
}

}  // namespace

NetworkCamera::NetworkCamera(NetworkCameraEntry entry) : entry_(std::move(entry)) {
  EnsureGstInitialised();
}

NetworkCameraEntry NetworkCamera::Entry() const {
  std::lock_guard lock(mutex_);
  return entry_;
}

void NetworkCamera::Update(const NetworkCameraEntry& entry) {
  std::lock_guard lock(mutex_);
  if (entry.url != entry_.url) {
    width_ = height_ = 0;
    codec_.clear();
    httpAnswer_ = HttpAnswer::Unknown;
  }
  entry_ = entry;
}

QString NetworkCamera::Name() const {
  return Entry().name;
}

QString NetworkCamera::Version() const {
  return Entry().Version();
}

QString NetworkCamera::SettingsKey() const {
  return QStringLiteral("network ") + Name();
}

QString NetworkCamera::Location() const {
  const NetworkCameraEntry e = Entry();
  // A digest, not the text: the credentials are part of it and a location may be compared or kept.
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const QString& part :
       {e.url, e.user, e.password, QString::number(int(e.transport)), QString::number(e.timeoutS)})
    hash.addData((part + QChar(0)).toUtf8());
  return QString::fromLatin1(hash.result().toHex());
}

void NetworkCamera::SetCodec(const QString& codec) {
  std::lock_guard lock(mutex_);
  codec_ = codec;
}

VideoFormat NetworkCamera::DefaultFormat() const {
  std::lock_guard lock(mutex_);
  // The rate is the camera's own; 0 says so.
  QString pixel = entry_.kind == NetworkCameraEntry::Kind::Http ? QStringLiteral("MJPG") : codec_;
  if (pixel.isEmpty()) pixel = QStringLiteral("RTP");
  return VideoFormat{width_, height_, 0, 1, pixel};
}

std::vector<VideoFormat> NetworkCamera::Formats() const {
  const VideoFormat f = DefaultFormat();
  if (f.width <= 0) return {};
  return {f};
}

std::optional<VideoFormat> NetworkCamera::FitFormat(const VideoFormat& wanted, FitSide side) const {
  const VideoFormat f = DefaultFormat();
  if (f.width <= 0) return std::nullopt;
  const bool fits = side == FitSide::Width    ? wanted.width == f.width
                    : side == FitSide::Height ? wanted.height == f.height
                                              : wanted.width == f.width && wanted.height == f.height;
  if (!fits) return std::nullopt;
  return f;
}

bool NetworkCamera::LearnFrameSize(int width, int height) {
  std::lock_guard lock(mutex_);
  if (width == width_ && height == height_) return false;
  width_ = width;
  height_ = height;
  return true;
}

QString NetworkCamera::CapsFor(const VideoFormat&) const {
  // Any size: the camera chooses it, and may change it.
  return Entry().kind == NetworkCameraEntry::Kind::Http ? QStringLiteral("image/jpeg")
                                                        : QStringLiteral("video/x-raw");
}

bool NetworkCamera::StreamsAlways() const {
  const auto kind = Entry().kind;
  return kind == NetworkCameraEntry::Kind::Rtsp ||
         (kind == NetworkCameraEntry::Kind::Http && httpAnswer_ == HttpAnswer::Stream);
}

int NetworkCamera::SilenceLimitMs() const {
  return Entry().timeoutS * 1000;
}

QString NetworkCamera::Redact(const QString& text) const {
  return Entry().Redact(text);
}

QString NetworkCamera::Address() const {
  const NetworkCameraEntry e = Entry();
  QString shown = e.ShownUrl();
  if (e.kind == NetworkCameraEntry::Kind::Rtsp)
    shown += e.transport == NetworkCameraEntry::Transport::Udp ? QStringLiteral(" over UDP")
                                                               : QStringLiteral(" over TCP");
  return shown + QStringLiteral(", timeout %1 s, [%2]").arg(e.timeoutS).arg(e.section);
}

QString NetworkCamera::AudioSourceDescription() const {
  // The machine's microphone is not the camera's: a recording gets a silent track.
  return QStringLiteral("audiotestsrc is-live=true wave=silence");
}

GstElement* NetworkCamera::CreateSource(QString* error) {
  const NetworkCameraEntry e = Entry();
  switch (e.kind) {
    case NetworkCameraEntry::Kind::Rtsp:
      return RtspSource(e, error);
    case NetworkCameraEntry::Kind::Http:
      return HttpSource(e, error);
    case NetworkCameraEntry::Kind::Unsupported:
      break;
  }
  if (error) *error = QStringLiteral("%1 is no rtsp://, http:// or https:// URL").arg(e.ShownUrl());
  return nullptr;
}

GstElement* NetworkCamera::RtspSource(const NetworkCameraEntry& e, QString* error) {
  GstElement *rtsp = nullptr, *decode = nullptr;
  if (!MakePair("rtspsrc", &rtsp, "decodebin", &decode, error)) return nullptr;
  const guint64 timeout_us = guint64(e.timeoutS) * 1000000;
  const bool tcp = e.transport == NetworkCameraEntry::Transport::Tcp;
  // No jitter buffer delay over TCP (nothing arrives out of order there), so a frame taken is one that
  // came in after it was asked for; UDP keeps a little to put packets back in order.
  g_object_set(rtsp, "location", e.url.toUtf8().constData(), "protocols", tcp ? 0x4 : 0x1, "latency",
               tcp ? 0u : 50u, "tcp-timeout", timeout_us, "timeout", timeout_us, nullptr);
  SetCredentials(rtsp, e);

  BinContext* context = nullptr;
  GstElement* bin = NewBin(this, &context);
  gst_bin_add_many(GST_BIN(bin), rtsp, decode, nullptr);
  context->decode = decode;
  // Only the first video stream is set up: a camera's audio or metadata streams are not asked for.
  g_signal_connect(rtsp, "select-stream",
                   G_CALLBACK(+[](GstElement*, guint stream, GstCaps* caps, gpointer data) -> gboolean {
                     auto* c = static_cast<BinContext*>(data);
                     const gchar* media = gst_structure_get_string(gst_caps_get_structure(caps, 0), "media");
                     if (!media || !g_str_equal(media, "video")) return FALSE;
                     int first = -1;
                     return c->videoStream.compare_exchange_strong(first, int(stream)) ||
                            first == int(stream);
                   }),
                   context);
  g_signal_connect(rtsp, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer data) {
                     auto* c = static_cast<BinContext*>(data);
                     CapsPtr caps(gst_pad_get_current_caps(pad));
                     const GstStructure* s = caps ? gst_caps_get_structure(caps.get(), 0) : nullptr;
                     if (const gchar* codec = s ? gst_structure_get_string(s, "encoding-name") : nullptr)
                       c->camera->SetCodec(QString::fromUtf8(codec));
                     PadPtr sink(gst_element_get_static_pad(c->decode, "sink"));
                     if (!gst_pad_is_linked(sink.get())) gst_pad_link(pad, sink.get());
                   }),
                   context);
  g_signal_connect(decode, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer data) {
                     Target(static_cast<BinContext*>(data), pad);
                   }),
                   context);
  return bin;
}

GstElement* NetworkCamera::HttpSource(const NetworkCameraEntry& e, QString* error) {
  GstElement *http = nullptr, *find = nullptr;
  if (!MakePair("souphttpsrc", &http, "typefind", &find, error)) return nullptr;
  // No retries of its own: a dropped camera is connected again by the capture window, with pauses. No
  // "do-timestamp" either: a picture arriving in several reads would get several times, and the decoder
  // would take each read for a picture of its own.
  g_object_set(http, "location", e.url.toUtf8().constData(), "timeout", guint(e.timeoutS), "retries", 0,
               "is-live", TRUE, nullptr);
  SetCredentials(http, e);

  BinContext* context = nullptr;
  GstElement* bin = NewBin(this, &context);
  gst_bin_add_many(GST_BIN(bin), http, find, nullptr);
  gst_element_link(http, find);
  g_signal_connect(
      find, "have-type", G_CALLBACK(+[](GstElement* typefind, guint, GstCaps* caps, gpointer data) {
        auto* c = static_cast<BinContext*>(data);
        const QString type = QString::fromUtf8(gst_structure_get_name(gst_caps_get_structure(caps, 0)));
        PadPtr out(gst_element_get_static_pad(typefind, "src"));
        ElementPtr bin(GST_ELEMENT(gst_element_get_parent(typefind)));
        if (type == QLatin1String("image/jpeg")) {
          c->camera->SetHttpAnswer(HttpAnswer::Picture);
          Target(c, out.get());
        } else if (type == QLatin1String("multipart/x-mixed-replace")) {
          c->camera->SetHttpAnswer(HttpAnswer::Stream);
          // One stream of pictures: its pad comes with the first part instead of after a wait for more.
          GstElement* demux = gst_element_factory_make("multipartdemux", nullptr);
          g_object_set(demux, "single-stream", TRUE, nullptr);
          g_signal_connect(demux, "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer data) {
                             Target(static_cast<BinContext*>(data), pad);
                           }),
                           c);
          gst_bin_add(GST_BIN(bin.get()), demux);
          gst_element_sync_state_with_parent(demux);
          PadPtr in(gst_element_get_static_pad(demux, "sink"));
          gst_pad_link(out.get(), in.get());
        } else {
          PostError(bin.get(), QStringLiteral("the camera sends %1, not JPEG pictures").arg(type));
        }
      }),
      context);
  return bin;
}

}  // namespace korvex
