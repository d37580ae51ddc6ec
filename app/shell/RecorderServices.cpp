#include "RecorderServices.h"

#include "DailyTimelapse.h"
#include "Form1.h"
#include "WebServer.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace quorvin {
namespace {

void Say(const QString& text) {
  std::fputs((QStringLiteral("quorvin18: ") + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

}  // namespace

RecorderServices::RecorderServices(Form1& form) : form_(form) {}

RecorderServices::~RecorderServices() = default;

bool RecorderServices::Prepare(const CommandLine& command, QString* error) {
  daily_ = command.timelapseDaily;
  http_ = !command.http.isEmpty();
  if (!http_) return true;
  if (!ParseListenAddress(command.http, address_, error)) return false;
  return command.httpPasswords.isEmpty() || LoadPasswordFile(command.httpPasswords, credentials_, error);
}

bool RecorderServices::StartWebView(QString* error) {
  if (!http_) return true;
  RecorderView view{form_.settings(), form_.health(), SystemClock::Instance(), [this] {
                      const SchedulerState& s = form_.scheduler().State();
                      return SchedulerView{form_.StateText(), ClockDisplayForm(s.NextLiveText),
                                           ClockDisplayForm(s.NextHistoryText)};
                    }};
  web_ = std::make_unique<WebServer>(std::move(view), credentials_);
  if (!web_->Listen(address_, error)) {
    *error = QCoreApplication::translate("quorvin", "cannot serve the web view on %1 (%2)")
                 .arg(address_.Text(), *error);
    web_.reset();
    return false;
  }
  ListenAddress bound = address_;
  bound.port = web_->Port();
  Say(QCoreApplication::translate("quorvin", "the web view is at http://%1/").arg(bound.Text()));
  connect(&form_, &Form1::CaptureFinished, web_.get(), [this](CaptureKind kind, bool succeeded) {
    if (kind == CaptureKind::Live && succeeded) web_->LiveCaptured();
  });
  return true;
}

void RecorderServices::StartDailyFilms() {
  if (!daily_) return;
  const QString tool =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quorvin18-timelapse"));
  films_ = std::make_unique<DailyTimelapse>(form_.settings(), tool);
  connect(films_.get(), &DailyTimelapse::Finished, this,
          [](QDate day, DailyTimelapse::Outcome outcome, const QString& message) {
            const QString date = day.toString(Qt::ISODate);
            if (outcome == DailyTimelapse::Outcome::Written)
              Say(QCoreApplication::translate("quorvin", "the film of %1 is made: %2").arg(date, message));
            else if (outcome == DailyTimelapse::Outcome::NothingToFilm)
              Say(QCoreApplication::translate("quorvin", "no film of %1: %2").arg(date, message));
            else
              Say(QCoreApplication::translate("quorvin", "the film of %1 failed: %2").arg(date, message));
          });
  filmTimer_.setInterval(1000);
  connect(&filmTimer_, &QTimer::timeout, this, [this] {
    if (!form_.Ending()) films_->Check();
  });
  connect(&form_, &Form1::EndBegan, &filmTimer_, &QTimer::stop);
  films_->Check();
  filmTimer_.start();
}

}  // namespace quorvin
