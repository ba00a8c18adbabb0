#include "desktop/step_buttons.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace vembrel {

StepButtons::StepButtons(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const auto addButton = [&](Qt::ArrowType arrow, const char* suffix, bool up) {
    auto* button = new QToolButton(this);
    button->setObjectName(name + QString::fromLatin1(suffix));
    button->setArrowType(arrow);
    button->setFixedSize(18, 12);
    layout->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, up] { emit stepped(up); });
  };
  addButton(Qt::UpArrow, "Up", true);
  addButton(Qt::DownArrow, "Down", false);
}

}  // namespace vembrel
