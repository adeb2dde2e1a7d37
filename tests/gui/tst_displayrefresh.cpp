// SPDX-License-Identifier: GPL-3.0-or-later
#include "enginefixture.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>

// The refresh is exercised the way the user triggers it: the fake board
// holds register values, "Update" reads them into the mirror and refreshes.
// Controls the panel does not carry are refreshed by the engine on its own.
class TestDisplayRefresh : public QObject
{
    Q_OBJECT

private slots:
    void comboBoxes_data();
    void comboBoxes();
    void checkBoxesFollowBits();
    void statusIndicators_data();
    void statusIndicators();
    void pinsAndProbesAreReadAfresh();
    void pinCheckBoxes_data();
    void pinCheckBoxes();
    void failedBoardReadsShowAsSuch();
    void refreshNeverWrites();
    void modeCheckBoxesFollowTheFlags();

private:
    static void update(WindowFixture &f)
    {
        QTest::mouseClick(f.find<QPushButton>("readregisters"), Qt::LeftButton);
    }
};

void TestDisplayRefresh::comboBoxes_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    QTest::newRow("buck1 code 42") << "co0750" << 0x07 << 0x2a << 42 << "3.200V";
    QTest::newRow("buck1 upper bits ignored") << "co0750" << 0x07 << 0xea << 42 << "3.200V";
    QTest::newRow("buck1 code 63 reads 3.600V") << "co0750" << 0x07 << 0x3f << 63 << "3.600V";
    QTest::newRow("buck2") << "co0850" << 0x08 << 0x0e << 14 << "1.800V";
    QTest::newRow("threshold clear") << "co0b61" << 0x0b << 0x81 << 0 << "2.000V";
    QTest::newRow("threshold top") << "co0b61" << 0x0b << 0x7e << 63 << "4.000V";
    QTest::newRow("buck3 last item") << "co0060" << 0x00 << 0x7d << 125 << "1.950V";
    QTest::newRow("buck3 past the list") << "co0060" << 0x00 << 0x7f << -1 << "";
}

void TestDisplayRefresh::comboBoxes()
{
    QFETCH(QString, combo);
    QFETCH(int, address);
    QFETCH(int, value);
    WindowFixture f;
    f.board.registers[address] = value;
    update(f);
    QComboBox *box = f.find<QComboBox>(combo);
    QTEST(box->currentIndex(), "index");
    QTEST(box->currentText(), "text");
}

void TestDisplayRefresh::checkBoxesFollowBits()
{
    WindowFixture f;
    f.board.registers[0x0b] = 0x81;
    f.board.registers[0x0a] = 0x12;
    update(f);
    QVERIFY(f.find<QCheckBox>("cb0b0")->isChecked());
    QVERIFY(f.find<QCheckBox>("cb0b7")->isChecked());
    QVERIFY(f.find<QCheckBox>("cb0a1")->isChecked());
    QVERIFY(f.find<QCheckBox>("cb0a4")->isChecked());
    QVERIFY(!f.find<QCheckBox>("cb0a0")->isChecked());
    QVERIFY(!f.find<QCheckBox>("cb0a7")->isChecked());

    f.board.registers[0x0b] = 0x00;
    update(f);
    QVERIFY(!f.find<QCheckBox>("cb0b0")->isChecked());
    // An unbound checkable button keeps whatever state it has.
    QCheckBox *devSleep = f.find<QCheckBox>("DevSleep");
    devSleep->setChecked(true);
    update(f);
    QVERIFY(devSleep->isChecked());
}

void TestDisplayRefresh::statusIndicators_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("indicator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");

    const QColor on(234, 137, 143);
    const QColor off(209, 209, 209);
    QTest::newRow("buck1 ok") << 0x02 << "le0d1" << "1" << on;
    QTest::newRow("buck1 not ok") << 0x1d << "le0d1" << "0" << off;
    QTest::newRow("comparator") << 0x01 << "le0d0" << "1" << on;
    QTest::newRow("buck3") << 0x08 << "le0d3" << "1" << on;
    QTest::newRow("buck2 off") << 0x00 << "le0d2" << "0" << off;
}

void TestDisplayRefresh::statusIndicators()
{
    QFETCH(int, status);
    QFETCH(QString, indicator);
    WindowFixture f;
    f.board.registers[0x0d] = status;
    update(f);
    QLineEdit *edit = f.find<QLineEdit>(indicator);
    QTEST(edit->text(), "text");
    QTEST(edit->palette().color(QPalette::Active, QPalette::Base), "colour");
    QTEST(edit->palette().color(QPalette::Disabled, QPalette::Base), "colour");
}

void TestDisplayRefresh::pinsAndProbesAreReadAfresh()
{
    WindowFixture f;
    f.board.pinLevels[{1, 3}] = 1; // IRQ, panel group 0
    f.board.pinLevels[{3, 2}] = 0; // PWR_UP MODE, panel group 2
    f.board.pinLevels[{3, 3}] = 1; // DEVSLP_OVR1
    f.board.adcCount = 512;
    f.board.clearCalls();
    update(f);

    QCOMPARE(f.board.callsNamed("read_pin").size(), 4);
    QCOMPARE(f.board.callsNamed("measure").size(), 8);
    QCOMPARE(f.find<QLineEdit>("lio0003")->text(), QStringLiteral("1"));
    QCOMPARE(f.find<QLineEdit>("lio0202")->text(), QStringLiteral("0"));
    QVERIFY(f.find<QCheckBox>("io0203")->isChecked());
    QVERIFY(!f.find<QCheckBox>("io0204")->isChecked());
    QCOMPARE(f.find<QLineEdit>("adc000710244280")->text(), QStringLiteral("3.42"));
    QCOMPARE(f.find<QLineEdit>("adc000610244200")->text(), QStringLiteral("2.44"));
    QCOMPARE(f.find<QLineEdit>("adc000410244200")->text(), QStringLiteral("2.44"));
    QCOMPARE(f.find<QLineEdit>("adc000510244100")->text(), QStringLiteral("1.22"));

    f.board.pinLevels[{1, 3}] = 0;
    update(f);
    QCOMPARE(f.find<QLineEdit>("lio0003")->text(), QStringLiteral("0"));
}

void TestDisplayRefresh::pinCheckBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("level"); // -1: the read fails
    QTest::addColumn<bool>("checked");

    QTest::newRow("inverted, low") << "io0105n" << 0 << true;
    QTest::newRow("inverted, high") << "io0105n" << 1 << false;
    QTest::newRow("inverted, read fails") << "io0105n" << -1 << false;
    QTest::newRow("plain, low") << "io0105" << 0 << false;
}

void TestDisplayRefresh::pinCheckBoxes()
{
    QFETCH(QString, name);
    QFETCH(int, level);
    QFETCH(bool, checked);
    EngineFixture e;
    QCheckBox box;
    box.setObjectName(name);
    box.setChecked(!checked);
    e.controls.buttons << &box;
    if (level < 0)
        e.board.failWhen = [](const FakeController::Call &c) { return c.name == "read_pin"; };
    else
        e.board.pinLevels[{2, 5}] = level;
    e.refresh.update_display();
    QCOMPARE(e.board.callTexts(), QStringList{"read_pin(7,2,5,0)"});
    QCOMPARE(box.isChecked(), checked);
}

void TestDisplayRefresh::failedBoardReadsShowAsSuch()
{
    WindowFixture f;
    QTest::mouseClick(f.find<QCheckBox>("pollstatus"), Qt::LeftButton);
    f.board.failWhen = [](const FakeController::Call &c) {
        return c.name == "read_pin" || c.name == "measure";
    };
    update(f);
    // A failed pin read counts as a level that is not 0.
    QCOMPARE(f.find<QLineEdit>("lio0003")->text(), QStringLiteral("1"));
    QVERIFY(f.find<QCheckBox>("io0203")->isChecked());
    QCOMPARE(f.find<QLineEdit>("adc000710244280")->text(), QStringLiteral("-1.00"));
    // The failure is already visible in the same refresh.
    QVERIFY(!f.find<QCheckBox>("pollstatus")->isChecked());
}

void TestDisplayRefresh::refreshNeverWrites()
{
    WindowFixture f;
    for (int a = 0; a < 16; ++a)
        f.board.registers[a] = 0xa5 ^ a;
    f.board.clearCalls();
    update(f);
    f.invoke("timer_func");
    QVERIFY(f.board.callsNamed("spi_write").isEmpty());
    QVERIFY(f.board.callsNamed("set_pin").isEmpty());
    QCOMPARE(f.registerLog().size(), 1 + 16 + 16);
}

void TestDisplayRefresh::modeCheckBoxesFollowTheFlags()
{
    WindowFixture f;
    QCheckBox *autoWrite = f.find<QCheckBox>("autowrite");
    QVERIFY(autoWrite->isChecked());
    QTest::mouseClick(autoWrite, Qt::LeftButton);
    autoWrite->setChecked(true); // a stray programmatic change does not set the flag
    update(f);
    QVERIFY(!autoWrite->isChecked());
}

QTEST_MAIN(TestDisplayRefresh)
#include "tst_displayrefresh.moc"
