// quorvin18: the application object and the main window; Form1's start-up does the rest.
#include "Form1.h"
#include "Process.h"
#include "TextDrawing.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
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
    quorvin::EndSignals endSignals;
    QObject::connect(&endSignals, &quorvin::EndSignals::Ended, &form, &quorvin::Form1::EndProgram);
    status = form.Form_Load() ? QApplication::exec() : 1;
  }
  // The settings are saved and the windows gone. Scanner backends crash in their exit handlers when
  // they run after their own static data is destroyed, so the process ends here at once.
  std::fflush(nullptr);
  std::_Exit(status);
}
