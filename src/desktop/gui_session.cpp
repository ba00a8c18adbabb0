#include "desktop/gui_session.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "core/error.h"
#include "core/text_file.h"
#include "desktop/control_panel.h"
#include "desktop/main_window.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

// Window size of a screenshot rendered without a display: one well window
// with the control panel beside it.
constexpr int kShotWidth = 1500;
constexpr int kShotHeight = 1000;

// The short name of the start-tab choice on the control panel ("AllWells").
QString StartTabChoice(const std::string& name) {
  const QString wanted = QString::fromStdString(name).toLower();
  const struct {
    const char* shortName;
    const char* caption;
    const char* choice;
  } tabs[] = {{"b", "blue channel", "B"},
              {"g", "green channel", "G"},
              {"bg", "raw two channel", "BG"},
              {"im", "immigrant cells", "Im"},
              {"ce", "cells", "Ce"}};
  for (const auto& tab : tabs) {
    if (wanted == QLatin1String(tab.shortName) || wanted == QLatin1String(tab.caption)) {
      return QString::fromLatin1(tab.choice);
    }
  }
  throw UsageError("Unknown tab '" + name + "' (use B, G, BG, Im, Ce or a tab caption)");
}

// Lets the window system show and paint the window.
void Settle(QWidget& window) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 5000 &&
         (window.windowHandle() == nullptr || !window.windowHandle()->isExposed())) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  for (int i = 0; i < 5; ++i) {
    QApplication::processEvents();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) QThread::msleep(100);
  }
}

void WriteScreenshot(MainWindow& window, const std::string& path) {
  Settle(window);
  QImage shot;
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    shot = window.grab().toImage();
  } else {
    // What the display shows: the pixels of the screen under the window.
    const QRect frame = window.frameGeometry();
    shot = window.screen()
               ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
               .toImage();
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // A palette keeps the file small; the pictures have few distinct colours.
  shot = shot.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
  if (!shot.save(&buffer, "PNG")) throw Error("Unable to encode the screenshot '" + path + "'");
  WriteFileAtomically(path, std::string_view(bytes.constData(), bytes.size()));
}

}  // namespace

int RunGui(const GuiOptions& options) {
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  static int argc = 1;
  static char name[] = "vembrel";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Vembrel"));
  QApplication::setApplicationName(QStringLiteral("Vembrel"));
  QApplication::setDesktopFileName(QStringLiteral("org.vembrel.Vembrel"));

  const bool headless = !options.screenshot.empty();
  // Refuse a bad tab before anything is opened.
  const QString startTab = options.tab.empty() ? QString() : StartTabChoice(options.tab);
  QString firstError;
  UserDialogs dialogs = UserDialogs::Standard();
  if (headless) {
    // Nobody can answer a message box: remember the first error and fail with it.
    dialogs.showError = [&firstError](QWidget*, const QString& message) {
      if (firstError.isEmpty()) firstError = message;
    };
  }
  MainWindow window(dialogs);
  // What the options asked for could not be opened: unusable input.
  const auto failOnError = [&firstError] {
    if (!firstError.isEmpty()) throw UsageError(firstError.toStdString());
  };
  window.setPlateOpenOptions(options.plate);
  if (headless && QGuiApplication::platformName() == QLatin1String("offscreen")) {
    window.resize(kShotWidth, kShotHeight);
    window.show();
  } else if (headless) {
    // A real display: the whole screen, as a user would start it, whatever was saved.
    window.setGeometry(window.screen()->availableGeometry());
    window.show();
  } else {
    window.showAtSavedGeometry();
  }

  if (!options.picture.empty()) {
    window.openPictures(QString::fromStdString(options.picture));
    failOnError();
  }
  if (!options.settings.empty()) {
    window.openSettings(QString::fromStdString(options.settings));
    failOnError();
  }
  if (!options.plateMap.empty()) {
    window.openPlateMap(QString::fromStdString(options.plateMap));
    failOnError();
  }
  // The tab is chosen on the panel, as a user would before opening the well;
  // "Ce" therefore opens the well at cell level.
  if (!startTab.isEmpty()) {
    window.controlPanel().findChild<QRadioButton*>(QStringLiteral("startTab") + startTab)->click();
  }
  if (!options.well.empty()) {
    Workspace& workspace = window.workspace();
    if (!workspace.plate().open) throw UsageError("No plate is open for the well " + options.well);
    const std::optional<int> well = WellIndexIfAny(options.well, workspace.plate().format);
    if (!well) {
      throw UsageError("The well " + options.well + " is not on the plate, a " +
                       workspace.plate().format.description());
    }
    if (workspace.plate().wells[*well].state != 1) {
      throw UsageError("The well " + options.well + " has no pair of pictures in the plate");
    }
    try {
      workspace.chooseWell(*well);
    } catch (const std::exception& e) {
      window.reportError(QString::fromStdString(e.what()));
    }
    window.refreshAll();
    failOnError();
  }
  if (headless) {
    WriteScreenshot(window, options.screenshot);
    return 0;
  }
  return QApplication::exec();
}

}  // namespace vembrel
