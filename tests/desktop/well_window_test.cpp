// The well window's widgets bound to the model: what the model holds is shown,
// and every kind of control (slider, check box, edit, arrow, button) reaches
// it. The semantics behind the controls are the engine's own tests.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <fstream>

#include "desktop/cont_form.h"
#include "desktop/plate_map.h"
#include "desktop/desktop_fixture.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"
#include "desktop/picture_view.h"

using namespace vembrel;

class WellWindowTest : public QObject {
  Q_OBJECT

 private:
  vembrel::testing::TempDir folder_;
  vembrel::testing::ScriptedDialogs script_;
  std::unique_ptr<TMainForm> frame_;

  TMDIChild& window(const char* caption = "A01") {
    TMDIChild* child = frame_->child(QString::fromLatin1(caption));
    if (child == nullptr) qFatal("no window %s", caption);
    return *child;
  }
  template <typename T>
  T& control(const QString& name, const char* caption = "A01") {
    T* found = window(caption).findChild<T*>(name);
    if (found == nullptr) qFatal("no control %s", qPrintable(name));
    return *found;
  }
  QScrollBar& bar(int number, const char* caption = "A01") {
    return control<QScrollBar>(QStringLiteral("ScrollBar%1").arg(number), caption);
  }
  QString label(int number, const char* caption = "A01") {
    return control<QLabel>(QStringLiteral("Label%1").arg(number), caption).text();
  }
  QString panelValue(const char* name) {
    return frame_->contForm().findChild<QLabel*>(QString::fromLatin1(name))->text();
  }
  void click(const char* name, const char* caption = "A01") {
    auto* button = window(caption).findChild<QAbstractButton*>(QString::fromLatin1(name));
    if (button == nullptr) qFatal("no button %s", name);
    button->click();
  }
  void openWell(const char* name) {
    QTest::mouseClick(&frame_->contForm().plateMap(), Qt::LeftButton, {},
                      PlateMap::circleRect(WellIndex(name)).center());
  }
  // Types text into an edit field and confirms it with Return.
  void type(const char* name, const QString& text) {
    QLineEdit& edit = control<QLineEdit>(QString::fromLatin1(name));
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, text);
    QTest::keyClick(&edit, Qt::Key_Return);
  }

 private slots:
  void initTestCase() {
    vembrel::testing::WriteSmallPlate((folder_.path() / "pictures").string(), "WW_",
                                      {{"A01"}, {"A02"}});
  }

  void init() {
    script_ = {};
    script_.picture =
        QString::fromStdString((folder_.path() / "pictures" / "WW_A01f00d0.tif").string());
    frame_ = std::make_unique<TMainForm>(script_.dialogs());
    frame_->resize(1500, 1000);
    frame_->show();
    frame_->findChild<QAction*>(QStringLiteral("FileOpen1"))->trigger();
    openWell("A01");
    QVERIFY(frame_->child(QStringLiteral("A01")) != nullptr);
  }

  void cleanup() {
    QVERIFY2(script_.errors.isEmpty(), qPrintable(script_.errors.join('\n')));
    frame_.reset();
  }

  void showsTabsControlsAndPictures() {
    QTabWidget& tabs = window().tabs();
    QStringList captions;
    for (int i = 0; i < tabs.count(); ++i) captions << tabs.tabText(i);
    QCOMPARE(captions, (QStringList{"Blue channel", "Green channel", "Raw two channel",
                                    "Immigrant cells", "Cells"}));
    QCOMPARE(tabs.tabText(tabs.currentIndex()), QStringLiteral("Immigrant cells"));

    // Ranges and values come from the model, which took the universal settings.
    QCOMPARE(bar(2).minimum(), 1);
    QCOMPARE(bar(14).value(), 155);
    QCOMPARE(label(6), QStringLiteral("155"));
    QCOMPARE(control<QLineEdit>(QStringLiteral("Edit1")).text(), QStringLiteral("350"));
    QVERIFY(control<QCheckBox>(QStringLiteral("CheckBox1")).isChecked());
    QVERIFY(!bar(15).isEnabled());

    // The pictures are shown at 1:1 and the first pass produced counts.
    QCOMPARE(control<QLabel>(QStringLiteral("Image1")).pixmap().size(), QSize(1024, 1024));
    QCOMPARE(control<QLabel>(QStringLiteral("Image4")).pixmap().size(), QSize(1024, 1024));
    QVERIFY(label(31).toInt() > 0);
    QVERIFY(!label(13).isEmpty());
  }

  void slidersAndCheckBoxesShowWhatTheModelMade() {
    // Green saturation below the cut-off pushes the cut-off down, on both tabs,
    // and the control panel shows the new universal value.
    bar(1).setValue(120);
    bar(2).setValue(60);
    QCOMPARE(bar(1).value(), 59);
    QCOMPARE(label(1), QStringLiteral("59"));
    QCOMPARE(bar(7).value(), 59);
    QCOMPARE(label(44), QStringLiteral("59"));
    QCOMPARE(panelValue("Cent_COG"), QStringLiteral("59"));

    // Nuclei of 16 pixels: a minimal size of 20 leaves none in the ring.
    bar(11).setValue(20);
    QCOMPARE(label(23), QStringLiteral("20"));
    QCOMPARE(label(13), QStringLiteral("0"));

    click("CheckBox6");
    QVERIFY(!control<QCheckBox>(QStringLiteral("CheckBox2")).isChecked());
  }

  void arrowsMoveTheRingAndAutoFitReturnsIt() {
    const int x = label(26).toInt();
    const int y = label(27).toInt();
    click("BitBtn1");
    QCOMPARE(label(26).toInt(), x - 1);
    click("BitBtn3");
    QCOMPARE(label(27).toInt(), y + 1);
    click("Button5");
    QCOMPARE(label(26).toInt(), x);
    QCOMPARE(label(27).toInt(), y);
  }

  void typedEditsReachTheModelOrShowTheError() {
    const std::uint64_t revision = window().model().revision();
    type("Edit1", QStringLiteral("abc"));
    QCOMPARE(script_.errors, QStringList{QStringLiteral("'abc' is not a valid integer value")});
    script_.errors.clear();
    QCOMPARE(window().model().revision(), revision);
    QCOMPARE(control<QLineEdit>(QStringLiteral("Edit1")).text(), QStringLiteral("350"));

    // The plate's dark disc has radius 200 around (480, 540).
    type("Edit1", QStringLiteral("200"));
    QCOMPARE(panelValue("Cent_diam"), QStringLiteral("200"));
    QVERIFY(std::abs(label(26).toInt() - 480) <= 2);
    QVERIFY(std::abs(label(27).toInt() - 540) <= 2);
    click("UpDown1Up");
    QCOMPARE(control<QLineEdit>(QStringLiteral("Edit1")).text(), QStringLiteral("201"));

    type("Edit2", QStringLiteral("0"));
    QCOMPARE(control<QLineEdit>(QStringLiteral("Edit2")).text(), QStringLiteral("10"));
    click("UpDown2Up");
    QCOMPARE(control<QLineEdit>(QStringLiteral("Edit2")).text(), QStringLiteral("20"));
  }

  void everyApplyButtonReanalysesTheOtherWindow() {
    openWell("A02");
    bar(10, "A02").setValue(150);
    click("Button6", "A02");
    QCOMPARE(bar(10, "A01").value(), 150);
    QCOMPARE(label(19, "A01"), QStringLiteral("150"));
    bar(9, "A01").setValue(60);
    click("Button6_3", "A01");
    QCOMPARE(bar(9, "A02").value(), 60);
  }

  void hidingRecomputesButMinimisingDoesNot() {
    bar(10).setValue(120);
    openWell("A02");
    bar(10, "A02").setValue(130);  // the universal value is now 130
    QMdiSubWindow* a01 = frame_->subWindow(QStringLiteral("A01"));
    a01->showMinimized();
    QCOMPARE(bar(10).value(), 120);
    a01->showNormal();
    QCOMPARE(bar(10).value(), 120);
    a01->hide();
    QCOMPARE(bar(10).value(), 130);
  }

  void saveAndOpenSettingsThroughTheirDialogs() {
    bar(1).setValue(33);
    script_.settingsToSave = QString::fromStdString(folder_.file("mine"));
    click("SaveSettings1");
    QCOMPARE(script_.saveStartFolder, QString::fromStdString(folder_.path().string() + "/"));
    const std::string saved = folder_.file("mine.VLS");
    QCOMPARE(ReadSettingsFile(saved).display.green.cutoff, 33);

    // Change the window, then open the file: the active window takes it back.
    bar(1).setValue(70);
    script_.settingsToOpen = QString::fromStdString(saved);
    frame_->findChild<QAction*>(QStringLiteral("OpenSettings1"))->trigger();
    QCOMPARE(bar(1).value(), 33);
    QCOMPARE(panelValue("Cent_COG"), QStringLiteral("33"));

    // A broken file is refused with a message naming it; nothing changes.
    const std::string broken = folder_.file("broken.VLS");
    std::ofstream(broken) << "[Cent_COG]\r\nabc\r\n";
    script_.settingsToOpen = QString::fromStdString(broken);
    frame_->findChild<QAction*>(QStringLiteral("OpenSettings1"))->trigger();
    QCOMPARE(script_.errors.size(), 1);
    QVERIFY(script_.errors.front().contains(QStringLiteral("broken.VLS")));
    script_.errors.clear();
    QCOMPARE(bar(1).value(), 33);
  }

  void wheelScrollsThePictureUnderThePointer() {
    auto* box = window().findChild<PictureView*>(QStringLiteral("Image4Box"));
    QVERIFY(box != nullptr);
    QScrollBar* vertical = box->verticalScrollBar();
    QScrollBar* horizontal = box->horizontalScrollBar();
    vertical->setValue(0);
    horizontal->setValue(0);
    const QPointF at(50, 50);
    const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
      QWheelEvent event(at, box->viewport()->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton,
                        modifiers, Qt::NoScrollPhase, false);
      QApplication::sendEvent(box->viewport(), &event);
    };
    wheel(-120, Qt::NoModifier);
    const int down = vertical->value();
    QVERIFY(down > 0);
    QCOMPARE(horizontal->value(), 0);
    wheel(-120, Qt::ShiftModifier);
    QVERIFY(horizontal->value() > 0);
    QCOMPARE(vertical->value(), down);
    wheel(120, Qt::NoModifier);
    QCOMPARE(vertical->value(), 0);
  }
};

QTEST_MAIN(WellWindowTest)
#include "well_window_test.moc"
