// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "tabwalk.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QAction>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTimer>

#include <tuple>

namespace {

const QRegularExpression startupLine(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : Application started\\.$"));

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startsWithoutBoard();
    void startsWithBoard();
    void windowIsFixedSize();
    void controlListsFollowTheForm();
    void everyButtonIsInTheGroupWithItsIndex();
    void directAccessDialogIsNotPartOfThePanel();
    void timersStartStoppedAndPrecise();
    void exitClosesTheWindow();
    void aboutBoxOpensFromTheHelpMenu();
    void tabReachesEveryControlOnceInReadingOrder();
    void controlsAreSpokenByWhatTheyAre_data();
    void controlsAreSpokenByWhatTheyAre();
    void keysOpenMenusAndFilesAndRunUpdate();
};

void TestMainWindow::startsWithoutBoard()
{
    WindowFixture f(false);
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
    QCOMPARE(f.stateColour(), QColor(247, 166, 168));
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   W00:00   "));
    QCOMPARE(f.registerLog().size(), 1);
    QVERIFY(startupLine.match(f.registerLog().first()).hasMatch());
    QCOMPARE(f.eventLog().size(), 1);
    QVERIFY(startupLine.match(f.eventLog().first()).hasMatch());
    QVERIFY(f.window->connectionSupervisor().reconnectTimer().isActive());
    QCOMPARE(f.window->connectionSupervisor().reconnectTimer().interval(), 500);
}

void TestMainWindow::startsWithBoard()
{
    WindowFixture f(true);
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   ready   "));
    QCOMPARE(f.stateColour(), QColor(188, 248, 182));
    const QStringList log = f.registerLog();
    QCOMPARE(log.size(), 17);
    for (int address = 0; address < 16; ++address)
        QVERIFY2(log.at(address).endsWith(
                         QStringLiteral(" : register read (%1h,00h)").arg(address, 2, 16, QLatin1Char('0'))),
                 qPrintable(log.at(address)));
    QVERIFY(startupLine.match(log.last()).hasMatch());
    QCOMPARE(f.eventLog().size(), 1);
    QVERIFY(!f.window->connectionSupervisor().reconnectTimer().isActive());
    // Automatic writing starts on, and the refresh shows it.
    QVERIFY(f.find<QCheckBox>("autowrite")->isChecked());
    QVERIFY(!f.find<QCheckBox>("pollstatus")->isChecked());
}

void TestMainWindow::windowIsFixedSize()
{
    WindowFixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("ZQ40613 Evaluation Software"));
    QCOMPARE(f.window->minimumSize(), QSize(990, 585));
    QCOMPARE(f.window->maximumSize(), QSize(990, 585));
}

void TestMainWindow::controlListsFollowTheForm()
{
    WindowFixture f;
    const PanelControls &c = f.window->panelControls();
    QStringList bound;
    for (const QAbstractButton *b : c.buttons)
        if (b->objectName().startsWith("cb") || b->objectName().startsWith("io"))
            bound << b->objectName();
    const QStringList expectedButtons = {"cb0c1", "cb0c2", "cb0c3", "cb0c0", "cb0a1",
                                         "cb0a4", "cb0a0", "cb0a3", "cb0a2", "cb0a7",
                                         "cb0b0", "cb0b7", "cb0e0", "io0203", "io0204"};
    QCOMPARE(bound, expectedButtons);

    QStringList combos;
    for (const QComboBox *b : c.comboBoxes)
        combos << b->objectName();
    QCOMPARE(combos, (QStringList{"co0750", "co0850", "co0060", "co0b61"}));

    QStringList lineEdits;
    for (const QLineEdit *e : c.lineEdits)
        if (!e->objectName().startsWith("qt_"))
            lineEdits << e->objectName();
    const QStringList expectedLineEdits = {"le0d1", "le0d2", "le0d3", "le0d0",
                                           "adc000710244280", "adc000610244200",
                                           "adc000410244200", "adc000510244100",
                                           "lio0003", "lio0202"};
    QCOMPARE(lineEdits, expectedLineEdits);

    QVERIFY(c.autoWrite);
    QVERIFY(c.pollStatus);
    QVERIFY(c.registerLog);
    QVERIFY(c.eventLog);
}

void TestMainWindow::everyButtonIsInTheGroupWithItsIndex()
{
    WindowFixture f;
    const QList<QAbstractButton *> &buttons = f.window->panelControls().buttons;
    QVERIFY(!buttons.isEmpty());
    QButtonGroup *group = buttons.first()->group();
    QVERIFY(group);
    QVERIFY(!group->exclusive());
    QCOMPARE(group->buttons().size(), buttons.size());
    for (int i = 0; i < buttons.size(); ++i)
        QCOMPARE(group->id(buttons.at(i)), i);
    // Non-exclusive: check boxes keep their own states.
    QCheckBox *a = f.find<QCheckBox>("cb0c1");
    QCheckBox *b = f.find<QCheckBox>("cb0c2");
    // These check boxes have no text: click on their indicator.
    const QPoint indicator(8, a->height() / 2);
    QTest::mouseClick(a, Qt::LeftButton, {}, indicator);
    QTest::mouseClick(b, Qt::LeftButton, {}, indicator);
    QVERIFY(a->isChecked() && b->isChecked());
}

void TestMainWindow::directAccessDialogIsNotPartOfThePanel()
{
    WindowFixture f;
    QDialog *dialog = f.window->findChild<QDialog *>("direct_access");
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    for (const QAbstractButton *b : f.window->panelControls().buttons)
        QVERIFY(!dialog->isAncestorOf(b));
}

void TestMainWindow::timersStartStoppedAndPrecise()
{
    WindowFixture f(true);
    QVERIFY(!f.window->connectionSupervisor().pollTimer().isActive());
    QVERIFY(!f.window->connectionSupervisor().reconnectTimer().isActive());
    // A coarse timer may run 5% late: attempts every 525 ms instead of 500.
    QCOMPARE(f.window->connectionSupervisor().pollTimer().timerType(), Qt::PreciseTimer);
    QCOMPARE(f.window->connectionSupervisor().reconnectTimer().timerType(), Qt::PreciseTimer);
}

void TestMainWindow::exitClosesTheWindow()
{
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.find<QAction>("actionExit")->trigger();
    QVERIFY(!f.window->isVisible());
}

void TestMainWindow::aboutBoxOpensFromTheHelpMenu()
{
    WindowFixture f;
    QString title;
    QTimer::singleShot(0, [&title] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            title = box->windowTitle();
            box->close();
        }
    });
    f.find<QAction>("actionAbout")->trigger();
    QCOMPARE(title, QStringLiteral("About ZQ40613 Evaluation kit"));
}

void TestMainWindow::tabReachesEveryControlOnceInReadingOrder()
{
    // From the page tabs: the System page's left column, the right-hand
    // column, the row under the pages, and round again.
    const QStringList readingOrder = {
        "cb0c1", "le0d1", "cb0c2", "le0d2", "cb0c3", "le0d3", "cb0c0", "le0d0", "eventlog", "pushButton_2",
        "cb0a1", "cb0a4", "co0750", "cb0a0", "cb0a3", "co0850", "cb0a7", "cb0a2", "co0060",
        "cb0b0", "cb0b7", "co0b61", "cb0e0",
        "adc000710244280", "adc000610244200", "adc000410244200", "adc000510244100", "lio0003", "lio0202",
        "DevSleep", "io0203", "io0204", "pwrup",
        "pollstatus", "autowrite", "readregisters", "writeregisters", "qt_tabwidget_tabbar"};
    WindowFixture f;
    QStringList controls; // every one the keyboard should reach, as the form made it
    for (const QWidget *w : f.window->findChildren<QWidget *>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(f.window.get())
            && !w->focusProxy())
            controls << w->objectName();
    }
    QStringList walked = tabWalk(f.find<QWidget>("qt_tabwidget_tabbar"), int(readingOrder.size()));
    QCOMPARE(walked, readingOrder);
    walked.sort();
    controls.sort();
    QCOMPARE(walked, controls);
}

// Each control by what it is, without the group or row around it; what it
// shows is its value, not its name.
void TestMainWindow::controlsAreSpokenByWhatTheyAre_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("Buck1 OK status") << "le0d1" << "Buck1 OK status" << "0";
    QTest::newRow("IRQ") << "lio0003" << "IRQ pin" << "";
    QTest::newRow("PWR_UP MODE") << "lio0202" << "PWR_UP MODE pin" << "";
    QTest::newRow("BATT") << "adc000710244280" << "BATT probe voltage" << "";
    QTest::newRow("BUCK3") << "adc000510244100" << "BUCK3 probe voltage" << "";
    QTest::newRow("Buck1 OK enable") << "cb0c1" << "Buck1 OK enable" << "";
    QTest::newRow("Buck3 Enabled") << "cb0a7" << "Buck3 Enabled" << "";
    QTest::newRow("Buck1 voltage") << "co0750" << "Buck1 Output voltage" << "1.100V";
    QTest::newRow("event log") << "eventlog" << "Event log" << "";
    QTest::newRow("register log") << "registerlog" << "Register log" << "";
    QTest::newRow("its Clear") << "pushButton" << "Clear register log" << "";
    QTest::newRow("event log's Clear") << "pushButton_2" << "Clear event log" << "";
    QTest::newRow("pages") << "tabWidget" << "Panel pages" << "";
    QTest::newRow("page tabs") << "qt_tabwidget_tabbar" << "Pages" << "System";
    QTest::newRow("last transfer") << "lastTransfer" << "Last transfer" << "W00:00";
    QTest::newRow("link state") << "linkState" << "Link state" << "ready";
}

void TestMainWindow::controlsAreSpokenByWhatTheyAre()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, value);
    WindowFixture f;
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(f.find<QWidget>(control));
    QCOMPARE(spoken->text(QAccessible::Name), name);
    if (!value.isEmpty())
        QCOMPARE(spoken->text(QAccessible::Value), value);
    if (QAccessibleTextInterface *text = spoken->textInterface(); text && qobject_cast<QLabel *>(spoken->object()))
        QCOMPARE(text->text(0, text->characterCount()), value);
    if (auto *choice = qobject_cast<QComboBox *>(spoken->object())) // its list is its child
        QCOMPARE(spoken->child(0)->object(), static_cast<QObject *>(choice->view()));
}

void TestMainWindow::keysOpenMenusAndFilesAndRunUpdate()
{
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    ModalAnswers answers({ cancelFileDialog(), cancelFileDialog() });
    QTest::keySequence(f.window.get(), QKeySequence::Open);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keySequence(f.window.get(), QKeySequence::Save);
    QCOMPARE(answers.seen.size(), 2);
    QCOMPARE(answers.seen.at(0).title, QStringLiteral("Load File"));
    QCOMPARE(answers.seen.at(1).title, QStringLiteral("Save File"));
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    for (const auto &[key, menu, title] : {std::tuple{Qt::Key_F, "menuFile", "File"},
                                           {Qt::Key_T, "menuTools", "Tools"}, {Qt::Key_H, "menuHelp", "Help"}}) {
        QMenu *opened = f.find<QMenu>(menu);
        QCOMPARE(opened->title().remove('&'), title);
        QTest::keyClick(f.window.get(), key, Qt::AltModifier);
        QTRY_VERIFY2(opened->isVisible(), menu);
        opened->close();
    }
    f.board.clearCalls();
    QTest::keyClick(f.window.get(), Qt::Key_F5);
    QTRY_COMPARE(f.board.callsNamed("spi_read").size(), 16);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
