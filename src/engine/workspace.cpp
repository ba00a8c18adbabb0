#include "engine/workspace.h"

#include <algorithm>

#include "core/error.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"

namespace vembrel {

Workspace::Workspace(ProgramState& state) : state_(state) {}

Workspace::~Workspace() = default;

void Workspace::FileOpen(const std::string& chosenPicture) {
  closeAllWindows();
  plate_ = OpenPlate(chosenPicture);
  if (onPlateChanged) onPlateChanged();
}

void Workspace::OpenSettings(const std::string& path) {
  // Throws before anything is applied when any value of the file is bad.
  state_.central = ReadSettingsFile(path);
  if (WellWindow* active = activeWindow()) active->FormHide();
}

WellWindow* Workspace::activeWindow() {
  return windows_.empty() ? nullptr : windows_.front().get();
}

WellWindow* Workspace::findWindow(std::string_view caption) {
  for (const auto& window : windows_) {
    if (window->caption() == caption) return window.get();
  }
  return nullptr;
}

void Workspace::selectphoto(int well, MouseButton button) {
  if (well < 0 || well >= kWellCount) well = 0;
  state_.CurrentWell = well;
  WellRecord& record = plate_.wells[well];
  if (button == MouseButton::Right) {
    if (ToggleWellInclusion(plate_, well) == RightClickResult::Excluded) {
      while (WellWindow* window = findWindow(record.name)) closeWindow(*window);
    }
    if (onPlateChanged) onPlateChanged();
    return;
  }
  if (record.state != 1) return;
  state_.largeWellLabel = record.name;
  if (onLargeWellLabelChanged) onLargeWellLabelChanged(record.name);
  if (WellWindow* window = findWindow(record.name)) {
    bringToFront(*window);
  } else {
    CreateMDIChild(record.name);
  }
}

WellWindow& Workspace::CreateMDIChild(const std::string& name) {
  windows_.insert(windows_.begin(), std::make_unique<WellWindow>(*this, name));
  WellWindow& window = *windows_.front();
  // The edit handlers are still detached: this only sets the text.
  window.setEditText(1, std::to_string(state_.central.ring.radius));
  if (onWindowCreated) onWindowCreated(window);
  if (onWindowActivated) onWindowActivated(window);
  window.FormShow();
  return window;
}

void Workspace::bringToFront(WellWindow& window) {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&](const auto& w) { return w.get() == &window; });
  if (it == windows_.end()) return;
  std::rotate(windows_.begin(), it, it + 1);
  if (onWindowActivated) onWindowActivated(window);
}

void Workspace::closeWindow(WellWindow& window) {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&](const auto& w) { return w.get() == &window; });
  if (it == windows_.end()) return;
  if (onWindowClosing) onWindowClosing(window);
  std::unique_ptr<WellWindow> closing = std::move(*it);
  windows_.erase(it);
  if (onWindowActivated && !windows_.empty()) onWindowActivated(*windows_.front());
}

void Workspace::closeAllWindows() {
  while (!windows_.empty()) closeWindow(*windows_.back());
}

void Workspace::applyToOthers(WellWindow& sender) {
  // The order changes as each window takes the focus, so visit a snapshot.
  std::vector<WellWindow*> order;
  for (const auto& window : windows_) order.push_back(window.get());
  const std::string senderCaption = sender.caption();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    WellWindow& window = **it;
    if (window.caption() == senderCaption) continue;
    bringToFront(window);
    window.FormHide();
  }
}

std::string Workspace::resultsFolder() const {
  if (!resultsFolderOverride_.empty()) return resultsFolderOverride_;
  return plate_.open ? ResultsFolderOf(plate_.path) : std::string();
}

void Workspace::setResultsFolder(std::string folder) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  resultsFolderOverride_ = std::move(folder);
}

}  // namespace vembrel
