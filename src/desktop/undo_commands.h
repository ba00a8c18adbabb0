#pragma once
// Undo and redo of the user's changes: a well's settings and ring (what a
// well window changes), the universal settings (opened or suggested), the
// start tab and the wells excluded on the plate map. Each command holds the
// state before and after and puts one or the other back through the
// workspace; a command whose well has been closed since does nothing and
// leaves the stack.
#include <QUndoCommand>
#include <functional>

#include "desktop/well_tab.h"
#include "engine/workspace.h"

namespace vembrel {

/// What undoing a well window's change puts back.
struct WellSnapshot {
  AnalysisSettings settings;
  int x = 0, y = 0;  // the ring's centre, rows counted from the bottom
  bool cellLevel = false;
  bool cellsInColour = false;

  static WellSnapshot Of(const WellSession& session);
  /// Takes the session to this state, analysing it only where it differs.
  void restoreTo(WellSession& session) const;
  bool operator==(const WellSnapshot&) const = default;
};

/// Every command calls this after it changed the workspace.
using AfterChange = std::function<void()>;

class WellChange : public QUndoCommand {
 public:
  WellChange(Workspace& workspace, int well, WellSnapshot before, WellSnapshot after,
             AfterChange after_change);
  void undo() override { apply(before_); }
  void redo() override;

 private:
  void apply(const WellSnapshot& state);
  Workspace& workspace_;
  int well_;
  WellSnapshot before_, after_;
  AfterChange afterChange_;
  bool done_ = true;  // the change was made before the command was pushed
};

/// The universal settings and, when a well was open, the front well with them.
struct SettingsState {
  AnalysisSettings universal;
  int frontWell = -1;
  WellSnapshot front;
  static SettingsState Of(Workspace& workspace);
};

class UniversalSettingsChange : public QUndoCommand {
 public:
  UniversalSettingsChange(Workspace& workspace, SettingsState before, SettingsState after,
                          const QString& text, AfterChange afterChange);
  void undo() override { apply(before_); }
  void redo() override;

 private:
  void apply(const SettingsState& state);
  Workspace& workspace_;
  SettingsState before_, after_;
  AfterChange afterChange_;
  bool done_ = true;
};

class StartTabChange : public QUndoCommand {
 public:
  /// choose sets the start tab.
  StartTabChange(std::function<void(WellTab)> choose, WellTab before, WellTab after);
  void undo() override;
  void redo() override;

 private:
  std::function<void(WellTab)> choose_;
  WellTab before_, after_;
  bool done_ = true;
};

/// A right click on the plate map toggled the well's exclusion; undo toggles
/// it back, a well included again with the results it had.
class ExclusionChange : public QUndoCommand {
 public:
  ExclusionChange(Workspace& workspace, int well, AfterChange afterChange);
  void undo() override;
  void redo() override;

 private:
  Workspace& workspace_;
  int well_;
  AfterChange afterChange_;
  bool done_ = true;
};

}  // namespace vembrel
