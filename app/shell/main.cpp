// quorvin18: the command line, the application object and the main window; Form1's start-up does the rest.
#include "CommandLine.h"
#include "Form1.h"
#include "InfoCommands.h"
#include "Process.h"
#include "ProgramFolder.h"
#include "RecorderServices.h"
#include "ServiceNotifier.h"
#include "TextDrawing.h"
#include "Translations.h"

#include <QApplication>
#include <QStandardPaths>

#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

void Write(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything can start a thread: every thread inherits the blocked end signals.
  quorvin::BlockEndSignals();
  // A file-size limit (ulimit -f) fails a write with EFBIG, logged like a full disk, instead of ending us.
  std::signal(SIGXFSZ, SIG_IGN);
  // Frames of megabytes come and go with every capture, many from GStreamer's streaming threads. Left to
  // itself glibc raises its threshold for giving such blocks back at the first one freed, and then keeps
  // them in per-thread heaps for good: the resident size grew by several frames. The pixel pool keeps
  // what the pipeline reuses.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  // Help, version and errors are answered before the application object exists: nothing is created.
  const quorvin::CommandLine command = quorvin::CommandLine::Parse(arguments);
  int status = 0;
  switch (command.action) {
    case quorvin::CommandLine::Action::Help:
      Write(stdout,
            quorvin::CommandLine::Usage(QApplication::translate("quorvin", "Here the settings file is %1.")
                                            .arg(quorvin::FindSettingsPlace({}, {}).file)));
      break;
    case quorvin::CommandLine::Action::Version:
      Write(stdout, quorvin::VersionText());
      break;
    case quorvin::CommandLine::Action::Error:
      Write(stderr, QStringLiteral("quorvin18: %1\n\n").arg(command.error) + quorvin::CommandLine::Usage());
      status = quorvin::kExitBadArguments;
      break;
    case quorvin::CommandLine::Action::ListDevices: {
      QCoreApplication app(argc, argv);
      Write(stdout, quorvin::DeviceListText());
      break;
    }
    case quorvin::CommandLine::Action::Run: {
      // A one-shot run is for scripts: no window, whatever the desktop.
      if (command.once && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
      quorvin::ChooseOffscreenWhenHeadless();
      QApplication app(argc, argv);
      // The program ends through Form1 only: a hidden main window in the tray is no reason to quit.
      QApplication::setQuitOnLastWindowClosed(false);
      quorvin::imaging::InstallFontSubstitutions();
      quorvin::InstallTranslations(QLocale::system());

      const quorvin::SettingsPlace place = quorvin::FindSettingsPlace(command.suffix, command.configFile);
      quorvin::Form1Options options;
      options.suffix = command.suffix;
      options.settingsFile = place.file;
      options.programFolder = place.programFolder;
      options.instanceLockFolder = quorvin::InstanceLockFolder(place.lockKey);
      // Only once the single-instance rule has let the start go on: a refused start makes nothing.
      options.beforeLoad = [&place] {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        for (const QString& line : quorvin::PrepareSettingsFile(place, pictures))
          Write(stderr, QStringLiteral("quorvin18: %1\n").arg(line));
      };
      options.runTimer = !command.once;
      options.saveAtEnd = !command.once;
      const QString platform = QGuiApplication::platformName();
      options.screen = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
      quorvin::Form1 form(std::move(options));
      quorvin::RecorderServices services(form);
      QString why;
      // A bad address or password file, or a port in use, stops the program before start-up.
      if (!services.Prepare(command, &why) || !services.StartWebView(&why)) {
        Write(stderr, QStringLiteral("quorvin18: %1\n").arg(why));
        status = quorvin::kExitBadArguments;
        break;
      }
      // Signals that came during start-up wait in the signalfd until the loop (or a box) reads them.
      quorvin::EndSignals endSignals;
      QObject::connect(&endSignals, &quorvin::EndSignals::Ended, &form, &quorvin::Form1::EndOnSignal);
      // Under a service manager: ready once started, stopping when the end begins, the alarm as status.
      quorvin::ServiceNotifier service;
      QObject::connect(&form, &quorvin::Form1::EndBegan, &service, &quorvin::ServiceNotifier::Stopping);
      QObject::connect(&form, &quorvin::Form1::CaptureAlarm, &service,
                       [&service](bool, const QString& text) { service.Status(text); });
      form.Form_Load();
      if (!form.Ending()) {
        service.Ready();
        if (!command.once) services.StartDailyFilms();
      }
      // An end that began during start-up has asked the loop to quit before it ran: exec() would forget that.
      if (form.Ending())
        status = form.ExitStatus();
      else
        status = command.once ? form.CaptureOnce() : QApplication::exec();
      break;
    }
  }
  // The settings are saved and the windows gone. Scanner backends crash in their exit handlers when
  // they run after their own static data is destroyed, so the process ends here at once.
  std::fflush(nullptr);
  std::_Exit(status);
}
