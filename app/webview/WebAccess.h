#pragma once
// Who may reach the web view: the address it listens on and the passwords of its basic authentication.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

namespace quorvin {

struct ListenAddress {
  QHostAddress address = QHostAddress(QHostAddress::LocalHost);
  quint16 port = 0;
  bool IsLoopback() const { return address.isLoopback(); }
  QString Text() const;  // "127.0.0.1:8080", "[::1]:8080"
};

// "PORT", "ADDRESS:PORT" or "[IPv6]:PORT"; 127.0.0.1 when no address is given. Port 0 takes a free one.
bool ParseListenAddress(const QString& text, ListenAddress& out, QString* error);

// The password file: one "USER:PASSWORD" a line; blank lines and lines starting with "#" are skipped.
// Refused when it cannot be read, holds no entry or a malformed line, or others than its owner may read it.
// `credentials` receives each entry as a basic-authentication header carries it (base64 of USER:PASSWORD).
bool LoadPasswordFile(const QString& path, QList<QByteArray>& credentials, QString* error);

// An "Authorization" header's value against the credentials, in time independent of where they differ.
bool Authorised(const QByteArray& header, const QList<QByteArray>& credentials);

}  // namespace quorvin
