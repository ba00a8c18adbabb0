#include "desktop/user_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace vembrel {
namespace {

const QString kAllFiles = QStringLiteral("All files (*)");

QString OpenSettingsDialog(QWidget* parent) {
  QFileDialog dialog(parent, QStringLiteral("Open Settings"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(kAllFiles);
  dialog.setDefaultSuffix(QStringLiteral("VLS"));
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString SaveSettingsDialog(QWidget* parent, const QString& startFolder) {
  QFileDialog dialog(parent, QStringLiteral("Save Settings"), startFolder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(kAllFiles);
  dialog.setDefaultSuffix(QStringLiteral("VLS"));
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

}  // namespace

UserDialogs UserDialogs::Standard() {
  UserDialogs dialogs;
  dialogs.choosePicture = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open Pictures"), QString(),
                                        kAllFiles);
  };
  dialogs.chooseSettingsToOpen = OpenSettingsDialog;
  dialogs.choosePlateMap = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Open Plate Map"), QString(),
        QStringLiteral("Plate maps (*.csv *.tsv *.txt);;") + kAllFiles);
  };
  dialogs.chooseSettingsToSave = SaveSettingsDialog;
  dialogs.showError = [](QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, QStringLiteral("Vembrel"), message);
  };
  dialogs.openDocument = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };
  dialogs.askToSaveSettings = [](QWidget* parent) {
    const auto answer = QMessageBox::question(
        parent, QStringLiteral("Vembrel"),
        QStringLiteral("The settings have changed since they were opened or saved. Save them?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    return answer == QMessageBox::Save      ? SaveChoice::Save
           : answer == QMessageBox::Discard ? SaveChoice::Discard
                                            : SaveChoice::Cancel;
  };
  dialogs.confirm = [](QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QStringLiteral("Vembrel"), question) == QMessageBox::Yes;
  };
  dialogs.chooseResultsFolder = [](QWidget* parent, const QString& proposed) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Results Folder"), proposed);
  };
  dialogs.showBatchSummary = [](QWidget* parent, const QString& summary, bool report,
                                bool workbook) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Vembrel"), summary,
                    QMessageBox::Close, parent);
    QAbstractButton* openReport =
        report ? box.addButton(QStringLiteral("Open &Report"), QMessageBox::AcceptRole) : nullptr;
    QAbstractButton* openWorkbook =
        workbook ? box.addButton(QStringLiteral("Open &Workbook"), QMessageBox::ActionRole)
                 : nullptr;
    box.exec();
    if (box.clickedButton() != nullptr && box.clickedButton() == openReport) {
      return BatchEndChoice::OpenReport;
    }
    if (box.clickedButton() != nullptr && box.clickedButton() == openWorkbook) {
      return BatchEndChoice::OpenWorkbook;
    }
    return BatchEndChoice::Close;
  };
  return dialogs;
}

}  // namespace vembrel
