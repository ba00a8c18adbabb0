// Starting the desktop program: `vembrel` without arguments and `vembrel gui`.
// Without a usable display Qt would abort; the user is told what to do
// instead. The command-line-only build says it has no desktop program.
#include "cli/desktop_command.h"

#include <cstdlib>
#include <iostream>

#include "core/error.h"

#ifdef VEMBREL_HAVE_DESKTOP
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#endif

namespace vembrel::cli {

// Provided by the desktop face when it is built (app/desktop_main.cpp).
int RunDesktop(int argc, char** argv);

namespace {

const char kNoDisplayHint[] =
    "; see vembrel --help for the commands that need none, or set "
    "QT_QPA_PLATFORM=offscreen to run the desktop program without a screen";

#ifdef VEMBREL_HAVE_DESKTOP
bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

QtMessageHandler previousHandler = nullptr;

// Qt reports a platform plugin that cannot start as a fatal message and then
// aborts; end with the hint and exit code 2 instead.
void ExitWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
    std::cerr << "vembrel: no usable display (Qt could not start its platform plugin)"
              << kNoDisplayHint << "\n"
              << std::flush;
    std::_Exit(2);
  }
  if (previousHandler != nullptr) {
    previousHandler(type, context, text);
  } else {
    std::cerr << text.toLocal8Bit().constData() << "\n";
  }
}
#endif

}  // namespace

void RequireUsableDisplay() {
#ifdef VEMBREL_HAVE_DESKTOP
  if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
    throw UsageError(std::string("no display: neither DISPLAY nor WAYLAND_DISPLAY is set") +
                     kNoDisplayHint);
  }
  static const bool installed =
      (previousHandler = qInstallMessageHandler(ExitWithoutDisplay), true);
  (void)installed;
#endif
}

int StartDesktop(int argc, char** argv) {
#ifdef VEMBREL_HAVE_DESKTOP
  RequireUsableDisplay();
  return RunDesktop(argc, argv);
#else
  (void)argc;
  (void)argv;
  throw UsageError("this build has no desktop program; see vembrel --help");
#endif
}

}  // namespace vembrel::cli
