// The recorder's messages in the operator's language: the real program under each way of naming the
// system language, and the boxes under the Japanese translation.
#include "RecorderRun.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"
#include "Translations.h"

#include <QFileInfo>
#include <QLockFile>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

// The real program's messages follow the system language however it is named: the settings file it names
// at start and its fatal settings error.
TEST(Languages, TheProgramSpeaksTheSystemLanguage) {
  RecorderRun run;
  WriteAll(run.SettingsFile(), "DevIndex = 1x\r\n");
  const QString japanese = QString::fromUtf8(
      "INIファイルロードエラー: INIファイルの数値データに不正な文字 「1x」 が混入しています。\n");
  const QString english =
      "Settings file load error: A number in the settings file holds invalid characters: \"1x\".\n";
  const struct {
    const char* variable;
    const char* locale;
    bool japanese;
  } cases[] = {{"LC_ALL", "ja_JP.UTF-8", true},
               {"LANG", "ja_JP.UTF-8", true},
               {"LC_ALL", "C", false},
               {"LANG", "en_US.UTF-8", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.variable) + "=" + c.locale);
    QProcessEnvironment env = run.Environment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"}) env.remove(name);
    env.insert(c.variable, c.locale);
    QProcess recorder;
    run.Start(recorder, {}, env, run.File("work"));
    ASSERT_TRUE(recorder.waitForFinished(20000));
    EXPECT_EQ(recorder.exitCode(), 1);
    const QString err = QString::fromUtf8(recorder.readAllStandardError());
    EXPECT_TRUE(err.contains(c.japanese ? japanese : english)) << err.toStdString();
    // The line that names the settings file at start.
    EXPECT_TRUE(err.contains(QStringLiteral("quorvin18: %1 %2\n")
                                 .arg(c.japanese ? QString::fromUtf8("INIファイル") : "settings file",
                                      QFileInfo(run.SettingsFile()).canonicalFilePath())))
        << err.toStdString();
  }
}

// Under the Japanese translation the boxes show exactly the Japanese system's texts.
TEST(Languages, JapaneseBoxesCarryTheJapaneseTexts) {
  ASSERT_TRUE(InstallTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
  struct English {
    ~English() { EXPECT_FALSE(InstallTranslations(QLocale::c())); }
  } english;
  Shell shell;
  QDir().mkpath(shell.work.File("instances"));
  QLockFile other(shell.work.File("instances/other.lock"));
  ASSERT_TRUE(other.tryLock(0));
  EXPECT_FALSE(shell.form().Form_Load());
  Settings settings;
  LoadOptions load;
  load.boxes = &shell.boxes;
  WriteAll(shell.work.File("bad.ini"), "DevIndex = 1x\r\n");
  LoadSettings(settings, shell.work.File("bad.ini"), load);
  SaveSettings(settings, shell.work.File("gone/quorvin18.ini"), shell.clock, &shell.boxes);
  ASSERT_EQ(shell.boxes.boxes.size(), 3u);
  EXPECT_EQ(shell.boxes.boxes[0].title, QString::fromUtf8("ロードエラー"));
  EXPECT_EQ(shell.boxes.boxes[0].text, QString::fromUtf8("このアプリケーションはすでに開かれています。"));
  EXPECT_EQ(shell.boxes.boxes[1].title, QString::fromUtf8("INIファイルロードエラー"));
  EXPECT_EQ(shell.boxes.boxes[1].text,
            QString::fromUtf8("INIファイルの数値データに不正な文字 「1x」 が混入しています。"));
  EXPECT_EQ(shell.boxes.boxes[2].title, QString::fromUtf8("INIファイルセーブエラー"));
  EXPECT_TRUE(shell.boxes.boxes[2].text.startsWith(
      QString::fromUtf8("INIファイル %1 を書き込めません（").arg(shell.work.File("gone/quorvin18.ini"))));
}

}  // namespace
}  // namespace quorvin::test
