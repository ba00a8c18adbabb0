#pragma once
// Shared set-up of the desktop tests: a main window whose dialogs answer from
// the test, whose messages are collected instead of shown and whose
// preferences live in a temporary folder, over a small plate of real TIFFs.
#include <QAction>
#include <QSettings>
#include <QtTest>
#include <memory>

#include "desktop/control_panel.h"
#include "desktop/main_window.h"
#include "desktop/plate_map.h"
#include "plate/well_names.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {

struct ScriptedDialogs {
  QString picture;         // answer of the picture dialog
  QString settingsToOpen;  // answer of the settings open dialog
  QString settingsToSave;  // answer of the settings save dialog
  QStringList errors;      // every message shown
  QStringList opened;      // every document handed to the desktop

  UserDialogs dialogs() {
    UserDialogs d;
    d.choosePicture = [this](QWidget*) { return picture; };
    d.chooseSettingsToOpen = [this](QWidget*) { return settingsToOpen; };
    d.chooseSettingsToSave = [this](QWidget*, const QString&) { return settingsToSave; };
    d.showError = [this](QWidget*, const QString& message) { errors << message; };
    d.openDocument = [this](const QString& path) {
      opened << path;
      return true;
    };
    return d;
  }
};

/// Finds a named child or fails the test program.
template <typename T>
T& Child(const QObject& parent, const QString& name) {
  T* found = parent.findChild<T*>(name);
  if (found == nullptr) qFatal("no %s in %s", qPrintable(name), qPrintable(parent.objectName()));
  return *found;
}

struct DesktopFixture {
  TempDir folder;
  QString picture;
  ScriptedDialogs script;
  std::unique_ptr<MainWindow> window;

  /// Writes the plate (every well with the dark ring at 480, 540).
  explicit DesktopFixture(const std::vector<SmallPlateWell>& wells) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder.file("preferences")));
    picture = QString::fromStdString(WriteSmallPlate(folder.file("pictures"), "TP_", wells));
  }
  /// A fresh main window of this size, shown.
  MainWindow& newWindow(QSize size = {1600, 1000}) {
    window.reset();
    script = {};
    window = std::make_unique<MainWindow>(script.dialogs());
    window->resize(size);
    window->show();
    return *window;
  }
  ControlPanel& panel() { return window->controlPanel(); }
  void trigger(const char* action) {
    Child<QAction>(*window, QString::fromLatin1(action)).trigger();
  }
  void openPlate() {
    script.picture = picture;
    trigger("openPicturesAction");
  }
  void clickWell(const char* name, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(&panel().plateMap(), button, {},
                      PlateMap::circleRect(WellIndex(name)).center());
  }
  WellWindowWidget& well(const char* name) {
    WellWindowWidget* found = window->wellWindow(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no well window %s", name);
    return *found;
  }
};

}  // namespace vembrel::testing
