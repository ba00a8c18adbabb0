#include "desktop/undo_commands.h"

#include "plate/well_names.h"

namespace vembrel {

WellSnapshot WellSnapshot::Of(const WellSession& session) {
  return {session.settings(), session.ring().x, session.ring().y, session.cellLevel(),
          session.cellsInColour()};
}

void WellSnapshot::restoreTo(WellSession& session) const {
  if (session.settings() != settings) session.resetTo(settings);
  if (session.ring().x != x || session.ring().y != y) session.placeRing(x, y);
  if (session.cellLevel() != cellLevel) session.setCellLevel(cellLevel);
  if (session.cellsInColour() != cellsInColour) session.setCellsInColour(cellsInColour);
}

WellChange::WellChange(Workspace& workspace, int well, WellSnapshot before, WellSnapshot after,
                       AfterChange afterChange)
    : workspace_(workspace),
      well_(well),
      before_(std::move(before)),
      after_(std::move(after)),
      afterChange_(std::move(afterChange)) {
  setText(QStringLiteral("Change of %1")
              .arg(QString::fromStdString(WellName(well, workspace.plate().format))));
}

void WellChange::redo() {
  if (done_) {
    done_ = false;
    return;
  }
  apply(after_);
}

void WellChange::apply(const WellSnapshot& state) {
  WellSession* session = workspace_.findSession(well_);
  if (session == nullptr) {
    setObsolete(true);  // the well was closed: nothing left to change
    return;
  }
  state.restoreTo(*session);
  if (afterChange_) afterChange_();
}

SettingsState SettingsState::Of(Workspace& workspace) {
  SettingsState state;
  state.universal = workspace.universalSettings();
  if (const WellSession* front = workspace.activeSession()) {
    state.frontWell = front->well();
    state.front = WellSnapshot::Of(*front);
  }
  return state;
}

UniversalSettingsChange::UniversalSettingsChange(Workspace& workspace, SettingsState before,
                                                 SettingsState after, const QString& text,
                                                 AfterChange afterChange)
    : workspace_(workspace),
      before_(std::move(before)),
      after_(std::move(after)),
      afterChange_(std::move(afterChange)) {
  setText(text);
}

void UniversalSettingsChange::redo() {
  if (done_) {
    done_ = false;
    return;
  }
  apply(after_);
}

void UniversalSettingsChange::apply(const SettingsState& state) {
  workspace_.setUniversalSettings(state.universal);
  if (state.frontWell >= 0) {
    if (WellSession* session = workspace_.findSession(state.frontWell)) {
      state.front.restoreTo(*session);
    }
  }
  if (afterChange_) afterChange_();
}

StartTabChange::StartTabChange(std::function<void(WellTab)> choose, WellTab before, WellTab after)
    : choose_(std::move(choose)), before_(before), after_(after) {
  setText(QStringLiteral("Start tab"));
}

void StartTabChange::undo() {
  choose_(before_);
}

void StartTabChange::redo() {
  if (done_) {
    done_ = false;
    return;
  }
  choose_(after_);
}

ExclusionChange::ExclusionChange(Workspace& workspace, int well, AfterChange afterChange)
    : workspace_(workspace), well_(well), afterChange_(std::move(afterChange)) {
  setText(QStringLiteral("Exclusion of %1")
              .arg(QString::fromStdString(WellName(well, workspace.plate().format))));
}

void ExclusionChange::undo() {
  workspace_.undoExclusionToggle(well_);
  if (afterChange_) afterChange_();
}

void ExclusionChange::redo() {
  if (done_) {
    done_ = false;
    return;
  }
  workspace_.toggleExclusion(well_);
  if (afterChange_) afterChange_();
}

}  // namespace vembrel
