#include "desktop/user_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
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
  dialogs.chooseSettingsToSave = SaveSettingsDialog;
  dialogs.showError = [](QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, QStringLiteral("Vembrel"), message);
  };
  dialogs.openDocument = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };
  return dialogs;
}

}  // namespace vembrel
