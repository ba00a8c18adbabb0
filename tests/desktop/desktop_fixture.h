#pragma once
// Shared set-up of the desktop tests: a main window whose dialogs answer from
// the test, whose messages are collected instead of shown and whose
// preferences live in a temporary folder, over a small plate of real TIFFs
// (every well with a dark ring of radius 200 at 480, 540).
#include <QtTest>
#include <QtWidgets>
#include <memory>
#include <optional>

#include "desktop/control_panel.h"
#include "desktop/main_window.h"
#include "desktop/picture_view.h"
#include "desktop/plate_map.h"
#include "plate/well_names.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {

/// Finds a named child or ends the test program.
template <typename T>
T& Child(const QObject& parent, const QString& name) {
  T* found = parent.findChild<T*>(name);
  if (found == nullptr) qFatal("no %s in %s", qPrintable(name), qPrintable(parent.objectName()));
  return *found;
}

struct DesktopFixture {
  TempDir folder;
  QString picture;
  QString settingsToOpen, settingsToSave;  // what the file dialogs answer
  std::optional<double> pixelSizeAnswer;   // what the pixel size dialog answers
  QStringList errors, opened;              // messages shown, documents handed to the desktop
  std::unique_ptr<MainWindow> window;

  explicit DesktopFixture(const std::vector<SmallPlateWell>& wells) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder.file("preferences")));
    picture = QString::fromStdString(WriteSmallPlate(folder.file("pictures"), "TP_", wells));
  }
  /// A fresh main window, not yet shown.
  MainWindow& create() {
    window.reset();
    UserDialogs d;
    d.choosePicture = [this](QWidget*) { return picture; };
    d.chooseSettingsToOpen = [this](QWidget*) { return settingsToOpen; };
    d.chooseSettingsToSave = [this](QWidget*, const QString&) { return settingsToSave; };
    d.choosePixelSize = [this](QWidget*, std::optional<double>) { return pixelSizeAnswer; };
    d.showError = [this](QWidget*, const QString& message) { errors << message; };
    d.openDocument = [this](const QString& path) { return opened << path, true; };
    window = std::make_unique<MainWindow>(d);
    return *window;
  }
  /// A fresh main window of 1600 x 1000 pixels, shown.
  MainWindow& newWindow() {
    create().resize(1600, 1000);
    window->show();
    return *window;
  }
  ControlPanel& panel() { return window->controlPanel(); }
  void trigger(const char* action) { Child<QAction>(*window, action).trigger(); }
  void openPlate() { trigger("openPicturesAction"); }
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
