// The web view of the built program, run as a process on a free loopback port: every route against the
// test device, the stream, traversal attempts and bounds, the password and the health going to 503 when
// live captures stop; and the daily film the recorder makes after midnight under a stepped wall clock.
#include "FilmProbe.h"
#include "RecorderRun.h"

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace quorvin::test {
namespace {

struct Response {
  int status = 0;  // 0: no answer
  QByteArray head, body;
  QByteArray Header(const QByteArray& name) const {
    const QRegularExpression line(QStringLiteral("\\r\\n%1: ([^\\r]*)").arg(QLatin1String(name)),
                                  QRegularExpression::CaseInsensitiveOption);
    return line.match(QString::fromLatin1(head)).captured(1).toLatin1();
  }
  QJsonObject Json() const { return QJsonDocument::fromJson(body).object(); }
};

// Reads one response: the head, then as many bytes as it says, or up to the end of the connection.
Response ReadResponse(QTcpSocket& s, const QByteArray& sent) {
  QByteArray raw;
  Response r;
  for (;;) {
    const qsizetype end = raw.indexOf("\r\n\r\n");
    if (end >= 0) {
      r.head = raw.left(end);
      r.body = raw.mid(end + 4);
      r.status = r.head.mid(9, 3).toInt();
      const QByteArray length = r.Header("Content-Length");
      // A stream never ends: its head is the answer.
      if (sent.startsWith("HEAD") || r.Header("Content-Type").startsWith("multipart/") ||
          (!length.isEmpty() && r.body.size() >= length.toLongLong()))
        return r;
    }
    if (!s.waitForReadyRead(10000)) break;
    raw += s.readAll();
  }
  return r;
}

// One request written exactly as given, on a connection of its own: no client tidies the path.
Response Fetch(quint16 port, const QByteArray& target, const QByteArray& headers = {},
               const QByteArray& method = "GET", const QByteArray& body = {}) {
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, port);
  if (!s.waitForConnected(5000)) return {};
  const QByteArray request =
      method + ' ' + target + " HTTP/1.1\r\nHost: localhost\r\n" + headers + "\r\n" + body;
  s.write(request);
  return ReadResponse(s, request);
}

QImage Picture(const QByteArray& jpeg) {
  return jpeg.endsWith("\xff\xd9") ? QImage::fromData(jpeg, "JPEG") : QImage();
}

// The recorder with the shipped example settings (live every 2 s, history every 5 s) and the web view on a
// free port, which it names on standard error.
class WebRecorder {
 public:
  explicit WebRecorder(const QStringList& arguments, const QProcessEnvironment& extra = {}) {
    EXPECT_TRUE(QFile::copy(QUORVIN_EXAMPLE_SETTINGS, run.SettingsFile()));
    QFile::setPermissions(run.SettingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::copy(QUORVIN_TIMELAPSE_PROGRAM, run.File("bin/quorvin18-timelapse"));
    QProcessEnvironment env = run.Environment();
    env.insert(extra);
    run.Start(process, arguments, env, run.File("work"));
    const QRegularExpression at(QStringLiteral("the web view is at http://127\\.0\\.0\\.1:(\\d+)/"));
    (void)QTest::qWaitFor(
        [&] {
          err += QString::fromLocal8Bit(process.readAllStandardError());
          port = static_cast<quint16>(at.match(err).captured(1).toUInt());
          return port != 0 || process.state() == QProcess::NotRunning;
        },
        30000);
  }
  ~WebRecorder() {
    process.terminate();
    if (!process.waitForFinished(10000)) process.kill();
    process.waitForFinished(5000);
  }
  QString Work(const QString& name) const { return run.File("work/" + name); }
  QStringList History(const QString& filter = ".jpg") const {
    return FilesBelow(Work("history")).filter(QRegularExpression(filter));
  }

  RecorderRun run;
  QProcess process;
  QString err;
  quint16 port = 0;
};

TEST(WebView, ServesTheRecorderFromTheTestDeviceAndRefusesWhatItMust) {
  WebRecorder r({"--http", "0"});
  ASSERT_NE(r.port, 0) << r.err.toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return r.History("/cam\\d{6}\\.jpg$").size() >= 1; }, 30000));

  // The live outputs, always whole, at fixed addresses and in their three sizes, while captures replace
  // them every 2 s.
  int width[3] = {};
  for (int round = 0; round < 10; ++round) {
    int i = 0;
    for (const char* route : {"/live.jpg", "/live_50.jpg", "/live_.jpg"}) {
      const Response live = Fetch(r.port, route);
      ASSERT_EQ(live.status, 200) << route;
      EXPECT_EQ(live.Header("Content-Type"), "image/jpeg");
      const QImage picture = Picture(live.body);
      ASSERT_FALSE(picture.isNull()) << route << " round " << round;
      width[i++] = picture.width();
    }
  }
  EXPECT_EQ(width[1], width[0] / 2);
  EXPECT_LT(width[2], width[1]);

  const Response page = Fetch(r.port, "/");
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.Header("Content-Type"), "text/html; charset=utf-8");
  for (const char* part : {"id=\"live\" class=\"live\" alt=\"latest live image\" src=\"/live.jpg\"",
                           "<td id=\"state\">ACTIVE</td>", "name=\"viewport\"", "fetch('/health'"})
    EXPECT_TRUE(page.body.contains(part)) << part << "\n" << page.body.constData();

  const Response health = Fetch(r.port, "/health");
  EXPECT_EQ(health.status, 200);
  const QJsonObject h = health.Json();
  EXPECT_FALSE(h["stale"].toBool());
  EXPECT_LE(h["liveAgeSeconds"].toInt(-1), 4) << health.body.constData();
  EXPECT_GE(h["liveAgeSeconds"].toInt(-1), 0);
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(h["nextLive"].toString()).hasMatch());
  EXPECT_EQ(h["state"].toString(), "ACTIVE");
  EXPECT_GE(h["health"].toObject()["live"].toObject()["captures"].toInt(), 1);

  // The stream: the picture there is at once, then each new capture.
  {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, r.port);
    ASSERT_TRUE(s.waitForConnected(5000));
    s.write("GET /stream.mjpg HTTP/1.1\r\nHost: localhost\r\n\r\n");
    QByteArray raw;
    const QRegularExpression part(
        "--quorvinframe\r\nContent-Type: image/jpeg\r\nContent-Length: (\\d+)\r\n\r\n");
    std::vector<QByteArray> frames;
    (void)QTest::qWaitFor(
        [&] {
          if (s.waitForReadyRead(100)) raw += s.readAll();
          frames.clear();
          auto matches = part.globalMatch(QString::fromLatin1(raw));
          while (matches.hasNext()) {
            const auto m = matches.next();
            const QByteArray frame = raw.mid(m.capturedEnd(), m.captured(1).toInt());
            if (frame.size() == m.captured(1).toInt()) frames.push_back(frame);
          }
          return frames.size() >= 3;
        },
        20000);
    EXPECT_TRUE(raw.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(raw.contains("Content-Type: multipart/x-mixed-replace; boundary=quorvinframe\r\n"));
    ASSERT_GE(frames.size(), 3u);
    for (const QByteArray& frame : frames) EXPECT_FALSE(Picture(frame).isNull());
    EXPECT_NE(frames[1], frames[2]);  // two successive captures, not one picture twice
  }

  // The history by day, its thumbnails opening the full pictures.
  const QString dayPath = QFileInfo(r.History("/cam\\d{6}\\.jpg$").first()).path();
  const QString day = QFileInfo(dayPath).fileName();
  const Response days = Fetch(r.port, "/history/");
  EXPECT_EQ(days.status, 200);
  EXPECT_TRUE(days.body.contains(QStringLiteral("<a href=\"%1/\">%1</a>").arg(day).toUtf8()));
  EXPECT_EQ(Fetch(r.port, "/history/" + day.toUtf8()).Header("Location"), day.toUtf8() + "/");
  const Response dayPage = Fetch(r.port, "/history/" + day.toUtf8() + "/");
  const auto link =
      QRegularExpression(
          "<a href=\"(cam\\d{6}\\.jpg)\" title=\"[^\"]*\"><img loading=\"lazy\" src=\"(cam\\d{6}_\\.jpg)\"")
          .match(QString::fromUtf8(dayPage.body));
  ASSERT_TRUE(link.hasMatch()) << dayPage.body.constData();
  EXPECT_TRUE(dayPage.body.contains("<h3>"));  // grouped by hour
  const Response full = Fetch(r.port, QStringLiteral("/history/%1/%2").arg(day, link.captured(1)).toUtf8());
  EXPECT_EQ(full.status, 200);
  EXPECT_EQ(full.body, ReadAll(dayPath + "/" + link.captured(1)));

  // Nothing outside the live and history folders, however it is asked for; every refusal a status.
  ASSERT_TRUE(QFile::link(r.run.File("bin"), r.Work("history/out")));
  // A live picture linked to a file elsewhere: the recorder writes through the link, the view refuses it.
  WriteAll(r.run.File("elsewhere.jpg"), ReadAll(r.Work("live/tovra_.jpg")));
  ASSERT_TRUE(QFile::link(r.run.File("elsewhere.jpg"), r.Work("live/link")));
  ASSERT_EQ(std::rename(r.Work("live/link").toLocal8Bit(), r.Work("live/tovra_.jpg").toLocal8Bit()), 0);
  WriteAll(dayPath + "/notes.txt", "not a picture");
  const struct {
    QByteArray target;
    int status;
  } refused[] = {
      {"/history/../bin/quorvin18.ini", 403},
      {"/history/%2e%2e/bin/quorvin18.ini", 403},
      {"/history/%2E%2E%2Fbin%2Fquorvin18.ini", 403},
      {"/history/..%2f..%2f..%2fetc%2fpasswd", 403},
      {"/history/out/quorvin18.ini", 403},
      {"/history/out/", 403},
      {"/history/" + day.toUtf8() + "/notes.txt", 404},
      {"/history/.hidden", 404},
      {"/history/a%00b", 400},
      {"/timelapse/..%2f..%2fbin%2fquorvin18.ini", 403},
      {"/timelapse/20000101", 404},
      {"/bin/quorvin18.ini", 404},
      {"/live_.jpg", 403},
  };
  for (const auto& c : refused) {
    const Response o = Fetch(r.port, c.target);
    EXPECT_EQ(o.status, c.status) << c.target.constData() << "\n" << o.head.constData();
    EXPECT_FALSE(o.body.contains("NetworkPath")) << c.target.constData();
  }

  // Read-only, bounded requests, bounded connections.
  const Response post = Fetch(r.port, "/", "Content-Length: 0\r\n", "POST");
  EXPECT_EQ(post.status, 405);
  EXPECT_EQ(post.Header("Allow"), "GET, HEAD");
  EXPECT_EQ(Fetch(r.port, "/health", "Content-Length: 4\r\n", "GET", "abcd").status, 413);
  EXPECT_EQ(Fetch(r.port, "/", "X-Padding: " + QByteArray(20000, 'x') + "\r\n").status, 431);
  EXPECT_EQ(Fetch(r.port, "/" + QByteArray(3000, 'a')).status, 414);
  const Response head = Fetch(r.port, "/live.jpg", {}, "HEAD");
  EXPECT_EQ(head.status, 200);
  EXPECT_GT(head.Header("Content-Length").toInt(), 0);
  EXPECT_TRUE(head.body.isEmpty());
  std::vector<std::unique_ptr<QTcpSocket>> held;
  for (int i = 0; i < 32; ++i) {
    held.push_back(std::make_unique<QTcpSocket>());
    held.back()->connectToHost(QHostAddress::LocalHost, r.port);
    ASSERT_TRUE(held.back()->waitForConnected(5000));
  }
  // Once the recorder has taken all 32, the next one is turned away.
  Response crowded;
  EXPECT_TRUE(QTest::qWaitFor([&] { return (crowded = Fetch(r.port, "/health")).status == 503; }, 5000));
  EXPECT_TRUE(crowded.body.contains("too many connections"));
  held.clear();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Fetch(r.port, "/health").status == 200; }, 5000));
  for (int i = 0; i < 8; ++i) {
    held.push_back(std::make_unique<QTcpSocket>());
    held.back()->connectToHost(QHostAddress::LocalHost, r.port);
    ASSERT_TRUE(held.back()->waitForConnected(5000));
    held.back()->write("GET /stream.mjpg HTTP/1.1\r\nHost: localhost\r\n\r\n");
    ASSERT_TRUE(held.back()->waitForBytesWritten(5000));
  }
  Response ninth;
  EXPECT_TRUE(QTest::qWaitFor([&] { return (ninth = Fetch(r.port, "/stream.mjpg")).status == 503; }, 5000));
  EXPECT_TRUE(ninth.body.contains("too many stream clients"));
}

TEST(WebView, AsksForThePasswordAndTellsAMonitorWhenLiveCapturesStop) {
  QTemporaryDir dir;
  const QString passwords = dir.filePath("passwords");
  WriteAll(passwords, "# who may look\nwatcher:s3cret:with:colons\n");
  QFile::setPermissions(passwords, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
  QProcessEnvironment noCamera;
  noCamera.insert("KORVEX_NO_TEST_DEVICE", "1");
  {
    WebRecorder open({"--http", "0", "--http-passwords", passwords}, noCamera);
    ASSERT_EQ(open.process.state(), QProcess::NotRunning);  // it ended before it served
    EXPECT_EQ(open.process.exitCode(), 2);
    open.err += QString::fromLocal8Bit(open.process.readAllStandardError());
    EXPECT_TRUE(open.err.contains("may be read by others than its owner (chmod 600 it)"))
        << open.err.toStdString();
    EXPECT_FALSE(QFile::exists(open.Work("Qv_error.log")));
  }
  QFile::setPermissions(passwords, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  WebRecorder r({"--http", "0", "--http-passwords", passwords}, noCamera);
  ASSERT_NE(r.port, 0) << r.err.toStdString();
  const QByteArray good =
      "Authorization: Basic " + QByteArray("watcher:s3cret:with:colons").toBase64() + "\r\n";
  EXPECT_TRUE(QTest::qWaitFor([&] { return Fetch(r.port, "/health", good).status != 0; }, 20000));

  for (const QByteArray& wrong :
       {QByteArray(), "Authorization: Basic " + QByteArray("watcher:s3cret").toBase64() + "\r\n",
        QByteArray("Authorization: Bearer x\r\n")}) {
    const Response o = Fetch(r.port, "/live.jpg", wrong);
    EXPECT_EQ(o.status, 401) << wrong.constData();
    EXPECT_EQ(o.Header("WWW-Authenticate"), "Basic realm=\"Quorvin\", charset=\"UTF-8\"");
  }
  // Before three live intervals (6 s) have passed without a picture: well; after: 503.
  const Response first = Fetch(r.port, "/health", good);
  EXPECT_EQ(first.status, 200) << first.body.constData();
  EXPECT_FALSE(first.Json()["stale"].toBool());
  Response stale;
  EXPECT_TRUE(QTest::qWaitFor([&] { return (stale = Fetch(r.port, "/health", good)).status == 503; }, 30000));
  const QJsonObject h = stale.Json();
  EXPECT_TRUE(h["stale"].toBool());
  EXPECT_TRUE(h["liveAgeSeconds"].isNull());
  EXPECT_GE(h["health"].toObject()["live"].toObject()["failures"].toInt(), 3);
  EXPECT_FALSE(h["lastError"].toString().isEmpty());

  // A port in use stops a second recorder before it starts.
  QProcess second;
  r.run.Start(second, {"--http", QString::number(r.port)}, r.run.Environment(), r.run.File("other"));
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 2);
  EXPECT_TRUE(QString::fromLocal8Bit(second.readAllStandardError())
                  .contains(QStringLiteral("cannot serve the web view on 127.0.0.1:%1").arg(r.port)));
}

TEST(WebView, TheRecorderFilmsThePreviousDayAfterMidnightAndKeepsCapturing) {
  // The wall clock stepped by libfaketime to 25 s before midnight; Qt's timers keep real time.
  const QDate day(2031, 3, 14);
  QProcessEnvironment clock;
  clock.insert("TZ", "UTC0");
  clock.insert("LD_PRELOAD", QUORVIN_FAKETIME_LIBRARY);
  clock.insert("FAKETIME",
               QString::asprintf("%+lld", QDateTime(day, QTime(23, 59, 35), Qt::UTC).toSecsSinceEpoch() -
                                              QDateTime::currentSecsSinceEpoch()));
  clock.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
  WebRecorder r({"--timelapse-daily", "--http", "0"}, clock);
  ASSERT_NE(r.port, 0) << r.err.toStdString();
  const QString film = r.Work("history/timelapse/20310314.webm");
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(film); }, 90000)) << r.err.toStdString();
  // Captures went on while the film was made.
  EXPECT_TRUE(QTest::qWaitFor([&] { return r.History("/310315/cam\\d{6}\\.jpg$").size() >= 2; }, 30000));
  const QStringList before = r.History("/310314/cam\\d{6}\\.jpg$");
  ASSERT_GE(before.size(), 1);
  const Film probe = ProbeFilm(film);
  EXPECT_TRUE(probe.problem.isEmpty()) << probe.problem.toStdString();
  EXPECT_EQ(probe.centres.size(), static_cast<size_t>(before.size()));
  EXPECT_NEAR(probe.seconds, before.size() / 25.0, 0.001);
  EXPECT_EQ(probe.container, "WebM");

  const Response page = Fetch(r.port, "/timelapse/20310314");
  EXPECT_EQ(page.status, 200);
  EXPECT_TRUE(page.body.contains(
      "<video controls autoplay muted loop playsinline src=\"/timelapse/20310314.webm\">"));
  const Response served = Fetch(r.port, "/timelapse/20310314.webm");
  EXPECT_EQ(served.status, 200);
  EXPECT_EQ(served.Header("Content-Type"), "video/webm");
  EXPECT_EQ(served.body, ReadAll(film));
  EXPECT_EQ(served.Header("Accept-Ranges"), "bytes");
  // A player's seek: a part of the film, and a part beyond its end refused.
  const Response part = Fetch(r.port, "/timelapse/20310314.webm", "Range: bytes=10-19\r\n");
  EXPECT_EQ(part.status, 206);
  EXPECT_EQ(part.body, ReadAll(film).mid(10, 10));
  EXPECT_EQ(part.Header("Content-Range"), "bytes 10-19/" + QByteArray::number(QFileInfo(film).size()));
  EXPECT_EQ(Fetch(r.port, "/timelapse/20310314.webm", "Range: bytes=99999999-\r\n").status, 416);
  EXPECT_TRUE(Fetch(r.port, "/timelapse/").body.contains("<a href=\"20310314\">2031-03-14</a>"));
  r.err += QString::fromLocal8Bit(r.process.readAllStandardError());
  EXPECT_TRUE(r.err.contains("quorvin18: the film of 2031-03-14 is made: ")) << r.err.toStdString();
}

}  // namespace
}  // namespace quorvin::test
