#include <korvex/NetworkCameras.h>

#include <QRegularExpression>
#include <QSettings>
#include <QUrl>
#include <algorithm>

namespace korvex {

namespace {

const QStringList kKeys = {QStringLiteral("name"),    QStringLiteral("url"),  QStringLiteral("transport"),
                           QStringLiteral("timeout"), QStringLiteral("user"), QStringLiteral("password")};

NetworkCameraEntry::Kind KindOf(const QString& scheme) {
  if (scheme == QLatin1String("rtsp") || scheme == QLatin1String("rtsps") || scheme == QLatin1String("rtspt"))
    return NetworkCameraEntry::Kind::Rtsp;
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
    return NetworkCameraEntry::Kind::Http;
  return NetworkCameraEntry::Kind::Unsupported;
}

}  // namespace

QString MaskUrlCredentials(const QString& text) {
  // Greedy up to the last "@" before the path: an unescaped "@" in a password is masked too.
  static const QRegularExpression userinfo(QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://)[^/\\s]+@"));
  return QString(text).replace(userinfo, QStringLiteral("\\1***@"));
}

QString NetworkCameraEntry::Version() const {
  switch (kind) {
    case Kind::Rtsp:
      return QStringLiteral("rtsp");
    case Kind::Http:
      return QStringLiteral("http");
    case Kind::Unsupported:
      break;
  }
  const QString scheme = QUrl(url).scheme();
  return scheme.isEmpty() ? QStringLiteral("no url") : scheme;
}

QString NetworkCameraEntry::ShownUrl() const {
  const qsizetype after = url.indexOf(QLatin1String("://"));
  if ((user.isEmpty() && password.isEmpty()) || after < 0) return url;
  return QString(url).insert(after + 3, QStringLiteral("***@"));
}

QString NetworkCameraEntry::Redact(const QString& text) const {
  QString out = MaskUrlCredentials(text);
  for (const QString& secret : {password, user})
    if (secret.size() >= 3) out.replace(secret, QStringLiteral("***"));
  return out;
}

NetworkCameras ReadNetworkCameras(QSettings& ini) {
  NetworkCameras out;
  const auto problem = [&](const QString& section, const QString& key, const QString& text) {
    out.problems.push_back({section, key, text});
  };
  for (const QString& section : ini.childGroups()) {
    if (!section.startsWith(kNetworkSectionPrefix)) continue;
    bool numbered = false;
    const int number = section.mid(kNetworkSectionPrefix.size()).trimmed().toInt(&numbered);
    if (!numbered) {
      problem(section, {},
              QStringLiteral("not listed: \"network\" must be followed by a whole number, "
                             "which orders the cameras"));
      continue;
    }
    ini.beginGroup(section);
    NetworkCameraEntry e;
    e.number = number;
    e.section = section;
    // A value as QSettings hands it over: an unquoted comma makes a list of it.
    const auto text = [&](const QString& key) {
      const QVariant value = ini.value(key);
      if (value.userType() != QMetaType::QStringList) return value.toString();
      problem(section, key,
              QStringLiteral("holds a comma, so it was read as a list and joined again without the blanks "
                             "around the commas: write the value in double quotes"));
      return value.toStringList().join(QLatin1Char(','));
    };
    QString url = text(QStringLiteral("url"));
    e.name = text(QStringLiteral("name")).trimmed();
    if (e.name.isEmpty()) e.name = section;
    for (const QString& key : ini.childKeys())
      if (!kKeys.contains(key)) problem(section, key, QStringLiteral("not a key korvex reads; ignored"));
    const bool hasUser = ini.contains(QStringLiteral("user"));
    const bool hasPassword = ini.contains(QStringLiteral("password"));
    e.user = text(QStringLiteral("user"));
    e.password = text(QStringLiteral("password"));
    const QString transport = ini.value(QStringLiteral("transport")).toString().trimmed().toLower();
    const bool hasTransport = ini.contains(QStringLiteral("transport"));
    const QString timeout = ini.value(QStringLiteral("timeout")).toString().trimmed();
    const bool hasTimeout = ini.contains(QStringLiteral("timeout"));
    ini.endGroup();

    url = url.trimmed();
    if (url.isEmpty()) {
      problem(section, {}, QStringLiteral("not listed: no url"));
      continue;
    }
    QUrl parsed(url, QUrl::StrictMode);
    e.kind = KindOf(parsed.scheme().toLower());
    if (!parsed.isValid() || parsed.host().isEmpty()) {
      e.kind = NetworkCameraEntry::Kind::Unsupported;
      problem(
          section, QStringLiteral("url"),
          QStringLiteral("\"%1\" is no URL korvex can open: every grab fails").arg(MaskUrlCredentials(url)));
    } else if (e.kind == NetworkCameraEntry::Kind::Unsupported) {
      problem(
          section, QStringLiteral("url"),
          QStringLiteral("korvex opens rtsp://, http:// and https:// cameras, not %1://: every grab fails")
              .arg(parsed.scheme()));
    }
    // The credentials leave the URL: GStreamer gets them as properties and never has them in a text.
    const QString urlUser = parsed.userName(QUrl::FullyDecoded);
    const QString urlPassword = parsed.password(QUrl::FullyDecoded);
    if (!urlUser.isEmpty() || !urlPassword.isEmpty()) {
      if ((hasUser && urlUser != e.user) || (hasPassword && urlPassword != e.password))
        problem(section, hasPassword ? QStringLiteral("password") : QStringLiteral("user"),
                QStringLiteral("the URL has credentials too: the fields are used"));
      if (!hasUser) e.user = urlUser;
      if (!hasPassword) e.password = urlPassword;
      parsed.setUserInfo({});
      url = parsed.toString();
    }
    e.url = url;

    if (hasTransport && e.kind != NetworkCameraEntry::Kind::Rtsp) {
      problem(section, QStringLiteral("transport"), QStringLiteral("only RTSP cameras have one; ignored"));
    } else if (transport == QLatin1String("udp")) {
      e.transport = NetworkCameraEntry::Transport::Udp;
    } else if (hasTransport && transport != QLatin1String("tcp")) {
      problem(section, QStringLiteral("transport"),
              QStringLiteral("\"%1\" is neither tcp nor udp: tcp is used").arg(transport));
    }
    if (hasTimeout) {
      bool ok = false;
      const int seconds = timeout.toInt(&ok);
      if (ok && seconds >= 1 && seconds <= NetworkCameraEntry::kMaxTimeoutS)
        e.timeoutS = seconds;
      else
        problem(section, QStringLiteral("timeout"),
                QStringLiteral("\"%1\" is not a number of seconds from 1 to %2: %3 is used")
                    .arg(timeout)
                    .arg(NetworkCameraEntry::kMaxTimeoutS)
                    .arg(NetworkCameraEntry::kDefaultTimeoutS));
    }
    out.cameras.push_back(std::move(e));
  }
  std::stable_sort(out.cameras.begin(), out.cameras.end(),
                   [](const auto& a, const auto& b) { return a.number < b.number; });
  return out;
}

NetworkCameras ReadNetworkCameras(const QString& file) {
  QSettings ini(file, QSettings::IniFormat);
  return ReadNetworkCameras(ini);
}

}  // namespace korvex
