// The well window's widgets bound to its session: every bound widget moves
// its setting and shows it, buttons and edits reach their actions, and the
// cell level decides what may be used. The rules behind the actions are the
// engine's own tests.
#include "desktop/desktop_fixture.h"
#include "desktop/setting_bindings.h"
#include "engine/cell_data_file.h"
#include "plate/settings_file.h"
#include "results/rings_file.h"

using namespace vembrel;
using vembrel::testing::Child;

namespace {

QString Name(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// The field each bound widget must move, by its name without the tab ("raw", "immigrant").
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

double Field(const AnalysisSettings& settings, QString name) {
  return kFields.at(name.remove(QRegularExpression("^(raw|immigrant)|(Slider|Check)$")))(settings);
}

// The widget of the same setting on the other tab, "" for none.
QString Mirror(const QString& name) {
  if (name.startsWith(QLatin1String("raw"))) return "immigrant" + name.mid(3);
  return name.startsWith(QLatin1String("immigrant")) ? "raw" + name.mid(9) : QString();
}

}  // namespace

class WellWindowTest : public QObject {
  Q_OBJECT
  vembrel::testing::DesktopFixture fixture_{{{"A01"}, {"A02"}}};

  WellSession& session(const char* well = "A01") { return *fixture_.well(well).session(); }
  const AnalysisSettings& settings(const char* well = "A01") { return session(well).settings(); }
  template <typename T = QWidget>
  T& widget(const QString& name, const char* well = "A01") {
    return Child<T>(fixture_.well(well), name);
  }
  QString text(const QString& name) { return widget<QLabel>(name).text(); }
  QString edit(const char* name) { return widget<QLineEdit>(name).text(); }
  void click(const QString& name, const char* well = "A01") {
    widget<QAbstractButton>(name, well).click();
  }
  void type(const char* name, const char* text) {
    widget<QLineEdit>(name).selectAll();
    QTest::keyClicks(&widget<QLineEdit>(name), text);
    QTest::keyClick(&widget<QLineEdit>(name), Qt::Key_Return);
  }

 private slots:
  void init() {
    fixture_.newWindow();
    fixture_.openPlate();
    fixture_.clickWell("A01");
  }
  void cleanup() {
    QVERIFY2(fixture_.errors.isEmpty(), qPrintable(fixture_.errors.join('\n')));
    fixture_.window.reset();
  }

  void everyBoundWidgetMovesItsSettingAndBack() {
    QCOMPARE(SliderBindings().size() + CheckBoxBindings().size(), std::size_t{21});
    for (const WidgetBinding& binding : SliderBindings()) {
      const QString name = Name(binding.name);
      QScrollBar& slider = widget<QScrollBar>(name);
      const int before = slider.value();
      const int moved = before < slider.maximum() ? before + 1 : before - 1;
      slider.setValue(moved);
      // Decimals show as value = position / scale: 3.1, 0.76; sizes on a
      // logarithmic scale.
      const double value = ValueAtPosition(binding.setting, moved);
      QCOMPARE(Field(settings(), name), value);
      QCOMPARE(text(Name(ValueLabelName(binding.name))), QString::number(value));
      if (!Mirror(name).isEmpty()) QCOMPARE(widget<QScrollBar>(Mirror(name)).value(), moved);
      slider.setValue(before);
      QCOMPARE(Field(settings(), name), ValueAtPosition(binding.setting, before));
    }
    for (const WidgetBinding& binding : CheckBoxBindings()) {
      const QString name = Name(binding.name);
      const bool before = widget<QCheckBox>(name).isChecked();
      click(name);
      QCOMPARE(Field(settings(), name), before ? 0.0 : 1.0);
      QCOMPARE(widget<QCheckBox>(Mirror(name)).isChecked(), !before);
      click(name);
      QCOMPARE(Field(settings(), name), before ? 1.0 : 0.0);
    }
  }

  void sizeSlidersReachAMillionPixelsOnALogarithmicScale() {
    for (const SettingId id : {SettingId::NucleiMinimalSize, SettingId::NucleiMaximalSize,
                               SettingId::CellsMinimalSize, SettingId::CellsMaximalSize}) {
      const SliderRange range = SliderRangeOf(id);
      QVERIFY(range.logarithmic);
      QCOMPARE(ValueAtPosition(id, range.minimum), double(Describe(id).minimum));
      QCOMPARE(ValueAtPosition(id, range.maximum), double(Describe(id).maximum));
      for (const int value : {30, 255, 4000, 250000}) {
        AnalysisSettings settings;
        SetInteger(settings, id, value);
        const int position = SliderPosition(settings, id);
        // One step of the slider changes a size by less than 1 %.
        QVERIFY(std::abs(ValueAtPosition(id, position) - value) <= 0.005 * value + 0.5);
        QVERIFY(ValueAtPosition(id, position + 1) >= ValueAtPosition(id, position));
        QVERIFY(ValueAtPosition(id, position + 5) > ValueAtPosition(id, position - 5));
      }
    }
    QVERIFY(!SliderRangeOf(SettingId::NucleiBlueCutoff).logarithmic);
    QCOMPARE(Describe(SettingId::NucleiMaximalSize).maximum, 1'000'000);
    auto& slider = widget<QScrollBar>("nucleusMaximalSizeSlider");
    slider.setValue(slider.maximum());
    QCOMPARE(Field(settings(), "nucleusMaximalSizeSlider"), 1'000'000.0);
    QCOMPARE(text("nucleusMaximalSizeValue"), QStringLiteral("1000000"));
  }

  void cutoffPushedPastItsSaturationShowsBoth() {
    widget<QScrollBar>("rawBlueSaturationSlider").setValue(150);
    widget<QScrollBar>("immigrantBlueCutoffSlider").setValue(200);
    QCOMPARE(settings().display.blue.cutoff, 200);
    QCOMPARE(settings().display.blue.saturation, 201);
    for (const QString tab : {"raw", "immigrant"}) {
      QCOMPARE(widget<QScrollBar>(tab + "BlueCutoffSlider").value(), 200);
      QCOMPARE(widget<QScrollBar>(tab + "BlueSaturationSlider").value(), 201);
      QCOMPARE(text(tab + "BlueSaturationValue"), QStringLiteral("201"));
    }
    QCOMPARE(Child<QLabel>(fixture_.panel(), "universalBlueSaturation").text(), "201");
  }

  void buttonsAndEditsReachTheirActions() {
    const Ring fitted = session().ring();
    for (const auto& [name, dx, dy] : {std::tuple{"ringLeftButton", -1, 0},
                                       {"ringRightButton", 1, 0},
                                       {"ringUpButton", 0, 1},
                                       {"ringDownButton", 0, -1}}) {
      click(name);
      QCOMPARE(text("ringXValue"), QString::number(fitted.x + dx));
      QCOMPARE(text("ringYValue"), QString::number(fitted.y + dy));
      click("autoFitButton");
      QCOMPARE(session().ring(), fitted);
    }
    type("ringRadiusEdit", "abc");
    QCOMPARE(fixture_.errors.takeFirst(), QStringLiteral("'abc' is not a valid integer value"));
    QCOMPARE(edit("ringRadiusEdit"), QStringLiteral("350"));
    type("ringRadiusEdit", "200");  // the plate's dark disc
    QCOMPARE(session().ring().radius, 200);
    QVERIFY(std::abs(session().ring().x - 480) <= 2 && std::abs(session().ring().y - 540) <= 2);
    click("ringRadiusStepUp");
    QCOMPARE(edit("ringRadiusEdit"), QStringLiteral("201"));
    type("ringRadiusEdit", "300");  // too large for the plate's disc of 200
    click("fitSizeButton");         // searches 150..450
    QVERIFY2(std::abs(session().ring().radius - 200) <= 3, qPrintable(edit("ringRadiusEdit")));
    QVERIFY(text("zoneContrastValue").startsWith(QStringLiteral("contrast ")));
    // The radii searched as given: the disc of 200 lies below them.
    widget<QSpinBox>("fitMinimumSpin").setValue(260);
    widget<QSpinBox>("fitMaximumSpin").setValue(300);
    click("fitSizeButton");
    QVERIFY2(session().ring().radius >= 260 && session().ring().radius <= 300,
             qPrintable(edit("ringRadiusEdit")));
    widget<QSpinBox>("fitMaximumSpin").setValue(259);
    const Ring before = session().ring();
    click("fitSizeButton");
    QCOMPARE(fixture_.errors.takeFirst(),
             QStringLiteral("Fit size: the smallest radius 260 is above the largest 259"));
    QCOMPARE(session().ring(), before);
    widget<QSpinBox>("fitMinimumSpin").setValue(0);  // auto: half the ring size
    widget<QSpinBox>("fitMaximumSpin").setValue(0);
    type("ringIncrementEdit", "0");
    QCOMPARE(edit("ringIncrementEdit"), QStringLiteral("10"));
    click("ringIncrementStepUp");
    QCOMPARE(settings().ring.increment, 20);
    for (const QString tab : {"blue", "green", "raw", "immigrant", "cells"}) {
      fixture_.settingsToSave = QString::fromStdString(fixture_.folder.file(tab.toStdString()));
      click(tab + "SaveSettingsButton");
      QCOMPARE(ReadSettingsFile(fixture_.settingsToSave.toStdString() + ".VLS").ring.increment, 20);
    }
  }

  void applyButtonsReanalyseTheOtherWells() {
    fixture_.clickWell("A02");
    for (const char* apply : {"blueApplyButton", "rawApplyButton", "immigrantApplyButton"}) {
      const int cutoff = settings("A02").nuclei.blueCutoff + 5;
      widget<QScrollBar>("nucleusBlueCutoffSlider", "A02").setValue(cutoff);
      QVERIFY(settings("A01").nuclei.blueCutoff != cutoff);
      click(apply, "A02");
      QCOMPARE(widget<QScrollBar>("nucleusBlueCutoffSlider").value(), cutoff);
    }
    click("cellLevelCheck", "A02");
    widget<QScrollBar>("cellLengthRatioSlider", "A02").setValue(45);
    click("cellApplyButton", "A02");
    QCOMPARE(text("cellLengthRatioValue"), QStringLiteral("4.5"));
  }

  void cellControlsFollowTheCellLevel() {
    const QStringList cellLevel{"cellLengthRatioSlider", "cellSmoothnessSlider",
                                "borderRadio",           "colourRadio",
                                "cellApplyButton",       "saveWellDataButton"};
    const QStringList thresholds{"cellGreenCutoffSlider", "cellMinimalSizeSlider",
                                 "cellMaximalSizeSlider"};
    const auto enabled = [this](const QStringList& names, bool on) {
      for (const QString& name : names) QVERIFY2(widget(name).isEnabled() == on, qPrintable(name));
    };
    enabled(cellLevel + thresholds, false);
    click("cellLevelCheck");
    enabled(cellLevel + thresholds, true);
    widget<QScrollBar>("nucleusMinimalSizeSlider").setValue(11);  // a pass locks the thresholds
    enabled(thresholds, false);
    enabled(cellLevel, true);
    const QImage outlines = widget<PictureView>("cellCropView").image();
    click("colourRadio");
    QVERIFY(widget<PictureView>("cellCropView").image() != outlines);
    click("saveWellDataButton");
    const std::string results = fixture_.window->workspace().resultsFolder();
    QVERIFY(QFile::exists(QString::fromStdString(CellDataFileName(results, "TP_", "A01"))));
    click("cellLevelCheck");
    enabled(cellLevel + thresholds, false);
  }

  void hidingByTheProgramResetsToTheUniversalSettings() {
    widget<QScrollBar>("nucleusBlueCutoffSlider").setValue(120);
    fixture_.clickWell("A02");
    widget<QScrollBar>("nucleusBlueCutoffSlider", "A02").setValue(130);  // now universal
    QMdiSubWindow* a01 = fixture_.window->subWindow(QStringLiteral("A01"));
    a01->showMinimized();
    a01->showNormal();
    QCOMPARE(settings().nuclei.blueCutoff, 120);
    a01->hide();
    QCOMPARE(settings().nuclei.blueCutoff, 130);
  }

  // The ring is moved by hand (Shift and a click, a drag, the spin boxes) and
  // every placement is kept at once in the rings file as reviewed.
  void ringIsPlacedDraggedTypedAndKeptInTheRingsFile() {
    Workspace& workspace = fixture_.window->workspace();
    const std::string rings = RingsFileName(workspace.resultsFolder(), workspace.plate().prefix);
    click("actualSizeButton");  // one screen pixel per mosaic pixel
    QWidget* canvas = widget<PictureView>("greenMosaicView").widget();
    const auto mouse = [&](QEvent::Type type, QPoint rowDownPoint,
                           Qt::KeyboardModifiers keys = {}) {
      QMouseEvent event(type, QPointF(rowDownPoint) + QPointF(0.5, 0.5),
                        canvas->mapToGlobal(QPointF(rowDownPoint)), Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, keys);
      QApplication::sendEvent(canvas, &event);
    };
    std::filesystem::remove(rings);  // what earlier nudges kept
    click("autoFitButton");          // a fit alone keeps nothing
    QVERIFY(!std::filesystem::exists(rings));
    session().placeRing(Ring{480, 540, 200});  // the plate's zone
    fixture_.window->refreshAll();
    QVERIFY(!std::filesystem::exists(rings));  // nothing kept before a ring is moved by hand
    // Shift and a click at column 300, row 700 from the bottom (323 from the top).
    mouse(QEvent::MouseButtonPress, {300, 323}, Qt::ShiftModifier);
    QCOMPARE(session().ring(), (Ring{300, 700, 200}));
    QCOMPARE(ReadRingsFile(rings).reviewed(0), std::optional(Ring{300, 700, 200}));
    QCOMPARE(widget<QSpinBox>("ringXSpin").value(), 300);
    QCOMPARE(widget<QSpinBox>("ringYSpin").value(), 700);

    // A drag from inside the ring moves it by as much: 50 right, 20 up.
    const int passes = session().passCount();
    mouse(QEvent::MouseButtonPress, {310, 330});
    mouse(QEvent::MouseMove, {330, 320});
    mouse(QEvent::MouseMove, {360, 310});
    QCOMPARE(session().passCount(), passes);  // analysed once, when let go
    mouse(QEvent::MouseButtonRelease, {360, 310});
    QCOMPARE(session().ring(), (Ring{350, 720, 200}));
    QCOMPARE(session().passCount(), passes + 1);
    QCOMPARE(ReadRingsFile(rings).reviewed(0), std::optional(Ring{350, 720, 200}));
    // A press outside the ring drags nothing.
    mouse(QEvent::MouseButtonPress, {10, 10});
    mouse(QEvent::MouseButtonRelease, {60, 60});
    QCOMPARE(session().ring(), (Ring{350, 720, 200}));

    // Typed: the radius alone, without a fit.
    widget<QSpinBox>("ringRadiusSpin").setValue(150);
    QCOMPARE(session().ring(), (Ring{350, 720, 150}));
    QCOMPARE(settings().ring.radius, 150);
    widget<QSpinBox>("ringYSpin").setValue(0);
    QCOMPARE(session().ring(), (Ring{350, 0, 150}));
    QCOMPARE(ReadRingsFile(rings).reviewed(0), std::optional(Ring{350, 0, 150}));

    // AutoFit replaces the reviewed ring on file by the fitted one.
    click("autoFitButton");
    QVERIFY(session().ring() != (Ring{350, 0, 150}));
    const RingsFile fitted = ReadRingsFile(rings);
    QVERIFY(!fitted.reviewed(0).has_value());
    QCOMPARE(fitted.wells[0]->ring, session().ring());
    QCOMPARE(widget<QSpinBox>("ringXSpin").value(), session().ring().x);

    // Another well opens at the ring reviewed for it.
    SaveRing(rings, 1, {400, 600, 180}, RingSource::Reviewed);
    fixture_.clickWell("A02");
    QCOMPARE(session("A02").ring(), (Ring{400, 600, 180}));
  }

  // An outline in every mosaic; the filled disc of the green mosaic as an option.
  void ringIsOutlinedOrFilled() {
    click("actualSizeButton");
    session().placeRing(Ring{480, 540, 200});
    fixture_.window->refreshAll();
    const Ring ring = session().ring();
    const int centreRow = 1023 - ring.y;
    const QColor outline = QColor::fromRgb(PictureView::kOutlineColour);
    for (const char* name : {"blueMosaicView", "greenMosaicView", "compositeView", "resultView"}) {
      PictureView& view = widget<PictureView>(name);
      const QImage shot = view.widget()->grab().toImage();
      QCOMPARE(shot.size(), QSize(1024, 1024));
      // Two pixels wide on the ring's edge, the picture itself inside and outside.
      QCOMPARE(shot.pixelColor(ring.x + ring.radius, centreRow), outline);
      QCOMPARE(shot.pixelColor(ring.x, centreRow - ring.radius), outline);
      QCOMPARE(shot.pixelColor(ring.x + ring.radius - 4, centreRow),
               view.image().pixelColor(ring.x + ring.radius - 4, centreRow));
      QCOMPARE(shot.pixelColor(ring.x + ring.radius + 4, centreRow),
               view.image().pixelColor(ring.x + ring.radius + 4, centreRow));
    }
    // Outlined, the green mosaic is grey inside the ring; filled, its disc is red.
    const QImage grey = widget<PictureView>("greenMosaicView").image();
    for (const int column : {ring.x, ring.x + ring.radius + 4}) {
      QCOMPARE(grey.pixelColor(column, centreRow).red(), grey.pixelColor(column, centreRow).blue());
    }
    widget<QCheckBox>("filledRingCheck").setChecked(true);
    PictureView& green = widget<PictureView>("greenMosaicView");
    QCOMPARE(green.image().pixelColor(ring.x, centreRow).red(), 255);
    QCOMPARE(green.image().pixelColor(ring.x + ring.radius + 4, centreRow).red(), 0);
    for (const char* name : {"blueMosaicView", "greenMosaicView", "compositeView", "resultView"}) {
      PictureView& view = widget<PictureView>(name);
      QVERIFY(!view.ringOutline().has_value());
      const QImage shot = view.widget()->grab().toImage();
      QCOMPARE(shot.pixelColor(ring.x + ring.radius, centreRow),
               view.image().pixelColor(ring.x + ring.radius, centreRow));
    }
  }

  void picturesFitZoomAndShowActualSize() {
    PictureView& view = widget<PictureView>("resultView");
    const QSize fitted = view.widget()->size();
    QCOMPARE(fitted.boundedTo(view.viewport()->size()), fitted);
    QVERIFY(fitted.width() == view.viewport()->width() ||
            fitted.height() == view.viewport()->height());
    click("actualSizeButton");
    QCOMPARE(view.widget()->size(), QSize(1024, 1024));
    QWheelEvent wheel(QPointF(40, 40), view.viewport()->mapToGlobal(QPointF(40, 40)), {},
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    QCOMPARE(view.widget()->size(), QSize(1280, 1280));
    click("fitPicturesButton");
    QCOMPARE(view.widget()->size(), fitted);
  }
};

QTEST_MAIN(WellWindowTest)
#include "well_window_test.moc"
