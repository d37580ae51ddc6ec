#pragma once
// Network cameras as devices.ini declares them: one section "[network N]" per camera, listed in the
// order of N after the local cameras and before the Test Pattern device.
//
//   [network 1]
//   name=Gate
//   url=rtsp://192.168.1.20:554/stream1    (or http(s)://… for an MJPEG stream or a single picture)
//   transport=tcp                           (RTSP only: tcp or udp; tcp when not given)
//   timeout=10                              (seconds: connecting, and silence that counts as lost)
//   user=admin                              (or in the URL: rtsp://admin:secret@…)
//   password=secret
//
// The order comes from N because korvex rewrites devices.ini whenever it stores a format, and its
// writer keeps the sections but not their order (nor comments).

#include <QString>
#include <vector>

class QSettings;

namespace korvex {

struct NetworkCameraEntry {
  enum class Kind { Rtsp, Http, Unsupported };
  enum class Transport { Tcp, Udp };
  static constexpr int kDefaultTimeoutS = 10;
  static constexpr int kMaxTimeoutS = 600;

  int number = 0;
  QString section;  // "network N" as written
  QString name;
  QString url;       // without credentials
  QString user;      // the field's, else the URL's
  QString password;  // the field's, else the URL's
  Kind kind = Kind::Unsupported;
  Transport transport = Transport::Tcp;
  int timeoutS = kDefaultTimeoutS;

  // "rtsp" or "http" (the driver version in the device list); the URL's scheme when unsupported.
  QString Version() const;
  // The URL as it may be shown: credentials it was given, in the URL or the fields, as "***".
  QString ShownUrl() const;
  // `text` with this camera's credentials masked: any URL's user information, and the user and password
  // themselves wherever they appear (from 3 characters on: shorter ones cannot be told from words).
  QString Redact(const QString& text) const;
};

// What a reader passed over or took with a doubt, for the settings tool.
struct NetworkCameraProblem {
  QString section;
  QString key;  // empty: the whole section
  QString text;
};

struct NetworkCameras {
  std::vector<NetworkCameraEntry> cameras;  // in the order of N
  std::vector<NetworkCameraProblem> problems;
};

inline const QString kNetworkSectionPrefix = QStringLiteral("network ");

// Every "[network N]" section with a url; sections without one or whose N is no whole number are
// passed over (and named in `problems`).
NetworkCameras ReadNetworkCameras(QSettings& ini);
NetworkCameras ReadNetworkCameras(const QString& file);

// Any "scheme://user:password@" in `text` becomes "scheme://***@".
QString MaskUrlCredentials(const QString& text);

}  // namespace korvex
