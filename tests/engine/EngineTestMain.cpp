// The capture control needs an application object and its event loop; SANE must see only its test backend.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
  QTemporaryDir home;
  // Before anything starts SANE or korvex: our own SANE configuration and device settings folder.
  const QString sane = home.filePath(QStringLiteral("sane.d"));
  QDir().mkpath(sane);
  std::ofstream(QDir(sane).filePath(QStringLiteral("dll.conf")).toStdString()) << "test\n";
  setenv("SANE_CONFIG_DIR", sane.toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);

  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
