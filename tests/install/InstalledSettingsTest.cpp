// The installed recorder finds its settings: cmake --install into a scratch prefix, then one capture run from
// there by root and by an unprivileged user, each with a home of its own and no display.
#include "TestSupport.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace quorvin::test {
namespace {

struct Account {
  QString name;
  uid_t uid;
  gid_t gid;
};

struct Outcome {
  int status = -1;
  QString err;
};

class Installed {
 public:
  Installed() {
    // Every account must reach the programs.
    QFile::setPermissions(top_.path(), QFile::permissions(top_.path()) | QFileDevice::ExeOther);
    QProcess install;
    install.start(QUORVIN_CMAKE_COMMAND, {"--install", QUORVIN_BUILD_DIR, "--prefix", Prefix()});
    EXPECT_TRUE(install.waitForFinished(120000) && install.exitCode() == 0)
        << install.readAllStandardError().data();
  }
  QString Prefix() const { return top_.filePath("prefix"); }
  QString Home(const QString& name) const { return top_.filePath("home-" + name); }

  // Runs the installed recorder once as `account` in a home of its own (also the working folder).
  Outcome Once(const Account& account, const QString& home, const QStringList& more = {},
               const QString& xdg = {}) {
    QDir().mkpath(home + "/runtime");
    for (const QString& folder : {home, home + "/runtime"})
      EXPECT_EQ(::chown(folder.toLocal8Bit(), account.uid, account.gid), 0);
    QFile::setPermissions(home + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME"})
      env.remove(name);
    env.insert("HOME", home);
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    env.insert("SANE_CONFIG_DIR", QUORVIN_SANE_NONE_DIR);
    if (!xdg.isEmpty()) env.insert("XDG_CONFIG_HOME", xdg);
    QStringList command = QStringList{Prefix() + "/bin/quorvin18", "--once"} + more;
    if (account.uid != ::geteuid())
      command = QStringList{"setpriv",
                            "--reuid",
                            QString::number(account.uid),
                            "--regid",
                            QString::number(account.gid),
                            "--clear-groups"} +
                command;
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(home);
    p.start(command.takeFirst(), command);
    Outcome o;
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit) o.status = p.exitCode();
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
  }

 private:
  QTemporaryDir top_;
};

TEST(Installed, EveryAccountGetsItsSettingsInItsConfigFolderAndAFileBesideTheProgramIsTakenOver) {
  const Account self{"self", ::geteuid(), ::getegid()};
  std::vector<Account> accounts{self};
  if (::geteuid() == 0) {
    // nobody, or an account made for the test on a system without one.
    if (!::getpwnam("nobody")) QProcess::execute("useradd", {"--system", "--no-create-home", "quorvin-test"});
    const passwd* pw = ::getpwnam("nobody") ? ::getpwnam("nobody") : ::getpwnam("quorvin-test");
    if (!pw) GTEST_SKIP() << "no unprivileged account: nobody is missing and useradd failed";
    accounts.push_back({"user", pw->pw_uid, pw->pw_gid});
  } else {
    std::cerr << "not root: only the run as the current user\n";
  }
  Installed installed;
  const QString example = installed.Prefix() + "/share/quorvin/examples/quorvin18.ini";
  for (const Account& account : accounts) {
    SCOPED_TRACE(account.name.toStdString());
    const QString home = installed.Home(account.name);
    const Outcome o = installed.Once(account, home);
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    const QString settings = home + "/.config/quorvin/quorvin18.ini";
    EXPECT_TRUE(o.err.contains("quorvin18: settings file " + settings + ", made from the example " + example))
        << o.err.toStdString();
    // The example's values, with the images in the account's pictures folder.
    const QByteArray saved = ReadAll(settings);
    EXPECT_TRUE(saved.contains("inter(0) = 2 "));
    EXPECT_TRUE(saved.contains("NetworkPath = " + home.toUtf8() + "/Pictures/Quorvin/live/ "));
    EXPECT_TRUE(saved.contains("histPath = " + home.toUtf8() + "/Pictures/Quorvin/history/ "));
    EXPECT_EQ(QFileInfo(settings).ownerId(), account.uid);
    EXPECT_TRUE(IsJpeg(home + "/Pictures/Quorvin/live/tovra.jpg"));
    EXPECT_EQ(FilesBelow(home + "/Pictures/Quorvin/history").size(), 2);

    // $XDG_CONFIG_HOME when it is set; a suffix gets images of its own.
    EXPECT_EQ(installed.Once(account, home, {"cam2"}, home + "/xdg").status, 0);
    EXPECT_TRUE(ReadAll(home + "/xdg/quorvin/quorvin18cam2.ini")
                    .contains("NetworkPath = " + home.toUtf8() + "/Pictures/Quorvin/cam2/live/ "));
    EXPECT_TRUE(IsJpeg(home + "/Pictures/Quorvin/cam2/live/tovra.jpg"));
  }
  // Never in the program's folder, whoever runs it.
  EXPECT_EQ(QDir(installed.Prefix() + "/bin").entryList({"*.ini"}, QDir::Files), QStringList());

  // A file an older installation left beside the program is taken over once, then named as not read.
  const QString beside = installed.Prefix() + "/bin/quorvin18.ini", home = installed.Home("again");
  const QString settings = home + "/.config/quorvin/quorvin18.ini";
  WriteAll(beside, "inter(0) = 7\r\nNetworkPath = live\r\n");
  const Outcome first = installed.Once(self, home);
  EXPECT_EQ(first.status, 0) << first.err.toStdString();
  EXPECT_TRUE(first.err.contains("quorvin18: settings file " + settings + ", made from " + beside))
      << first.err.toStdString();
  EXPECT_EQ(ReadAll(settings), ReadAll(beside));
  EXPECT_TRUE(IsJpeg(home + "/live/tovra.jpg"));
  const Outcome second = installed.Once(self, home);
  EXPECT_TRUE(second.err.contains("quorvin18: " + beside + " beside the program is not read"))
      << second.err.toStdString();
  EXPECT_EQ(ReadAll(beside), "inter(0) = 7\r\nNetworkPath = live\r\n");
}

}  // namespace
}  // namespace quorvin::test
