// SPDX-License-Identifier: GPL-3.0-or-later
#include "enginefixture.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>

class TestBulkTransfer : public QObject
{
    Q_OBJECT

private slots:
    void writeFollowsThePanelOrder();
    void writeWithoutBoardTriesTwice();
    void writeFailureInCheckBoxPassEndsOnlyThatPass();
    void writeIgnoresTheAutoWriteFlag();
    void writeOverSplitField_data();
    void writeOverSplitField();
    void readStopsAtTheFirstFailure();
    void readLogsEachRegister();

private:
    static void clickWrite(WindowFixture &f)
    {
        QTest::mouseClick(f.find<QPushButton>("writeregisters"), Qt::LeftButton);
    }
};

void TestBulkTransfer::writeFollowsThePanelOrder()
{
    WindowFixture f;
    for (int a = 0; a < 16; ++a)
        f.window->registerMirror()[a] = static_cast<quint8>(0x10 + a);
    f.board.clearCalls();
    const int logLines = f.registerLog().size();
    clickWrite(f);

    const QVector<int> expected = {0x0c, 0x0c, 0x0c, 0x0c, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a,
                                   0x0a, 0x0b, 0x0b, 0x0e, 0x07, 0x08, 0x00, 0x0b};
    QCOMPARE(f.writtenAddresses(), expected);
    for (const FakeController::Call &c : f.board.callsNamed("spi_write"))
        QCOMPARE(c.args.at(2), 0x10 + c.args.at(1));
    QCOMPARE(f.registerLog().size(), logLines + 17);
    QVERIFY(f.registerLog().last().endsWith(" : register write (0bh,1bh)"));
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   W00:00   "));
    QVERIFY(f.board.callsNamed("set_pin").isEmpty());
}

void TestBulkTransfer::writeWithoutBoardTriesTwice()
{
    WindowFixture f(false);
    f.board.clearCalls();
    const int logLines = f.registerLog().size();
    clickWrite(f);
    QCOMPARE(f.writtenAddresses(), (QVector<int>{0x0c, 0x07}));
    QCOMPARE(f.registerLog().size(), logLines);
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
}

void TestBulkTransfer::writeFailureInCheckBoxPassEndsOnlyThatPass()
{
    WindowFixture f;
    f.board.clearCalls();
    f.board.failCall(3); // the third check-box write
    clickWrite(f);
    QCOMPARE(f.writtenAddresses(), (QVector<int>{0x0c, 0x0c, 0x0c, 0x07, 0x08, 0x00, 0x0b}));
}

void TestBulkTransfer::writeIgnoresTheAutoWriteFlag()
{
    WindowFixture f;
    QTest::mouseClick(f.find<QCheckBox>("autowrite"), Qt::LeftButton);
    emit f.find<QComboBox>("co0750")->activated(20);
    f.board.clearCalls();
    clickWrite(f);
    QCOMPARE(f.writtenAddresses().size(), 17);
    QCOMPARE(f.board.registers[0x07], 20);
}

// A split field's second register is written and logged without looking at
// the link, so a board lost there shows only at the next combo box's write.
void TestBulkTransfer::writeOverSplitField_data()
{
    QTest::addColumn<bool>("boardLost");
    QTest::addColumn<QVector<int>>("written");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<QString>("state");

    QTest::newRow("board answers")
            << false << QVector<int>{0x07, 0x08, 0x0b, 0x08}
            << QStringList{"(07h,15h)", "(08h,2ah)", "(0bh,40h)", "(08h,2ah)"} << "   ready   ";
    QTest::newRow("board lost at the second register")
            << true << QVector<int>{0x07, 0x08, 0x0b} << QStringList{"(07h,15h)", "(08h,2ah)"}
            << "   not connected   ";
}

void TestBulkTransfer::writeOverSplitField()
{
    QFETCH(bool, boardLost);
    QFETCH(QStringList, logged);
    EngineFixture e;
    QComboBox split, threshold, buck2;
    split.setObjectName(QStringLiteral("co07500831"));
    threshold.setObjectName(QStringLiteral("co0b61"));
    buck2.setObjectName(QStringLiteral("co0850"));
    e.controls.comboBoxes = {&split, &threshold, &buck2};
    e.mirror[0x07] = 0x15;
    e.mirror[0x08] = 0x2a;
    e.mirror[0x0b] = 0x40;
    if (boardLost)
        e.board.failWhen = [](const FakeController::Call &c) {
            return c.name == "spi_write" && c.args.at(1) != 0x07;
        };
    e.bulk.writeAll();

    QTEST(e.board.writtenAddresses(), "written");
    const QStringList lines = e.logLines();
    QCOMPARE(lines.size(), logged.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).endsWith(QStringLiteral(" : register write ") + logged.at(i)),
                 qPrintable(lines.at(i)));
    QTEST(e.status.stateLabel()->text(), "state");
    QCOMPARE(e.status.transferLabel()->text(), QStringLiteral("   W00:00   "));
}

void TestBulkTransfer::readStopsAtTheFirstFailure()
{
    WindowFixture f;
    RegisterMirror &m = f.window->registerMirror();
    m.fill(0x33);
    for (int a = 0; a < 16; ++a)
        f.board.registers[a] = a;
    f.board.registers[0x07] = 0x0e;
    f.board.failWhen = [](const FakeController::Call &c) {
        return c.name == "spi_read" && c.args.at(1) == 0x05;
    };
    f.board.clearCalls();
    const int logLines = f.registerLog().size();
    QTest::mouseClick(f.find<QPushButton>("readregisters"), Qt::LeftButton);

    QCOMPARE(f.board.callsNamed("spi_read").size(), 6);
    for (int a = 0; a < 5; ++a)
        QCOMPARE(m[a], quint8(a));
    QCOMPARE(m[0x05], quint8(0xff));
    for (int a = 6; a < 16; ++a)
        QCOMPARE(m[a], quint8(0x33));
    QCOMPARE(f.registerLog().size(), logLines + 5);
    // Refreshed from the mirror all the same, and the lost link shows.
    QCOMPARE(f.find<QComboBox>("co0750")->currentIndex(), 0x33);
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
}

void TestBulkTransfer::readLogsEachRegister()
{
    WindowFixture f;
    for (int a = 0; a < 16; ++a)
        f.board.registers[a] = 0xf0 | a;
    f.board.clearCalls();
    QTest::mouseClick(f.find<QPushButton>("readregisters"), Qt::LeftButton);
    const QStringList log = f.registerLog().mid(f.registerLog().size() - 16);
    for (int a = 0; a < 16; ++a)
        QVERIFY(log.at(a).endsWith(QStringLiteral(" : register read (%1h,f%2h)")
                                           .arg(a, 2, 16, QLatin1Char('0'))
                                           .arg(a, 0, 16)));
    QCOMPARE(f.window->registerMirror()[0x0f], quint8(0xff));
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   W00:00   "));
}

QTEST_MAIN(TestBulkTransfer)
#include "tst_bulktransfer.moc"
