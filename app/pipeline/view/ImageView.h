#pragma once
// Shows an imaging control's picture: the main window's display and the area window. The whole picture is
// always shown, scaled to the widget with its aspect kept and centred; mouse positions are reported in
// picture pixels, and the control's selection rectangle is drawn while it is visible.

#include "ImagingControl.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>

namespace quorvin {

class ImageView : public QWidget {
  Q_OBJECT

 public:
  // The view redraws whenever the control repaints; the control must outlive the view.
  explicit ImageView(ImagingControl& control, QWidget* parent = nullptr);
  ~ImageView() override;

  ImagingControl& Control() const { return control_; }
  // Where the picture is drawn inside the widget (empty without a picture).
  QRectF PictureArea() const;
  // A widget position in picture pixels (not clamped: a drag may leave the picture).
  QPointF ToPicture(const QPointF& widgetPosition) const;
  QSize sizeHint() const override;

 signals:
  // Positions in picture pixels; the buttons and modifiers as the event had them.
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, float x, float y);
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, float x, float y);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, float x, float y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  ImagingControl& control_;
};

}  // namespace quorvin
