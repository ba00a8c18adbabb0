#include "desktop/preferences.h"

#include <QSettings>
#include <QThread>
#include <algorithm>

namespace vembrel {
namespace {

const QString kOrganisation = QStringLiteral("Vembrel");
const QString kApplication = QStringLiteral("Vembrel");
const QString kRecentPlates = QStringLiteral("recentPlates");
const QString kGeometry = QStringLiteral("mainWindow/geometry");
const QString kState = QStringLiteral("mainWindow/state");
const QString kWellWindows = QStringLiteral("wellWindows/");
const QString kLastWellWindow = QStringLiteral("wellWindows/last");
const QString kRingOutline = QStringLiteral("view/ringOutline");
const QString kBatchThreads = QStringLiteral("batch/threads");
const QString kPixelSize = QStringLiteral("pixelSize");

}  // namespace

QStringList RecentPlates() {
  return QSettings(kOrganisation, kApplication).value(kRecentPlates).toStringList();
}

QStringList RememberPlate(const QString& picture) {
  QSettings store(kOrganisation, kApplication);
  QStringList plates = store.value(kRecentPlates).toStringList();
  plates.removeAll(picture);
  plates.prepend(picture);
  while (plates.size() > kRecentPlateCount) plates.removeLast();
  store.setValue(kRecentPlates, plates);
  return plates;
}

WindowLayout SavedWindowLayout() {
  QSettings store(kOrganisation, kApplication);
  return {store.value(kGeometry).toByteArray(), store.value(kState).toByteArray()};
}

void SaveWindowLayout(const WindowLayout& layout) {
  QSettings store(kOrganisation, kApplication);
  store.setValue(kGeometry, layout.geometry);
  store.setValue(kState, layout.state);
}

QRect SavedWellWindowGeometry(const QString& well) {
  QSettings store(kOrganisation, kApplication);
  return store.value(well.isEmpty() ? kLastWellWindow : kWellWindows + well).toRect();
}

void SaveWellWindowGeometry(const QString& well, const QRect& geometry) {
  QSettings store(kOrganisation, kApplication);
  store.setValue(kWellWindows + well, geometry);
  store.setValue(kLastWellWindow, geometry);
}

bool RingDrawnAsOutline() {
  return QSettings(kOrganisation, kApplication).value(kRingOutline, true).toBool();
}

void SetRingDrawnAsOutline(bool outline) {
  QSettings(kOrganisation, kApplication).setValue(kRingOutline, outline);
}

int BatchThreads() {
  const int byDefault = std::max(1, QThread::idealThreadCount());
  return std::max(1,
                  QSettings(kOrganisation, kApplication).value(kBatchThreads, byDefault).toInt());
}

void SetBatchThreads(int threads) {
  QSettings(kOrganisation, kApplication).setValue(kBatchThreads, std::max(1, threads));
}

std::optional<double> SavedPixelSize() {
  const QVariant value = QSettings(kOrganisation, kApplication).value(kPixelSize);
  bool number = false;
  const double micrometres = value.toDouble(&number);
  if (!number || !(micrometres > 0)) return std::nullopt;
  return micrometres;
}

void SavePixelSize(std::optional<double> micrometres) {
  QSettings store(kOrganisation, kApplication);
  if (micrometres) {
    store.setValue(kPixelSize, *micrometres);
  } else {
    store.remove(kPixelSize);
  }
}

}  // namespace vembrel
