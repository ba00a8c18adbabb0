#pragma once
// The modal plate overview "Overview": a thumbnail of every included well's
// green mosaic with the quick ring estimate marked in red, in a plate-shaped
// grid that scrolls on a screen smaller than the grid. Built when shown.
#include <QDialog>

#include "plate/plate.h"

class QLabel;

namespace vembrel {

class PlateOverviewDialog : public QDialog {
  Q_OBJECT
 public:
  /// radius: the ring size (the settings' ring radius) used for the estimate and the marking.
  PlateOverviewDialog(const Plate& plate, int radius, QWidget* parent = nullptr);

  /// Builds the thumbnails (also done when the window is first shown).
  void build();
  bool built() const { return built_; }
  /// Thumbnail holder of a well ("thumbnailA01").
  QLabel* thumbnail(int well) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Plate plate_;
  int radius_;
  bool built_ = false;
};

}  // namespace vembrel
