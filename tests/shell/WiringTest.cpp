// What an operator reaches only through the window's wiring, on the real main window with the real capture
// engine and a test-pattern camera showing black.
#include "SettingsFile.h"
#include "SettingsRules.h"
#include "ShellTestSupport.h"

#include <korvex/KorvexCtrl.h>
#include <korvex/TestPatternDevice.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

class BlackCamera final : public korvex::DeviceSource {
 public:
  std::vector<std::shared_ptr<korvex::CaptureDevice>> Enumerate() override {
    auto device = std::make_shared<korvex::TestPatternDevice>();
    device->SetControl(QStringLiteral("pattern"), 2);  // videotestsrc's black
    return {device};
  }
};

// The brightest grey value of a picture: black frames stay near 0, a stamp or an inverted frame is bright.
int Brightest(const QImage& image) {
  int best = 0;
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) best = std::max<int>(best, grey.constScanLine(y)[x]);
  return best;
}

class Wiring : public ::testing::Test {
 protected:
  Wiring() : shell(/*recordingEngine=*/false, 1) { shell.devices = std::make_shared<BlackCamera>(); }
  void Start(const QString& extra) {
    const QString ini = QStringLiteral("NetworkPath = %1/\r\nch1(28) = 0\r\nch1(6) = 0\r\nch1(7) = 0\r\n")
                            .arg(shell.work.File("live")) +
                        extra;
    WriteAll(shell.SettingsFile(), ini.toUtf8());
    ASSERT_TRUE(shell.form().Form_Load());
  }
  void Click(const QString& name) {
    auto* button = shell.Find<QAbstractButton>(name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    button->click();
  }
  QImage LiveImage() { return QImage(shell.work.File("live/tovra.jpg")); }
  Shell shell;
};

TEST_F(Wiring, SnapshotButtonKeepsEachFrameAsTheNextNumberedJpegWithoutStamp) {
  Start({});
  auto* button = shell.Find<QPushButton>("Command3");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "DigiCame");
  EXPECT_EQ(button->toolTip(),
            QString::fromUtf8("デジタルカメラとして動作し、通し番号のファイル名で保存します"));
  Click("Command3");
  Click("Command3");
  for (const char* name : {"vk00000.jpg", "vk00001.jpg"}) {
    QImageReader reader(shell.work.File(name));
    EXPECT_EQ(reader.format(), "jpeg") << name;
    const QImage image = reader.read();
    EXPECT_EQ(image.size(), QSize(640, 480)) << name;
    // The stamp is on for the live image, yet a snapshot is the bare frame.
    EXPECT_LT(Brightest(image), 40) << name;
  }
  EXPECT_FALSE(QFile::exists(shell.work.File("vk00002.jpg")));
  EXPECT_TRUE(shell.boxes.boxes.empty());
}

TEST(WiringSnapshot, WithoutACameraTheOperatorIsToldAndTheProgramGoesOn) {
  Shell shell(false, 0);
  ASSERT_TRUE(shell.form().Form_Load());
  shell.Find<QPushButton>("Command3")->click();
  ASSERT_EQ(shell.boxes.boxes.size(), 1u);
  EXPECT_EQ(shell.boxes.boxes[0].title, "DigiCame");
  EXPECT_TRUE(shell.boxes.boxes[0].text.startsWith("Cannot get a frame ("))
      << shell.boxes.boxes[0].text.toStdString();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(QFile::exists(shell.work.File("vk00000.jpg")));
  EXPECT_FALSE(shell.form().Ending());
}

TEST_F(Wiring, MissingLogoAndMaskAreDroppedAtStartAndOnLoadIniData) {
  const QString gone = shell.work.File("gone");
  Start(QStringLiteral("LogomarkFilename = %1/logo.png\r\nLogomarkMaskFilename = %1/mask.png\r\n"
                       "ch1(14) = 1\r\nch1(11) = 1\r\n")
            .arg(gone));
  const Settings& s = shell.form().settings();
  EXPECT_TRUE(s.LogomarkFilename.isEmpty());
  EXPECT_TRUE(s.LogomarkMaskFilename.isEmpty());
  EXPECT_EQ(s.ch1[Switch::UseLogoMask], 0);
  EXPECT_FALSE(shell.Find<QAbstractButton>("Check1_14")->isChecked());
  EXPECT_TRUE(shell.Box("Text2_4")->text().isEmpty());

  // "Load Ini Data": a logo that exists is loaded and kept, a missing mask dropped again.
  QImage logo(40, 20, QImage::Format_RGB32);
  logo.fill(Qt::white);
  ASSERT_TRUE(logo.save(shell.work.File("logo.png")));
  WriteAll(shell.SettingsFile(),
           QStringLiteral("LogomarkFilename = %1\r\nLogomarkMaskFilename = %2/mask.png\r\n"
                          "ch1(14) = 1\r\n")
               .arg(shell.work.File("logo.png"), gone)
               .toUtf8());
  Click("Command1_4");
  EXPECT_EQ(s.LogomarkFilename, shell.work.File("logo.png"));
  EXPECT_EQ(shell.form().imaging().LEAD1[3].ImageWidth(), 40.0f);
  EXPECT_TRUE(s.LogomarkMaskFilename.isEmpty());
  EXPECT_EQ(s.ch1[Switch::UseLogoMask], 0);

  shell.form().EndProgram();
  Settings saved;
  LoadSettings(saved, shell.SettingsFile());
  EXPECT_EQ(saved.LogomarkFilename, shell.work.File("logo.png"));
  EXPECT_TRUE(saved.LogomarkMaskFilename.isEmpty());
  EXPECT_EQ(saved.ch1[Switch::UseLogoMask], 0);
}

TEST(WiringSource, OnlySourceOneRunsTheEffects) {
  // Invert on a black frame: white when post-processing ran, black when it did not.
  for (const int source : {1, 5}) {
    Shell shell(false, 1);
    shell.devices = std::make_shared<BlackCamera>();
    WriteAll(shell.SettingsFile(),
             QStringLiteral("NetworkPath = %1/\r\nch1(28) = 0\r\nch1(3) = 0\r\nch1(19) = 1\r\n"
                            "op3(1) = %2\r\n")
                 .arg(shell.work.File("live"))
                 .arg(source)
                 .toUtf8());
    ASSERT_TRUE(shell.form().Form_Load());
    shell.Find<QPushButton>("Command1_0")->click();
    const int brightest = Brightest(QImage(shell.work.File("live/tovra.jpg")));
    if (source == 1)
      EXPECT_GT(brightest, 200);
    else
      EXPECT_LT(brightest, 40);
  }
}

TEST_F(Wiring, UnknownStampStyleSizeAndPlacesDrawWithTheDefaultsAndAreLoggedOnce) {
  QImage logo(20, 20, QImage::Format_RGB32);
  logo.fill(Qt::white);
  ASSERT_TRUE(logo.save(shell.work.File("logo.png")));
  Start(QStringLiteral("op3(5) = 40\r\nop3(2) = 11\r\nSFontSize = 0\r\nop3(3) = 11\r\nch1(11) = 1\r\n"
                       "LogomarkFilename = %1\r\n")
            .arg(shell.work.File("logo.png")));
  Click("Command1_0");
  Click("Command1_0");
  const QImage live = LiveImage();
  EXPECT_GT(Brightest(live.copy(0, live.height() / 2, live.width(), live.height() / 2)), 200);  // the stamp
  EXPECT_GT(qGray(live.pixel(110, 110)), 200);  // the logo at the top left place, offset 100 x 100
  const QStringList log =
      QString::fromUtf8(ReadAll(shell.work.File("Qv_error.log"))).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(log.size(), 4) << log.join('|').toStdString();
  EXPECT_TRUE(log[0].contains("logo placement 11 unknown, 0 used 50 ")) << log[0].toStdString();
  EXPECT_TRUE(log[1].contains("stamp style 40 unknown, 5 used 50 ")) << log[1].toStdString();
  EXPECT_TRUE(log[2].contains("stamp placement 11 unknown, 5 used 50 ")) << log[2].toStdString();
  EXPECT_TRUE(log[3].contains("stamp size \"0\" unknown, 12 used 50 ")) << log[3].toStdString();
}

TEST_F(Wiring, ColourDepthButtonsTakeEffectOnTheNextCapture) {
  Start({});
  Click("Option8_1");
  EXPECT_EQ(shell.form().naming().BitsPerPixel[Output::LiveImage], 8);
  Click("Command1_0");
  EXPECT_EQ(LiveImage().format(), QImage::Format_Grayscale8);
  Click("Option8_0");
  Click("Command1_0");
  EXPECT_NE(LiveImage().format(), QImage::Format_Grayscale8);
}

TEST_F(Wiring, StartHoldsOutOfRangeValuesToTheRulesTheSettingsToolReports) {
  // Values the window's boxes, sliders and switches cannot hold, and file codes whose sum is 0 although
  // one is not (the name preview's default head).
  Start(
      QStringLiteral("inter(0) = 0\r\ninter(1) = 99999\r\nop3(0) = 3\r\nZoom(0) = -1\r\nZoom(1) = 0.125\r\n"
                     "Zoom(2) = 40\r\nEfct(0) = 5000\r\nEfct(1) = 50\r\nColorGanma(0) = -3\r\n"
                     "MarkPosLeft = -5000\r\nch1(10) = 2\r\nch1(17) = 7\r\nop2(2) = -1\r\nop2(3) = 1\r\n"
                     "HiFileFoot(0) =\r\nEfctAWidth = 100\r\nEfctAHeight = 80\r\n"));
  Settings expected;
  LoadSettings(expected, shell.SettingsFile());
  ApplyDisplayCorrections(expected);
  EXPECT_EQ(expected.HiFileHead[0], "qv");
  EXPECT_EQ(expected.inter[0], 1);
  EXPECT_EQ(expected.zoom[Output::LiveThumbnail], 0.13f);
  shell.form().EndProgram();
  EXPECT_EQ(QString::fromUtf8(ReadAll(shell.SettingsFile())),
            QString::fromUtf8(SettingsFileBytes(expected, shell.clock.Now())));
}

TEST_F(Wiring, PreviewWindowOutOfSightMakesThePreviewUnseenAndCapturesGoOn) {
  Start({});
  QWidget* form2 = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("Form2")) form2 = w;
  ASSERT_NE(form2, nullptr);
  auto* korvex = form2->findChild<korvex::CKorvexCtrl*>(QStringLiteral("Korvex1"));
  ASSERT_NE(korvex, nullptr);
  const auto seen = [&] { return korvex->GetPreviewSeen(); };
  // The preview is on from the start, but its window has not been shown: the test device rests.
  EXPECT_TRUE(korvex->GetPreview());
  EXPECT_FALSE(seen());
  EXPECT_FALSE(korvex->captureWindow()->Streaming());
  Click("Command1_0");
  EXPECT_FALSE(LiveImage().isNull());
  QFile::remove(shell.work.File("live/tovra.jpg"));

  Click("Command1_3");  // "Preview"
  EXPECT_TRUE(seen());
  EXPECT_TRUE(korvex->captureWindow()->Streaming());
  form2->showMinimized();
  EXPECT_FALSE(seen());
  form2->showNormal();
  EXPECT_TRUE(seen());
  form2->close();  // the operator's close only hides it
  EXPECT_FALSE(seen());
  Click("Command1_3");
  EXPECT_TRUE(seen());
  Click("Command1_2");  // "Set Task Tray"
  EXPECT_FALSE(seen());
  EXPECT_FALSE(korvex->captureWindow()->Streaming());
  Click("Command1_0");
  EXPECT_FALSE(LiveImage().isNull());
}

}  // namespace
}  // namespace quorvin::test
