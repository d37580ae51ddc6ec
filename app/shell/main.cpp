// quorvin18: the application object and the main window; Form1's start-up does the rest.
#include "Form1.h"
#include "Process.h"
#include "TextDrawing.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  // Before anything can start a thread: every thread inherits the blocked end signals.
  quorvin::BlockEndSignals();
  quorvin::ChooseOffscreenWhenHeadless();
  int status = 0;
  {
    QApplication app(argc, argv);
    // The program ends through Form1 only: a hidden main window in the tray is no reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    quorvin::imaging::InstallFontSubstitutions();

    quorvin::Form1Options options;
    options.arguments = QApplication::arguments().mid(1);
    quorvin::Form1 form(std::move(options));
    // Signals that came during start-up wait in the signalfd until the loop (or a box) reads them.
    quorvin::EndSignals endSignals;
    QObject::connect(&endSignals, &quorvin::EndSignals::Ended, &form, &quorvin::Form1::EndOnSignal);
    form.Form_Load();
    // An end that began during start-up has asked the loop to quit before it ran: exec() would forget that.
    status = form.Ending() ? form.ExitStatus() : QApplication::exec();
  }
  // The settings are saved and the windows gone. Scanner backends crash in their exit handlers when
  // they run after their own static data is destroyed, so the process ends here at once.
  std::fflush(nullptr);
  std::_Exit(status);
}
