#include "engine/workspace.h"

#include <algorithm>

#include "plate/settings_file.h"
#include "plate/well_names.h"

namespace vembrel {

Workspace::Workspace() = default;
Workspace::~Workspace() = default;

void Workspace::setUniversalSettings(const AnalysisSettings& settings) {
  universal_ = settings;
  if (onUniversalSettingsChanged) onUniversalSettingsChanged();
}

void Workspace::openPlate(const std::string& pictureOrFolder, const PlateOpenOptions& options) {
  closeAll();
  setPlate(OpenPlate(pictureOrFolder, options));
}

void Workspace::setPlate(Plate plate) {
  closeAll();
  plate_ = std::move(plate);
  // Results of another format name other wells.
  if (results_.format != plate_.format) results_ = PlateResults(plate_.format);
  if (onPlateChanged) onPlateChanged();
}

void Workspace::loadSettings(const std::string& path) {
  // Throws before anything is applied when any value of the file is bad.
  setUniversalSettings(ReadSettingsFile(path));
  if (WellSession* active = activeSession()) active->resetTo(universal_);
}

void Workspace::saveSettings(const std::string& path) const {
  WriteSettingsFile(WithSettingsExtension(path), universal_);
  if (onSettingsSaved) onSettingsSaved(WithSettingsExtension(path));
}

WellSession* Workspace::activeSession() {
  return sessions_.empty() ? nullptr : sessions_.front().get();
}

WellSession* Workspace::findSession(int well) {
  for (const auto& session : sessions_) {
    if (session->well() == well) return session.get();
  }
  return nullptr;
}

void Workspace::toggleExclusion(int well) {
  if (well < 0 || well >= plate_.format.wellCount()) return;
  if (ToggleWellInclusion(plate_, well) == RightClickResult::Excluded) {
    while (WellSession* session = findSession(well)) closeSession(*session);
    results_.forget(well);  // an excluded well has no results, not even earlier ones
  }
  if (onPlateChanged) onPlateChanged();
}

void Workspace::chooseWell(int well) {
  if (well < 0 || well >= plate_.format.wellCount() || plate_.wells[well].state != 1) return;
  chosenWell_ = plate_.wells[well].name;
  if (WellSession* session = findSession(well)) {
    bringToFront(*session);
  } else {
    openWell(well);
  }
}

WellSession& Workspace::openWell(int well) {
  SessionOptions options;
  options.cellLevel = cellLevel_;
  options.zoneCoverage = plate_.timePoints.size() > 1;  // followed over time
  if (reviewedRing) options.ring = reviewedRing(well);
  options.onAnalysed = [this](const WellSession& session) { recordAnalysis(session); };
  auto session = std::make_unique<WellSession>(plate_, well, universal_, std::move(options));
  sessions_.insert(sessions_.begin(), std::move(session));
  WellSession& opened = *sessions_.front();
  if (onSessionOpened) onSessionOpened(opened);
  if (onSessionActivated) onSessionActivated(opened);
  return opened;
}

void Workspace::recordAnalysis(const WellSession& session) {
  // The well analysed last gives the universal settings; the plate's
  // results are those of the time point the plate was opened at.
  if (session.plate().timePoint == plate_.timePoint) {
    results_.record(session.results(), session.settings());
  }
  setUniversalSettings(session.settings());
}

void Workspace::bringToFront(WellSession& session) {
  const auto it = std::find_if(sessions_.begin(), sessions_.end(),
                               [&](const auto& s) { return s.get() == &session; });
  if (it == sessions_.end()) return;
  std::rotate(sessions_.begin(), it, it + 1);
  if (onSessionActivated) onSessionActivated(session);
}

void Workspace::closeSession(WellSession& session) {
  const auto it = std::find_if(sessions_.begin(), sessions_.end(),
                               [&](const auto& s) { return s.get() == &session; });
  if (it == sessions_.end()) return;
  if (onSessionClosing) onSessionClosing(session);
  std::unique_ptr<WellSession> closing = std::move(*it);
  sessions_.erase(it);
  if (onSessionActivated && !sessions_.empty()) onSessionActivated(*sessions_.front());
}

void Workspace::closeAll() {
  while (!sessions_.empty()) closeSession(*sessions_.back());
}

void Workspace::applyToOthers(const WellSession& sender) {
  // The order changes as each session comes to the front, so visit a snapshot.
  std::vector<WellSession*> order;
  for (const auto& session : sessions_) order.push_back(session.get());
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    WellSession& session = **it;
    if (session.well() == sender.well()) continue;
    bringToFront(session);
    session.resetTo(universal_);
  }
}

void Workspace::applyCellSettingsToOthers(const WellSession& sender) {
  AnalysisSettings settings = universal_;
  settings.cells = sender.settings().cells;
  setUniversalSettings(settings);
  applyToOthers(sender);
}

void Workspace::resetToUniversal(WellSession& session) {
  session.resetTo(universal_);
}

WellDataFiles Workspace::saveWellData(const WellSession& session) const {
  return SaveWellData(session, resultsFolder());
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
