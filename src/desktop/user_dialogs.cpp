#include "desktop/user_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "plate/pixel_size.h"

namespace vembrel {
namespace {

const QString kAllFiles = QStringLiteral("Alle Dateien (*.*)");

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
  dialogs.choosePixelSize = [](QWidget* parent,
                               std::optional<double> current) -> std::optional<double> {
    bool ok = false;
    const double value = QInputDialog::getDouble(
        parent, QStringLiteral("Pixel Size"),
        QStringLiteral("Micrometres per pixel of the field pictures (0: read from the "
                       "pictures' metadata).\nUsed for the plates opened from now on."),
        current.value_or(0), 0, kPixelSizeOptionLimit - 0.001, 4, &ok);
    if (!ok) return std::nullopt;
    return value;
  };
  dialogs.showError = [](QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, QStringLiteral("Vembrel"), message);
  };
  dialogs.openDocument = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };
  return dialogs;
}

}  // namespace vembrel
