// The main window, its docked control panel and the plate map, driven through
// their real widgets: what the desktop adds over the workspace.
#include "desktop/colour_scale.h"
#include "desktop/desktop_fixture.h"
#include "desktop/plate_overview_dialog.h"
#include "plate/settings_file.h"
#include "render/colour_map.h"
#include "results/rings_file.h"

using namespace vembrel;
using vembrel::testing::Child;

namespace {

QRgb Viridis(double share) {
  const Rgb colour = ViridisColour(share);
  return qRgb(colour.r, colour.g, colour.b);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  vembrel::testing::DesktopFixture fixture_{{{"A01"}, {"A02"}, {"B01"}}};

  MainWindow& window() { return *fixture_.window; }
  ControlPanel& panel() { return fixture_.panel(); }
  template <typename T>
  T& inPanel(const char* name) {
    return Child<T>(panel(), name);
  }
  std::string ringsFile() {
    Workspace& workspace = window().workspace();
    return RingsFileName(workspace.resultsFolder(), workspace.plate().prefix);
  }
  // The plate map's pixel at a well's centre (moved by offset both ways).
  QRgb wellColour(const char* well, int offset = 0) {
    const QPoint centre = PlateMap::circleRect(WellIndex(well)).center();
    return panel().plateMap().grab().toImage().pixel(centre + QPoint(offset, offset));
  }

 private slots:
  void init() { fixture_.newWindow(); }
  void cleanup() {
    QVERIFY2(fixture_.errors.isEmpty(), qPrintable(fixture_.errors.join('\n')));
    fixture_.window.reset();
  }

  void controlPanelIsADockThatNeverCloses() {
    QCOMPARE(window().dockWidgetArea(&panel()), Qt::RightDockWidgetArea);
    QVERIFY(panel().features().testFlag(QDockWidget::DockWidgetFloatable));
    QVERIFY(!panel().features().testFlag(QDockWidget::DockWidgetClosable));
    for (const bool floating : {false, true}) {
      panel().setFloating(floating);
      panel().close();
      QVERIFY(panel().isVisible());
    }
  }

  void windowFillsTheScreenFirstThenOpensWhereItWasLeft() {
    fixture_.create().showAtSavedGeometry();
    QVERIFY(window().isMaximized());
    QCOMPARE(window().geometry().size(), window().screen()->availableSize());
    window().showNormal();
    window().setGeometry(40, 50, 1200, 800);
    window().close();
    fixture_.create().showAtSavedGeometry();
    QCOMPARE(window().geometry(), QRect(40, 50, 1200, 800));
  }

  void wellWindowOpensShowingEveryControlBesideThePanel() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    QMdiSubWindow& sub = *window().subWindow(QStringLiteral("A01"));
    QVERIFY(window().wellArea().viewport()->rect().contains(sub.geometry()));
    QVERIFY(!QRect(sub.mapTo(&window(), QPoint(0, 0)), sub.size()).intersects(panel().geometry()));
    QTabWidget& tabs = fixture_.well("A01").tabs();
    for (int tab = 0; tab < tabs.count(); ++tab) {
      tabs.setCurrentIndex(tab);
      QApplication::processEvents();
      QWidget& page = *tabs.widget(tab);
      auto& panelOfTab = Child<QScrollArea>(page, page.objectName() + "Panel");
      QVERIFY2(panelOfTab.verticalScrollBar()->maximum() == 0, qPrintable(tabs.tabText(tab)));
    }
  }

  void recentPlatesAreListedAndReopen() {
    fixture_.openPlate();
    fixture_.newWindow();
    QAction& recent = Child<QAction>(window(), "recentPlate1");
    QVERIFY(recent.text().endsWith(fixture_.picture));
    recent.trigger();
    QCOMPARE(window().workspace().plate().prefix, std::string("TP_"));
  }

  void plateMapColoursByAResultAndMarksFlaggedWells() {
    fixture_.openPlate();
    for (const auto& [well, nuclei, distance] :
         {std::tuple{"A01", 0, 90}, {"A02", 50, 10}, {"B01", 100, 50}}) {
      WellResults results;
      results.well = WellIndex(well);
      results.nuclei = nuclei;
      results.averageDistance = distance;
      if (nuclei == 50) results.quality = {QualityNote::FewNucleiOutside};
      window().workspace().results().record(results, AnalysisSettings{});
    }
    QComboBox& colouring = inPanel<QComboBox>("plateColouring");
    colouring.setCurrentText(QStringLiteral("Immigrant nuclei"));
    QCOMPARE(wellColour("A01"), Viridis(0));
    QCOMPARE(wellColour("A02"), Viridis(0.5));
    QCOMPARE(wellColour("B01"), Viridis(1));
    QCOMPARE(wellColour("H12", 5), panel().plateMap().palette().window().color().rgb());
    QVERIFY(inPanel<ColourScale>("colourScale").isVisible());
    colouring.setCurrentText(QStringLiteral("Average distance"));
    QCOMPARE(wellColour("A01"), Viridis(1));
    QCOMPARE(wellColour("A02"), Viridis(0));
    colouring.setCurrentText(QStringLiteral("Pictures"));
    QCOMPARE(wellColour("A01", 5), qRgb(0, 255, 255));
    QVERIFY(!inPanel<ColourScale>("colourScale").isVisible());
    const QImage map = panel().plateMap().grab().toImage();
    const auto mark = [&map](const char* well) {
      return map.pixel(PlateMap::flagRect(WellIndex(well)).center() + QPoint(0, 2));
    };
    QCOMPARE(mark("A02"), qRgb(255, 140, 0));
    QVERIFY(mark("B01") != mark("A02"));
  }

  void goRunsTheBatchWithItsProgressBar() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    inPanel<QComboBox>("plateColouring").setCurrentText(QStringLiteral("Total nuclei"));
    QProgressBar& progress = inPanel<QProgressBar>("batchProgress");
    QSignalSpy steps(&progress, &QProgressBar::valueChanged);
    inPanel<QPushButton>("goButton").click();
    QVERIFY(panel().batchRunning() && progress.isVisible());
    QVERIFY(!inPanel<QPushButton>("goButton").isEnabled());
    QCOMPARE(progress.maximum(), 3);
    QVERIFY(window().wellWindow(QStringLiteral("A01")) == nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QVERIFY(!progress.isVisible());
    QCOMPARE(steps.size(), 4);  // 0 at the start, then one step per well
    QCOMPARE(steps.last().first().toInt(), 3);
    QVERIFY(QFile::exists(panel().lastSummaryFile()));
    QCOMPARE(fixture_.opened.size(), 1);  // the workbook
    for (const char* well : {"A01", "A02", "B01"}) {
      QVERIFY(panel().plateMap().value(WellIndex(well)));
    }
  }

  void plateMapOpensAndExcludesAndTheMenuOpensSettings() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    fixture_.clickWell("A02");
    window().wellArea().setActiveSubWindow(window().subWindow(QStringLiteral("A01")));
    QCOMPARE(window().workspace().activeSession()->wellName(), std::string("A01"));
    fixture_.clickWell("A02", Qt::RightButton);
    QVERIFY(window().wellWindow(QStringLiteral("A02")) == nullptr);
    QCOMPARE(wellColour("A02", 5), qRgb(255, 0, 0));

    AnalysisSettings settings;
    settings.ring.radius = 200;
    fixture_.settingsToOpen = QString::fromStdString(fixture_.folder.file("ring.VLS"));
    WriteSettingsFile(fixture_.settingsToOpen.toStdString(), settings);
    fixture_.trigger("openSettingsAction");
    QCOMPARE(inPanel<QLabel>("universalRingRadius").text(), QStringLiteral("200"));
    QCOMPARE(Child<QLineEdit>(fixture_.well("A01"), "ringRadiusEdit").text(), "200");
  }

  // Go! analyses a well at the ring reviewed for it and says how many it used.
  void goUsesTheReviewedRingsAndSaysHowMany() {
    fixture_.openPlate();
    const std::string rings = ringsFile();
    SaveRing(rings, WellIndex("A02"), {400, 600, 180}, RingSource::Reviewed);
    SaveRing(rings, WellIndex("B01"), {500, 500, 150}, RingSource::Fitted);
    inPanel<QPushButton>("goButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QCOMPARE(panel().ringsNote(), QStringLiteral("1 reviewed ring used"));
    QVERIFY(inPanel<QLabel>("ringsNoteLabel").isVisibleTo(&panel()));
    const PlateResults& results = window().workspace().results();
    QCOMPARE(results.wells[WellIndex("A02")]->ring, (RingPlacement{400, 600, 180}));
    QVERIFY(results.wells[WellIndex("B01")]->ring != (RingPlacement{500, 500, 150}));
    std::filesystem::remove(rings);
  }

  // The overview outlines each well's present ring; a double click opens the well.
  void overviewShowsTheRingsAndOpensAWellOnDoubleClick() {
    fixture_.openPlate();
    const std::string rings = ringsFile();
    SaveRing(rings, WellIndex("A02"), {400, 600, 180}, RingSource::Reviewed);
    const auto current = panel().currentRings();
    QCOMPARE(current[WellIndex("A02")], std::optional(RingPlacement{400, 600, 180}));
    QVERIFY(!current[WellIndex("B01")].has_value());  // neither reviewed nor analysed
    bool checked = false;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<PlateOverviewDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      dialog->build();
      // The outline's rightmost point, at the thumbnail's scale (105 of 1024 pixels).
      const QImage a02 = dialog->thumbnail(WellIndex("A02"))->pixmap().toImage();
      const double scale = 105.0 / 1024;
      const QColor edge =
          a02.pixelColor(int((400.5 + 180) * scale), int((1023 - 600 + 0.5) * scale));
      QVERIFY2(edge.red() > 200 && edge.green() > 200 && edge.blue() < 80, qPrintable(edge.name()));
      checked = true;
      QTest::mouseDClick(dialog->thumbnail(WellIndex("A02")), Qt::LeftButton);
    });
    inPanel<QPushButton>("overviewButton").click();
    QVERIFY(checked);
    QVERIFY(window().wellWindow(QStringLiteral("A02")) != nullptr);
    QCOMPARE(fixture_.well("A02").session()->ring(), (RingPlacement{400, 600, 180}));
    std::filesystem::remove(rings);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
