#include "TextDrawing.h"

#include "ImageOps.h"
#include "ImagingError.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorvin::imaging {

namespace {

QColor FromColorRef(int32_t colorRef) {
  return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

int AlignmentFor(int32_t position) {
  static constexpr int kColumns[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  static constexpr int kRows[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
  return kColumns[position / 3] | kRows[position % 3];
}

std::vector<QPoint> Ring(int radius) {
  std::vector<QPoint> offsets;
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
      if ((dx != 0 || dy != 0) && dx * dx + dy * dy <= radius * radius + radius) offsets.emplace_back(dx, dy);
  return offsets;
}

}  // namespace

int FontPixelSize(double points) {
  return std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0)));
}

void InstallFontSubstitutions() {
  static const bool installed = [] {
    const QString sans = QStringLiteral("Noto Sans CJK JP");
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ Ｐゴシック"), sans);
    QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), sans);
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"));
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ 明朝"), QStringLiteral("Noto Serif CJK JP"));
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ Ｐ明朝"), QStringLiteral("Noto Serif CJK JP"));
    return true;
  }();
  (void)installed;
}

void DrawTextOn(cv::Mat& picture, const TextOptions& options, const QString& text) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
    throw ImagingError(ErrorCode::ImageOperation, QStringLiteral("drawing text needs the GUI application"));
  if (options.position < 0 || options.position >= kTextPositionCount)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("text position %1 is out of range 0..8").arg(options.position));
  if (options.style < 0 || options.style >= static_cast<int32_t>(kTextStyles.size()))
    throw ImagingError(
        ErrorCode::ImageOperation,
        QStringLiteral("text style %1 is out of range 0..%2").arg(options.style).arg(kTextStyles.size() - 1));
  if (picture.empty() || text.isEmpty()) return;
  if (picture.type() != kColorType) picture = AsColor(picture);
  InstallFontSubstitutions();

  const QRect whole(0, 0, picture.cols, picture.rows);
  QRect area = whole;
  if (options.width > 0 && options.height > 0) {
    // Clip in 64 bits: a far-off rectangle must not wrap round into the picture.
    const int64_t right = std::min<int64_t>(int64_t{options.left} + options.width, picture.cols);
    const int64_t bottom = std::min<int64_t>(int64_t{options.top} + options.height, picture.rows);
    const int64_t left = std::max<int32_t>(options.left, 0), top = std::max<int32_t>(options.top, 0);
    if (right <= left || bottom <= top) return;
    area = QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                 static_cast<int>(bottom - top));
  } else if (options.width < 0 || options.height < 0) {
    return;
  }

  QString lines = text;
  lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));

  QImage canvas(picture.data, picture.cols, picture.rows, static_cast<qsizetype>(picture.step),
                QImage::Format_RGB32);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font(options.fontName);
  font.setPixelSize(FontPixelSize(options.fontSize));
  painter.setFont(font);
  painter.setClipRect(area);

  const int flags = AlignmentFor(options.position);
  const int d = std::max(1, static_cast<int>(std::lround(font.pixelSize() / 12.0)));
  const QColor aux1 = FromColorRef(options.auxColor1), aux2 = FromColorRef(options.auxColor2);
  const auto drawAt = [&](QPoint offset, const QColor& color) {
    painter.setPen(color);
    painter.drawText(area.translated(offset), flags, lines);
  };
  switch (options.style) {
    case 1:
      drawAt(QPoint(d, d), aux1);
      break;
    case 2:
      for (QPoint offset : {QPoint(-d, -d), QPoint(0, -d), QPoint(d, -d), QPoint(-d, 0), QPoint(d, 0),
                            QPoint(-d, d), QPoint(0, d), QPoint(d, d)})
        drawAt(offset, aux1);
      break;
    case 3:
      drawAt(QPoint(-d, -d), aux1);
      drawAt(QPoint(d, d), aux2);
      break;
    case 4:
      drawAt(QPoint(-d, -d), aux2);
      drawAt(QPoint(d, d), aux1);
      break;
    case 5: {
      const QRect box = painter.boundingRect(area, flags, lines).adjusted(-d, -d, d, d);
      painter.fillRect(box, aux1);
      painter.setPen(aux2);
      painter.drawRect(box.adjusted(0, 0, -1, -1));
      break;
    }
    case 6:
      for (QPoint offset : Ring(2 * d)) drawAt(offset, aux1);
      break;
    default:
      break;
  }
  drawAt(QPoint(0, 0), FromColorRef(options.color));
}

}  // namespace quorvin::imaging
