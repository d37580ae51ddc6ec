#include "ConnectionGate.h"

#include <QTcpSocket>
#include <QTimer>

namespace quorvin {

ConnectionGate::ConnectionGate(int connections, qint64 requestBytes, int idleMs, QObject* parent)
    : QTcpServer(parent), connections_(connections), requestBytes_(requestBytes), idleMs_(idleMs) {}

void ConnectionGate::Refuse(QTcpSocket* socket, int status, const QByteArray& reason,
                            const QByteArray& text) {
  const QByteArray body = text + '\n';
  socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
  // What it sent is dropped, so the HTTP server has nothing left to parse.
  socket->readAll();
  socket->disconnectFromHost();
}

void ConnectionGate::incomingConnection(qintptr descriptor) {
  auto* socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  if (open_ >= connections_) {
    Refuse(socket, 503, "Service Unavailable", "too many connections: try again later");
    return;
  }
  ++open_;
  unanswered_.insert(socket, 0);
  connect(socket, &QObject::destroyed, this, [this, socket] {
    --open_;
    unanswered_.remove(socket);
  });
  auto* idle = new QTimer(socket);
  idle->setObjectName(QStringLiteral("idle"));
  idle->setSingleShot(true);
  idle->setInterval(idleMs_);
  connect(idle, &QTimer::timeout, socket, [socket] {
    if (socket->property("quorvinStreaming").toBool()) return;
    if (!socket->bytesToWrite()) socket->disconnectFromHost();
  });
  idle->start();
  connect(socket, &QTcpSocket::bytesWritten, idle, qOverload<>(&QTimer::start));
  // Connected before the HTTP server's own handler, so this one runs first on every read.
  connect(socket, &QTcpSocket::readyRead, this, [this, socket, idle] {
    idle->start();
    Received(socket);
  });
  addPendingConnection(socket);
}

void ConnectionGate::Received(QTcpSocket* socket) {
  const auto it = unanswered_.find(socket);
  if (it == unanswered_.end()) return;
  // A stream client has nothing more to ask; a refused one is being closed.
  if (*it < 0 || socket->property("quorvinStreaming").toBool()) {
    socket->readAll();
    return;
  }
  *it += socket->bytesAvailable();
  if (*it > requestBytes_) {
    *it = -1;
    Refuse(socket, 431, "Request Header Fields Too Large",
           "the request is longer than " + QByteArray::number(requestBytes_) + " bytes");
  }
}

void ConnectionGate::Answered(QTcpSocket* socket) {
  if (const auto it = unanswered_.find(socket); it != unanswered_.end() && *it > 0) *it = 0;
}

void ConnectionGate::Streaming(QTcpSocket* socket) {
  socket->setProperty("quorvinStreaming", true);
}

}  // namespace quorvin
