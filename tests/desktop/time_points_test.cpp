// A plate imaged again and again in the desktop: the well window's time
// slider shows each time point with the first time point's ring held, the
// closure curve beside it, and the plate map coloured by a kinetic. The
// series is constructed: well A01's zone closes by 20 % of its area per time
// point (the hours come from the time points' numbers), B02's stays open.
#include "desktop/closure_curve.h"
#include "desktop/desktop_fixture.h"
#include "results/rings_file.h"
#include "support/closing_zone.h"

using namespace vembrel;
using vembrel::testing::Child;

namespace {

constexpr int kTimePoints = 4;
constexpr double kCoveredPerTimePoint =
    vembrel::testing::kClosurePerHour * vembrel::testing::kHoursApart;  // % of the zone

}  // namespace

class TimePointsTest : public QObject {
  Q_OBJECT
  vembrel::testing::DesktopFixture fixture_{{{"A01"}}};
  const QString singleTimePlate_ = fixture_.picture;

  // Each test its own plate: the rings a test reviews are kept beside it.
  void openSeries(const char* name) {
    const std::string folder = fixture_.folder.file(name);
    for (int index = 0; index < kTimePoints; ++index) {
      vembrel::testing::WriteClosingZoneTimePoint(folder, "A01", index);
      vembrel::testing::WriteClosingZoneTimePoint(folder, "B02", index, 0);
    }
    fixture_.picture = QString::fromStdString(folder);
    fixture_.openPlate();
    AnalysisSettings settings;
    settings.ring.radius = vembrel::testing::kZone;
    fixture_.window->workspace().setUniversalSettings(settings);
  }
  QComboBox& colouring() { return Child<QComboBox>(fixture_.panel(), "plateColouring"); }

 private slots:
  void init() {
    fixture_.picture = singleTimePlate_;
    fixture_.newWindow();
  }
  void cleanup() {
    QVERIFY2(fixture_.errors.isEmpty(), qPrintable(fixture_.errors.join('\n')));
    fixture_.window.reset();
  }

  void theSliderShowsEachTimePointAtTheHeldRingBesideTheClosureCurve() {
    openSeries("Reviewed");
    fixture_.clickWell("A01");
    WellWindowWidget& window = fixture_.well("A01");
    auto& slider = Child<QSlider>(window, "timeSlider");
    const auto& curve = Child<ClosureCurve>(window, "closureCurve");
    QCOMPARE(slider.maximum(), kTimePoints - 1);
    WellSession& session = *window.session();
    const Ring first = session.ring();
    QVERIFY(std::abs(first.x - vembrel::testing::kZoneX) <= 3);

    std::vector<double> coverage;
    for (int t = 0; t < kTimePoints; ++t) {
      slider.setValue(t);
      QCOMPARE(session.ring(), first);  // held, not following the drifting zone
      QCOMPARE(session.results().nuclei, t * vembrel::testing::kNucleiPerTimePoint);
      coverage.push_back(session.results().zoneCoverage.value_or(-100));
      QVERIFY2(std::abs(coverage.back() - t * kCoveredPerTimePoint) <= 1.0,
               qPrintable(QString::number(coverage.back())));
      QCOMPARE(Child<QLabel>(window, "timePointLabel").text(),
               QStringLiteral("Time point %1: %2 h").arg(t + 1).arg(t));
      QCOMPARE(curve.marked(), t);
      QCOMPARE(Child<QLabel>(window, "zoneCoverageLabel").text(),
               QStringLiteral("Zone coverage: %1 %").arg(coverage.back(), 0, 'f', 1));
    }
    // The curve: the closure of the open area at each time point, as shown.
    QCOMPARE(curve.curve().size(), std::size_t{kTimePoints});
    for (int t = 0; t < kTimePoints; ++t) {
      const double open0 = 100 - coverage[0], open = 100 - coverage[t];
      QCOMPARE(curve.curve()[t].hours, double(t));
      QVERIFY(std::abs(curve.curve()[t].value.value_or(-1) - 100 * (open0 - open) / open0) < 1e-9);
    }
    const QString shot = qEnvironmentVariable("VEMBREL_TIME_SLIDER_SHOT");
    if (!shot.isEmpty()) {
      slider.setValue(2);
      QVERIFY(fixture_.window->grab().save(shot));
    }
    // The plate's results stay those of the time point it was opened at.
    QCOMPARE(fixture_.window->workspace().results().wells[0]->nuclei, 0);

    // A ring moved at a later time point is neither held nor kept as the
    // well's reviewed ring; one moved at the first is both, and the curve
    // follows it.
    const Workspace& workspace = fixture_.window->workspace();
    const std::string rings = RingsFileName(workspace.resultsFolder(), workspace.plate().prefix);
    Child<QSpinBox>(window, "ringXSpin").setValue(first.x + 20);
    QVERIFY(!QFile::exists(QString::fromStdString(rings)));
    slider.setValue(0);
    QCOMPARE(session.ring(), first);
    QVERIFY(!session.results().ringHeld);  // the first time point's own ring
    const double before = curve.curve().back().value.value_or(-1);
    Child<QSpinBox>(window, "ringXSpin").setValue(first.x - 30);
    QCOMPARE(ReadRingsFile(rings, workspace.plate().format).reviewed(0)->x, first.x - 30);
    QVERIFY(curve.curve().back().value.value_or(-1) != before);
    slider.setValue(2);
    QCOMPARE(session.ring().x, first.x - 30);
    QVERIFY(session.results().ringHeld);
  }

  void thePlateMapIsColouredByAKineticOfItsWells() {
    openSeries("Mapped");
    const auto& map = fixture_.panel().plateMap();
    ControlPanel& panel = fixture_.panel();
    // The wells are followed off the window's thread: the map keeps its
    // colouring until they are done, and the last choice made meanwhile wins.
    colouring().setCurrentText(QStringLiteral("Zone closure: slope per hour"));
    QVERIFY(panel.courseRunning());
    QVERIFY(map.colouring().kind != PlateColouring::Kinetic);
    colouring().setCurrentText(QStringLiteral("Zone closure: time to half (h)"));
    QTRY_VERIFY_WITH_TIMEOUT(!panel.courseRunning(), 60000);
    QCOMPARE(map.colouring().kind, PlateColouring::Kinetic);
    QCOMPARE(map.colouring().kinetic, std::string_view("t_half"));
    // Half closed between the second and third time point: 50 % at 2.5 h.
    QVERIFY2(std::abs(map.value(0).value_or(-1) - 50 / kCoveredPerTimePoint) < 0.1,
             qPrintable(QString::number(map.value(0).value_or(-1))));
    QVERIFY(!map.value(13) && map.withoutValue(13));  // never half closed
    QVERIFY(map.wellText(13).contains(QStringLiteral("no zone closure")));
    colouring().setCurrentText(QStringLiteral("Zone closure: slope per hour"));
    QVERIFY(std::abs(map.value(0).value_or(-1) - kCoveredPerTimePoint) <
            0.05 * kCoveredPerTimePoint);
    // B02 is covered only by its arriving nuclei: 4 of 36 pixels per time point.
    const double nucleiShare = 100.0 * vembrel::testing::kNucleiPerTimePoint * 36 /
                               (M_PI * vembrel::testing::kZone * vembrel::testing::kZone);
    QVERIFY(std::abs(map.value(13).value_or(-1) - nucleiShare) < 0.01);
    QVERIFY(!map.withoutValue(1));  // no pictures: not followed, no value to lack

    // Chosen again, the wells are followed afresh: A01 now from a reviewed ring.
    const Workspace& workspace = fixture_.window->workspace();
    std::filesystem::create_directories(workspace.resultsFolder());
    SaveRing(RingsFileName(workspace.resultsFolder(), workspace.plate().prefix), 0,
             {vembrel::testing::kZoneX - 60, vembrel::testing::kZoneY, vembrel::testing::kZone},
             RingSource::Reviewed, workspace.plate().format);
    const double fitted = map.value(0).value_or(-1);
    colouring().setCurrentIndex(0);
    colouring().setCurrentText(QStringLiteral("Zone closure: slope per hour"));
    QTRY_VERIFY_WITH_TIMEOUT(!panel.courseRunning(), 60000);
    QVERIFY(std::abs(map.value(0).value_or(-1) - fitted) > 0.5);

    // Chosen and left before the wells are done, the map stays as chosen last.
    colouring().setCurrentIndex(0);
    colouring().setCurrentText(QStringLiteral("Zone closure: slope per hour"));
    colouring().setCurrentIndex(0);
    QTRY_VERIFY_WITH_TIMEOUT(!panel.courseRunning(), 60000);
    QVERIFY(map.colouring().kind != PlateColouring::Kinetic);

    // Go! measures every well's zone coverage, as the well windows do.
    Child<QPushButton>(fixture_.panel(), "goButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!fixture_.panel().batchRunning(), 60000);
    const std::string summary = fixture_.panel().lastSummaryFile().toStdString();
    QVERIFY(vembrel::testing::ReadFile(summary.substr(0, summary.size() - 4) + "_wells.csv")
                .find("zone_coverage") != std::string::npos);
  }

  void aPlateOfOneTimePointHasNoSliderAndNoKinetics() {
    fixture_.openPlate();
    fixture_.clickWell("A01");
    QVERIFY(fixture_.well("A01").findChild<QSlider*>(QStringLiteral("timeSlider")) == nullptr);
    QVERIFY(!fixture_.well("A01").session()->results().zoneCoverage);
    QCOMPARE(colouring().findText(QStringLiteral("Zone closure: slope per hour")), -1);
  }
};

QTEST_MAIN(TimePointsTest)
#include "time_points_test.moc"
