// The well window's widgets bound to its session: every bound widget moves
// its setting and shows it, buttons and edits reach their actions, and the
// cell level decides what may be used. The rules behind the actions are the
// engine's own tests.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>
#include <cstring>
#include <map>

#include "desktop/desktop_fixture.h"
#include "desktop/picture_view.h"
#include "desktop/setting_bindings.h"
#include "engine/cell_data_file.h"
#include "plate/settings_file.h"

using namespace vembrel;
using vembrel::testing::Child;

namespace {

QString Name(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// The field each widget must move, by its name without the tab ("raw", "immigrant").
#define FIELD(name, member)                                          \
  {                                                                  \
    name, [](const AnalysisSettings& s) { return double(s.member); } \
  }
const std::map<QString, double (*)(const AnalysisSettings&)> kFields{
    FIELD("GreenCutoff", display.green.cutoff),
    FIELD("GreenSaturation", display.green.saturation),
    FIELD("BlueCutoff", display.blue.cutoff),
    FIELD("BlueSaturation", display.blue.saturation),
    FIELD("GreenFullRange", display.green.fullRange),
    FIELD("BlueFullRange", display.blue.fullRange),
    FIELD("nucleusGreenCutoff", nuclei.greenCutoff),
    FIELD("nucleusBlueCutoff", nuclei.blueCutoff),
    FIELD("nucleusMinimalSize", nuclei.minimalSize),
    FIELD("nucleusMaximalSize", nuclei.maximalSize),
    FIELD("cellGreenCutoff", cells.greenCutoff),
    FIELD("cellMinimalSize", cells.minimalSize),
    FIELD("cellMaximalSize", cells.maximalSize),
    FIELD("cellLengthRatio", cells.lengthRatio),
    FIELD("cellSmoothness", cells.smoothness)};
#undef FIELD

// "rawGreenCutoffSlider" -> "GreenCutoff"; "cellSmoothnessSlider" -> "cellSmoothness".
QString FieldName(QString name) {
  for (const char* tab : {"raw", "immigrant"}) {
    if (name.startsWith(QLatin1String(tab))) name.remove(0, int(strlen(tab)));
  }
  return name.remove(QStringLiteral("Slider")).remove(QStringLiteral("Check"));
}

// The widget of the same setting on the other tab, "" for none.
QString Mirror(const QString& name) {
  if (name.startsWith(QLatin1String("raw"))) return QStringLiteral("immigrant") + name.mid(3);
  if (name.startsWith(QLatin1String("immigrant"))) return QStringLiteral("raw") + name.mid(9);
  return {};
}

}  // namespace

class WellWindowTest : public QObject {
  Q_OBJECT
  vembrel::testing::DesktopFixture fixture_{{{"A01"}, {"A02"}}};

  WellSession& session(const char* well = "A01") { return *fixture_.well(well).session(); }
  const AnalysisSettings& settings(const char* well = "A01") { return session(well).settings(); }
  template <typename T>
  T& control(const QString& name, const char* well = "A01") {
    return Child<T>(fixture_.well(well), name);
  }
  QString text(const QString& name) { return control<QLabel>(name).text(); }
  void click(const char* name, const char* well = "A01") {
    control<QAbstractButton>(QString::fromLatin1(name), well).click();
  }
  void type(const char* name, const QString& text) {
    QLineEdit& edit = control<QLineEdit>(QString::fromLatin1(name));
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, text);
    QTest::keyClick(&edit, Qt::Key_Return);
  }

 private slots:
  void init() {
    fixture_.newWindow();
    fixture_.openPlate();
    fixture_.clickWell("A01");
  }
  void cleanup() {
    QVERIFY2(fixture_.script.errors.isEmpty(), qPrintable(fixture_.script.errors.join('\n')));
    fixture_.window.reset();
  }

  void everySliderMovesItsSettingAndBack() {
    QCOMPARE(SliderBindings().size() + CheckBoxBindings().size(), std::size_t{21});
    for (const WidgetBinding& binding : SliderBindings()) {
      const QString name = Name(binding.name);
      const auto field = kFields.at(FieldName(name));
      QScrollBar& slider = control<QScrollBar>(name);
      const int before = slider.value();
      const int moved = before < slider.maximum() ? before + 1 : before - 1;
      slider.setValue(moved);
      // Decimals show as value = position / scale: 3.1, 0.76.
      const double value = double(moved) / SliderRangeOf(binding.setting).scale;
      QCOMPARE(field(settings()), value);
      QCOMPARE(text(Name(ValueLabelName(binding.name))), QString::number(value));
      if (!Mirror(name).isEmpty()) QCOMPARE(control<QScrollBar>(Mirror(name)).value(), moved);
      slider.setValue(before);
      QCOMPARE(SliderPosition(settings(), binding.setting), before);
    }
    for (const WidgetBinding& binding : CheckBoxBindings()) {
      const QString name = Name(binding.name);
      QCheckBox& box = control<QCheckBox>(name);
      const bool before = box.isChecked();
      box.click();
      QCOMPARE(kFields.at(FieldName(name))(settings()), before ? 0.0 : 1.0);
      QCOMPARE(control<QCheckBox>(Mirror(name)).isChecked(), !before);
      box.click();
      QCOMPARE(SettingValue(settings(), binding.setting) != 0, before);
    }
  }

  void cutoffPushedPastItsSaturationShowsBoth() {
    control<QScrollBar>("rawBlueSaturationSlider").setValue(150);
    control<QScrollBar>("immigrantBlueCutoffSlider").setValue(200);
    QCOMPARE(settings().display.blue.cutoff, 200);
    QCOMPARE(settings().display.blue.saturation, 201);
    for (const char* tab : {"raw", "immigrant"}) {
      QCOMPARE(control<QScrollBar>(QStringLiteral("%1BlueCutoffSlider").arg(tab)).value(), 200);
      QCOMPARE(control<QScrollBar>(QStringLiteral("%1BlueSaturationSlider").arg(tab)).value(), 201);
      QCOMPARE(text(QStringLiteral("%1BlueSaturationValue").arg(tab)), QStringLiteral("201"));
    }
    QCOMPARE(Child<QLabel>(fixture_.panel(), "universalBlueSaturation").text(),
             QStringLiteral("201"));
  }

  void buttonsAndEditsReachTheirActions() {
    const RingPlacement fitted = session().ring();
    const struct {
      const char* name;
      int dx, dy;
    } arrows[] = {{"ringLeftButton", -1, 0},
                  {"ringRightButton", 1, 0},
                  {"ringUpButton", 0, 1},
                  {"ringDownButton", 0, -1}};
    for (const auto& arrow : arrows) {
      click(arrow.name);
      QCOMPARE(text("ringXValue"), QString::number(fitted.x + arrow.dx));
      QCOMPARE(text("ringYValue"), QString::number(fitted.y + arrow.dy));
      click("autoFitButton");
      QCOMPARE(session().ring(), fitted);
    }
    type("ringRadiusEdit", QStringLiteral("abc"));
    QCOMPARE(fixture_.script.errors,
             QStringList{QStringLiteral("'abc' is not a valid integer value")});
    fixture_.script.errors.clear();
    QCOMPARE(control<QLineEdit>("ringRadiusEdit").text(), QStringLiteral("350"));
    type("ringRadiusEdit", QStringLiteral("200"));  // the plate's dark disc
    QCOMPARE(session().ring().radius, 200);
    QVERIFY(std::abs(session().ring().x - 480) <= 2 && std::abs(session().ring().y - 540) <= 2);
    click("ringRadiusStepUp");
    QCOMPARE(control<QLineEdit>("ringRadiusEdit").text(), QStringLiteral("201"));
    type("ringIncrementEdit", QStringLiteral("0"));
    QCOMPARE(control<QLineEdit>("ringIncrementEdit").text(), QStringLiteral("10"));
    click("ringIncrementStepUp");
    QCOMPARE(settings().ring.increment, 20);

    int saved = 0;
    for (const char* tab : {"blue", "green", "raw", "immigrant", "cells"}) {
      fixture_.script.settingsToSave =
          QString::fromStdString(fixture_.folder.file("mine" + std::to_string(++saved)));
      click(qPrintable(QStringLiteral("%1SaveSettingsButton").arg(tab)));
      QCOMPARE(ReadSettingsFile(fixture_.folder.file("mine" + std::to_string(saved) + ".VLS"))
                   .ring.increment,
               20);
    }
  }

  void applyButtonsReanalyseTheOtherWells() {
    fixture_.clickWell("A02");
    for (const char* apply : {"blueApplyButton", "rawApplyButton", "immigrantApplyButton"}) {
      const int cutoff = settings("A02").nuclei.blueCutoff + 5;
      control<QScrollBar>("nucleusBlueCutoffSlider", "A02").setValue(cutoff);
      QVERIFY(settings("A01").nuclei.blueCutoff != cutoff);
      click(apply, "A02");
      QCOMPARE(control<QScrollBar>("nucleusBlueCutoffSlider", "A01").value(), cutoff);
    }
    click("cellLevelCheck", "A02");
    control<QScrollBar>("cellLengthRatioSlider", "A02").setValue(45);
    click("cellApplyButton", "A02");
    QCOMPARE(settings("A01").cells.lengthRatio, 4.5);
    QCOMPARE(text("cellLengthRatioValue"), QStringLiteral("4.5"));
  }

  void cellControlsFollowTheCellLevel() {
    const char* cellLevel[] = {"cellLengthRatioSlider", "cellSmoothnessSlider",
                               "borderRadio",           "colourRadio",
                               "cellApplyButton",       "saveWellDataButton"};
    const char* thresholds[] = {"cellGreenCutoffSlider", "cellMinimalSizeSlider",
                                "cellMaximalSizeSlider"};
    const auto enabled = [this](const char* name) { return control<QWidget>(name).isEnabled(); };
    for (const char* name : cellLevel) QVERIFY2(!enabled(name), name);
    for (const char* name : thresholds) QVERIFY2(!enabled(name), name);
    click("cellLevelCheck");
    for (const char* name : cellLevel) QVERIFY2(enabled(name), name);
    for (const char* name : thresholds) QVERIFY2(enabled(name), name);
    QVERIFY(text("cellCountValue").contains(QStringLiteral("/")));
    // A pass locks the cell thresholds again; the rest stays usable.
    control<QScrollBar>("nucleusMinimalSizeSlider").setValue(11);
    for (const char* name : thresholds) QVERIFY2(!enabled(name), name);
    QVERIFY(enabled("cellLengthRatioSlider"));

    const QImage outlines = control<PictureView>("cellCropView").image();
    click("colourRadio");
    QVERIFY(session().cellsInColour());
    QVERIFY(control<PictureView>("cellCropView").image() != outlines);
    click("saveWellDataButton");
    QVERIFY(QFile::exists(QString::fromStdString(
        CellDataFileName(fixture_.window->workspace().resultsFolder(), "TP_", "A01"))));
    click("cellLevelCheck");
    for (const char* name : cellLevel) QVERIFY2(!enabled(name), name);
  }

  void hidingByTheProgramResetsToTheUniversalSettings() {
    control<QScrollBar>("nucleusBlueCutoffSlider").setValue(120);
    fixture_.clickWell("A02");
    control<QScrollBar>("nucleusBlueCutoffSlider", "A02").setValue(130);  // now universal
    QMdiSubWindow* a01 = fixture_.window->subWindow(QStringLiteral("A01"));
    a01->showMinimized();
    a01->showNormal();
    QCOMPARE(settings().nuclei.blueCutoff, 120);
    a01->hide();
    QCOMPARE(settings().nuclei.blueCutoff, 130);
  }

  void picturesFitZoomAndShowActualSize() {
    PictureView& view = control<PictureView>("resultView");
    QVERIFY(view.fitting());
    const QSize shown = view.widget()->size();
    QVERIFY(shown.width() <= view.viewport()->width() &&
            shown.height() <= view.viewport()->height());
    QVERIFY(shown.width() == view.viewport()->width() ||
            shown.height() == view.viewport()->height());
    click("actualSizeButton");
    QCOMPARE(view.widget()->size(), QSize(1024, 1024));
    const QPointF at(40, 40);
    QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    QCOMPARE(view.widget()->size(), QSize(1280, 1280));
    click("fitPicturesButton");
    QCOMPARE(view.widget()->size(), shown);
  }
};

QTEST_MAIN(WellWindowTest)
#include "well_window_test.moc"
