#include "WebServer.h"

#include "ConnectionGate.h"
#include "DailyTimelapse.h"
#include "Naming.h"
#include "SettingIndexes.h"
#include "WebFiles.h"
#include "WebPages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QUrlQuery>

#include <utility>

// Every request, for QT_LOGGING_RULES="quorvin.web.debug=true"; silent by default.
Q_LOGGING_CATEGORY(lcWeb, "quorvin.web", QtWarningMsg)

namespace quorvin {

namespace {

const QByteArray kBoundary = QByteArrayLiteral("quorvinframe");

struct LiveRoute {
  const char* path;
  int output;
  int sw;
};
// The three live outputs at fixed addresses, whatever their file names are.
const LiveRoute kLiveRoutes[] = {
    {"/live.jpg", Output::LiveImage, Switch::LiveImage},
    {"/live_50.jpg", Output::HalfImage, Switch::HalfImage},
    {"/live_.jpg", Output::LiveThumbnail, Switch::LiveThumbnail},
};

QJsonValue Age(const QDateTime& then, const QDateTime& now) {
  if (!then.isValid()) return QJsonValue::Null;
  return std::max<qint64>(0, then.secsTo(now));
}

// The longest part of a film one ranged request gets; a player asks again for the rest.
constexpr qint64 kLongestRange = qint64(8) << 20;

// "bytes=FIRST-LAST", "bytes=FIRST-" or "bytes=-SUFFIX" of a file of `size` bytes; false for anything
// else (several ranges, other units), which is answered with the whole file.
bool ParseRange(const QByteArray& header, qint64 size, qint64& first, qint64& last) {
  const QByteArray unit = QByteArrayLiteral("bytes=");
  if (!header.startsWith(unit) || header.contains(',')) return false;
  const QList<QByteArray> ends = header.mid(unit.size()).trimmed().split('-');
  if (ends.size() != 2 || (ends[0].isEmpty() && ends[1].isEmpty())) return false;
  bool ok0 = true, ok1 = true;
  if (ends[0].isEmpty()) {
    first = std::max<qint64>(0, size - ends[1].toLongLong(&ok1));
    last = size - 1;
  } else {
    first = ends[0].toLongLong(&ok0);
    last = ends[1].isEmpty() ? size - 1 : std::min(size - 1, ends[1].toLongLong(&ok1));
  }
  return ok0 && ok1 && first >= 0;
}

QJsonValue TimeText(const QDateTime& t) {
  if (!t.isValid()) return QJsonValue::Null;
  return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

}  // namespace

struct WebServer::Reply {
  int status = 200;
  QByteArray type;
  QByteArray body;
  std::vector<std::pair<QByteArray, QByteArray>> headers;
  QString file;         // a film: sent from the open file in pieces, not read whole
  bool stream = false;  // the request became a stream; nothing more to send

  static Reply Message(int status, const QString& text) {
    return {status, "text/html; charset=utf-8", MessagePage(status, text), {}, {}, false};
  }
};

WebServer::WebServer(RecorderView view, QList<QByteArray> credentials, WebLimits limits, QObject* parent)
    : QAbstractHttpServer(parent),
      view_(std::move(view)),
      credentials_(std::move(credentials)),
      limits_(limits) {}

WebServer::~WebServer() = default;

bool WebServer::Listen(const ListenAddress& address, QString* error) {
  auto* gate = new ConnectionGate(limits_.connections, limits_.requestBytes, limits_.idleMs, this);
  if (!gate->listen(address.address, address.port)) {
    if (error) *error = gate->errorString();
    delete gate;
    return false;
  }
  bind(gate);
  gate_ = gate;
  return true;
}

quint16 WebServer::Port() const {
  return gate_ ? gate_->serverPort() : 0;
}

QJsonObject WebServer::Status() const {
  const CaptureHealth& h = view_.health;
  const QDateTime now = view_.clock.Now();
  const SchedulerView s = view_.scheduler ? view_.scheduler() : SchedulerView{};
  const auto text = [](const QString& t) { return t.isEmpty() ? QJsonValue::Null : QJsonValue(t); };
  return {{QStringLiteral("stale"), h.Stale()},
          {QStringLiteral("lastLive"), TimeText(h.Live().lastSuccess)},
          {QStringLiteral("liveAgeSeconds"), Age(h.Live().lastSuccess, now)},
          {QStringLiteral("lastHistory"), TimeText(h.History().lastSuccess)},
          {QStringLiteral("historyAgeSeconds"), Age(h.History().lastSuccess, now)},
          {QStringLiteral("nextLive"), text(s.nextLive)},
          {QStringLiteral("nextHistory"), text(s.nextHistory)},
          {QStringLiteral("state"), text(s.state)},
          {QStringLiteral("lastError"), text(h.LastError())},
          {QStringLiteral("health"), h.ToJson()}};
}

int WebServer::ShownOutput() const {
  for (const LiveRoute& r : kLiveRoutes)
    if (view_.settings.ch1[r.sw] == 1) return r.output;
  return -1;
}

WebServer::Reply WebServer::LiveFile(int output) const {
  const QString path = LiveOutputPath(view_.settings, output);
  const QFileInfo info(path);
  const FoundFile found = FindInside(info.path(), info.fileName());
  if (found.status != 200) return Reply::Message(found.status, found.why);
  Reply reply;
  if (!ReadWhole(found.path, reply.body)) return Reply::Message(404, QStringLiteral("no live image yet"));
  reply.type = "image/jpeg";
  return reply;
}

WebServer::Reply WebServer::History(const QString& relative, const QString& hour) const {
  const Settings& s = view_.settings;
  const QString root = s.histPath.isEmpty() ? s.NetworkPath : s.histPath;
  const FoundFile found = FindInside(root, relative);
  if (found.status != 200) return Reply::Message(found.status, found.why);
  if (found.folder) {
    if (!relative.isEmpty() && !relative.endsWith(QLatin1Char('/'))) {
      Reply moved = Reply::Message(301, QStringLiteral("see the folder"));
      moved.headers.emplace_back("Location",
                                 QUrl::toPercentEncoding(QFileInfo(relative).fileName(), "/") + '/');
      return moved;
    }
    const FolderListing listing =
        ListFolder(found.path, s.HiFileFoot[0] + s.HiFileFoot[1] + QStringLiteral(".jpg"),
                   s.HiFileFoot[0] + QStringLiteral(".jpg"));
    return {200,
            "text/html; charset=utf-8",
            HistoryPage(QStringLiteral("/history/") + relative, listing, hour),
            {},
            {},
            false};
  }
  Reply reply;
  reply.type = ServedType(found.path);
  if (reply.type.isEmpty()) return Reply::Message(404, QStringLiteral("only pictures and films are served"));
  if (reply.type == "video/webm") {
    reply.file = found.path;
    return reply;
  }
  if (!ReadWhole(found.path, reply.body)) return Reply::Message(404, QStringLiteral("cannot read the file"));
  return reply;
}

WebServer::Reply WebServer::Films(const QString& rest) const {
  const Settings& s = view_.settings;
  if (rest.isEmpty()) {
    QList<QDate> days;
    const QDir folder(QFileInfo(FilmPath(s, QDate(2000, 1, 1))).path());
    for (const QString& name :
         folder.entryList({QStringLiteral("*.webm")}, QDir::Files, QDir::Name | QDir::Reversed))
      if (const QDate d = QDate::fromString(name.chopped(5), QStringLiteral("yyyyMMdd")); d.isValid())
        days << d;
    return {200, "text/html; charset=utf-8", FilmsPage(days), {}, {}, false};
  }
  const bool file = rest.endsWith(QLatin1String(".webm"));
  const QString dayText = file ? rest.chopped(5) : rest;
  QDate day = QDate::fromString(dayText, QStringLiteral("yyyyMMdd"));
  if (!day.isValid()) day = QDate::fromString(dayText, Qt::ISODate);
  if (!day.isValid()) return Reply::Message(404, QStringLiteral("a film is named by its day: YYYYMMDD"));
  const QString film = FilmPath(s, day);
  const QString root = s.histPath.isEmpty() ? s.NetworkPath : s.histPath;
  const FoundFile found =
      FindInside(root, QDir(QFileInfo(root.isEmpty() ? QStringLiteral(".") : root).absoluteFilePath())
                           .relativeFilePath(QFileInfo(film).absoluteFilePath()));
  if (found.status != 200 || found.folder)
    return Reply::Message(found.status == 200 ? 404 : found.status,
                          QStringLiteral("no film of %1").arg(day.toString(Qt::ISODate)));
  if (!file) return {200, "text/html; charset=utf-8", FilmPage(day), {}, {}, false};
  Reply reply;
  reply.type = "video/webm";
  reply.file = found.path;
  return reply;
}

WebServer::Reply WebServer::Route(const QHttpServerRequest& request, QTcpSocket* socket) {
  const auto method = request.method();
  if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
    Reply r = Reply::Message(405, QStringLiteral("the web view is read-only: GET and HEAD only"));
    r.headers.emplace_back("Allow", "GET, HEAD");
    return r;
  }
  if (request.url().toEncoded().size() > limits_.urlBytes)
    return Reply::Message(414, QStringLiteral("the address is too long"));
  if (!request.body().isEmpty() || request.value("Content-Length").toLongLong() > 0)
    return Reply::Message(413, QStringLiteral("the web view takes no request body"));
  if (!credentials_.isEmpty() && !Authorised(request.value("Authorization"), credentials_)) {
    Reply r = Reply::Message(401, QStringLiteral("a user name and password are needed"));
    r.headers.emplace_back("WWW-Authenticate", "Basic realm=\"Quorvin\", charset=\"UTF-8\"");
    return r;
  }
  QString path = request.url().path(QUrl::FullyDecoded);
  if (path.isEmpty()) path = QStringLiteral("/");
  if (path == QLatin1String("/")) {
    const int output = ShownOutput();
    QString image;
    for (const LiveRoute& r : kLiveRoutes)
      if (r.output == output) image = QLatin1String(r.path);
    Reply r{200, "text/html; charset=utf-8", StatusPage(image, Status()), {}, {}, false};
    return r;
  }
  for (const LiveRoute& r : kLiveRoutes)
    if (path == QLatin1String(r.path)) {
      if (view_.settings.ch1[r.sw] != 1)
        return Reply::Message(404, QStringLiteral("this live output is off"));
      return LiveFile(r.output);
    }
  if (path == QLatin1String("/stream.mjpg")) {
    if (StartStream(request, socket)) return {200, {}, {}, {}, {}, true};
    return Reply::Message(503, QStringLiteral("too many stream clients: try again later"));
  }
  if (path == QLatin1String("/health")) {
    const QJsonObject status = Status();
    return {status.value(QLatin1String("stale")).toBool() ? 503 : 200,
            "application/json",
            QJsonDocument(status).toJson(QJsonDocument::Indented),
            {},
            {},
            false};
  }
  for (const char* prefix : {"/history", "/timelapse"}) {
    if (path == QLatin1String(prefix)) {
      Reply moved = Reply::Message(301, QStringLiteral("see the folder"));
      moved.headers.emplace_back("Location", QByteArray(prefix) + '/');
      return moved;
    }
  }
  if (path.startsWith(QLatin1String("/history/")))
    return History(path.mid(9), QUrlQuery(request.url()).queryItemValue(QStringLiteral("hour")));
  if (path.startsWith(QLatin1String("/timelapse/"))) {
    const QString rest = path.mid(11);
    if (rest.contains(QLatin1Char('/')) || rest.contains(QLatin1String("..")))
      return Reply::Message(403, QStringLiteral("a film is named by its day only"));
    return Films(rest);
  }
  return Reply::Message(404, QStringLiteral("no such page"));
}

bool WebServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  if (gate_) gate_->Answered(socket);
  if (socket->property("quorvinStreaming").toBool()) return true;
  Reply reply = Route(request, socket);
  if (!reply.stream) Send(request, socket, std::move(reply));
  return true;
}

void WebServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  Send(request, socket, Reply::Message(404, QStringLiteral("no such page")));
}

void WebServer::Send(const QHttpServerRequest& request, QTcpSocket* socket, Reply reply) {
  const bool head = request.method() == QHttpServerRequest::Method::Head;
  QHttpServerResponder responder = makeResponder(request, socket);
  qint64 first = 0, last = 0;
  const qint64 size = reply.file.isEmpty() ? 0 : QFileInfo(reply.file).size();
  if (!reply.file.isEmpty() && ParseRange(request.value("Range"), size, first, last)) {
    // Players seek with ranges, and some play a film only so.
    QFile film(reply.file);
    const QString path = std::exchange(reply.file, {});
    if (first >= size || first > last) {
      reply = Reply::Message(416, QStringLiteral("the range lies beyond the film's end"));
      reply.headers.emplace_back("Content-Range", "bytes */" + QByteArray::number(size));
    } else if (film.open(QIODevice::ReadOnly) && film.seek(first)) {
      last = std::min(last, first + kLongestRange - 1);
      reply.status = 206;
      reply.body = film.read(last - first + 1);
      reply.headers.emplace_back("Content-Range", "bytes " + QByteArray::number(first) + '-' +
                                                      QByteArray::number(first + reply.body.size() - 1) +
                                                      '/' + QByteArray::number(size));
    } else {
      reply = Reply::Message(404, QStringLiteral("cannot read the film"));
    }
  }
  const auto status = static_cast<QHttpServerResponder::StatusCode>(reply.status);
  if (!reply.file.isEmpty()) {
    auto* film = new QFile(reply.file);
    if (!film->open(QIODevice::ReadOnly)) {
      delete film;
      reply = Reply::Message(404, QStringLiteral("cannot read the film"));
    } else if (!head) {
      // In pieces from the open file: a film may be larger than is worth holding in memory.
      responder.write(
          film, {{"Content-Type", "video/webm"}, {"Accept-Ranges", "bytes"}, {"Cache-Control", "no-cache"}},
          status);
      return;
    } else {
      reply.headers.emplace_back("Content-Length", QByteArray::number(film->size()));
      reply.headers.emplace_back("Accept-Ranges", "bytes");
      delete film;
    }
  }
  responder.writeStatusLine(status);
  if (!reply.type.isEmpty()) responder.writeHeader("Content-Type", reply.type);
  if (reply.file.isEmpty()) responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
  responder.writeHeader("Cache-Control", "no-store");
  responder.writeHeader("X-Content-Type-Options", "nosniff");
  for (const auto& [name, value] : reply.headers) responder.writeHeader(name, value);
  responder.writeBody(head ? QByteArray() : reply.body);
  if (request.value("Connection").toLower() == "close") socket->disconnectFromHost();
  qCDebug(lcWeb) << reply.status << request.url().path();
}

bool WebServer::StartStream(const QHttpServerRequest& request, QTcpSocket* socket) {
  std::erase_if(streams_, [](const QPointer<QTcpSocket>& s) { return s.isNull(); });
  if (static_cast<int>(streams_.size()) >= limits_.streams) return false;
  QHttpServerResponder responder = makeResponder(request, socket);
  responder.writeStatusLine(QHttpServerResponder::StatusCode::Ok);
  responder.writeHeader("Content-Type", "multipart/x-mixed-replace; boundary=" + kBoundary);
  responder.writeHeader("Cache-Control", "no-store");
  responder.writeHeader("Connection", "close");
  responder.writeBody(QByteArray());
  if (gate_) gate_->Streaming(socket);
  streams_.emplace_back(socket);
  // The picture there is now first, so a client never waits a whole interval for its first frame.
  if (const QByteArray part = ShownStreamPart(); !part.isEmpty()) socket->write(part);
  return true;
}

QByteArray WebServer::ShownStreamPart() const {
  const int output = ShownOutput();
  if (output < 0) return {};
  const QString path = LiveOutputPath(view_.settings, output);
  const QFileInfo info(path);
  QByteArray frame;
  if (FindInside(info.path(), info.fileName()).status != 200 || !ReadWhole(path, frame)) return {};
  return "--" + kBoundary +
         "\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(frame.size()) + "\r\n\r\n" +
         frame + "\r\n";
}

void WebServer::LiveCaptured() {
  std::erase_if(streams_, [](const QPointer<QTcpSocket>& s) {
    return s.isNull() || s->state() != QAbstractSocket::ConnectedState;
  });
  if (streams_.empty()) return;
  // Read once, sent to every client.
  const QByteArray part = ShownStreamPart();
  if (part.isEmpty()) return;
  for (const QPointer<QTcpSocket>& s : streams_)
    if (s->bytesToWrite() < limits_.streamBacklog) s->write(part);
}

}  // namespace quorvin
