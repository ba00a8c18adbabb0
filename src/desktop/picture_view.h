#pragma once
// A picture shown at 1:1 in a scroll box. The mouse wheel scrolls the box
// under the pointer: up and down, or sideways while Shift is held.
#include <QScrollArea>

#include "imaging/picture.h"

class QLabel;

namespace vembrel {

class PictureView : public QScrollArea {
  Q_OBJECT
 public:
  /// name: the picture's object name ("Image1" .. "Image6").
  PictureView(const QString& name, QWidget* parent = nullptr);

  void showPicture(const Picture& picture);
  QLabel& picture() { return *picture_; }

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  QLabel* picture_;
};

}  // namespace vembrel
