// The main frame, the control panel with its plate map, and the overview,
// driven through their real widgets on the offscreen platform.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "desktop/grey_ramp_area.h"
#include "desktop/cont_form.h"
#include "desktop/plate_map.h"
#include "desktop/desktop_fixture.h"
#include "desktop/overview.h"
#include "plate/well_names.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

using namespace vembrel;

namespace {

constexpr QRgb kMapCyan = 0xff00ffff;
constexpr QRgb kMapBlue = 0xff0000ff;
constexpr QRgb kMapGreen = 0xff00ff00;
constexpr QRgb kMapRed = 0xffff0000;

// Colour of each field quarter of a well's circle, sampled 5 pixels from its centre.
std::array<QRgb, 4> QuarterColours(PlateMap& map, int well) {
  const QImage image = map.grab().toImage();
  const QRect box = PlateMap::circleRect(well);
  const int cx = box.left() + box.width() / 2;
  const int cy = box.top() + box.height() / 2;
  return {image.pixel(cx - 5, cy + 5), image.pixel(cx + 5, cy + 5), image.pixel(cx + 5, cy - 5),
          image.pixel(cx - 5, cy - 5)};
}

// Colour of the circle outline: the first pixel met going down from above the circle.
QRgb OutlineColour(PlateMap& map, int well) {
  const QImage image = map.grab().toImage();
  const QRect box = PlateMap::circleRect(well);
  const QRgb background = image.pixel(box.left() + box.width() / 2, box.top() - 3);
  for (int y = box.top() - 2; y < box.top() + 4; ++y) {
    const QRgb pixel = image.pixel(box.left() + box.width() / 2, y);
    if (pixel != background) return pixel;
  }
  return background;
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private:
  vembrel::testing::TempDir folder_;
  std::string picture_;
  vembrel::testing::ScriptedDialogs script_;
  std::unique_ptr<TMainForm> frame_;

  TContForm& panel() { return frame_->contForm(); }
  PlateMap& map() { return panel().plateMap(); }
  void clickWell(const char* name, Qt::MouseButton button) {
    QTest::mouseClick(&map(), button, {}, PlateMap::circleRect(WellIndex(name)).center());
  }
  void openPlate() {
    script_.picture = QString::fromStdString(picture_);
    frame_->findChild<QAction*>(QStringLiteral("FileOpen1"))->trigger();
  }

 private slots:
  void initTestCase() {
    // A01, A02: complete; B03: blue only; C04: green only; D05: fields 0 and 1 only.
    picture_ = vembrel::testing::WriteSmallPlate(
        (folder_.path() / "pictures").string(), "TP_1_",
        {{"A01"}, {"A02"}, {"B03", 0xF, 0}, {"C04", 0, 0xF}, {"D05", 0x3, 0x3}});
  }

  void init() {
    script_ = {};
    frame_ = std::make_unique<TMainForm>(script_.dialogs());
    frame_->resize(1400, 1000);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
  }

  void cleanup() { frame_.reset(); }

  void startsWithoutPlate() {
    QCOMPARE(frame_->findChild<QAction*>(QStringLiteral("FileOpen1"))->shortcut(),
             QKeySequence(QKeySequence::Open));
    QVERIFY(panel().isVisible());
    QVERIFY(panel().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!panel().windowFlags().testFlag(Qt::WindowCloseButtonHint));
    panel().close();
    QVERIFY2(panel().isVisible(), "the user cannot close the control panel");
    QVERIFY(!panel().findChild<QPushButton*>(QStringLiteral("Go"))->isEnabled());
    QVERIFY(!panel().findChild<QPushButton*>(QStringLiteral("Overview"))->isEnabled());
    QVERIFY(panel().largeWellLabel().isHidden());
    QVERIFY(panel().findChild<QRadioButton*>(QStringLiteral("StartTabIm"))->isChecked());

    // The universal settings with their defaults.
    QCOMPARE(panel().findChild<QLabel*>(QStringLiteral("Cent_Cell_Coeff"))->text(),
             QStringLiteral("0.75"));
    QVERIFY(panel().findChild<QCheckBox*>(QStringLiteral("Cent_KFRG"))->isChecked());

    QCOMPARE(OutlineColour(map(), 0), qRgb(128, 128, 128));
    QCOMPARE(OutlineColour(map(), 95), qRgb(128, 128, 128));

    // Grey ramp: band i has grey i, bands (height + 255) div 256 rows high.
    QWidget* viewport = frame_->mdiArea().viewport();
    const QImage ramp = viewport->grab().toImage();
    const int band = GreyRampArea::bandHeight(viewport->height());
    QCOMPARE(ramp.pixel(5, 0), qRgb(0, 0, 0));
    QCOMPARE(ramp.pixel(5, 100 * band), qRgb(100, 100, 100));
    QCOMPARE(ramp.pixel(5, 100 * band - 1), qRgb(99, 99, 99));
  }

  void openingPlateColoursTheMap() {
    openPlate();
    QVERIFY(script_.errors.isEmpty());
    const QRgb none = QuarterColours(map(), WellIndex("H12"))[0];
    QCOMPARE(QuarterColours(map(), WellIndex("A01")),
             (std::array<QRgb, 4>{kMapCyan, kMapCyan, kMapCyan, kMapCyan}));
    QCOMPARE(QuarterColours(map(), WellIndex("B03")),
             (std::array<QRgb, 4>{kMapBlue, kMapBlue, kMapBlue, kMapBlue}));
    QCOMPARE(QuarterColours(map(), WellIndex("C04")),
             (std::array<QRgb, 4>{kMapGreen, kMapGreen, kMapGreen, kMapGreen}));
    QCOMPARE(QuarterColours(map(), WellIndex("D05")),
             (std::array<QRgb, 4>{kMapCyan, kMapCyan, none, none}));
    QCOMPARE(OutlineColour(map(), 0), qRgb(0, 0, 0));

    QVERIFY(panel().findChild<QPushButton*>(QStringLiteral("Go"))->isEnabled());
    QVERIFY(panel().findChild<QPushButton*>(QStringLiteral("Overview"))->isEnabled());
    QCOMPARE(panel().findChild<QLineEdit*>(QStringLiteral("Path"))->text(),
             QString::fromStdString((folder_.path() / "pictures").string() + "/"));
    QCOMPARE(panel().findChild<QLabel*>(QStringLiteral("Filename"))->text(),
             QStringLiteral("TP_1_"));
  }

  void cancelledDialogChangesNothingAndADroppedPictureOpens() {
    script_.picture.clear();
    frame_->findChild<QAction*>(QStringLiteral("FileOpen1"))->trigger();
    QVERIFY(!frame_->workspace().plate().open);
    QCOMPARE(OutlineColour(map(), 0), qRgb(128, 128, 128));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(picture_))});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame_.get(), &drop);
    QCOMPARE(frame_->workspace().plate().prefix, std::string("TP_1_"));
  }

  void leftClickOpensOrRaisesWellWindow() {
    openPlate();
    clickWell("A01", Qt::LeftButton);
    QVERIFY(frame_->child(QStringLiteral("A01")) != nullptr);
    QCOMPARE(panel().largeWellLabel().text(), QStringLiteral("A01"));
    clickWell("A02", Qt::LeftButton);
    QCOMPARE(frame_->mdiArea().activeSubWindow(), frame_->subWindow(QStringLiteral("A02")));
    clickWell("A01", Qt::LeftButton);
    QCOMPARE(frame_->mdiArea().subWindowList().size(), 2);
    QCOMPARE(frame_->mdiArea().activeSubWindow(), frame_->subWindow(QStringLiteral("A01")));
    QCOMPARE(frame_->workspace().activeWindow()->caption(), std::string("A01"));

    // Activating a window by the window system makes it the model's front window too.
    frame_->mdiArea().setActiveSubWindow(frame_->subWindow(QStringLiteral("A02")));
    QCOMPARE(frame_->workspace().activeWindow()->caption(), std::string("A02"));

    // Closing the window by its frame closes the model's window.
    frame_->subWindow(QStringLiteral("A02"))->close();
    QCOMPARE(frame_->workspace().windows().size(), std::size_t{1});
    QVERIFY(frame_->child(QStringLiteral("A02")) == nullptr);
    QTest::qWait(0);
    QCOMPARE(frame_->mdiArea().subWindowList().size(), 1);
    QVERIFY(script_.errors.isEmpty());
  }

  void rightClickExcludesAndIncludes() {
    openPlate();
    clickWell("A01", Qt::LeftButton);
    QVERIFY(frame_->child(QStringLiteral("A01")) != nullptr);

    clickWell("A01", Qt::RightButton);
    QCOMPARE(QuarterColours(map(), 0), (std::array<QRgb, 4>{kMapRed, kMapRed, kMapRed, kMapRed}));
    QVERIFY2(frame_->child(QStringLiteral("A01")) == nullptr, "excluding closes the well's window");

    clickWell("A01", Qt::RightButton);
    QCOMPARE(QuarterColours(map(), 0),
             (std::array<QRgb, 4>{kMapCyan, kMapCyan, kMapCyan, kMapCyan}));
  }

  void startTabChoiceReachesNewWindows() {
    openPlate();
    panel().findChild<QRadioButton*>(QStringLiteral("StartTabG"))->click();
    QCOMPARE(frame_->state().startTab, StartTab::G);
    clickWell("A01", Qt::LeftButton);
    QCOMPARE(frame_->child(QStringLiteral("A01"))
                 ->tabs()
                 .tabText(frame_->child(QStringLiteral("A01"))->tabs().currentIndex()),
             QStringLiteral("Green channel"));
  }

  void overviewShowsIncludedWellsWithTheirRing() {
    openPlate();
    // Open and close through the panel's button: the dialog is modal.
    bool seen = false;
    QTimer::singleShot(0, [&seen] {
      auto* overview = qobject_cast<TOverview*>(QApplication::activeModalWidget());
      if (overview == nullptr) return;
      seen = overview->windowTitle() == QStringLiteral("Overview") && overview->built();
      overview->findChild<QPushButton*>(QStringLiteral("Close"))->click();
    });
    panel().findChild<QPushButton*>(QStringLiteral("Overview"))->click();
    QVERIFY2(seen, "the overview opened modally, built, and closed by its button");

    TOverview overview(frame_->workspace().plate(), 200);
    overview.build();
    QCOMPARE(overview.size(), QSize(1387, 960));
    QCOMPARE(overview.thumbnail(0)->geometry(), QRect(47, 48, 105, 105));
    QCOMPARE(overview.thumbnail(95)->geometry(), QRect(47 + 111 * 11, 48 + 111 * 7, 105, 105));
    QVERIFY(overview.thumbnail(WellIndex("B03"))->pixmap().isNull());
    QVERIFY(overview.thumbnail(WellIndex("H12"))->pixmap().isNull());

    // The ring lies at (480, 540) from the bottom left: in the thumbnail about
    // (49, 50) from the top left. The dark ring becomes red, the rest stays green.
    const QImage a01 = overview.thumbnail(0)->pixmap().toImage();
    QCOMPARE(a01.size(), QSize(105, 105));
    QVERIFY(qRed(a01.pixel(49, 50)) > 200);
    QVERIFY(qGreen(a01.pixel(49, 50)) < 60);
    QVERIFY(qRed(a01.pixel(100, 100)) == 0);
    QVERIFY(qGreen(a01.pixel(100, 100)) > 60);

    // D05 lacks fields 2 and 3: its top half is black, not another well's field.
    const QImage d05 = overview.thumbnail(WellIndex("D05"))->pixmap().toImage();
    for (int y = 2; y < 50; y += 6) {
      for (int x = 2; x < 103; x += 6) {
        QCOMPARE(qGreen(d05.pixel(x, y)), 0);
        QCOMPARE(qBlue(d05.pixel(x, y)), 0);
      }
    }
  }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
