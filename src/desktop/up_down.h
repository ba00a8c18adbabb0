#pragma once
// The two small arrow buttons beside an edit field ("UpDown1", "UpDown2").
#include <QWidget>

namespace vembrel {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  UpDown(const QString& name, QWidget* parent = nullptr);

 signals:
  void clicked(bool up);
};

}  // namespace vembrel
