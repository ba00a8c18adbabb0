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
  QString plateMapToOpen;
  QString settingsToOpen, settingsToSave;      // what the file dialogs answer
  QStringList errors, opened;                  // messages shown, documents handed to the desktop
  SaveChoice saveChoice = SaveChoice::Cancel;  // the answer to "save the settings?"
  int savePrompts = 0;                         // how often it was asked
  bool confirmation = true;                    // the answer to yes-or-no questions
  QString resultsFolder;                       // "" takes the folder proposed
  QStringList batchSummaries;                  // the batches' closing summaries
  BatchEndChoice batchEndChoice = BatchEndChoice::Close;
  std::optional<double> pixelSizeAnswer;  // what the pixel size dialog answers
  std::unique_ptr<MainWindow> window;

  explicit DesktopFixture(const std::vector<SmallPlateWell>& wells) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder.file("preferences")));
    picture = QString::fromStdString(WriteSmallPlate(folder.file("pictures"), "TP_", wells));
  }
  /// What the desktop remembers of the plate, beside its results.
  std::string plateMemory() const { return folder.file("TP_Vembrel_desktop.json"); }
  /// A fresh main window, not yet shown; the plate as never opened before
  /// unless keepPlateMemory.
  MainWindow& create(bool keepPlateMemory = false) {
    window.reset();
    if (!keepPlateMemory) QFile::remove(QString::fromStdString(plateMemory()));
    UserDialogs d;
    d.choosePicture = [this](QWidget*) { return picture; };
    d.chooseSettingsToOpen = [this](QWidget*) { return settingsToOpen; };
    d.choosePlateMap = [this](QWidget*) { return plateMapToOpen; };
    d.chooseSettingsToSave = [this](QWidget*, const QString&) { return settingsToSave; };
    d.choosePixelSize = [this](QWidget*, std::optional<double>) { return pixelSizeAnswer; };
    d.showError = [this](QWidget*, const QString& message) { errors << message; };
    d.openDocument = [this](const QString& path) { return opened << path, true; };
    d.askToSaveSettings = [this](QWidget*) { return ++savePrompts, saveChoice; };
    d.confirm = [this](QWidget*, const QString&) { return confirmation; };
    d.chooseResultsFolder = [this](QWidget*, const QString& proposed) {
      return resultsFolder.isEmpty() ? proposed : resultsFolder;
    };
    d.showBatchSummary = [this](QWidget*, const QString& summary, bool, bool) {
      batchSummaries << summary;
      return batchEndChoice;
    };
    window = std::make_unique<MainWindow>(d);
    return *window;
  }
  /// A fresh main window of 1600 x 1000 pixels, shown.
  MainWindow& newWindow(bool keepPlateMemory = false) {
    create(keepPlateMemory).resize(1600, 1000);
    window->show();
    return *window;
  }
  ControlPanel& panel() { return window->controlPanel(); }
  void trigger(const char* action) { Child<QAction>(*window, action).trigger(); }
  void openPlate() { trigger("openPicturesAction"); }
  void clickWell(const char* name, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(&panel().plateMap(), button, {},
                      panel()
                          .plateMap()
                          .circleRect(WellIndex(name, window->workspace().plate().format))
                          .center());
  }
  WellWindowWidget& well(const char* name) {
    WellWindowWidget* found = window->wellWindow(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no well window %s", name);
    return *found;
  }
};

}  // namespace vembrel::testing
