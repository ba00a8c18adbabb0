#pragma once
// What the desktop program asks the user: file names and the acknowledgement
// of error messages. The standard set shows Qt dialogs; tests install their
// own functions so that every path can be driven without a person.
#include <QString>
#include <functional>

class QWidget;

namespace vembrel {

/// The answer to "save the changed settings before closing?".
enum class SaveChoice { Save, Discard, Cancel };
/// What the user asks for at the end of a batch.
enum class BatchEndChoice { Close, OpenReport, OpenWorkbook };

struct UserDialogs {
  /// A picture of the plate to open; "" when cancelled.
  std::function<QString(QWidget* parent)> choosePicture;
  /// A settings file to read; "" when cancelled.
  std::function<QString(QWidget* parent)> chooseSettingsToOpen;
  /// A plate map (CSV) to read; "" when cancelled.
  std::function<QString(QWidget* parent)> choosePlateMap;
  /// Where to save the settings, starting in startFolder; "" when cancelled.
  std::function<QString(QWidget* parent, const QString& startFolder)> chooseSettingsToSave;
  /// Shows an error message (a modal message box in the standard set).
  std::function<void(QWidget* parent, const QString& message)> showError;
  /// Opens a file in the desktop's application for it; false when none could.
  std::function<bool(const QString& path)> openDocument;

  /// The settings changed since they were opened or saved: save them first?
  std::function<SaveChoice(QWidget* parent)> askToSaveSettings;
  /// A yes-or-no question; true for yes.
  std::function<bool(QWidget* parent, const QString& question)> confirm;
  /// The folder the batch writes its results into, proposing one; "" when cancelled.
  std::function<QString(QWidget* parent, const QString& proposed)> chooseResultsFolder;
  /// The batch's summary, with the report and the workbook on offer when written.
  std::function<BatchEndChoice(QWidget* parent, const QString& summary, bool report, bool workbook)>
      showBatchSummary;

  static UserDialogs Standard();
};

}  // namespace vembrel
