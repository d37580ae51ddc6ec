#include "ImageFiles.h"

#include "AtomicFile.h"

#include "ImageOps.h"
#include "ImagingError.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>

#include <opencv2/imgproc.hpp>

#include <turbojpeg.h>

#include <cmath>
#include <memory>

namespace quorvin::imaging {

namespace {

Q_LOGGING_CATEGORY(lcImageFiles, "quorvin.pipeline.files")

struct TjDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDeleter>;

QString TjError(void* handle) {
  return QString::fromLocal8Bit(tjGetErrorStr2(handle));
}

// A header may claim any size; a 28 KB file claiming 30000 x 30000 would take gigabytes to decode.
// Refused with a warning of its own, as start-up passes over a logo that fails without a word.
void CheckPictureSize(int64_t width, int64_t height, const QString& path) {
  if (width * height <= kMaxPicturePixels) return;
  const QString why = QStringLiteral("%1: %2 x %3 pixels is more than a picture may have (%4); not loaded")
                          .arg(path)
                          .arg(width)
                          .arg(height)
                          .arg(kMaxPicturePixels);
  qCWarning(lcImageFiles).noquote() << why;
  throw ImagingError(ErrorCode::ImageLoad, why);
}

cv::Mat DecodeJpeg(const QByteArray& bytes, const QString& path) {
  TjHandle tj(tjInitDecompress());
  if (!tj) throw ImagingError(ErrorCode::ImageLoad, QStringLiteral("cannot start the JPEG decoder"));
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  const auto size = static_cast<unsigned long>(bytes.size());
  if (tjDecompressHeader3(tj.get(), data, size, &width, &height, &subsampling, &colorspace) != 0)
    throw ImagingError(ErrorCode::ImageLoad, QStringLiteral("%1: %2").arg(path, TjError(tj.get())));
  CheckPictureSize(width, height, path);
  cv::Mat picture(height, width, kColorType);
  if (tjDecompress2(tj.get(), data, size, picture.data, width, static_cast<int>(picture.step), height,
                    TJPF_BGRX, TJFLAG_ACCURATEDCT) != 0 &&
      tjGetErrorCode(tj.get()) == TJERR_FATAL)
    throw ImagingError(ErrorCode::ImageLoad, QStringLiteral("%1: %2").arg(path, TjError(tj.get())));
  // libjpeg-turbo leaves X undefined for TJPF_BGRX; ours is always opaque.
  const cv::Mat x = Filled(picture.size(), CV_8U, cv::Scalar(255));
  cv::mixChannels(&x, 1, &picture, 1, std::vector<int>{0, 3}.data(), 1);
  return picture;
}

}  // namespace

int JpegQualityFromFactor(int factor) {
  if (factor < 2 || factor > 255)
    throw ImagingError(ErrorCode::JpegEncode,
                       QStringLiteral("quality factor %1 is out of range 2..255").arg(factor));
  if (factor <= 90) return 102 - factor;
  return static_cast<int>(std::lround(12.0 - (factor - 90) * 11.0 / 165.0));
}

cv::Mat LoadPicture(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw ImagingError(ErrorCode::ImageLoad, QStringLiteral("%1: %2").arg(path, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (bytes.startsWith("\xFF\xD8")) return DecodeJpeg(bytes, path);

  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer);
  if (const QSize size = reader.size(); size.isValid()) CheckPictureSize(size.width(), size.height(), path);
  // Qt's own limit (256 MB) is lower; ours is the one that holds.
  reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024) + 1));
  QImage image;
  if (!reader.read(&image))
    throw ImagingError(
        ErrorCode::ImageLoad,
        QStringLiteral("%1: not a JPEG, BMP or PNG picture (%2)").arg(path, reader.errorString()));
  image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const cv::Mat view(image.height(), image.width(), kColorType, image.bits(),
                     static_cast<size_t>(image.bytesPerLine()));
  return view.clone();
}

QByteArray EncodeJpeg(const cv::Mat& picture, int bits, int qualityFactor) {
  if (bits != 24 && bits != 8)
    throw ImagingError(ErrorCode::JpegEncode,
                       QStringLiteral("%1 bits per pixel cannot be written (24 or 8)").arg(bits));
  const int quality = JpegQualityFromFactor(qualityFactor);
  if (picture.empty())
    throw ImagingError(ErrorCode::NoImage, QStringLiteral("an empty image cannot be saved"));

  cv::Mat pixels = picture;
  int format = TJPF_BGRX, subsampling = TJSAMP_420;
  if (bits == 8) {
    if (picture.type() != kGreyType) cv::cvtColor(picture, pixels, cv::COLOR_BGRA2GRAY);
    format = TJPF_GRAY;
    subsampling = TJSAMP_GRAY;
  } else if (picture.type() != kColorType) {
    pixels = AsColor(picture);
  }
  TjHandle tj(tjInitCompress());
  if (!tj) throw ImagingError(ErrorCode::JpegEncode, QStringLiteral("cannot start the JPEG encoder"));
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int failed = tjCompress2(tj.get(), pixels.data, pixels.cols, static_cast<int>(pixels.step),
                                 pixels.rows, format, &jpeg, &size, subsampling, quality, TJFLAG_FASTDCT);
  std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(jpeg, tjFree);
  if (failed != 0) throw ImagingError(ErrorCode::JpegEncode, TjError(tj.get()));
  return QByteArray(reinterpret_cast<const char*>(jpeg), static_cast<qsizetype>(size));
}

void SaveJpeg(const cv::Mat& picture, const QString& path, int bits, int qualityFactor) {
  const QByteArray bytes = EncodeJpeg(picture, bits, qualityFactor);
  // Not QSaveFile: it can report success after a write that failed half-way (a full disk), and then
  // renames a truncated picture over the good one.
  QString error;
  int errorNumber = 0;
  if (!WriteFileAtomically(path, bytes, &error, Durability::Visible, &errorNumber))
    throw ImagingError(ErrorCodeFromErrno(errorNumber), error);
}

}  // namespace quorvin::imaging
