// The main window, its docked control panel and the plate map, driven through
// their real widgets: what the desktop adds over the workspace.
#include "core/text_file.h"
#include "desktop/colour_scale.h"
#include "desktop/desktop_fixture.h"
#include "desktop/plate_memory.h"
#include "desktop/plate_overview_dialog.h"
#include "desktop/preferences.h"
#include "desktop/setting_bindings.h"
#include "desktop/undo_commands.h"
#include "plate/settings_file.h"
#include "render/colour_map.h"
#include "results/measure_table.h"
#include "results/report_page.h"
#include "results/rings_file.h"
#include "support/command_run.h"

using namespace vembrel;
using vembrel::testing::Child;
using vembrel::testing::CommandRun;
using vembrel::testing::Quoted;
using vembrel::testing::ReadFile;
using vembrel::testing::RunVembrel;

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
    const QPoint centre = panel().plateMap().circleRect(WellIndex(well)).center();
    return panel().plateMap().grab().toImage().pixel(centre + QPoint(offset, offset));
  }

 private slots:
  void init() { fixture_.newWindow(); }
  void cleanup() {
    QVERIFY2(fixture_.errors.isEmpty(), qPrintable(fixture_.errors.join('\n')));
    fixture_.window.reset();
    fixture_.errors.clear();
    fixture_.opened.clear();
    fixture_.batchSummaries.clear();
    fixture_.savePrompts = 0;
    fixture_.resultsFolder.clear();
    fixture_.batchEndChoice = BatchEndChoice::Close;
  }

  void fileDialogsSpeakEnglishAndOfferAllFiles() {
    QStringList filters;
    QTimer::singleShot(0, [&filters] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      filters = dialog->nameFilters();
      dialog->reject();
    });
    QCOMPARE(UserDialogs::Standard().chooseSettingsToOpen(&window()), QString());
    QCOMPARE(filters, QStringList{QStringLiteral("All files (*)")});
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
    // The pictures were written today; the date reads as ISO 8601 whatever the locale.
    QCOMPARE(inPanel<QLabel>("plateMeasured").text(), QDate::currentDate().toString(Qt::ISODate));
    fixture_.newWindow();
    QAction& recent = Child<QAction>(window(), "recentPlate1");
    QVERIFY(recent.text().endsWith(fixture_.picture));
    recent.trigger();
    QCOMPARE(window().workspace().plate().prefix, std::string("TP_"));
  }

  void pixelSizeChosenInTheMenuAppliesToThePlatesOpened() {
    const auto opened = [this] {
      fixture_.openPlate();
      return window().workspace().plate().pixelSize;
    };
    QVERIFY(!opened());
    fixture_.pixelSizeAnswer = 0.5;
    fixture_.trigger("pixelSizeAction");
    QCOMPARE(opened()->micrometres, 0.5);
    fixture_.newWindow();  // kept between sessions
    QCOMPARE(opened()->micrometres, 0.5);
    fixture_.pixelSizeAnswer.reset();  // cancelled: unchanged
    fixture_.trigger("pixelSizeAction");
    QCOMPARE(opened()->micrometres, 0.5);
    fixture_.pixelSizeAnswer = 0.0;  // back to the metadata, which has none
    fixture_.trigger("pixelSizeAction");
    QVERIFY(!opened());
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
    // The choices: the pictures, the colour-by measures in the measure table's order, the map.
    QStringList choices;
    for (int k = 0; k < colouring.count(); ++k) choices << colouring.itemText(k);
    QStringList measures;
    for (const MeasureDescriptor* m : MeasuresOf(MeasureLevel::Well, {}, kInColourBy)) {
      measures << QString::fromUtf8(m->caption.data(), static_cast<qsizetype>(m->caption.size()));
    }
    const QStringList byMap{"Condition (plate map)", "Role (plate map)"};
    QCOMPARE(choices, QStringList{"Pictures"} + measures + byMap);
    QCOMPARE(measures, (QStringList{"Immigrant nuclei", "Calculated nuclei", "Average distance",
                                    "Total nuclei"}));
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
    const auto mark = [&map, this](const char* well) {
      return map.pixel(panel().plateMap().flagRect(WellIndex(well)).center() + QPoint(0, 2));
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
    inPanel<QCheckBox>("perWellCutoffsCheck").setChecked(true);
    const AnalysisSettings::Nuclei universal = window().workspace().universalSettings().nuclei;
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
    // Each well's own cut-offs, as asked beside Go!.
    const std::string table = panel().lastSummaryFile().toStdString();
    QVERIFY(
        ReadFile(table.substr(0, table.size() - 4) + "_wells.csv").find("nucleus_blue_cutoff") !=
        std::string::npos);
    // which stay the wells' own: the universal ones are as they were.
    const AnalysisSettings::Nuclei after = window().workspace().universalSettings().nuclei;
    QCOMPARE(after.blueCutoff, universal.blueCutoff);
    QCOMPARE(after.greenCutoff, universal.greenCutoff);
    QVERIFY(fixture_.opened.isEmpty());  // the workbook only on request
    QCOMPARE(fixture_.batchSummaries.size(), 1);
    QVERIFY2(
        fixture_.batchSummaries[0].contains("Wells analysed: 3\nWells failed: 0\nWells flagged: "),
        qPrintable(fixture_.batchSummaries[0]));
    for (const char* well : {"A01", "A02", "B01"}) {
      QVERIFY(panel().plateMap().value(WellIndex(well)));
    }
  }

  void goWritesWhatTheCommandLineWritesAndOffersTheReport() {
    fixture_.openPlate();
    const QString desktop = QString::fromStdString(fixture_.folder.file("desktop"));
    QVERIFY(QDir().mkpath(desktop));
    fixture_.resultsFolder = desktop;
    fixture_.batchEndChoice = BatchEndChoice::OpenReport;
    SetBatchThreads(2);
    inPanel<QRadioButton>("startTabCe").click();  // wells open, and the batch runs, at cell level
    fixture_.trigger("goAction");
    QVERIFY(!panel().plateMap().isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QVERIFY(panel().plateMap().isEnabled());
    QCOMPARE(fixture_.opened, QStringList{desktop + "/TP_Vembrel_report.html"});
    const std::string command = fixture_.folder.file("command");
    const CommandRun run = RunVembrel("batch " + Quoted(fixture_.picture.toStdString()) +
                                      " --cells --jobs 2 --results " + Quoted(command));
    QVERIFY2(run.exitCode == 0, run.err.c_str());
    // Every file the command line wrote, byte for byte, but the run's record of
    // itself (its command line and times, also in the report's facts).
    const auto withoutRunFacts = [](std::string text) {
      for (const char* fact :
           {"<tr><th>Command line</th>", "<tr><th>Started</th>", "<tr><th>Ended</th>"}) {
        const std::size_t at = text.find(fact);
        if (at != std::string::npos) text.erase(at, text.find("</tr>", at) - at);
      }
      return text;
    };
    int compared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(command)) {
      if (!entry.is_regular_file()) continue;
      const auto relative = std::filesystem::relative(entry.path(), command);
      if (relative.string().ends_with("_run.json")) continue;
      const std::string twin = (std::filesystem::path(desktop.toStdString()) / relative).string();
      QVERIFY2(std::filesystem::exists(twin), twin.c_str());
      QVERIFY2(withoutRunFacts(ReadFile(twin)) == withoutRunFacts(ReadFile(entry.path())),
               relative.c_str());
      ++compared;
    }
    QVERIFY(QFile::exists(desktop + "/TP_Vembrel_cells.csv"));
    QVERIFY(compared >= 6);  // summary, workbook, tables, snapshots, report
  }

  void goShowsEveryProblemTheCommandLineNames() {
    // A well with a field missing, whose snapshot cannot be written, and a
    // workbook that cannot be written either.
    const auto restore =
        qScopeGuard([this, picture = fixture_.picture] { fixture_.picture = picture; });
    fixture_.picture = QString::fromStdString(vembrel::testing::WriteSmallPlate(
        fixture_.folder.file("gaps"), "GP_", {{"A01", 0x7}, {"A02"}}));
    fixture_.openPlate();
    const std::string results = fixture_.folder.file("gaps results");
    std::filesystem::create_directories(results + "/JPEGS/GP_A02.jpg");
    std::filesystem::create_directories(results + "/GP_Vembrel.xlsx");
    fixture_.resultsFolder = QString::fromStdString(results);
    fixture_.trigger("goAction");
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QCOMPARE(fixture_.errors.size(), 1);
    const QString shown = fixture_.errors.takeFirst();
    for (const char* named : {"left black: Well A01: ", "GP_A01f03d0.tif",
                              "Well A02: ", "/JPEGS/GP_A02.jpg", "/GP_Vembrel.xlsx"}) {
      QVERIFY2(shown.contains(QLatin1String(named)), qPrintable(shown));
    }
  }

  void cancelStopsTheBatchBetweenWellsAndKeepsThePlatesFiles() {
    fixture_.openPlate();
    const QString folder = QString::fromStdString(fixture_.folder.file("cancelled"));
    QVERIFY(QDir().mkpath(folder));
    fixture_.resultsFolder = folder;
    SetBatchThreads(1);
    fixture_.trigger("goAction");
    QPushButton& cancel = inPanel<QPushButton>("cancelBatchButton");
    QVERIFY(cancel.isVisible() && cancel.isEnabled());
    cancel.click();  // before the worker is past its first well
    QVERIFY(!cancel.isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QVERIFY(!cancel.isVisible());
    QCOMPARE(fixture_.batchSummaries.size(), 1);
    QVERIFY2(fixture_.batchSummaries[0].startsWith("The batch was cancelled."),
             qPrintable(fixture_.batchSummaries[0]));
    QVERIFY(!QFile::exists(folder + "/TP_Vembrel.csv"));  // no plate files for a part
    QVERIFY(inPanel<QPushButton>("goButton").isEnabled());
  }

  void menusDoWhatTheButtonsDo() {
    for (const char* name :
         {"openPicturesAction", "openSettingsAction", "saveSettingsAction", "exportReportAction",
          "quitAction", "undoAction", "redoAction", "preferencesAction", "zoomInAction",
          "zoomOutAction", "zoomFitAction", "autoFitAction", "fitSizeAction", "overviewAction",
          "goAction", "readmeAction"}) {
      QVERIFY2(!Child<QAction>(window(), name).shortcut().isEmpty(), name);
    }
    for (QAction* menu : window().menuBar()->actions()) QVERIFY(menu->text().startsWith('&'));
    fixture_.trigger("exportReportAction");  // no plate, no results: said so
    QCOMPARE(fixture_.errors.size(), 1);
    fixture_.errors.clear();
    fixture_.openPlate();
    fixture_.clickWell("A01");
    // The report of the wells' present results is written, then opened.
    const std::string report = ReportPageFileName(window().workspace().resultsFolder(),
                                                  window().workspace().plate().prefix);
    std::filesystem::remove(report);
    fixture_.trigger("exportReportAction");
    QCOMPARE(fixture_.opened, QStringList{QString::fromStdString(report)});
    QVERIFY(ReadFile(report).find("<tr id=\"well-A01\">") != std::string::npos);
    QVERIFY(ReadFile(report).find("<tr class=\"failed\" id=\"well-A02\">") != std::string::npos);
    fixture_.opened.clear();
    WellSession& session = *window().workspace().findSession(WellIndex("A01"));
    const int fittedX = session.ring().x;
    Child<QToolButton>(fixture_.well("A01"), "ringLeftButton").click();
    fixture_.trigger("autoFitAction");
    QCOMPARE(session.ring().x, fittedX);
    QCOMPARE(window().undoStack().count(), 2);  // the nudge and the fit
    auto& view = Child<PictureView>(fixture_.well("A01"), "resultView");
    const double fitted = view.zoom();
    fixture_.trigger("zoomInAction");
    QVERIFY(!view.fitting());
    QCOMPARE(view.zoom(), fitted * 1.25);
    fixture_.trigger("zoomOutAction");
    QCOMPARE(view.zoom(), fitted * 1.25 * 0.8);
    fixture_.trigger("zoomFitAction");
    QVERIFY(view.fitting());
    QSignalSpy drawing(&window(), &MainWindow::ringDrawingChanged);
    const bool outline = window().ringAsOutline();
    fixture_.trigger("ringOutlineAction");
    QCOMPARE(drawing.size(), 1);
    QCOMPARE(drawing[0][0].toBool(), !outline);
    QCOMPARE(RingDrawnAsOutline(), !outline);
    // The open well window draws the ring as the menu says.
    auto& filled = Child<QCheckBox>(fixture_.well("A01"), "filledRingCheck");
    QCOMPARE(filled.isChecked(), outline);
    fixture_.trigger("ringOutlineAction");
    QCOMPARE(RingDrawnAsOutline(), outline);
    QCOMPARE(filled.isChecked(), !outline);
  }

  void undoAndRedoEveryChangeOfAWellAndOfThePanel() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    WellSession& session = *window().workspace().findSession(WellIndex("A01"));
    const WellSnapshot opened = WellSnapshot::Of(session);
    QUndoStack& stack = window().undoStack();
    QVERIFY(!window().settingsUnsaved());
    // A setting, then a ring nudge, in the well window.
    Child<QScrollBar>(fixture_.well("A01"), "nucleusMinimalSizeSlider").setValue(11);
    const WellSnapshot changed = WellSnapshot::Of(session);
    QVERIFY(changed.settings != opened.settings);
    QVERIFY(window().settingsUnsaved());
    Child<QToolButton>(fixture_.well("A01"), "ringLeftButton").click();
    QCOMPARE(session.ring().x, changed.x - 1);
    QCOMPARE(stack.count(), 2);
    fixture_.trigger("undoAction");
    QVERIFY(WellSnapshot::Of(session) == changed);
    fixture_.trigger("undoAction");
    QVERIFY(WellSnapshot::Of(session).settings == opened.settings);
    QCOMPARE(Child<QScrollBar>(fixture_.well("A01"), "nucleusMinimalSizeSlider").value(),
             SliderPosition(opened.settings, SettingId::NucleiMinimalSize));
    fixture_.trigger("redoAction");
    QVERIFY(WellSnapshot::Of(session) == changed);
    // The panel: the start tab and an exclusion.
    inPanel<QRadioButton>("startTabB").click();
    QCOMPARE(panel().startTab(), WellTab::BlueChannel);
    fixture_.clickWell("A02", Qt::RightButton);
    QCOMPARE(window().workspace().plate().wells[WellIndex("A02")].state, 0);
    fixture_.trigger("undoAction");
    QCOMPARE(window().workspace().plate().wells[WellIndex("A02")].state, 1);
    fixture_.trigger("undoAction");
    QCOMPARE(panel().startTab(), WellTab::ImmigrantCells);
    QVERIFY(inPanel<QRadioButton>("startTabIm").isChecked());
    fixture_.trigger("redoAction");
    QVERIFY(inPanel<QRadioButton>("startTabB").isChecked());
    fixture_.trigger("redoAction");
    QCOMPARE(window().workspace().plate().wells[WellIndex("A02")].state, 0);
    // Opened settings come back undone, on the panel and in the well.
    AnalysisSettings settings;
    settings.ring.radius = 150;
    fixture_.settingsToOpen = QString::fromStdString(fixture_.folder.file("undo.VLS"));
    WriteSettingsFile(fixture_.settingsToOpen.toStdString(), settings);
    const int radius = window().workspace().universalSettings().ring.radius;
    fixture_.trigger("openSettingsAction");
    QCOMPARE(inPanel<QLabel>("universalRingRadius").text(), QStringLiteral("150"));
    QCOMPARE(Child<QLineEdit>(fixture_.well("A01"), "ringRadiusEdit").text(), "150");
    QVERIFY(!window().settingsUnsaved());
    fixture_.trigger("undoAction");
    QCOMPARE(window().workspace().universalSettings().ring.radius, radius);
    QCOMPARE(inPanel<QLabel>("universalRingRadius").text(), QString::number(radius));
    QCOMPARE(session.settings().ring.radius, radius);
    // A closed well's change leaves the stack when it is reached.
    fixture_.trigger("redoAction");
    window().workspace().closeSession(session);
    const int before = stack.count();
    for (int i = 0; i < 4; ++i) fixture_.trigger("undoAction");  // to the closed well's nudge
    QVERIFY(stack.count() < before);
  }

  void closingWithChangedSettingsAsksToSaveThem() {
    fixture_.openPlate();
    QVERIFY(window().close());  // nothing changed: no question
    QCOMPARE(fixture_.savePrompts, 0);
    fixture_.newWindow();
    fixture_.openPlate();
    fixture_.clickWell("A01");
    Child<QScrollBar>(fixture_.well("A01"), "nucleusMinimalSizeSlider").setValue(12);
    fixture_.saveChoice = SaveChoice::Cancel;
    QVERIFY(!window().close());
    QVERIFY(window().isVisible());
    fixture_.saveChoice = SaveChoice::Save;
    fixture_.settingsToSave.clear();  // the file dialog cancelled: the window stays
    QVERIFY(!window().close());
    // Applied, then saved from the menu: nothing left unsaved.
    fixture_.settingsToSave = QString::fromStdString(fixture_.folder.file("kept"));
    Child<QPushButton>(fixture_.well("A01"), "blueApplyButton").click();
    fixture_.trigger("saveSettingsAction");
    QCOMPARE(ReadSettingsFile(fixture_.folder.file("kept.VLS")).nuclei.minimalSize,
             window().workspace().universalSettings().nuclei.minimalSize);
    QVERIFY(!window().settingsUnsaved());
    QCOMPARE(fixture_.savePrompts, 2);
    QVERIFY(window().close());
    QCOMPARE(fixture_.savePrompts, 2);
    fixture_.newWindow();
    fixture_.openPlate();
    fixture_.clickWell("A01");
    Child<QScrollBar>(fixture_.well("A01"), "nucleusMinimalSizeSlider").setValue(13);
    fixture_.saveChoice = SaveChoice::Discard;
    QVERIFY(window().close());
    QCOMPARE(fixture_.savePrompts, 3);
  }

  void aPlateRemembersItsSettingsExclusionsAndResultsFolder() {
    AnalysisSettings settings;
    settings.ring.radius = 180;
    fixture_.settingsToOpen = QString::fromStdString(fixture_.folder.file("plate.VLS"));
    WriteSettingsFile(fixture_.settingsToOpen.toStdString(), settings);
    const QString results = QString::fromStdString(fixture_.folder.file("chosen"));
    QVERIFY(QDir().mkpath(results));
    fixture_.openPlate();
    fixture_.trigger("openSettingsAction");
    fixture_.clickWell("B01", Qt::RightButton);
    fixture_.resultsFolder = results;
    fixture_.trigger("goAction");
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    const std::optional<PlateMemory> kept = ReadPlateMemory(fixture_.plateMemory());
    QVERIFY(kept.has_value());
    QCOMPARE(kept->settingsFile, fixture_.settingsToOpen.toStdString());
    QCOMPARE(kept->excludedWells, std::vector<std::string>{"B01"});
    QCOMPARE(kept->resultsFolder, results.toStdString() + "/");
    QVERIFY(QFile::exists(results + "/TP_Vembrel_desktop.json"));

    fixture_.newWindow(true);
    fixture_.openPlate();
    const Workspace& workspace = window().workspace();
    QCOMPARE(workspace.universalSettings().ring.radius, 180);
    QCOMPARE(workspace.plate().wells[WellIndex("B01")].state, 0);
    QCOMPARE(workspace.plate().wells[WellIndex("A02")].state, 1);
    QCOMPARE(workspace.resultsFolder(), results.toStdString() + "/");
    QVERIFY(!window().settingsUnsaved());
    fixture_.resultsFolder.clear();  // "Go!" proposes the folder of last time: taken
    fixture_.trigger("goAction");
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QVERIFY(QFile::exists(results + "/TP_Vembrel.csv"));

    // A damaged memory is said in the status bar; the plate opens as new.
    WriteFileAtomically(fixture_.plateMemory(), "{ not json");
    fixture_.newWindow(true);
    fixture_.openPlate();
    QCOMPARE(window().workspace().plate().wells[WellIndex("B01")].state, 1);
    QVERIFY(window().statusBar()->currentMessage().contains("damaged"));
  }

  void plateMapOpensAndExcludesWells() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    fixture_.clickWell("A02");
    window().wellArea().setActiveSubWindow(window().subWindow(QStringLiteral("A01")));
    QCOMPARE(window().workspace().activeSession()->wellName(), std::string("A01"));
    const auto& a02 = window().workspace().results().wells[WellIndex("A02")];
    QVERIFY(a02.has_value());
    const WellResults analysed = *a02;
    fixture_.clickWell("A02", Qt::RightButton);
    QVERIFY(window().wellWindow(QStringLiteral("A02")) == nullptr);
    QVERIFY(!a02.has_value());
    QCOMPARE(wellColour("A02", 5), qRgb(255, 0, 0));
    // Undone, the exclusion gives the well back its results; redone, takes them again.
    fixture_.trigger("undoAction");
    QCOMPARE(window().workspace().plate().wells[WellIndex("A02")].state, 1);
    QVERIFY(a02.has_value());
    QCOMPARE(a02->nuclei, analysed.nuclei);
    QVERIFY(a02->ring == analysed.ring && a02->immigrants == analysed.immigrants);
    fixture_.trigger("redoAction");
    QVERIFY(!a02.has_value());
  }

  // Go! says how many reviewed rings it used (that it analyses a well at the
  // ring reviewed for it is the batch's test).
  void goUsesTheReviewedRingsAndSaysHowMany() {
    fixture_.openPlate();
    const std::string rings = ringsFile();
    std::filesystem::remove(rings);  // rings earlier tests moved by hand
    SaveRing(rings, WellIndex("A02"), {400, 600, 180}, RingSource::Reviewed);
    SaveRing(rings, WellIndex("B01"), {500, 500, 150}, RingSource::Fitted);
    inPanel<QPushButton>("goButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 60000);
    QCOMPARE(panel().ringsNote(), QStringLiteral("1 reviewed ring used"));
    QVERIFY(inPanel<QLabel>("ringsNoteLabel").isVisibleTo(&panel()));
    std::filesystem::remove(rings);
  }

  // The overview outlines each well's present ring; a double click opens the well.
  void overviewShowsTheRingsAndOpensAWellOnDoubleClick() {
    fixture_.openPlate();
    const std::string rings = ringsFile();
    std::filesystem::remove(rings);  // rings earlier tests moved by hand
    SaveRing(rings, WellIndex("A02"), {400, 600, 180}, RingSource::Reviewed);
    const auto current = panel().currentRings();
    QCOMPARE(current[WellIndex("A02")], std::optional(Ring{400, 600, 180}));
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
    QCOMPARE(fixture_.well("A02").session()->ring(), (Ring{400, 600, 180}));
    std::filesystem::remove(rings);
  }

  // A 384-well plate: its wells in their places on the map and in the overview.
  void aLargerPlateIsMappedAndOverviewedAtItsSize() {
    const QString kept = fixture_.picture;
    fixture_.picture = QString::fromStdString(vembrel::testing::WriteSmallPlate(
        fixture_.folder.file("large"), "TP_", {{"P24"}, {"A01"}}));
    fixture_.openPlate();
    fixture_.picture = kept;
    const PlateFormat format = window().workspace().plate().format;
    QCOMPARE(format.wellCount(), 384);
    const int p24 = WellIndex("P24", format);
    PlateMap& map = panel().plateMap();
    QVERIFY(map.rect().contains(map.circleRect(p24)));
    QCOMPARE(map.wellAt(map.circleRect(p24).center()), p24);
    const QImage shown = map.grab().toImage();
    const auto colour = [&](int well) {
      return shown.pixel(map.circleRect(well).center() + QPoint(2, 2));
    };
    QCOMPARE(colour(p24), qRgb(0, 255, 255));  // both stains in every field
    QVERIFY(colour(p24 - 1) != qRgb(0, 255, 255));
    bool checked = false;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<PlateOverviewDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      dialog->build();
      QVERIFY(!dialog->thumbnail(p24)->pixmap().isNull());
      QVERIFY(dialog->thumbnail(p24 - 1)->pixmap().isNull());
      checked = true;
      dialog->reject();
    });
    inPanel<QPushButton>("overviewButton").click();
    QVERIFY(checked);
    fixture_.clickWell("P24");
    QVERIFY(window().wellWindow(QStringLiteral("P24")) != nullptr);
  }

  void plateMapColoursWellsByConditionOrRoleWithALegendAndVariablesOnHover() {
    fixture_.openPlate();
    fixture_.plateMapToOpen = QString::fromStdString(fixture_.folder.file("map.csv"));
    WriteFileAtomically(fixture_.plateMapToOpen.toStdString(),
                        "well,role,compound,concentration,unit,donor\n"
                        "A01,negative_control,DMSO,,,d1\n"
                        "A02,sample,DrugA,2.5,uM,d2\n"
                        "B01,sample,DrugA,2.5,uM,\n");
    fixture_.trigger("openPlateMapAction");
    QVERIFY(panel().plateMap().wellMap() != nullptr);
    auto& colouring = inPanel<QComboBox>("plateColouring");
    colouring.setCurrentIndex(colouring.findText(QStringLiteral("Condition (plate map)")));
    const auto& legend = panel().plateMap().legend();
    QCOMPARE(legend.size(), std::size_t{2});
    QCOMPARE(legend[0].first, QStringLiteral("DMSO"));
    QCOMPARE(legend[1].first, QStringLiteral("DrugA 2.5 uM"));
    QCOMPARE(wellColour("A01"), legend[0].second.rgb());
    QCOMPARE(wellColour("A02"), legend[1].second.rgb());
    QCOMPARE(wellColour("B01"), legend[1].second.rgb());
    QVERIFY(!panel().plateMap().categoryColour(WellIndex("C01")));
    const QString shown = inPanel<QLabel>("plateMapLegend").text();
    QVERIFY2(shown.contains("DMSO") && shown.contains("DrugA&nbsp;2.5&nbsp;uM"), qPrintable(shown));
    // Each swatch has its wells' colour.
    for (const auto& [well, name] : {std::pair("A01", "DMSO"), std::pair("A02", "DrugA")}) {
      const QString swatch = QColor(wellColour(well)).name() + "\">&#9679;</span>&nbsp;" + name;
      QVERIFY2(shown.contains(swatch), qPrintable(shown));
    }
    QVERIFY(inPanel<QLabel>("plateMapLegend").isVisible());

    colouring.setCurrentIndex(colouring.findText(QStringLiteral("Role (plate map)")));
    QCOMPARE(panel().plateMap().legend().size(), std::size_t{2});
    QCOMPARE(panel().plateMap().legend()[1].first, QStringLiteral("sample"));
    QCOMPARE(wellColour("A02"), wellColour("B01"));
    QVERIFY(wellColour("A01") != wellColour("A02"));
    QCOMPARE(panel().plateMap().wellText(WellIndex("A02")),
             QStringLiteral("A02\nrole: sample\ncompound: DrugA\nconcentration: 2.5\nunit: uM\n"
                            "condition: DrugA 2.5 uM\ndonor: d2"));
    colouring.setCurrentIndex(colouring.findText(QStringLiteral("Pictures")));
    QVERIFY(panel().plateMap().legend().empty());
    QVERIFY(!inPanel<QLabel>("plateMapLegend").isVisible());

    // A bad map is reported and the one shown stays.
    WriteFileAtomically(fixture_.plateMapToOpen.toStdString(), "well,role\nA01,maybe\n");
    fixture_.trigger("openPlateMapAction");
    QCOMPARE(fixture_.errors.size(), qsizetype{1});
    QVERIFY2(fixture_.errors[0].contains("line 2: role 'maybe'"), qPrintable(fixture_.errors[0]));
    fixture_.errors.clear();
    QVERIFY(panel().plateMap().wellMap()->wells[WellIndex("A02")].mapped);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
