// The cell level of the well window: the change handlers of the "Cells" tab,
// ReCalcCells, DoTheCell and the well data export. Kept apart from the
// nuclear analysis so that the cell segmentation can grow here on its own.
#include <string>

#include "core/convert.h"
#include "core/program_state.h"
#include "engine/well_window.h"

namespace vembrel {

void WellWindow::cellScrollBarChange(int number) {
  const int position = scrollBars_[number].position;
  switch (number) {
    // Cut-off below saturation, minimum below maximum: push the partner one step.
    case 15:
    case 17:
    case 6: {
      const int partner = number == 6 ? 5 : number + 1;
      if (position < scrollBars_[partner].position) {
        ReCalcCells();
      } else {
        setScrollBar(partner, position + 1);
      }
      break;
    }
    case 16:
    case 18:
    case 5: {
      const int partner = number == 5 ? 6 : number - 1;
      if (position > scrollBars_[partner].position) {
        ReCalcCells();
      } else {
        setScrollBar(partner, position - 1);
      }
      break;
    }
    case 19:
    case 20:
      ReCalcCells();
      break;
    default:
      break;
  }
}

void WellWindow::cellCheckBoxClick(int number) {
  if (number == 4 || number == 7 || number == 8 || number == 9) ReCalcCells();
}

void WellWindow::radioButtonClick(int /*number*/) {
  DoTheCell("");
}

void WellWindow::ReCalcCells() {
  if (checkBoxes_[3]) DoTheCell("");
}

void WellWindow::DoTheCell(const std::string& /*fileName*/) {
  // No cell is kept until the segmentation runs here: seeds only.
  setLabel("Label43", "0/" + std::to_string(state().ObjectList.size()));
}

void WellWindow::Button9Click() {
  DoTheCell("");
}

}  // namespace vembrel
