#pragma once
// The desktop's main frame as a toolkit-free model: the open plate, the
// universal settings, the open well sessions in frame order (front first) and
// the plate's results. The desktop program listens to its notifications to
// create and close widgets, and hands the batch its plate, settings, open
// wells and results.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/cell_data_file.h"
#include "engine/plate_results.h"
#include "engine/well_session.h"
#include "plate/analysis_settings.h"
#include "plate/plate.h"

namespace vembrel {

class Workspace {
 public:
  Workspace();
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  const Plate& plate() const { return plate_; }
  /// The settings new wells open with: those of the well analysed last.
  const AnalysisSettings& universalSettings() const { return universal_; }
  void setUniversalSettings(const AnalysisSettings& settings);
  PlateResults& results() { return results_; }
  const PlateResults& results() const { return results_; }
  /// Whether wells open at cell level (off at first).
  bool cellLevel() const { return cellLevel_; }
  void setCellLevel(bool cells) { cellLevel_ = cells; }
  /// Name of the well chosen last on the plate map ("" before any).
  const std::string& chosenWell() const { return chosenWell_; }

  /// "Open Pictures": closes every well, then opens the plate of the picture or folder.
  void openPlate(const std::string& pictureOrFolder, const PlateOpenOptions& options = {});
  /// Takes a plate opened elsewhere (the batch's workers, tests).
  void setPlate(Plate plate);
  /// "Open Settings": reads and checks the whole file first (a bad file
  /// changes nothing), then re-analyses the active well with it.
  void loadSettings(const std::string& path);
  /// "Save Settings": the universal settings, ".VLS" added to a name without extension.
  void saveSettings(const std::string& path) const;

  /// Open wells, front (active) first.
  const std::vector<std::unique_ptr<WellSession>>& sessions() const { return sessions_; }
  WellSession* activeSession();
  WellSession* findSession(int well);

  /// A well chosen on the plate map: an included well opens (or comes to the
  /// front); any other is passed over.
  void chooseWell(int well);
  /// Excludes an included well (closing it and forgetting its results) or
  /// includes an excluded one again; a well without pictures stays as it is.
  void toggleExclusion(int well);
  /// Opens and analyses a well with the universal settings, in front; on a
  /// plate of several time points measuring the zone's coverage too.
  WellSession& openWell(int well);
  void bringToFront(WellSession& session);
  void closeSession(WellSession& session);
  void closeAll();

  /// "Apply": every other open well, from the back to the front, re-analysed
  /// with the universal settings (the sender's, as it was analysed last).
  void applyToOthers(const WellSession& sender);
  /// "Apply" at cell level: the sender's cell settings become universal first.
  void applyCellSettingsToOthers(const WellSession& sender);
  /// The well re-analysed with the universal settings and a fresh ring fit.
  void resetToUniversal(WellSession& session);
  /// "Save Welldata" into the results folder.
  WellDataFiles saveWellData(const WellSession& session) const;

  /// Folder for results beside the picture folder ("" without a plate),
  /// ending with a separator; the override when one is set.
  std::string resultsFolder() const;
  /// Writes results into this folder instead; "" restores the default.
  void setResultsFolder(std::string folder);

  // Notifications for a face (any may be empty).
  std::function<void(WellSession&)> onSessionOpened;
  std::function<void(WellSession&)> onSessionClosing;
  std::function<void(WellSession&)> onSessionActivated;
  std::function<void()> onPlateChanged;  // plate, states or colours of the plate map changed
  std::function<void()> onUniversalSettingsChanged;
  /// The reviewed ring a well opens at instead of a fitted one (none: fit
  /// it); may be empty. The desktop reads it from the rings file.
  std::function<std::optional<RingPlacement>(int well)> reviewedRing;
  /// The universal settings were written to this file.
  std::function<void(const std::string& path)> onSettingsSaved;

 private:
  void recordAnalysis(const WellSession& session);

  Plate plate_;
  AnalysisSettings universal_;
  PlateResults results_;
  std::vector<std::unique_ptr<WellSession>> sessions_;
  bool cellLevel_ = false;
  std::string chosenWell_;
  std::string resultsFolderOverride_;
};

}  // namespace vembrel
