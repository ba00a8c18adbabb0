// `vembrel gui ... --screenshot`: the program run without a display on a
// plate, settings and a well renders its window into a PNG, and refuses
// what it cannot show.
#include <QImage>
#include <QProcess>
#include <QtTest>
#include <fstream>

#include "plate/settings_file.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

class GuiCommandTest : public QObject {
  Q_OBJECT
  vembrel::testing::TempDir folder_;
  QString picture_;

  // Runs vembrel with the arguments; returns the exit code, stderr in errors.
  int run(const QStringList& arguments, QString* errors = nullptr) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       QString::fromStdString(folder_.file("config")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VEMBREL_BINARY), arguments);
    if (!process.waitForFinished(60000)) return -1;
    if (errors != nullptr) *errors = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

 private slots:
  void initTestCase() {
    picture_ = QString::fromStdString(vembrel::testing::WriteSmallPlate(
        (folder_.path() / "pictures").string(), "GC_", {{"A01"}, {"B02"}}));
  }

  void screenshotShowsTheWellWindowWithTheSettingsGiven() {
    vembrel::AnalysisSettings settings;
    settings.ring.radius = 200;  // the plate's dark disc
    const std::string file = folder_.file("ring.VLS");
    vembrel::WriteSettingsFile(file, settings);
    const QString shot = QString::fromStdString(folder_.file("shot.png"));
    QCOMPARE(run({"gui", picture_, "--settings", QString::fromStdString(file), "--well", "B02",
                  "--tab", "Green channel", "--screenshot", shot}),
             0);
    const QImage image(shot);
    QCOMPARE(image.size(), QSize(1500, 1000));
    // The green mosaic is in view, grey, with the ring as a yellow outline
    // around the plate's dark disc.
    QRect outline;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < 800; ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) < 80) {
          outline |= QRect(x, y, 1, 1);
        }
      }
    }
    QVERIFY(outline.width() > 100);
    QVERIFY(std::abs(outline.width() - outline.height()) <= 3);
    // The ring has the radius of the settings file: the dark disc of radius 200
    // fills it (a ring of the default 350 would hold a quarter of it).
    int dark = 0;
    int inside = 0;
    for (int y = outline.top() + 4; y < outline.bottom() - 4; y += 2) {
      for (int x = outline.left() + 4; x < outline.right() - 4; x += 2) {
        const QPoint d = QPoint(x, y) - outline.center();
        if (4 * QPoint::dotProduct(d, d) > (outline.width() - 8) * (outline.width() - 8)) continue;
        ++inside;
        const QRgb pixel = image.pixel(x, y);
        if (qRed(pixel) < 60 && qGreen(pixel) < 60 && qBlue(pixel) < 60) ++dark;
      }
    }
    QVERIFY2(dark > inside * 8 / 10,
             qPrintable(QStringLiteral("%1 of %2, centre %3")
                            .arg(dark)
                            .arg(inside)
                            .arg(QColor(image.pixel(outline.center())).name())));
  }

  void refusesWhatItCannotShow() {
    const QString shot = QString::fromStdString(folder_.file("never.png"));
    const QString broken = QString::fromStdString(folder_.file("broken.VLS"));
    std::ofstream(broken.toStdString()) << "[Cent_COG]\r\nabc\r\n";
    const struct {
      QStringList options;
      QString named;
    } cases[] = {{{"--well", "C03"}, "C03"},
                 {{"--well", "Z99"}, "Z99"},
                 {{"--well", "A01", "--tab", "Sideways"}, "Sideways"},
                 {{"--settings", broken, "--well", "A01"}, "broken.VLS"}};
    for (const auto& c : cases) {
      QString errors;
      QCOMPARE(run(QStringList{"gui", picture_, "--screenshot", shot} + c.options, &errors), 2);
      QVERIFY2(errors.contains(c.named), qPrintable(errors));
    }
    QVERIFY(!QFile::exists(shot));
  }
};

QTEST_GUILESS_MAIN(GuiCommandTest)
#include "gui_command_test.moc"
