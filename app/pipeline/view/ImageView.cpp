#include "ImageView.h"

#include "ImageOps.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>

namespace quorvin {

ImageView::ImageView(ImagingControl& control, QWidget* parent) : QWidget(parent), control_(control) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  control_.SetRepaintHandler([this] { update(); }, this);
}

ImageView::~ImageView() {
  control_.SetRepaintHandler({});
}

QSize ImageView::sizeHint() const {
  const cv::Mat& p = control_.Picture();
  return p.empty() ? QSize(320, 240) : QSize(p.cols, p.rows);
}

QRectF ImageView::PictureArea() const {
  const cv::Mat& p = control_.Picture();
  if (p.empty() || width() <= 0 || height() <= 0) return {};
  const double scale =
      std::min(width() / static_cast<double>(p.cols), height() / static_cast<double>(p.rows));
  const QSizeF shown(p.cols * scale, p.rows * scale);
  return QRectF(QPointF((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0), shown);
}

QPointF ImageView::ToPicture(const QPointF& widgetPosition) const {
  const QRectF area = PictureArea();
  if (area.isEmpty()) return {};
  const double scale = area.width() / control_.Picture().cols;
  return (widgetPosition - area.topLeft()) / scale;
}

void ImageView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  const cv::Mat& p = control_.Picture();
  const QRectF area = PictureArea();
  if (area.isEmpty()) return;
  const QImage picture(p.data, p.cols, p.rows, static_cast<qsizetype>(p.step),
                       p.type() == imaging::kGreyType ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, area.width() < p.cols);
  painter.drawImage(area, picture);
  if (control_.SelectionVisible()) {
    const double scale = area.width() / p.cols;
    const QRectF s = control_.SelectionRect();
    const QRectF shown(area.topLeft() + s.topLeft() * scale, s.size() * scale);
    // Two dash patterns over each other stay visible on light and dark pictures alike.
    painter.setPen(QPen(Qt::white, 1, Qt::SolidLine));
    painter.drawRect(shown);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(shown);
  }
}

void ImageView::mousePressEvent(QMouseEvent* event) {
  const QPointF at = ToPicture(event->position());
  emit MouseDown(event->button(), event->modifiers(), static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = ToPicture(event->position());
  emit MouseMove(event->buttons(), event->modifiers(), static_cast<float>(at.x()),
                 static_cast<float>(at.y()));
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF at = ToPicture(event->position());
  emit MouseUp(event->button(), event->modifiers(), static_cast<float>(at.x()), static_cast<float>(at.y()));
}

}  // namespace quorvin
