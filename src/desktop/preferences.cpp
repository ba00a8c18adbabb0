#include "desktop/preferences.h"

#include <QSettings>

namespace vembrel {
namespace {

const QString kOrganisation = QStringLiteral("Vembrel");
const QString kApplication = QStringLiteral("Vembrel");
const QString kRecentPlates = QStringLiteral("recentPlates");
const QString kGeometry = QStringLiteral("mainWindow/geometry");
const QString kState = QStringLiteral("mainWindow/state");
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
