// SPDX-License-Identifier: GPL-3.0-or-later
#include "enginefixture.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>

namespace {

void choose(QComboBox *box, int index)
{
    // What the user's choice raises; a programmatic index change would not.
    emit box->activated(index);
}

} // namespace

class TestControlEdits : public QObject
{
    Q_OBJECT

private slots:
    void comboChoiceWritesAndReports();
    void choosingTheCurrentItemStillWrites();
    void autoWriteOffOnlyChangesTheMirror();
    void checkBoxWritesTheWholeRegister();
    void pinCheckBoxesDriveTheirPin();
    void pinCheckBoxLevels_data();
    void pinCheckBoxLevels();
    void failedWriteIsStillReported();
    void splitFieldWritesFirstRegisterFirst();
    void oneHotField();
    void pulseButtonWritesBitOnce_data();
    void pulseButtonWritesBitOnce();
    void pinPulseButton();
    void unboundControlsChangeNothing();
};

void TestControlEdits::comboChoiceWritesAndReports()
{
    WindowFixture f;
    f.window->registerMirror()[0x07] = 0xc0;
    f.board.clearCalls();
    choose(f.find<QComboBox>("co0750"), 42);
    QCOMPARE(f.window->registerMirror()[0x07], quint8(0xea));
    QCOMPARE(f.board.callTexts(), QStringList{"spi_write(7,7,234,0)"});
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   W07:ea   "));
    QVERIFY(f.registerLog().last().endsWith(" : register write (07h,eah)"));
    // The handler changes nothing else on the panel.
    QCOMPARE(f.find<QComboBox>("co0850")->currentIndex(), 0);
}

void TestControlEdits::choosingTheCurrentItemStillWrites()
{
    WindowFixture f;
    QComboBox *threshold = f.find<QComboBox>("co0b61");
    f.window->registerMirror()[0x0b] = 0x81;
    f.board.clearCalls();
    choose(threshold, 63);
    choose(threshold, 63);
    QCOMPARE(f.window->registerMirror()[0x0b], quint8(0xff));
    QCOMPARE(f.writtenAddresses(), (QVector<int>{0x0b, 0x0b}));
    choose(threshold, 0);
    QCOMPARE(f.window->registerMirror()[0x0b], quint8(0x81));
}

void TestControlEdits::autoWriteOffOnlyChangesTheMirror()
{
    WindowFixture f;
    QTest::mouseClick(f.find<QCheckBox>("autowrite"), Qt::LeftButton);
    const QString transfer = f.transferLabel()->text();
    const int logLines = f.registerLog().size();
    f.board.clearCalls();

    choose(f.find<QComboBox>("co0850"), 14);
    QTest::mouseClick(f.find<QCheckBox>("cb0a0"), Qt::LeftButton);

    QCOMPARE(f.window->registerMirror()[0x08], quint8(14));
    QCOMPARE(f.window->registerMirror()[0x0a], quint8(0x01));
    QVERIFY(f.board.calls.isEmpty());
    QCOMPARE(f.transferLabel()->text(), transfer);
    QCOMPARE(f.registerLog().size(), logLines);

    // Switching it back on writes nothing by itself.
    QTest::mouseClick(f.find<QCheckBox>("autowrite"), Qt::LeftButton);
    QVERIFY(f.board.calls.isEmpty());
}

void TestControlEdits::checkBoxWritesTheWholeRegister()
{
    WindowFixture f;
    f.window->registerMirror()[0x0a] = 0x80;
    f.board.clearCalls();
    QCheckBox *enable = f.find<QCheckBox>("cb0a1");
    QTest::mouseClick(enable, Qt::LeftButton);
    QTest::mouseClick(enable, Qt::LeftButton);
    QCOMPARE(f.board.callTexts(), (QStringList{"spi_write(7,10,130,0)", "spi_write(7,10,128,0)"}));
    QCOMPARE(f.window->registerMirror()[0x0a], quint8(0x80));

    // Space on the box does what a click does: one write.
    f.board.clearCalls();
    QTest::keyClick(enable, Qt::Key_Space);
    QCOMPARE(f.board.callTexts(), QStringList{"spi_write(7,10,130,0)"});
}

void TestControlEdits::pinCheckBoxesDriveTheirPin()
{
    WindowFixture f;
    QTest::mouseClick(f.find<QCheckBox>("autowrite"), Qt::LeftButton);
    f.board.clearCalls();
    QCheckBox *override1 = f.find<QCheckBox>("io0203");
    QTest::mouseClick(override1, Qt::LeftButton);
    QTest::mouseClick(override1, Qt::LeftButton);
    QCOMPARE(f.board.callTexts(), (QStringList{"set_pin(7,3,3,1,0)", "set_pin(7,3,3,0,0)"}));
}

void TestControlEdits::pinCheckBoxLevels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("level");

    QTest::newRow("inverted, checked") << "io0105n" << true << 0;
    QTest::newRow("inverted, unchecked") << "io0105n" << false << 1;
    QTest::newRow("plain, checked") << "io0105" << true << 1;
}

void TestControlEdits::pinCheckBoxLevels()
{
    QFETCH(QString, name);
    QFETCH(bool, checked);
    QFETCH(int, level);
    EngineFixture e;
    QCheckBox box;
    box.setObjectName(name);
    box.setChecked(checked);
    e.edits.buttonClicked(box);
    QCOMPARE(e.board.callTexts(), QStringList{QStringLiteral("set_pin(7,2,5,%1,0)").arg(level)});
}

void TestControlEdits::failedWriteIsStillReported()
{
    WindowFixture f;
    f.board.present = false;
    choose(f.find<QComboBox>("co0750"), 14);
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   W07:0e   "));
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
    QVERIFY(f.registerLog().last().endsWith(" : register write (07h,0eh)"));
    QCOMPARE(f.window->registerMirror()[0x07], quint8(0x0e));
    QVERIFY(f.window->connectionSupervisor().reconnectTimer().isActive());
}

void TestControlEdits::splitFieldWritesFirstRegisterFirst()
{
    EngineFixture e;
    e.mirror[0x08] = 0xf1;
    // The chip sees register 0x07 while the mirror's 0x08 is still untouched.
    e.board.failWhen = [&e](const FakeController::Call &c) {
        if (c.name == "spi_write" && c.args.at(1) == 0x07 && e.mirror[0x08] != 0xf1)
            qFatal("second register changed before the first was written");
        return false;
    };
    e.edits.fieldChosen(QStringLiteral("co07500831"), 200);
    QCOMPARE(e.board.callTexts(), (QStringList{"spi_write(7,7,8,0)", "spi_write(7,8,247,0)"}));
    QCOMPARE(e.log.toPlainText().count(QStringLiteral("register write")), 2);
    QCOMPARE(e.status.transferLabel()->text(), QStringLiteral("   W08:f7   "));

    // A failing first write does not stop the second.
    e.board.clearCalls();
    e.board.failCall(1);
    e.edits.fieldChosen(QStringLiteral("co07500831"), 1);
    QCOMPARE(e.board.callsNamed("spi_write").size(), 2);

    // With automatic writing off both parts reach the mirror only.
    e.board.clearCalls();
    e.edits.setAutoWrite(false);
    const int logLines = e.logLines().size();
    e.edits.fieldChosen(QStringLiteral("co07500831"), 0x1c0);
    QVERIFY(e.board.calls.isEmpty());
    QCOMPARE(e.mirror[0x07], quint8(0x00));
    QCOMPARE(e.mirror[0x08], quint8(0xff));
    QCOMPARE(e.logLines().size(), logLines);
}

void TestControlEdits::oneHotField()
{
    EngineFixture e;
    e.mirror[0x0a] = 0xf8;
    e.edits.fieldChosen(QStringLiteral("co0a20s"), 2);
    QCOMPARE(e.mirror[0x0a], quint8(0xfc));
    QCOMPARE(e.board.callTexts(), QStringList{"spi_write(7,10,252,0)"});
}

void TestControlEdits::pulseButtonWritesBitOnce_data()
{
    QTest::addColumn<bool>("autoWrite");
    QTest::newRow("automatic writing on") << true;
    QTest::newRow("automatic writing off") << false;
}

void TestControlEdits::pulseButtonWritesBitOnce()
{
    QFETCH(bool, autoWrite);
    EngineFixture e;
    e.edits.setAutoWrite(autoWrite);
    e.mirror[0x0e] = 0x01;
    QPushButton pulse;
    pulse.setObjectName(QStringLiteral("cb0e5"));
    e.edits.buttonClicked(pulse);
    QCOMPARE(e.board.callTexts(), QStringList{"spi_write(7,14,33,0)"});
    QCOMPARE(e.mirror[0x0e], quint8(0x01));
}

void TestControlEdits::pinPulseButton()
{
    EngineFixture e;
    e.edits.setAutoWrite(false);
    QPushButton pulse;
    pulse.setObjectName(QStringLiteral("io0105n"));
    QElapsedTimer clock;
    clock.start();
    e.edits.buttonClicked(pulse);
    QVERIFY(clock.elapsed() >= 9);
    // Inverted: the active level is low.
    QCOMPARE(e.board.callTexts(), (QStringList{"set_pin(7,2,5,0,0)", "set_pin(7,2,5,1,0)"}));
}

void TestControlEdits::unboundControlsChangeNothing()
{
    WindowFixture f;
    const RegisterMirror before = f.window->registerMirror();
    f.board.clearCalls();
    QTest::mouseClick(f.find<QPushButton>("pushButton_2"), Qt::LeftButton);
    QTest::mouseClick(f.find<QCheckBox>("DevSleep"), Qt::LeftButton);
    QCOMPARE(f.window->registerMirror(), before);
    QVERIFY(f.board.callsNamed("spi_write").isEmpty());
    // DEVSLP drives its own pin through its slot, nothing else.
    QCOMPARE(f.board.callTexts(), QStringList{"set_pin(7,3,1,1,0)"});
}

QTEST_MAIN(TestControlEdits)
#include "tst_controledits.moc"
