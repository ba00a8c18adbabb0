// The cell level of the well window: the change handlers of the "Cells" tab,
// ReCalcCells, DoTheCell and the well data export.
#include <string>

#include "core/program_state.h"
#include "core/text_file.h"
#include "engine/cell_level.h"
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

void WellWindow::DoTheCell(const std::string& fileName) {
  if (fileName.empty()) {
    CellLevel(*this).DoTheCell(nullptr);
    return;
  }
  // The file must exist; the blocks are appended and the whole file replaced at once.
  AtomicTextFile file = AtomicTextFile::ForAppend(fileName);
  CellLevel(*this).DoTheCell(&file);
  file.commit();
}

void WellWindow::Button9Click() {
  CellLevel(*this).Export();
}

}  // namespace vembrel
