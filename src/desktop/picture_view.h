#pragma once
// A picture in a scroll box that can be fitted to the box or zoomed. The
// mouse wheel scrolls the box under the pointer (sideways while Shift is
// held); Ctrl and the wheel zoom about the pointer. A mosaic's ring can be
// drawn over it as an outline, and moved with the mouse: dragged from
// inside, or its centre placed by a click with Shift held.
#include <QImage>
#include <QScrollArea>
#include <optional>

#include "engine/well_results.h"
#include "imaging/picture.h"

class QPainter;

namespace vembrel {

class PictureView : public QScrollArea {
  Q_OBJECT
 public:
  /// name: the view's object name ("resultView").
  explicit PictureView(const QString& name, QWidget* parent = nullptr);

  /// Shows the picture at the present zoom (fitted while fitting).
  void showPicture(const Picture& picture);
  void showImage(QImage image);
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

  /// Draws the ring (centre row counted from the bottom of the picture) as
  /// a 2-pixel outline in a colour that stands out on the mosaics; none: no outline.
  void setRingOutline(std::optional<Ring> ring);
  const std::optional<Ring>& ringOutline() const { return ring_; }
  /// Lets the mouse move the outlined ring (ringMoved tells where to).
  void setRingMovable(bool movable) { movable_ = movable; }
  /// The picture point (column, row from the bottom) under a point of the
  /// picture's widget, clamped onto the picture.
  QPoint picturePoint(QPointF canvasPoint) const;

  static constexpr double kSmallestZoom = 0.1;
  static constexpr double kLargestZoom = 8.0;
  static constexpr int kOutlineWidth = 2;
  /// Yellow: apart from the blue and green stains, the red immigrants and grey.
  static constexpr QRgb kOutlineColour = 0xffffff00;

 signals:
  /// The ring's centre was dragged or placed with the mouse to (x, y), row
  /// counted from the bottom.
  void ringMoved(int x, int y);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void paintOutline(QPainter& painter) const;
  double scale() const;
  void applyZoom(double zoom);
  double fittingZoom() const;

  QImage image_;
  QWidget* canvas_;
  double zoom_ = 1.0;
  bool fitting_ = true;
  QPoint focus_{-1, -1};
  std::optional<Ring> ring_;
  bool movable_ = false;
  std::optional<QPoint> dragFrom_;  // picture point where a drag began
  QPoint dragBy_;                   // how far the drag has moved the centre so far
};

}  // namespace vembrel
