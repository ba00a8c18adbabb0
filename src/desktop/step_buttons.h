#pragma once
// The two small arrow buttons beside an edit field that step its value up
// or down; named "<name>Up" and "<name>Down".
#include <QWidget>

namespace vembrel {

class StepButtons : public QWidget {
  Q_OBJECT
 public:
  explicit StepButtons(const QString& name, QWidget* parent = nullptr);

 signals:
  void stepped(bool up);
};

}  // namespace vembrel
