// Temporary files of the atomic writer after a kill: the dead writer's go, a living writer's stay.

#include "AtomicFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace quorvin;
using quorvin::test::WriteAll;

namespace {

QStringList Temporaries(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral(".*.quorvin-*")},
                                QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
}

void StopOnFileSizeLimit(int) {
  ::raise(SIGSTOP);
}

// A child process that starts writing `name` and is stopped (stop) or killed (kill) by the file-size
// limit after 1000 bytes: a save interrupted half-way by the real writer.
pid_t InterruptedWriter(const QString& name, bool stop) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const rlimit noCore{0, 0}, small{1000, 1000};
  ::setrlimit(RLIMIT_CORE, &noCore);
  ::setrlimit(RLIMIT_FSIZE, &small);
  std::signal(SIGXFSZ, stop ? StopOnFileSizeLimit : SIG_DFL);
  WriteFileAtomically(name, QByteArray(5000, 'x'), nullptr, Durability::Visible);
  ::_exit(0);
}

TEST(StaleTemporaries, AKilledWritersFileGoesWhileALivingWritersFileAndOtherNamesStay) {
  QTemporaryDir dir;
  const QString live = dir.filePath(QStringLiteral("tovra.jpg"));
  int status = 0;
  const pid_t killed = InterruptedWriter(live, false);
  ASSERT_EQ(::waitpid(killed, &status, 0), killed);
  ASSERT_TRUE(WIFSIGNALED(status));
  const QStringList left = Temporaries(dir.path());
  ASSERT_EQ(left.size(), 1);

  const pid_t writing = InterruptedWriter(dir.filePath(QStringLiteral("tovra_.jpg")), true);
  ASSERT_EQ(::waitpid(writing, &status, WUNTRACED), writing);
  ASSERT_TRUE(WIFSTOPPED(status));
  const QStringList both = Temporaries(dir.path());
  ASSERT_EQ(both.size(), 2);

  // Names that are not ours, or not files, stay whatever their age; an empty file only when it is old.
  const QStringList others = {".tovra.jpg.backup", "tovra.jpg.quorvin-abcdef", ".x.quorvin-abc",
                              ".old-empty.quorvin-abcdef", ".new-empty.quorvin-abcdef"};
  for (const QString& name : others) WriteAll(dir.filePath(name), name.contains("empty") ? "" : "x");
  const timespec old[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
  ::utimensat(AT_FDCWD, dir.filePath(others[3]).toLocal8Bit(), old, 0);
  ASSERT_EQ(::symlink("tovra.jpg", dir.filePath(QStringLiteral(".link.quorvin-abcdef")).toLocal8Bit()), 0);
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral(".dir.quorvin-abcdef")));

  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 2);
  QStringList expected = {".dir.quorvin-abcdef", ".link.quorvin-abcdef", ".new-empty.quorvin-abcdef",
                          ".x.quorvin-abc"};
  expected += both.filter(QStringLiteral(".tovra_.jpg."));
  expected.sort();
  EXPECT_EQ(Temporaries(dir.path()).join(' ').toStdString(), expected.join(' ').toStdString());
  for (const QString& name : others)
    EXPECT_EQ(QFile::exists(dir.filePath(name)), name != others[3]) << name.toStdString();

  // Once its writer is gone, the second one is stale too.
  ::kill(writing, SIGKILL);
  ::waitpid(writing, &status, 0);
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);
  EXPECT_FALSE(QFile::exists(dir.filePath(both.filter(QStringLiteral(".tovra_.jpg."))[0])));
}

}  // namespace
