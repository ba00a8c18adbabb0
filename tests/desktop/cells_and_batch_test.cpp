// The "Cells" tab at cell level, "Save Welldata", and the batch run from the
// control panel, compared with the command line's batch on the same plate.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include "desktop/cont_form.h"
#include "desktop/plate_map.h"
#include "core/date_text.h"
#include "core/text_file.h"
#include "desktop/desktop_fixture.h"
#include "engine/cell_export.h"
#include "plate/well_names.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

using namespace vembrel;

class CellsAndBatchTest : public QObject {
  Q_OBJECT

 private:
  vembrel::testing::TempDir folder_;
  QString picture_;
  vembrel::testing::ScriptedDialogs script_;
  std::unique_ptr<TMainForm> frame_;

  TContForm& panel() { return frame_->contForm(); }
  template <typename T>
  T& control(const QString& name, const char* caption = "A01") {
    TMDIChild* child = frame_->child(QString::fromLatin1(caption));
    if (child == nullptr) qFatal("no window %s", caption);
    T* found = child->findChild<T*>(name);
    if (found == nullptr) qFatal("no control %s", qPrintable(name));
    return *found;
  }
  QScrollBar& bar(int number, const char* caption = "A01") {
    return control<QScrollBar>(QStringLiteral("ScrollBar%1").arg(number), caption);
  }
  void openWell(const char* name) {
    QTest::mouseClick(&panel().plateMap(), Qt::LeftButton, {},
                      PlateMap::circleRect(WellIndex(name)).center());
    if (frame_->child(QString::fromLatin1(name)) == nullptr) qFatal("%s did not open", name);
  }
 private slots:
  void initTestCase() {
    picture_ = QString::fromStdString(vembrel::testing::WriteSmallPlate(
        (folder_.path() / "pictures").string(), "CB_", {{"A01"}, {"A02"}, {"B05"}}));
  }

  void init() {
    script_ = {};
    script_.picture = picture_;
    frame_ = std::make_unique<TMainForm>(script_.dialogs());
    frame_->resize(1500, 1000);
    frame_->show();
    frame_->findChild<QAction*>(QStringLiteral("FileOpen1"))->trigger();
  }

  void cleanup() {
    QVERIFY2(script_.errors.isEmpty(), qPrintable(script_.errors.join('\n')));
    frame_.reset();
  }

  void cellLevelSwitchResizesThePanelAndItsControlsWork() {
    openWell("A01");
    QCOMPARE(panel().height(), 669);
    QVERIFY(!control<QPushButton>(QStringLiteral("Button9")).isEnabled());
    control<QCheckBox>(QStringLiteral("CheckBox3")).click();
    QVERIFY(bar(15).isEnabled());
    QCOMPARE(panel().height(), 851 - 25);
    QVERIFY(control<QLabel>(QStringLiteral("Label43")).text().contains('/'));

    // "Color" shows the grown regions instead of the outlines.
    const QImage border = control<QLabel>(QStringLiteral("Image5")).pixmap().toImage();
    control<QRadioButton>(QStringLiteral("RadioButton2")).click();
    QVERIFY(control<QLabel>(QStringLiteral("Image5")).pixmap().toImage() != border);

    // "Save Welldata" writes the cell data file.
    control<QPushButton>(QStringLiteral("Button9")).click();
    const std::string file = CellDataFileName(frame_->workspace().resultsFolder(), "CB_", "A01");
    QVERIFY(ReadWholeFile(file).find("\r\n") != std::string::npos);

    control<QCheckBox>(QStringLiteral("CheckBox3")).click();
    QVERIFY(!control<QPushButton>(QStringLiteral("Button9")).isEnabled());
    QCOMPARE(panel().height(), 694 - 25);
  }

  // "Go!" runs the batch on the panel's timer; a well the user opens before
  // its tick does not stall it, and the summary is the command line's.
  void batchFromThePanelWritesTheSummaryOfTheCommandLine() {
    panel().findChild<QPushButton*>(QStringLiteral("Go"))->click();
    QVERIFY(panel().batchRunning());
    QVERIFY(panel().largeWellLabel().isVisible());
    openWell("B05");  // the last queued well
    QTRY_VERIFY_WITH_TIMEOUT(!panel().batchRunning(), 120000);
    QVERIFY(!panel().largeWellLabel().isVisible());
    QVERIFY(frame_->workspace().windows().empty());
    QCOMPARE(script_.opened.size(), 1);
    QVERIFY(script_.opened.front().endsWith(QStringLiteral(".xlsx")));
    const QString summary = panel().lastSummaryFile();
    const std::vector<std::string> desktop = SplitLines(ReadWholeFile(summary.toStdString()));

    QProcess cli;
    cli.start(QStringLiteral(VEMBREL_BINARY), {"batch", picture_, "--jobs", "1", "--no-xlsx"});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    const std::vector<std::string> command = SplitLines(ReadWholeFile(summary.toStdString()));

    // Identical apart from the dates.
    const std::string today = ShortDateText(Now());
    QCOMPARE(desktop.size(), command.size());
    int compared = 0;
    for (std::size_t i = 0; i < desktop.size(); ++i) {
      if (desktop[i].find(today) != std::string::npos) continue;
      QCOMPARE(QString::fromStdString(desktop[i]), QString::fromStdString(command[i]));
      ++compared;
    }
    QVERIFY(compared > 20);
  }
};

QTEST_MAIN(CellsAndBatchTest)
#include "cells_and_batch_test.moc"
