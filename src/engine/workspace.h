#pragma once
// The main frame as a toolkit-free model: the open plate, the program-wide
// state and the open well windows in frame order (front first). The desktop
// program listens to its notifications to create and close widgets; the
// batch and the command line drive it directly.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/program_state.h"
#include "engine/well_window.h"
#include "plate/plate.h"

namespace vembrel {

enum class MouseButton { Left, Right, Middle };

class Workspace {
 public:
  explicit Workspace(ProgramState& state);
  ~Workspace();

  ProgramState& state() { return state_; }
  const ProgramState& state() const { return state_; }
  Plate& plate() { return plate_; }
  const Plate& plate() const { return plate_; }

  /// "Open Pictures": closes every well window, then opens the plate of the picture.
  void FileOpen(const std::string& chosenPicture);
  /// "Open Settings": reads and checks the whole file first (an invalid file
  /// changes nothing), then applies it and re-analyses the active window.
  void OpenSettings(const std::string& path);

  /// Open windows, front (active) first.
  const std::vector<std::unique_ptr<WellWindow>>& windows() const { return windows_; }
  WellWindow* activeWindow();
  WellWindow* findWindow(std::string_view caption);

  /// Mouse-down on a plate-map circle.
  void selectphoto(int well, MouseButton button);
  /// Creates, shows and analyses the window of CurrentWell with this caption.
  WellWindow& CreateMDIChild(const std::string& name);
  void bringToFront(WellWindow& window);
  void closeWindow(WellWindow& window);
  void closeAllWindows();
  /// "Apply": FormHide on every other window, from the last to the first.
  void applyToOthers(WellWindow& sender);

  /// ResultsFolder of the open plate ("" without a plate), ending with a
  /// separator; the override when one is set.
  std::string resultsFolder() const;
  /// Writes results (snapshots, data files) into this folder instead; "" restores the default.
  void setResultsFolder(std::string folder);

  // Notifications for a face (any may be empty).
  std::function<void(WellWindow&)> onWindowCreated;  // before FormShow
  std::function<void(WellWindow&)> onWindowClosing;
  std::function<void(WellWindow&)> onWindowActivated;
  std::function<void()> onPlateChanged;  // states or colours of the plate map changed
  std::function<void(const std::string&)> onLargeWellLabelChanged;

 private:
  ProgramState& state_;
  Plate plate_;
  std::vector<std::unique_ptr<WellWindow>> windows_;
  std::string resultsFolderOverride_;
};

}  // namespace vembrel
