#pragma once
// The modal plate overview "Overview": a thumbnail of every included well's
// green mosaic with the quick ring estimate marked in red, in a plate-shaped
// grid that scrolls on a screen smaller than the grid. Built when shown.
// A well whose ring is known (reviewed, or analysed) shows that ring as an
// outline instead; a double click on a well chooses it and closes the dialog.
#include <QDialog>
#include <array>
#include <optional>

#include "engine/plate_results.h"
#include "plate/plate.h"

class QLabel;

namespace vembrel {

class PlateOverviewDialog : public QDialog {
  Q_OBJECT
 public:
  /// radius: the ring size (the settings' ring radius) used for the estimate and the marking.
  PlateOverviewDialog(const Plate& plate, int radius, QWidget* parent = nullptr);

  /// The wells' present rings, drawn as outlines in place of the estimate; before build().
  void setCurrentRings(std::vector<std::optional<Ring>> rings) {
    rings_ = std::move(rings);
    rings_.resize(plate_.wells.size());
  }
  /// Builds the thumbnails (also done when the window is first shown).
  void build();
  /// The well double-clicked (the dialog is then accepted), -1 before any.
  int chosenWell() const { return chosen_; }
  bool built() const { return built_; }
  /// Thumbnail holder of a well ("thumbnailA01").
  QLabel* thumbnail(int well) const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Plate plate_;
  int radius_;
  std::vector<std::optional<Ring>> rings_;  // one per well
  int chosen_ = -1;
  bool built_ = false;
};

}  // namespace vembrel
