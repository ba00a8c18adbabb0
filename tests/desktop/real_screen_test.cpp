// On a real X server (run_under_xvfb.sh: Xvfb at 1600 x 1000, the xcb
// platform): the main window fills the screen, and a well window opened from
// the plate map shows every control of every tab, none cut off and none
// hidden by the control panel or another window, as the X server stacks
// them; windows reopen where they were closed; the menus answer their
// mnemonics and shortcuts, Ctrl+Z undoes, and Ctrl+Q asks before throwing
// away changed settings. Saves what the screen shows to
// $VEMBREL_REAL_SCREEN_SHOT when set.
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
    QVERIFY(window.isMaximized());  // the first time; afterwards where it was left
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

  void windowsReopenWhereTheyWereClosed() {
    for (int round = 0; round < 3; ++round) {
      MainWindow& window = fixture_.create();
      window.showAtSavedGeometry();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      if (round == 0) {
        window.showNormal();
        window.setGeometry(60, 70, 1300, 900);
        QTRY_COMPARE(window.geometry(), QRect(60, 70, 1300, 900));
      }
      QTRY_COMPARE(window.geometry(), QRect(60, 70, 1300, 900));
      fixture_.openPlate();
      for (int reopen = 0; reopen < 3; ++reopen) {
        fixture_.clickWell("A01");
        QMdiSubWindow* sub = window.subWindow(QStringLiteral("A01"));
        QVERIFY(sub != nullptr);
        QTest::qWait(50);
        if (round == 0 && reopen == 0) sub->setGeometry(80, 100, 700, 600);
        QCOMPARE(sub->geometry(), QRect(80, 100, 700, 600));
        sub->close();
        QTRY_VERIFY(window.subWindow(QStringLiteral("A01")) == nullptr);
      }
      window.close();
    }
  }

  void menusAnswerMnemonicsShortcutsAndAskBeforeQuitting() {
    MainWindow& window = fixture_.create();
    window.showAtSavedGeometry();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTRY_VERIFY(window.isActiveWindow());
    // Alt+A opens the Analysis menu.
    QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(window.findChild<QMenu*>("analysisMenu")->isVisible());
    QTest::keyClick(window.findChild<QMenu*>("analysisMenu"), Qt::Key_Escape);
    QTRY_VERIFY(!window.findChild<QMenu*>("analysisMenu")->isVisible());
    // Ctrl+O opens the plate; a change in a well window, then Ctrl+Z and Ctrl+Shift+Z.
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(window.workspace().plate().open);
    fixture_.clickWell("A01");
    WellWindowWidget& well = fixture_.well("A01");
    QScrollBar& slider = vembrel::testing::Child<QScrollBar>(well, "nucleusMinimalSizeSlider");
    const int before = slider.value();
    slider.setValue(before - slider.minimum() > 100 ? before - 100 : before + 100);
    const int changed = slider.value();  // as the setting it gave shows (sizes on a log scale)
    QVERIFY(changed != before);
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(slider.value(), before);
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(slider.value(), changed);
    // Ctrl+Q with changed settings: the question comes; Cancel keeps the window.
    fixture_.saveChoice = SaveChoice::Cancel;
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(fixture_.savePrompts, 1);
    QVERIFY(window.isVisible());
    fixture_.saveChoice = SaveChoice::Discard;
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(fixture_.savePrompts, 2);
    QTRY_VERIFY(!window.isVisible());
    const QString shot = qEnvironmentVariable("VEMBREL_MENU_SHOT");
    if (!shot.isEmpty()) {
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
      QTest::qWait(300);
      QVERIFY(window.screen()->grabWindow(0).save(shot));
      QTest::keyClick(window.findChild<QMenu*>("analysisMenu"), Qt::Key_Escape);
    }
  }
};

QTEST_MAIN(RealScreenTest)
#include "real_screen_test.moc"
