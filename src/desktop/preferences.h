#pragma once
// What the desktop program keeps between runs in the user's settings store
// (QSettings, organisation and application "Vembrel"): the main window's
// geometry and dock layout, the plates opened last and the pixel size.
#include <QByteArray>
#include <QRect>
#include <QStringList>
#include <optional>

namespace vembrel {

inline constexpr int kRecentPlateCount = 8;

/// The pictures of the plates opened last, newest first.
QStringList RecentPlates();
/// Puts the picture first among the recent plates (once) and returns the list.
QStringList RememberPlate(const QString& picture);

struct WindowLayout {
  QByteArray geometry;  // QWidget::saveGeometry
  QByteArray state;     // QMainWindow::saveState: where the docks are
};
/// Empty arrays before the first run.
WindowLayout SavedWindowLayout();
void SaveWindowLayout(const WindowLayout& layout);

/// Where a well's window was closed last (in the well area), an empty rect
/// before; "" for the window closed last whatever its well.
QRect SavedWellWindowGeometry(const QString& well);
/// Keeps the geometry for the well and as the window closed last.
void SaveWellWindowGeometry(const QString& well, const QRect& geometry);

/// View: the ring drawn as an outline (true, the default) or filled (false).
bool RingDrawnAsOutline();
void SetRingDrawnAsOutline(bool outline);
/// Threads the desktop's batch analyses wells on (at least 1).
int BatchThreads();
void SetBatchThreads(int threads);
/// Micrometres per pixel of the field pictures for the plates opened, above
/// what their metadata says; none: read from the metadata.
std::optional<double> SavedPixelSize();
void SavePixelSize(std::optional<double> micrometres);

}  // namespace vembrel
