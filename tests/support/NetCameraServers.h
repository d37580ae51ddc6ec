#pragma once
// Network cameras for tests, on 127.0.0.1 only: an RTSP server (gst-rtsp-server) sending SMPTE bars as
// RTP JPEG and H.264, an HTTP server sending an MJPEG stream and single pictures, and a port that accepts
// connections and never answers. Each runs in a thread of its own, so a grab that blocks the test's
// thread still gets its frames; each can be stopped and started again on the same port.

#include <QColor>
#include <QImage>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

typedef struct _GstElement GstElement;
class QTcpServer;
class QThread;

namespace quorvin::test {

// The top row of the bars both servers show, left to right, as videotestsrc draws them.
extern const QColor kNetBars[7];
// True when `image` shows the bars across its upper part; `why` says what was seen otherwise.
bool ShowsNetBars(const QImage& image, QString* why = nullptr);

class RtspCameraServer {
 public:
  // Paths "/jpeg" (320x240 RTP JPEG) and "/h264" (320x240 H.264), 10 frames a second. With a user, both
  // need basic authentication. `port` 0 takes a free one.
  explicit RtspCameraServer(int port = 0, const QString& user = {}, const QString& password = {});
  ~RtspCameraServer();
  int Port() const { return port_; }
  // rtsp://[userinfo@]127.0.0.1:port/path
  QString Url(const QString& path, const QString& userinfo = {}) const;
  // Closes the listening socket and every client connection; Start opens the same port again.
  void Stop();
  void Start();
  // Holding, the connections stay but no frame is sent.
  void Hold(bool hold);

 private:
  struct Loop;
  std::unique_ptr<Loop> loop_;
  std::mutex valvesMutex_;
  std::vector<GstElement*> valves_;  // one per media made
  bool held_ = false;
  int port_;
  QString user_, password_;
};

class HttpCameraServer {
 public:
  // "/stream.mjpg": multipart JPEG at 10 frames a second; "/snapshot.jpg": one JPEG per request. Every
  // picture is 320x240, the bars above a block whose colour tells frames apart (FrameMark).
  explicit HttpCameraServer(int port = 0, const QString& user = {}, const QString& password = {});
  ~HttpCameraServer();
  int Port() const { return port_; }
  QString Url(const QString& path, const QString& userinfo = {}) const;
  void Stop();
  void Start();

  int Requests(const QString& path) const;
  // Holding, the stream sends no frames until SendOneIn; a frame then goes out after `ms`.
  void Hold(bool hold);
  void SendOneIn(int ms);
  // Number of the last picture sent (stream frames and snapshots count alike).
  int LastSent() const { return sent_; }
  // The number a picture's block tells (modulo 6), or -1 when the block shows none of the marks.
  static int FrameMark(const QImage& image);

 private:
  class Worker;
  QThread* thread_ = nullptr;
  Worker* worker_ = nullptr;
  int port_;
  QString user_, password_;
  std::atomic<int> sent_{0};
  friend class Worker;
};

// Accepts connections and never says a word: a camera that hangs.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  int Port() const;

 private:
  std::unique_ptr<QTcpServer> server_;
};

}  // namespace quorvin::test
