#include "NetCameraServers.h"

#include <gst/rtsp-server/rtsp-server.h>

#include <QBuffer>
#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QMutex>
#include <QPainter>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <stdexcept>
#include <thread>

namespace quorvin::test {

const QColor kNetBars[7] = {QColor(255, 255, 255), QColor(255, 255, 0), QColor(0, 255, 255),
                            QColor(0, 255, 0),     QColor(255, 0, 255), QColor(255, 0, 0),
                            QColor(0, 0, 255)};

namespace {

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor Mean(const QImage& image, int cx, int cy) {
  long r = 0, g = 0, b = 0, n = 0;
  for (int y = cy - 3; y <= cy + 3; ++y)
    for (int x = cx - 3; x <= cx + 3; ++x) {
      if (!image.valid(x, y)) continue;
      const QRgb p = image.pixel(x, y);
      r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
    }
  return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

const QColor kMarks[6] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta, Qt::cyan};

QString Url(const char* scheme, int port, const QString& path, const QString& userinfo) {
  const QString user = userinfo.isEmpty() ? QString() : userinfo + QLatin1Char('@');
  return QLatin1String(scheme) + QStringLiteral("://") + user + QStringLiteral("127.0.0.1:") +
         QString::number(port) + path;
}

}  // namespace

bool ShowsNetBars(const QImage& image, QString* why) {
  if (image.isNull()) {
    if (why) *why = QStringLiteral("no picture");
    return false;
  }
  for (int bar = 0; bar < 7; ++bar) {
    const QColor seen = Mean(image, image.width() * (2 * bar + 1) / 14, image.height() / 4);
    if (!Near(seen, kNetBars[bar], 28)) {
      if (why) *why = QStringLiteral("bar %1 is %2").arg(bar).arg(seen.name());
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------------
// RTSP

struct RtspCameraServer::Loop {
  GMainContext* context = nullptr;
  GMainLoop* loop = nullptr;
  GstRTSPServer* server = nullptr;
  guint source = 0;
  std::thread thread;
};

RtspCameraServer::RtspCameraServer(int port, const QString& user, const QString& password)
    : port_(port), user_(user), password_(password) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  Start();
}

RtspCameraServer::~RtspCameraServer() {
  Stop();
  for (GstElement* valve : valves_) gst_object_unref(valve);
}

QString RtspCameraServer::Url(const QString& path, const QString& userinfo) const {
  return quorvin::test::Url("rtsp", port_, path, userinfo);
}

void RtspCameraServer::Start() {
  if (loop_) return;
  loop_ = std::make_unique<Loop>();
  Loop& l = *loop_;
  l.context = g_main_context_new();
  l.loop = g_main_loop_new(l.context, FALSE);
  l.server = gst_rtsp_server_new();
  gst_rtsp_server_set_address(l.server, "127.0.0.1");
  gst_rtsp_server_set_service(l.server, QByteArray::number(port_).constData());
  GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(l.server);
  const char* const bars =
      "videotestsrc is-live=true pattern=smpte ! video/x-raw,format=I420,width=320,height=240,framerate=10/1"
      " ! valve name=hold";
  const std::pair<const char*, QByteArray> media[] = {
      {"/jpeg", QByteArray("( ") + bars + " ! jpegenc quality=90 ! rtpjpegpay name=pay0 pt=26 )"},
      {"/h264", QByteArray("( ") + bars +
                    " ! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=10 bitrate=2000"
                    " ! rtph264pay name=pay0 pt=96 config-interval=-1 )"}};
  if (!user_.isEmpty()) {
    GstRTSPAuth* auth = gst_rtsp_auth_new();
    GstRTSPToken* token =
        gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING, "user", nullptr);
    gchar* basic = gst_rtsp_auth_make_basic(user_.toUtf8().constData(), password_.toUtf8().constData());
    gst_rtsp_auth_add_basic(auth, basic, token);
    g_free(basic);
    gst_rtsp_token_unref(token);
    gst_rtsp_server_set_auth(l.server, auth);
    g_object_unref(auth);
  }
  for (const auto& [path, launch] : media) {
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, launch.constData());
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    g_signal_connect(factory, "media-configure",
                     G_CALLBACK(+[](GstRTSPMediaFactory*, GstRTSPMedia* media, gpointer data) {
                       auto* self = static_cast<RtspCameraServer*>(data);
                       GstElement* bin = gst_rtsp_media_get_element(media);
                       GstElement* valve = gst_bin_get_by_name(GST_BIN(bin), "hold");
                       gst_object_unref(bin);
                       std::lock_guard lock(self->valvesMutex_);
                       g_object_set(valve, "drop", gboolean(self->held_), nullptr);
                       self->valves_.push_back(valve);
                     }),
                     this);
    if (!user_.isEmpty())
      gst_rtsp_media_factory_add_role(factory, "user", GST_RTSP_PERM_MEDIA_FACTORY_ACCESS, G_TYPE_BOOLEAN,
                                      TRUE, GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT, G_TYPE_BOOLEAN, TRUE,
                                      nullptr);
    gst_rtsp_mount_points_add_factory(mounts, path, factory);
  }
  g_object_unref(mounts);
  l.source = gst_rtsp_server_attach(l.server, l.context);
  if (l.source == 0) throw std::runtime_error("the RTSP server cannot listen");
  port_ = gst_rtsp_server_get_bound_port(l.server);
  l.thread = std::thread([loop = l.loop] { g_main_loop_run(loop); });
}

void RtspCameraServer::Hold(bool hold) {
  std::lock_guard lock(valvesMutex_);
  held_ = hold;
  for (GstElement* valve : valves_) g_object_set(valve, "drop", gboolean(hold), nullptr);
}

void RtspCameraServer::Stop() {
  if (!loop_) return;
  Loop& l = *loop_;
  // Inside the server's own loop: drop every client (its connection closes) and the listening socket.
  g_main_context_invoke(
      l.context,
      [](gpointer data) -> gboolean {
        auto* self = static_cast<Loop*>(data);
        gst_rtsp_server_client_filter(
            self->server,
            [](GstRTSPServer*, GstRTSPClient* client, gpointer) {
              gst_rtsp_client_close(client);
              return GST_RTSP_FILTER_REMOVE;
            },
            nullptr);
        if (GSource* source = g_main_context_find_source_by_id(self->context, self->source))
          g_source_destroy(source);
        g_main_loop_quit(self->loop);
        return G_SOURCE_REMOVE;
      },
      &l);
  l.thread.join();
  g_object_unref(l.server);
  g_main_loop_unref(l.loop);
  g_main_context_unref(l.context);
  loop_.reset();
}

// ---------------------------------------------------------------------------------------------------------
// HTTP

class HttpCameraServer::Worker : public QObject {
 public:
  explicit Worker(HttpCameraServer& owner) : owner_(owner) {}

  bool Listen() {
    server_ = new QTcpServer(this);
    if (!server_->listen(QHostAddress::LocalHost, static_cast<quint16>(owner_.port_))) return false;
    owner_.port_ = server_->serverPort();
    connect(server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
    if (!ticker_) {
      ticker_ = new QTimer(this);
      connect(ticker_, &QTimer::timeout, this, [this] {
        if (!hold_) SendFrame();
      });
      ticker_->start(100);
    }
    return true;
  }

  void Close() {
    streams_.clear();
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) socket->abort();
    delete server_;
    server_ = nullptr;
  }

  void SendFrame() {
    const QByteArray jpeg = Picture(++owner_.sent_);
    const QByteArray part =
        "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(jpeg.size()) +
        "\r\n\r\n" + jpeg + "\r\n";
    for (const QPointer<QTcpSocket>& socket : std::as_const(streams_))
      if (socket) socket->write(part);
  }

  int Requests(const QString& path) const {
    QMutexLocker lock(&mutex_);
    return requests_.value(path);
  }

  bool hold_ = false;

 private:
  static QByteArray Picture(int number) {
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int bar = 0; bar < 7; ++bar)
      painter.fillRect(QRect(320 * bar / 7, 0, 320 * (bar + 1) / 7 - 320 * bar / 7, 160), kNetBars[bar]);
    painter.fillRect(QRect(0, 160, 320, 80), kMarks[number % 6]);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
  }

  void Read(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    const QList<QByteArray> lines = request.split('\n');
    const QString path = QString::fromLatin1(lines.value(0).split(' ').value(1));
    bool authorised = owner_.user_.isEmpty();
    const QByteArray expected =
        "Basic " + (owner_.user_ + QLatin1Char(':') + owner_.password_).toUtf8().toBase64();
    for (const QByteArray& line : lines)
      if (line.trimmed().toLower().startsWith("authorization:") &&
          line.mid(line.indexOf(':') + 1).trimmed() == expected)
        authorised = true;
    pending_.remove(socket);
    if (!authorised) {
      socket->write(
          "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"camera\"\r\nContent-Length: "
          "0\r\n\r\n");
      return;
    }
    {
      QMutexLocker lock(&mutex_);
      ++requests_[path];
    }
    if (path == QLatin1String("/snapshot.jpg")) {
      const QByteArray jpeg = Picture(++owner_.sent_);
      socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nConnection: close\r\nContent-Length: " +
                    QByteArray::number(jpeg.size()) + "\r\n\r\n" + jpeg);
      socket->disconnectFromHost();
    } else if (path == QLatin1String("/stream.mjpg")) {
      socket->write(
          "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n"
          "Cache-Control: no-cache\r\nConnection: close\r\n\r\n");
      streams_ << socket;
    } else {
      socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      socket->disconnectFromHost();
    }
  }

  HttpCameraServer& owner_;
  QTcpServer* server_ = nullptr;
  QTimer* ticker_ = nullptr;
  QList<QPointer<QTcpSocket>> streams_;
  QHash<QTcpSocket*, QByteArray> pending_;
  mutable QMutex mutex_;
  QHash<QString, int> requests_;
};

HttpCameraServer::HttpCameraServer(int port, const QString& user, const QString& password)
    : port_(port), user_(user), password_(password) {
  thread_ = new QThread;
  worker_ = new Worker(*this);
  worker_->moveToThread(thread_);
  thread_->start();
  Start();
}

HttpCameraServer::~HttpCameraServer() {
  Stop();
  QMetaObject::invokeMethod(worker_, &QObject::deleteLater);
  thread_->quit();
  thread_->wait();
  delete thread_;
}

QString HttpCameraServer::Url(const QString& path, const QString& userinfo) const {
  return quorvin::test::Url("http", port_, path, userinfo);
}

void HttpCameraServer::Start() {
  bool listening = false;
  QMetaObject::invokeMethod(
      worker_, [&] { listening = worker_->Listen(); }, Qt::BlockingQueuedConnection);
  if (!listening) throw std::runtime_error("the HTTP server cannot listen");
}

void HttpCameraServer::Stop() {
  QMetaObject::invokeMethod(
      worker_, [this] { worker_->Close(); }, Qt::BlockingQueuedConnection);
}

int HttpCameraServer::Requests(const QString& path) const {
  return worker_->Requests(path);
}

void HttpCameraServer::Hold(bool hold) {
  QMetaObject::invokeMethod(
      worker_, [this, hold] { worker_->hold_ = hold; }, Qt::BlockingQueuedConnection);
}

void HttpCameraServer::SendOneIn(int ms) {
  QMetaObject::invokeMethod(
      worker_, [this, ms] { QTimer::singleShot(ms, worker_, [this] { worker_->SendFrame(); }); },
      Qt::BlockingQueuedConnection);
}

int HttpCameraServer::FrameMark(const QImage& image) {
  if (image.isNull()) return -1;
  const QColor seen = Mean(image, image.width() / 2, image.height() * 5 / 6);
  for (int i = 0; i < 6; ++i)
    if (Near(seen, kMarks[i], 40)) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------------------

SilentServer::SilentServer() : server_(std::make_unique<QTcpServer>()) {
  // Connections complete in the kernel's backlog and are never read or answered.
  server_->setMaxPendingConnections(1000);
  if (!server_->listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("cannot listen");
}

SilentServer::~SilentServer() = default;

int SilentServer::Port() const {
  return server_->serverPort();
}

}  // namespace quorvin::test
