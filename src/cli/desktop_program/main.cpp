// vembrel-desktop: the desktop program, a program of its own so that only it
// loads Qt. `vembrel` and `vembrel gui` start it with the gui command's
// options, checked already; it reads them with the same definitions. Exit
// codes as vembrel's: 2 for usage errors, unusable input and no usable display.
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <clocale>
#include <cstdlib>
#include <iostream>

#include "cli/exit_codes.h"
#include "cli/gui_options.h"
#include "core/error.h"
#include "core/memory_tuning.h"
#include "desktop/gui_session.h"

namespace {

QtMessageHandler previousHandler = nullptr;

// Qt reports a platform plugin that cannot start as a fatal message and then
// aborts; end with the hint and exit code 2 instead.
void ExitWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
    std::cerr << "vembrel: no usable display (Qt could not start its platform plugin)"
              << vembrel::cli::kNoDisplayHint << "\n"
              << std::flush;
    std::_Exit(2);
  }
  if (previousHandler != nullptr) {
    previousHandler(type, context, text);
  } else {
    std::cerr << text.toLocal8Bit().constData() << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Dates follow the user's locale; numbers are always written with ".".
  std::setlocale(LC_TIME, "");
  vembrel::KeepPictureBuffersMapped();
  vembrel::GuiOptions options;
  CLI::App app{"Vembrel's desktop program, as `vembrel gui` starts it"};
  vembrel::cli::AddGuiOptions(app, options);
  try {
    app.parse(argc, argv);
    vembrel::cli::CheckGuiOptions(options);
    vembrel::cli::RequireDisplay();
    previousHandler = qInstallMessageHandler(ExitWithoutDisplay);
    return vembrel::RunGui(options);
  } catch (...) {
    return vembrel::cli::ExitCodeOfCurrentException(app);
  }
}
