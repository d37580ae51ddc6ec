#pragma once
// The built program run as the operator runs it: a copy in a folder of its own (bin/, its program folder
// as the build tree's is), started as a process with private config and runtime folders and a scanner
// configuration of the test's.

#include "TestSupport.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace quorvin::test {

class RecorderRun {
 public:
  RecorderRun();
  QString File(const QString& name) const { return dir_.filePath(name); }
  QString SettingsFile(const QString& suffix = {}) const {
    return File(QStringLiteral("bin/quorvin18") + suffix + QStringLiteral(".ini"));
  }
  // The environment of a run on `display` (":N"), or with no display at all; SANE with `saneConfig`.
  QProcessEnvironment Environment(const QString& display = {},
                                  const QString& saneConfig = QStringLiteral(QUORVIN_SANE_NONE_DIR)) const;
  // Starts the program in `workingFolder` (made when missing), with no signal blocked, as a shell starts it.
  void Start(QProcess& process, const QStringList& arguments, const QProcessEnvironment& environment,
             const QString& workingFolder) const;

 private:
  QTemporaryDir dir_;
};

}  // namespace quorvin::test
