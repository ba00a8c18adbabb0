// On a real X server (run_under_xvfb.sh: Xvfb at 1600 x 1000, the xcb
// platform): the main window fills the screen, and a well window opened from
// the plate map shows every control of every tab, none cut off and none
// hidden by the control panel or another window, as the X server stacks
// them. Saves what the screen shows to $VEMBREL_REAL_SCREEN_SHOT when set.
#include "desktop/desktop_fixture.h"

using namespace vembrel;

namespace {

// The widgets a user reads or works: named sliders, buttons, edits, values.
bool IsControl(QWidget* widget) {
  return !widget->objectName().isEmpty() && widget->isVisible() &&
         (qobject_cast<QAbstractSlider*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
          qobject_cast<QLineEdit*>(widget) || qobject_cast<QLabel*>(widget) ||
          qobject_cast<QProgressBar*>(widget));
}

}  // namespace

class RealScreenTest : public QObject {
  Q_OBJECT
  vembrel::testing::DesktopFixture fixture_{{{"A01"}, {"B04"}}};

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
      QSKIP("needs a real X server (the xcb platform); run it through run_under_xvfb.sh");
    }
  }

  void noPanelHidesAWellWindowsControls() {
    MainWindow& window = fixture_.create();
    window.showAtSavedGeometry();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect screen = window.screen()->availableGeometry();
    QCOMPARE(screen.size(), QSize(1600, 1000));
    QTRY_COMPARE(window.frameGeometry(), screen);
    fixture_.openPlate();
    fixture_.clickWell("B04");
    WellWindowWidget& well = fixture_.well("B04");
    QTabWidget& tabs = well.tabs();
    int checked = 0;
    for (int tab = 0; tab < tabs.count(); ++tab) {
      tabs.setCurrentIndex(tab);
      QTest::qWait(100);
      for (QWidget* control : tabs.widget(tab)->findChildren<QWidget*>()) {
        if (!IsControl(control)) continue;
        const QString name = tabs.tabText(tab) + ": " + control->objectName();
        QVERIFY2(control->visibleRegion().boundingRect() == control->rect(),
                 qPrintable(name + " is cut off"));
        const QRect global(control->mapToGlobal(QPoint(0, 0)), control->size());
        QVERIFY2(screen.contains(global), qPrintable(name + " is off the screen"));
        for (const QPoint corner : {global.topLeft(), global.bottomRight(), global.center()}) {
          QWidget* shown = QApplication::widgetAt(corner);
          QVERIFY2(
              shown == control || control->isAncestorOf(shown),
              qPrintable(name + " is covered by " + (shown ? shown->objectName() : "nothing")));
        }
        ++checked;
      }
    }
    QVERIFY(checked > 70);
    const QString shot = qEnvironmentVariable("VEMBREL_REAL_SCREEN_SHOT");
    if (!shot.isEmpty()) {
      tabs.setCurrentIndex(3);
      QTest::qWait(200);
      QVERIFY(window.screen()->grabWindow(0).save(shot));
    }
  }
};

QTEST_MAIN(RealScreenTest)
#include "real_screen_test.moc"
