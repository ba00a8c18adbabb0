#pragma once
// The main frame's client area: a vertical grey ramp of 256 bands behind the
// well windows, black at the top and white at the bottom.
#include <QMdiArea>

namespace vembrel {

class GreyRampArea : public QMdiArea {
  Q_OBJECT
 public:
  using QMdiArea::QMdiArea;
  /// Band height for a client height: (height + 255) div 256.
  static int bandHeight(int clientHeight) { return (clientHeight + 255) / 256; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vembrel
