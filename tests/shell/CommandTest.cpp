// The operator's command buttons on the real main window: capture now, the folder browser, the logo, mask
// and font dialogs, loading and saving the settings file, the preview window and the area window.
#include "Dialogs.h"
#include "Form2.h"
#include "Form4.h"
#include "ShellTestSupport.h"
#include "StampPanel.h"

#include <korvex/KorvexCtrl.h>

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

const char kImageFilter[] = "(*.*)|*.*|BMP ファイル (*.bmp)|*.bmp|JPG ファイル (*.jpg)|*.jpg|";

void Press(Shell& shell, const QString& name) {
  auto* button = shell.Find<QPushButton>(name);
  ASSERT_NE(button, nullptr) << name.toStdString();
  button->click();
}

QString Picture(const QString& path, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(200, 30, 60));
  EXPECT_TRUE(image.save(path));
  return path;
}

// The real capture engine on the test pattern device, writing into the test's folders.
class CaptureNow : public ::testing::Test {
 protected:
  CaptureNow() : shell(false, 1) {}
  void Start(const QString& extra) {
    const QString ini = QStringLiteral("NetworkPath = %1/\r\nhistPath = %2/\r\nch1(28) = 0\r\n")
                            .arg(shell.work.File("live"), shell.work.File("hist")) +
                        extra;
    WriteAll(shell.SettingsFile(), ini.toUtf8());
    ASSERT_TRUE(shell.form().Form_Load());
  }
  Shell shell;
};

TEST_F(CaptureNow, WritesLiveAndHistoryWithTheSchedulerOffAndKeepsTheNextTimes) {
  Start(QStringLiteral("ch1(9) = 1\r\n"));
  const SchedulerState before = shell.form().scheduler().State();
  Press(shell, "Command1_0");
  EXPECT_EQ(FilesBelow(shell.work.File("live")).size(), 3);
  EXPECT_EQ(FilesBelow(shell.work.File("hist")).size(), 1);
  EXPECT_EQ(shell.form().scheduler().State().NextLiveText, before.NextLiveText);
  EXPECT_EQ(shell.form().scheduler().State().NextHistoryText, before.NextHistoryText);
  EXPECT_FALSE(shell.form().tray().Present());
}

TEST_F(CaptureNow, EveryLiveOutputOffStillGrabsAndWritesTheHistory) {
  Start(QStringLiteral("ch1(6) = 0\r\nch1(7) = 0\r\nch1(8) = 0\r\nch1(10) = 1\r\n"));
  Press(shell, "Command1_0");
  EXPECT_TRUE(FilesBelow(shell.work.File("live")).isEmpty());
  EXPECT_EQ(FilesBelow(shell.work.File("hist")).size(), 1);
}

TEST(Commands, CaptureNowRunsHistoryOnlyWhenAHistoryOutputIsOn) {
  Shell shell;
  shell.LoadDefaults();
  Settings& s = shell.form().settings();
  s.ch1[9] = 0;
  s.ch1[10] = 0;
  // The live writer decides about its outputs itself.
  s.ch1[6] = s.ch1[7] = s.ch1[8] = 0;
  Press(shell, "Command1_0");
  ASSERT_EQ(shell.engine->saves.size(), 1u);
  EXPECT_TRUE(shell.engine->saves[0].live);
  s.ch1[10] = 1;
  Press(shell, "Command1_0");
  ASSERT_EQ(shell.engine->saves.size(), 3u);
  EXPECT_TRUE(shell.engine->saves[1].live);
  EXPECT_FALSE(shell.engine->saves[2].live);
}

TEST(Commands, FolderBrowserRootedAtTheCurrentFolder) {
  Shell shell;
  shell.LoadDefaults();
  Form1& form = shell.form();
  QLineEdit* histBox = shell.Box("text1_17");
  ASSERT_NE(histBox, nullptr);

  // Nothing set: the whole name space and no prompt.
  histBox->setText(QString());
  form.settings().histPath.clear();
  shell.dialogs.NextFolder(shell.work.File("anywhere"));
  Press(shell, "Command1_9");
  ASSERT_EQ(shell.dialogs.folderRequests.size(), 1u);
  EXPECT_EQ(shell.dialogs.folderRequests[0].root, QString());
  EXPECT_EQ(shell.dialogs.folderRequests[0].prompt, QString());
  EXPECT_EQ(form.browseState().BrowseFlags, 1);
  EXPECT_EQ(form.browseState().BrowseOwner, &form);

  // A folder below the current one goes through the box into the setting.
  const QString root = shell.work.File("hist");
  histBox->setText(root);
  const QString rootSetting = form.settings().histPath;
  const QString below = root + QStringLiteral("/camera 1");
  shell.dialogs.NextFolder(below);
  Press(shell, "Command1_9");
  ASSERT_EQ(shell.dialogs.folderRequests.size(), 2u);
  // The box's handler has normalised the setting to end in a separator.
  EXPECT_EQ(shell.dialogs.folderRequests[1].root, rootSetting);
  EXPECT_EQ(shell.dialogs.folderRequests[1].prompt, rootSetting);
  EXPECT_TRUE(histBox->text().startsWith(below)) << histBox->text().toStdString();
  EXPECT_EQ(form.settings().histPath, histBox->text());

  // A cancel leaves box and setting alone.
  const QString kept = form.settings().histPath;
  shell.dialogs.NextFolder(QString());
  Press(shell, "Command1_9");
  EXPECT_EQ(form.settings().histPath, kept);
  EXPECT_EQ(histBox->text(), kept);

  // The live folder through its own box.
  QLineEdit* liveBox = shell.Box("text1_18");
  liveBox->setText(shell.work.File("live"));
  shell.dialogs.NextFolder(shell.work.File("live/www"));
  Press(shell, "Command1_10");
  EXPECT_TRUE(shell.dialogs.folderRequests.back().root.startsWith(shell.work.File("live")));
  EXPECT_TRUE(form.settings().NetworkPath.startsWith(shell.work.File("live/www")));
  EXPECT_EQ(form.settings().NetworkPath, liveBox->text());
  EXPECT_TRUE(form.settings().histPath.startsWith(kept));
}

TEST(Commands, LogoAndMaskFilesAreChosenAndLoaded) {
  Shell shell;
  shell.LoadDefaults();
  Form1& form = shell.form();
  const QString logo = Picture(shell.work.File("logo.bmp"), 40, 24);
  const QString mask = Picture(shell.work.File("mask.jpg"), 40, 24);

  shell.dialogs.NextFile(logo);
  Press(shell, "Command1_11");
  ASSERT_EQ(shell.dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(shell.dialogs.fileRequests[0].filter, QString::fromUtf8(kImageFilter));
  EXPECT_EQ(shell.dialogs.fileRequests[0].initialFile, QString());
  EXPECT_EQ(shell.Box("Text2_4")->text(), logo);
  EXPECT_EQ(form.settings().LogomarkFilename, logo);
  EXPECT_EQ(form.imaging().LEAD1[3].ImageWidth(), 40);
  EXPECT_EQ(form.imaging().logoWidth, 40);
  EXPECT_EQ(form.imaging().logoHeight, 24);
  EXPECT_FALSE(form.stampPanel().Image1_2->pixmap().isNull());

  // The existing file is offered again; a cancel changes nothing.
  shell.dialogs.NextFile(std::nullopt);
  Press(shell, "Command1_11");
  EXPECT_EQ(shell.dialogs.fileRequests[1].initialFile, logo);
  EXPECT_EQ(form.settings().LogomarkFilename, logo);

  shell.dialogs.NextFile(mask);
  Press(shell, "Command1_12");
  EXPECT_EQ(shell.dialogs.fileRequests[2].filter, QString::fromUtf8(kImageFilter));
  EXPECT_EQ(shell.Box("Text2_5")->text(), mask);
  EXPECT_EQ(form.settings().LogomarkMaskFilename, mask);
  EXPECT_TRUE(form.imaging().LEAD1[4].HasImage());
  EXPECT_EQ(form.settings().LogomarkFilename, logo);
}

TEST(Commands, LogoGoneBeforeItIsLoadedShowsTheNameAndLoadsNothing) {
  Shell shell;
  shell.LoadDefaults();
  Form1& form = shell.form();
  const QString logo = Picture(shell.work.File("logo.jpg"), 32, 32);
  form.settings().LogomarkFilename = shell.work.File("no such.bmp");
  shell.dialogs.NextFile(logo);
  shell.dialogs.whileFileDialogOpen = [&] { QFile::remove(logo); };
  Press(shell, "Command1_11");
  // A setting naming no file is not offered as the initial file.
  EXPECT_EQ(shell.dialogs.fileRequests[0].initialFile, QString());
  EXPECT_EQ(shell.Box("Text2_4")->text(), logo);
  EXPECT_EQ(form.settings().LogomarkFilename, logo);
  EXPECT_FALSE(form.imaging().LEAD1[3].HasImage());
  EXPECT_EQ(form.imaging().logoWidth, 0);
  EXPECT_TRUE(form.stampPanel().Image1_2->pixmap().isNull());
}

TEST(Commands, FontDialogWithAndWithoutAnInitialSize) {
  Shell shell;
  shell.LoadDefaults();
  Form1& form = shell.form();
  Settings& s = form.settings();
  s.SFontSize.clear();
  s.stampTextColor = 0x00FF00;
  shell.dialogs.NextFont(FontChoice{QStringLiteral("Noto Serif CJK JP"), 18, 0x0000FF});
  Press(shell, "Command1_13");
  ASSERT_EQ(shell.dialogs.fontRequests.size(), 1u);
  EXPECT_EQ(shell.dialogs.fontRequests[0].name, QString::fromUtf8("ＭＳ Ｐゴシック"));
  EXPECT_FALSE(shell.dialogs.fontRequests[0].size.has_value());
  EXPECT_EQ(shell.dialogs.fontRequests[0].colorBgr, 0x00FF00);
  EXPECT_EQ(s.SFontName, "Noto Serif CJK JP");
  EXPECT_EQ(s.SFontSize, "18");
  EXPECT_EQ(s.stampTextColor, 0x0000FF);
  EXPECT_EQ(form.stampPanel().Label2_5->palette().color(QPalette::Window), QColor(255, 0, 0));

  // The size now given goes in; a cancel keeps all three.
  shell.dialogs.NextFont(std::nullopt);
  Press(shell, "Command1_13");
  ASSERT_EQ(shell.dialogs.fontRequests.size(), 2u);
  EXPECT_EQ(shell.dialogs.fontRequests[1].size, 18);
  EXPECT_EQ(shell.dialogs.fontRequests[1].name, "Noto Serif CJK JP");
  EXPECT_EQ(s.SFontName, "Noto Serif CJK JP");
  EXPECT_EQ(s.SFontSize, "18");
  EXPECT_EQ(s.stampTextColor, 0x0000FF);
}

TEST(Commands, SaveAndLoadRoundTripThroughTheSettingsFile) {
  Shell shell;
  Form1& form = shell.form();
  ASSERT_TRUE(form.Form_Load());
  shell.Box("Text2_0")->setText(QStringLiteral("North gate"));
  Press(shell, "Command1_6");
  EXPECT_TRUE(ReadAll(shell.SettingsFile()).contains("North gate"));

  shell.Box("Text2_0")->setText(QStringLiteral("changed"));
  form.settings().inter[0] = 77;
  Press(shell, "Command1_4");
  EXPECT_EQ(form.settings().stampHead, "North gate");
  EXPECT_EQ(shell.Box("Text2_0")->text(), "North gate");
  EXPECT_NE(form.settings().inter[0], 77);
  EXPECT_TRUE(shell.boxes.boxes.empty());
}

TEST(Commands, PreviewShowsTheWindowWithoutSwitchingThePreviewOn) {
  Shell shell;
  Form1& form = shell.form();
  ASSERT_TRUE(form.Form_Load());
  Press(shell, "Command1_2");  // the tray switches the preview off
  ASSERT_FALSE(form.form2()->isVisible());
  Press(shell, "Command1_3");
  EXPECT_TRUE(form.form2()->isVisible());
  EXPECT_FALSE(form.form2()->Korvex1()->GetPreview());
}

TEST(Commands, DriverDialogsAndTheWindowFollowingANewCaptureSize) {
  Shell shell;
  Form1& form = shell.form();
  ASSERT_TRUE(form.Form_Load());
  korvex::CKorvexCtrl* korvex = form.form2()->Korvex1();
  korvex->SetCenterWindow(true);
  const auto chooseSize = [korvex](const QString& size) {
    korvex->SetDialogRunner([size](QDialog& dialog) {
      auto* box = dialog.findChild<QComboBox*>(QStringLiteral("sizeBox"));
      EXPECT_NE(box, nullptr);
      if (box) box->setCurrentIndex(box->findText(size));
      return int(QDialog::Accepted);
    });
  };
  chooseSize(QStringLiteral("320 x 240"));
  Press(shell, "Command1_7");
  EXPECT_EQ(korvex->GetVideoWidth(), 320);
  EXPECT_FALSE(korvex->GetCenterWindow());
  EXPECT_EQ(form.imaging().LEAD1[0].Width(), 320 * 15);
  EXPECT_EQ(form.imaging().LEAD1[0].Height(), 240 * 15);
  // The device keeps its format between runs: put it back for the other tests.
  chooseSize(QStringLiteral("640 x 480"));
  Press(shell, "Command1_7");
  EXPECT_EQ(form.imaging().LEAD1[0].Width(), 640 * 15);

  QStringList opened;
  korvex->SetDialogRunner([&](QDialog& dialog) {
    opened << dialog.windowTitle();
    return int(QDialog::Rejected);
  });
  Press(shell, "Command1_8");
  ASSERT_EQ(opened.size(), 1);
  EXPECT_NE(opened[0], QStringLiteral("Video Format"));
  korvex->SetDialogRunner(nullptr);
}

TEST(Commands, PreviewButtonsOpenOneAreaWindowThatSetsTheAreaOfTheCurrentTab) {
  Shell shell;
  Form1& form = shell.form();
  ASSERT_TRUE(form.Form_Load());
  Settings& s = form.settings();
  form.SSTab1()->setCurrentIndex(2);
  Press(shell, "Command2_1");
  Form4* area = form.form4();
  ASSERT_NE(area, nullptr);
  EXPECT_TRUE(area->isVisible());
  Press(shell, "Command2_0");
  EXPECT_EQ(form.form4(), area);

  const auto drag = [&] {
    area->Lead1_MouseDown(0, 1, 0, 20, 10);
    area->Lead1_MouseMove(0, 1, 0, 120, 60);
    area->Lead1_MouseUp(0, 1, 0, 120, 60);
  };
  const Settings before = s;
  drag();
  EXPECT_NE(std::tie(s.EfctALeft, s.EfctATop, s.EfctAWidth, s.EfctAHeight),
            std::tie(before.EfctALeft, before.EfctATop, before.EfctAWidth, before.EfctAHeight));
  EXPECT_EQ(
      std::tie(s.StampAreaLeft, s.StampAreaTop, s.StampAreaWidth, s.StampAreaHeight),
      std::tie(before.StampAreaLeft, before.StampAreaTop, before.StampAreaWidth, before.StampAreaHeight));

  const Settings afterEffect = s;
  form.SSTab1()->setCurrentIndex(3);
  drag();
  EXPECT_NE(s.StampAreaWidth, afterEffect.StampAreaWidth);
  EXPECT_EQ(
      std::tie(s.EfctALeft, s.EfctATop, s.EfctAWidth, s.EfctAHeight),
      std::tie(afterEffect.EfctALeft, afterEffect.EfctATop, afterEffect.EfctAWidth, afterEffect.EfctAHeight));

  // The tray closes it; the next press makes a new one.
  Press(shell, "Command1_2");
  EXPECT_EQ(form.form4(), nullptr);
  Press(shell, "Command2_0");
  ASSERT_NE(form.form4(), nullptr);
  EXPECT_TRUE(form.form4()->isVisible());
  // The operator's own close, then a press: a new window, not the closed one.
  form.form4()->close();
  Press(shell, "Command2_1");
  ASSERT_NE(form.form4(), nullptr);
  EXPECT_TRUE(form.form4()->isVisible());
  // The end of the program takes it along.
  form.EndProgram();
  EXPECT_EQ(form.form4(), nullptr);
}

TEST(Commands, ImageFiltersAndFolderRootsInQtTerms) {
  EXPECT_EQ(QtNameFilters(QString::fromUtf8(kImageFilter)),
            (QStringList{QStringLiteral("(*)"), QString::fromUtf8("BMP ファイル (*.bmp)"),
                         QString::fromUtf8("JPG ファイル (*.jpg)")}));
  EXPECT_EQ(QtNameFilters(QStringLiteral("Pictures|*.png;*.gif|")), QStringList{"Pictures (*.png *.gif)"});
  EXPECT_TRUE(FolderWithin(QString(), QStringLiteral("/srv")));
  EXPECT_TRUE(FolderWithin(QStringLiteral("/srv/cam/"), QStringLiteral("/srv/cam")));
  EXPECT_TRUE(FolderWithin(QStringLiteral("/srv/cam"), QStringLiteral("/srv/cam/2024/06")));
  EXPECT_FALSE(FolderWithin(QStringLiteral("/srv/cam"), QStringLiteral("/srv/camera")));
  EXPECT_FALSE(FolderWithin(QStringLiteral("/srv/cam"), QStringLiteral("/srv")));
  EXPECT_FALSE(FolderWithin(QStringLiteral("/srv/cam"), QStringLiteral("/srv/cam/../other")));
}

}  // namespace
}  // namespace quorvin::test
