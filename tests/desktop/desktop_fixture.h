#pragma once
// Shared set-up of the desktop tests: a main frame whose dialogs answer from
// the test and whose error messages are collected instead of shown.
#include <QStringList>
#include <memory>

#include "desktop/main_form.h"

namespace vembrel::testing {

struct ScriptedDialogs {
  QString picture;          // answer of the picture dialog
  QString settingsToOpen;   // answer of the settings open dialog
  QString settingsToSave;   // answer of the settings save dialog
  QString saveStartFolder;  // start folder the save dialog was given
  QStringList errors;       // every message shown
  QStringList opened;       // every document handed to the desktop

  UserDialogs dialogs() {
    UserDialogs d;
    d.choosePicture = [this](QWidget*) { return picture; };
    d.chooseSettingsToOpen = [this](QWidget*) { return settingsToOpen; };
    d.chooseSettingsToSave = [this](QWidget*, const QString& folder) {
      saveStartFolder = folder;
      return settingsToSave;
    };
    d.showError = [this](QWidget*, const QString& message) { errors << message; };
    d.openDocument = [this](const QString& path) {
      opened << path;
      return true;
    };
    return d;
  }
};

}  // namespace vembrel::testing
