#include "desktop/gui_session.h"

#include <QApplication>
#include <QBuffer>
#include <QMdiSubWindow>
#include <QPainter>
#include <QRadioButton>
#include <QTabWidget>

#include "desktop/main_form.h"
#include "desktop/cont_form.h"
#include "core/error.h"
#include "core/text_file.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

// Frame size of a screenshot: one well window with the panel beside it.
constexpr int kShotWidth = 1500;
constexpr int kShotHeight = 1000;

// The tab as the control panel's start-tab choice ("AllWells").
StartTab TabNamed(const std::string& name) {
  const QString wanted = QString::fromStdString(name).toLower();
  const struct {
    const char* shortName;
    const char* caption;
    StartTab tab;
  } tabs[] = {{"b", "blue channel", StartTab::B},
              {"g", "green channel", StartTab::G},
              {"bg", "raw two channel", StartTab::BG},
              {"im", "immigrant cells", StartTab::Im},
              {"ce", "cells", StartTab::Ce}};
  for (const auto& tab : tabs) {
    if (wanted == QLatin1String(tab.shortName) || wanted == QLatin1String(tab.caption)) {
      return tab.tab;
    }
  }
  throw UsageError("Unknown tab '" + name + "' (use B, G, BG, Im, Ce or a tab caption)");
}

const char* RadioName(StartTab tab) {
  switch (tab) {
    case StartTab::B:
      return "StartTabB";
    case StartTab::G:
      return "StartTabG";
    case StartTab::BG:
      return "StartTabBG";
    case StartTab::Ce:
      return "StartTabCe";
    case StartTab::Im:
      break;
  }
  return "StartTabIm";
}

void WriteScreenshot(TMainForm& frame, const std::string& path) {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  QImage shot = frame.grab().toImage();
  // The control panel is a window of its own; put it where it stands beside the frame.
  TContForm& panel = frame.contForm();
  const QImage panelShot = panel.grab().toImage();
  QPainter painter(&shot);
  painter.drawImage(shot.width() - panelShot.width() - 35, 75, panelShot);
  painter.end();
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
  QApplication::setApplicationName(QStringLiteral("Vembrel"));
  QApplication::setDesktopFileName(QStringLiteral("org.vembrel.Vembrel"));

  const bool headless = !options.screenshot.empty();
  QString firstError;
  UserDialogs dialogs = UserDialogs::Standard();
  if (headless) {
    // Nobody can answer a message box: remember the first error and fail with it.
    dialogs.showError = [&firstError](QWidget*, const QString& message) {
      if (firstError.isEmpty()) firstError = message;
    };
  }
  TMainForm frame(dialogs);
  const auto failOnError = [&firstError] {
    if (!firstError.isEmpty()) throw Error(firstError.toStdString());
  };
  if (headless) {
    frame.resize(kShotWidth, kShotHeight);
    frame.show();
  } else {
    frame.showMaximized();
  }

  if (!options.picture.empty()) {
    frame.openPictures(QString::fromStdString(options.picture));
    failOnError();
  }
  // The tab is chosen on the panel, as a user would before opening the well;
  // "Ce" therefore opens the well at cell level.
  if (!options.tab.empty()) {
    frame.contForm()
        .findChild<QRadioButton*>(QString::fromLatin1(RadioName(TabNamed(options.tab))))
        ->click();
  }
  if (!options.well.empty()) {
    const int well = WellIndex(options.well);
    if (!frame.workspace().plate().open)
      throw UsageError("No plate is open for the well " + options.well);
    if (frame.workspace().plate().wells[well].state != 1) {
      throw UsageError("The well " + options.well + " has no pair of pictures in the plate");
    }
    frame.workspace().selectphoto(well, MouseButton::Left);
    frame.contForm().showPlate();
    frame.refreshAllWindows();
    failOnError();
  }
  if (headless) {
    if (auto* window = frame.workspace().activeWindow()) {
      if (auto* sub = frame.subWindow(QString::fromStdString(window->caption()))) sub->move(0, 0);
    }
    WriteScreenshot(frame, options.screenshot);
    return 0;
  }
  return QApplication::exec();
}

}  // namespace vembrel
