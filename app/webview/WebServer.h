#pragma once
// The recorder's read-only web view: the live page, the live pictures and their stream, the history, the
// films and the health, served from the recorder's own state. Plain code on the settings, the health
// record and the clock, so it runs and is tested without a window.

#include "CaptureHealth.h"
#include "Clock.h"
#include "Settings.h"
#include "WebAccess.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpSocket>

#include <functional>
#include <vector>

class QHttpServerResponder;

namespace quorvin {

class ConnectionGate;

// What the scheduler shows: its state and the next due times, as the window shows them.
struct SchedulerView {
  QString state;
  QString nextLive;
  QString nextHistory;
};

struct RecorderView {
  const Settings& settings;
  const CaptureHealth& health;
  const Clock& clock;
  std::function<SchedulerView()> scheduler;
};

struct WebLimits {
  int connections = 32;             // open at once; one more is answered 503 and closed
  int streams = 8;                  // of them, /stream.mjpg clients
  qint64 requestBytes = 16 * 1024;  // a request's line and headers; no request may carry a body
  qint64 urlBytes = 2048;
  int idleMs = 30000;              // a connection that sends and receives nothing is closed
  qint64 streamBacklog = 4 << 20;  // a stream client that has not taken this much skips frames
};

class WebServer final : public QAbstractHttpServer {
  Q_OBJECT

 public:
  // `credentials`: from LoadPasswordFile; empty lets everyone in (only for a loopback address).
  WebServer(RecorderView view, QList<QByteArray> credentials, WebLimits limits = {},
            QObject* parent = nullptr);
  ~WebServer() override;

  bool Listen(const ListenAddress& address, QString* error);
  quint16 Port() const;
  int StreamClients() const { return static_cast<int>(streams_.size()); }

  // The health as /health gives it: ages of the last captures, next due times, state, last error, and the
  // health record the health file holds.
  QJsonObject Status() const;

 public slots:
  // A live capture ended: each stream client gets the new picture.
  void LiveCaptured();

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

 private:
  struct Reply;
  Reply Route(const QHttpServerRequest& request, QTcpSocket* socket);
  Reply LiveFile(int output) const;
  Reply History(const QString& relative, const QString& hour) const;
  Reply Films(const QString& rest) const;
  bool StartStream(const QHttpServerRequest& request, QTcpSocket* socket);
  void Send(const QHttpServerRequest& request, QTcpSocket* socket, Reply reply);
  // The live output the page shows and the stream sends: the largest that is switched on; -1 for none.
  int ShownOutput() const;
  // The shown live picture as one part of the stream; empty when there is none to read.
  QByteArray ShownStreamPart() const;

  RecorderView view_;
  QList<QByteArray> credentials_;
  WebLimits limits_;
  ConnectionGate* gate_ = nullptr;
  std::vector<QPointer<QTcpSocket>> streams_;
};

}  // namespace quorvin
