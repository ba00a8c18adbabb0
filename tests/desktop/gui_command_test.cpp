// `vembrel gui ... --screenshot`: the program run headless on a plate and a
// well renders its frame into a PNG, and refuses what it cannot show.
#include <QImage>
#include <QProcess>
#include <QtTest>

#include "support/small_plate.h"
#include "support/temp_dir.h"

class GuiCommandTest : public QObject {
  Q_OBJECT

 private:
  vembrel::testing::TempDir folder_;
  QString picture_;

  // Runs vembrel with the arguments; returns the exit code, stderr in errors.
  int run(const QStringList& arguments, QString* errors = nullptr) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VEMBREL_BINARY), arguments);
    if (!process.waitForFinished(120000)) return -1;
    if (errors != nullptr) *errors = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

 private slots:
  void initTestCase() {
    picture_ = QString::fromStdString(vembrel::testing::WriteSmallPlate(
        (folder_.path() / "pictures").string(), "GC_", {{"A01"}, {"B02"}}));
  }

  void screenshotShowsTheWellWindow() {
    const QString shot = QString::fromStdString(folder_.file("shot.png"));
    QCOMPARE(
        run({"gui", picture_, "--well", "B02", "--tab", "Green channel", "--screenshot", shot}), 0);
    const QImage image(shot);
    QCOMPARE(image.size(), QSize(1500, 1000));
    // The grey ramp shows below the window and the panel: bright near the bottom.
    QVERIFY(qGray(image.pixel(1450, 990)) > 200);
    // The green mosaic is in view: grey outside the ring, the red disc inside it.
    int ringPixels = 0;
    int greyPixels = 0;
    for (int y = 100; y < 900; y += 4) {
      for (int x = 20; x < 600; x += 4) {
        const QRgb pixel = image.pixel(x, y);
        if (qRed(pixel) > 200 && qGreen(pixel) < 80) ++ringPixels;
        if (qRed(pixel) < 40 && qGreen(pixel) > 60 && qBlue(pixel) > 60) ++greyPixels;
      }
    }
    QVERIFY(ringPixels > 1000);
    QVERIFY(greyPixels > 1000);
  }

  void refusesWhatItCannotShow() {
    const QString shot = QString::fromStdString(folder_.file("never.png"));
    QString errors;
    QCOMPARE(run({"gui", picture_, "--well", "C03", "--screenshot", shot}, &errors), 2);
    QVERIFY2(errors.contains(QStringLiteral("C03")), qPrintable(errors));
    QCOMPARE(
        run({"gui", picture_, "--well", "A01", "--tab", "Sideways", "--screenshot", shot}, &errors),
        2);
    QVERIFY2(errors.contains(QStringLiteral("Sideways")), qPrintable(errors));
    QCOMPARE(run({"gui", picture_, "--well", "Z99", "--screenshot", shot}, &errors), 2);
    QVERIFY2(errors.contains(QStringLiteral("Z99")), qPrintable(errors));
    QVERIFY(!QFile::exists(shot));
  }
};

QTEST_GUILESS_MAIN(GuiCommandTest)
#include "gui_command_test.moc"
