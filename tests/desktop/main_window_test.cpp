// The main window, its docked control panel and the plate map, driven through
// their real widgets: what the desktop adds over the workspace.
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <fstream>

#include "desktop/colour_scale.h"
#include "desktop/desktop_fixture.h"
#include "desktop/plate_overview_dialog.h"
#include "plate/settings_file.h"
#include "render/colour_map.h"

using namespace vembrel;
using vembrel::testing::Child;

namespace {

QRgb Centre(const QImage& map, const char* well, int offset = 0) {
  const QPoint centre = PlateMap::circleRect(WellIndex(well)).center();
  return map.pixel(centre + QPoint(offset, offset));
}

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
    return Child<T>(panel(), QString::fromLatin1(name));
  }

 private slots:
  void init() { fixture_.newWindow(); }
  void cleanup() {
    QVERIFY2(fixture_.script.errors.isEmpty(), qPrintable(fixture_.script.errors.join('\n')));
    fixture_.window.reset();
  }

  void controlPanelIsADockThatNeverCloses() {
    QCOMPARE(window().dockWidgetArea(&panel()), Qt::RightDockWidgetArea);
    QVERIFY(panel().features().testFlag(QDockWidget::DockWidgetFloatable));
    QVERIFY(!panel().features().testFlag(QDockWidget::DockWidgetClosable));
    panel().close();
    QVERIFY(panel().isVisible());
    panel().setFloating(true);
    panel().close();
    QVERIFY(panel().isVisible());
  }

  void windowFillsTheScreenFirstThenOpensWhereItWasLeft() {
    fixture_.window = std::make_unique<MainWindow>(fixture_.script.dialogs());
    window().showAtSavedGeometry();
    QVERIFY(window().isMaximized());
    QCOMPARE(window().geometry().size(), window().screen()->availableSize());
    window().showNormal();
    window().setGeometry(40, 50, 1200, 800);
    window().close();
    fixture_.window = std::make_unique<MainWindow>(fixture_.script.dialogs());
    window().showAtSavedGeometry();
    QCOMPARE(window().geometry(), QRect(40, 50, 1200, 800));
  }

  void wellWindowOpensShowingEveryControlBesideThePanel() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    QMdiSubWindow& sub = *window().subWindow(QStringLiteral("A01"));
    const QRect area = window().wellArea().viewport()->rect();
    QVERIFY(area.contains(sub.geometry()));
    const QRect inWindow(sub.mapTo(&window(), QPoint(0, 0)), sub.size());
    QVERIFY(!inWindow.intersects(panel().geometry()));
    QTabWidget& tabs = fixture_.well("A01").tabs();
    for (int tab = 0; tab < tabs.count(); ++tab) {
      tabs.setCurrentIndex(tab);
      QApplication::processEvents();
      auto& scroller =
          Child<QScrollArea>(*tabs.widget(tab), tabs.widget(tab)->objectName() + "Panel");
      QVERIFY2(scroller.verticalScrollBar()->maximum() == 0, qPrintable(tabs.tabText(tab)));
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
    const struct {
      const char* well;
      int nuclei, distance;
      bool flagged;
    } wells[] = {{"A01", 0, 90, false}, {"A02", 50, 10, true}, {"B01", 100, 50, false}};
    for (const auto& w : wells) {
      WellResults results;
      results.well = WellIndex(w.well);
      results.nuclei = w.nuclei;
      results.averageDistance = w.distance;
      if (w.flagged) results.quality = {QualityNote::FewNucleiOutside};
      window().workspace().results().record(results, AnalysisSettings{});
    }
    QComboBox& colouring = inPanel<QComboBox>("plateColouring");
    PlateMap& map = panel().plateMap();
    colouring.setCurrentText(QStringLiteral("Immigrant nuclei"));
    QImage shown = map.grab().toImage();
    QCOMPARE(Centre(shown, "A01"), Viridis(0));
    QCOMPARE(Centre(shown, "A02"), Viridis(0.5));
    QCOMPARE(Centre(shown, "B01"), Viridis(1));
    QCOMPARE(Centre(shown, "H12", 5), QColor(map.palette().window().color()).rgb());
    QVERIFY(inPanel<ColourScale>("colourScale").isVisible());
    colouring.setCurrentText(QStringLiteral("Average distance"));
    shown = map.grab().toImage();
    QCOMPARE(Centre(shown, "A01"), Viridis(1));
    QCOMPARE(Centre(shown, "A02"), Viridis(0));
    colouring.setCurrentText(QStringLiteral("Pictures"));
    shown = map.grab().toImage();
    QCOMPARE(Centre(shown, "A01", 5), qRgb(0, 255, 255));
    QVERIFY(!inPanel<ColourScale>("colourScale").isVisible());
    const QRgb orange = qRgb(255, 140, 0);
    QCOMPARE(shown.pixel(PlateMap::flagRect(WellIndex("A02")).center() + QPoint(0, 2)), orange);
    QVERIFY(shown.pixel(PlateMap::flagRect(WellIndex("B01")).center() + QPoint(0, 2)) != orange);
  }

  void goRunsTheBatchWithItsProgressBar() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    inPanel<QComboBox>("plateColouring").setCurrentText(QStringLiteral("Total nuclei"));
    QProgressBar& progress = inPanel<QProgressBar>("batchProgress");
    QSignalSpy steps(&progress, &QProgressBar::valueChanged);
    inPanel<QPushButton>("goButton").click();
    QVERIFY(panel().batchRunning());
    QVERIFY(progress.isVisible());
    QCOMPARE(progress.maximum(), 3);
    QVERIFY(window().wellWindow(QStringLiteral("A01")) == nullptr);
    QVERIFY(!inPanel<QPushButton>("goButton").isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QVERIFY(!progress.isVisible());
    QCOMPARE(steps.size(), 4);  // 0 at the start, then one step per well
    QCOMPARE(steps.last().first().toInt(), 3);
    QVERIFY(QFile::exists(panel().lastSummaryFile()));
    QCOMPARE(fixture_.script.opened.size(), 1);
    for (const char* well : {"A01", "A02", "B01"})
      QVERIFY(panel().plateMap().value(WellIndex(well)));
  }

  void plateMapOpensExcludesAndTheMenuOpensSettings() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    fixture_.clickWell("A02");
    window().wellArea().setActiveSubWindow(window().subWindow(QStringLiteral("A01")));
    QCOMPARE(window().workspace().activeSession()->wellName(), std::string("A01"));
    fixture_.clickWell("A02", Qt::RightButton);
    QVERIFY(window().wellWindow(QStringLiteral("A02")) == nullptr);

    const std::string file = fixture_.folder.file("ring200.VLS");
    AnalysisSettings settings;
    settings.ring.radius = 200;
    WriteSettingsFile(file, settings);
    fixture_.script.settingsToOpen = QString::fromStdString(file);
    fixture_.trigger("openSettingsAction");
    QCOMPARE(inPanel<QLabel>("universalRingRadius").text(), QStringLiteral("200"));
    QCOMPARE(Child<QLineEdit>(fixture_.well("A01"), "ringRadiusEdit").text(),
             QStringLiteral("200"));
    std::ofstream(file) << "[Cent_COG]\r\nabc\r\n";
    fixture_.trigger("openSettingsAction");
    QCOMPARE(fixture_.script.errors.size(), 1);
    QVERIFY(fixture_.script.errors.takeFirst().contains(QStringLiteral("ring200.VLS")));
  }

  void overviewOpensModallyWithTheWells() {
    fixture_.openPlate();
    bool seen = false;
    QTimer::singleShot(0, [&seen] {
      auto* overview = qobject_cast<PlateOverviewDialog*>(QApplication::activeModalWidget());
      if (overview == nullptr) return;
      seen = overview->built() && !overview->thumbnail(WellIndex("A01"))->pixmap().isNull() &&
             overview->thumbnail(WellIndex("H12"))->pixmap().isNull();
      Child<QPushButton>(*overview, "closeButton").click();
    });
    inPanel<QPushButton>("overviewButton").click();
    QVERIFY2(seen, "the overview opened modally with the plate's wells and closed by its button");
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
