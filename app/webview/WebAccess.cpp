#include "WebAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace quorvin {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("quorvin", text);
}

}  // namespace

QString ListenAddress::Text() const {
  const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                           ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                           : address.toString();
  return host + QLatin1Char(':') + QString::number(port);
}

bool ParseListenAddress(const QString& text, ListenAddress& out, QString* error) {
  QString host, port = text;
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  if (colon >= 0) {
    host = text.left(colon);
    port = text.mid(colon + 1);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
      host = host.mid(1, host.size() - 2);
  }
  bool ok = false;
  const uint number = port.toUInt(&ok);
  if (!ok || number > 65535) {
    if (error) *error = Tr("--http: \"%1\" is not a port (0 to 65535)").arg(port);
    return false;
  }
  ListenAddress parsed;
  parsed.port = static_cast<quint16>(number);
  if (colon >= 0 && !parsed.address.setAddress(host)) {
    if (error) *error = Tr("--http: \"%1\" is not an IP address").arg(host);
    return false;
  }
  out = parsed;
  return true;
}

bool LoadPasswordFile(const QString& path, QList<QByteArray>& credentials, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = Tr("cannot read the password file %1 (%2)").arg(path, file.errorString());
    return false;
  }
  // Passwords that anyone on the machine can read protect nothing.
  if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
    if (error)
      *error = Tr("the password file %1 may be read by others than its owner (chmod 600 it)").arg(path);
    return false;
  }
  QList<QByteArray> read;
  int number = 0;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    ++number;
    const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
    if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || colon == line.size() - 1) {
      if (error) *error = Tr("the password file %1, line %2: not USER:PASSWORD").arg(path).arg(number);
      return false;
    }
    read << line.toBase64();
  }
  if (read.isEmpty()) {
    if (error) *error = Tr("the password file %1 holds no USER:PASSWORD line").arg(path);
    return false;
  }
  credentials = read;
  return true;
}

bool Authorised(const QByteArray& header, const QList<QByteArray>& credentials) {
  const QByteArray scheme = QByteArrayLiteral("Basic ");
  if (!header.startsWith(scheme)) return false;
  const QByteArray given = header.mid(scheme.size()).trimmed();
  bool match = false;
  for (const QByteArray& c : credentials) {
    if (c.size() != given.size()) continue;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < c.size(); ++i) difference |= static_cast<unsigned char>(c[i] ^ given[i]);
    match |= difference == 0;
  }
  return match;
}

}  // namespace quorvin
