#pragma once
// A picture in a scroll box that can be fitted to the box or zoomed. The
// mouse wheel scrolls the box under the pointer (sideways while Shift is
// held); Ctrl and the wheel zoom about the pointer.
#include <QImage>
#include <QScrollArea>

#include "imaging/picture.h"

namespace vembrel {

class PictureView : public QScrollArea {
  Q_OBJECT
 public:
  /// name: the view's object name ("resultView").
  explicit PictureView(const QString& name, QWidget* parent = nullptr);

  /// Shows the picture at the present zoom (fitted while fitting).
  void showPicture(const Picture& picture);
  const QImage& image() const { return image_; }

  /// Scales the picture to fit the box whole, also as the box is resized.
  void fitToWindow();
  /// Shows the picture 1:1, centred on the focus point.
  void showActualSize();
  /// Scales by factor, keeping the picture point under anchor (viewport coordinates) in place.
  void zoomBy(double factor, QPointF anchor);
  double zoom() const { return zoom_; }
  bool fitting() const { return fitting_; }
  /// A point of the picture (top-down pixels) to centre on at 1:1, such as the ring's centre.
  void setFocusPoint(QPoint point) { focus_ = point; }

  static constexpr double kSmallestZoom = 0.1;
  static constexpr double kLargestZoom = 8.0;

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void applyZoom(double zoom);
  double fittingZoom() const;

  QImage image_;
  QWidget* canvas_;
  double zoom_ = 1.0;
  bool fitting_ = true;
  QPoint focus_{-1, -1};
};

}  // namespace vembrel
