// Temporary files of the atomic writer after a kill: the dead writer's go, a living writer's stay.

#include "AtomicFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace quorvin;

namespace {

// A child that starts saving `name` with the real writer and is stopped (stop) or killed by the file-size
// limit after 1000 bytes: a save interrupted half-way.
pid_t InterruptedWriter(const QString& name, bool stop) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const rlimit noCore{0, 0}, small{1000, 1000};
  ::setrlimit(RLIMIT_CORE, &noCore);
  ::setrlimit(RLIMIT_FSIZE, &small);
  std::signal(SIGXFSZ, stop ? [](int) { ::raise(SIGSTOP); } : SIG_DFL);
  WriteFileAtomically(name, QByteArray(5000, 'x'), nullptr, Durability::Visible);
  ::_exit(0);
}

TEST(StaleTemporaries, AKilledWritersFileGoesWhileALivingWritersFileAndOtherNamesStay) {
  QTemporaryDir dir;
  auto temporaries = [&] {
    return QDir(dir.path())
        .entryList({QStringLiteral(".*.quorvin-*")}, QDir::Files | QDir::Hidden, QDir::Name);
  };
  int status = 0;
  const pid_t killed = InterruptedWriter(dir.filePath(QStringLiteral("tovra.jpg")), false);
  ASSERT_EQ(::waitpid(killed, &status, 0), killed);
  ASSERT_TRUE(WIFSIGNALED(status));
  const pid_t writing = InterruptedWriter(dir.filePath(QStringLiteral("tovra_.jpg")), true);
  ASSERT_EQ(::waitpid(writing, &status, WUNTRACED), writing);
  ASSERT_TRUE(WIFSTOPPED(status));
  const QStringList left = temporaries();
  ASSERT_EQ(left.size(), 2);
  // Not ours, and an empty file its writer may be about to lock: both stay.
  test::WriteAll(dir.filePath(QStringLiteral(".tovra.jpg.backup")), "x");
  test::WriteAll(dir.filePath(QStringLiteral(".new.quorvin-abcdef")), "");

  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);
  EXPECT_EQ(temporaries(), (QStringList{".new.quorvin-abcdef", left.filter(".tovra_.jpg.")[0]}));
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral(".tovra.jpg.backup"))));

  // Once its writer is gone, the other one is stale too.
  ::kill(writing, SIGKILL);
  ::waitpid(writing, &status, 0);
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);
  EXPECT_EQ(temporaries(), QStringList{".new.quorvin-abcdef"});
}

}  // namespace
