#include "EngineFixture.h"

#include "Naming.h"
#include "SettingsFile.h"

#include <QFile>
#include <QPainter>

#include <turbojpeg.h>

namespace quorvin::test {

JpegInfo InspectJpeg(const QByteArray& bytes) {
  JpegInfo info;
  if (bytes.size() < 4 || !bytes.startsWith("\xFF\xD8") || !bytes.endsWith("\xFF\xD9")) return info;
  tjhandle tj = tjInitDecompress();
  int subsamp = 0, colorspace = 0;
  const int rc = tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                     static_cast<unsigned long>(bytes.size()), &info.width, &info.height,
                                     &subsamp, &colorspace);
  tjDestroy(tj);
  if (rc != 0) return info;
  info.grey = subsamp == TJSAMP_GRAY;
  const qsizetype dqt = bytes.indexOf("\xFF\xDB");
  if (dqt < 0 || dqt + 5 >= bytes.size()) return info;
  info.firstLumaQuant = static_cast<unsigned char>(bytes[dqt + 5]);  // after marker, length and Pq/Tq
  info.valid = true;
  return info;
}

int ExpectedFirstLumaQuant(int q) {
  const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
  return std::clamp((16 * scale + 50) / 100, 1, 255);
}

QImage DecodeJpeg(const QString& path) {
  const QByteArray bytes = ReadAll(path);
  tjhandle tj = tjInitDecompress();
  int w = 0, h = 0, subsamp = 0, cs = 0;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  QImage image;
  if (tjDecompressHeader3(tj, data, static_cast<unsigned long>(bytes.size()), &w, &h, &subsamp, &cs) == 0) {
    image = QImage(w, h, QImage::Format_RGB888);
    if (tjDecompress2(tj, data, static_cast<unsigned long>(bytes.size()), image.bits(), w,
                      static_cast<int>(image.bytesPerLine()), h, TJPF_RGB, 0) != 0)
      image = QImage();
  }
  tjDestroy(tj);
  return image;
}

int CountPixelsUnlike(const QImage& image, QColor color, int tolerance) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - color.red()) > tolerance || std::abs(c.green() - color.green()) > tolerance ||
          std::abs(c.blue() - color.blue()) > tolerance)
        ++count;
    }
  return count;
}

QStringList ErrorLogLines() {
  QString text = QString::fromUtf8(ReadAll(QStringLiteral("Qv_error.log")));
  if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
  return text.isEmpty() ? QStringList() : text.split(QStringLiteral("\r\n"));
}

void EngineFixture::SetUp() {
  LoadOptions options;
  options.refresh = [this](Settings& s) { DeriveNameFormats(s, naming_); };
  LoadSettings(settings_, QStringLiteral("/nonexistent/quorvin18.ini"), options);
  settings_.NetworkPath = Folder(QStringLiteral("live"));
  settings_.histPath = Folder(QStringLiteral("hist"));

  korvex_ = std::make_unique<korvex::CKorvexCtrl>();
  int testDevice = -1;
  for (int i = 0; i < korvex_->GetNumDrivers(); ++i)
    if (korvex_->DeviceNameList(i).startsWith(QStringLiteral("Test Pattern"))) testDevice = i;
  ASSERT_GE(testDevice, 0) << "the test-pattern device is missing";
  settings_.DevIndex = testDevice;
  korvex_->SetDeviceIndex(testDevice);
  video_ = std::make_unique<KorvexVideoDevice>(*korvex_);
  // As start-up fits the window: the frame control is kept at 15 twips per video pixel.
  controls_.LEAD1[0].SetWidth(static_cast<float>(video_->VideoWidth() * 15));
  controls_.LEAD1[0].SetHeight(static_cast<float>(video_->VideoHeight() * 15));
  engine_ = std::make_unique<CaptureEngine>(settings_, naming_, controls_, video_.get(), host_, clock_);
  BuildHistoryNames(settings_, naming_, clock_);
}

void EngineFixture::TearDown() {
  engine_.reset();
  video_.reset();
  korvex_.reset();
}

}  // namespace quorvin::test
