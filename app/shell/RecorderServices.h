#pragma once
// What the recorder runs beside its captures when the command line asks: the web view and the daily
// time-lapse film. Both only read the main window's state; neither can delay a capture.

#include "CommandLine.h"
#include "WebAccess.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace quorvin {

class DailyTimelapse;
class Form1;
class WebServer;

class RecorderServices final : public QObject {
  Q_OBJECT

 public:
  explicit RecorderServices(Form1& form);
  ~RecorderServices() override;

  // Before start-up: the address and the password file are checked, so a bad one stops the program before
  // it reads or writes anything. False with the reason in `error`.
  bool Prepare(const CommandLine& command, QString* error);
  // Before start-up too: the web view listens (a port in use stops the start) and says where.
  bool StartWebView(QString* error);
  // Once start-up is done: the film check every second.
  void StartDailyFilms();

  WebServer* web() const { return web_.get(); }

 private:
  Form1& form_;
  bool http_ = false;
  ListenAddress address_;
  QList<QByteArray> credentials_;
  bool daily_ = false;
  std::unique_ptr<WebServer> web_;
  std::unique_ptr<DailyTimelapse> films_;
  QTimer filmTimer_;
};

}  // namespace quorvin
