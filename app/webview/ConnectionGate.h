#pragma once
// The listening socket of the web view, with its bounds: connections open at once, the bytes of a request
// not yet answered, and the time a connection may sit idle. What goes beyond is answered with its HTTP
// status and closed before the HTTP server sees it.

#include <QHash>
#include <QTcpServer>

class QTcpSocket;

namespace quorvin {

class ConnectionGate final : public QTcpServer {
  Q_OBJECT

 public:
  ConnectionGate(int connections, qint64 requestBytes, int idleMs, QObject* parent = nullptr);

  // A whole request came on `socket`: its bytes no longer count.
  void Answered(QTcpSocket* socket);
  // The socket streams from now on: it may stay quiet as long as it likes.
  void Streaming(QTcpSocket* socket);
  int Open() const { return open_; }

  // Writes a whole response with `status` and a one-line text, and closes the connection once it is sent.
  static void Refuse(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& text);

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  void Received(QTcpSocket* socket);

  const int connections_;
  const qint64 requestBytes_;
  const int idleMs_;
  int open_ = 0;
  QHash<QTcpSocket*, qint64> unanswered_;
};

}  // namespace quorvin
