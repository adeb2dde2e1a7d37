// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include "device/panellogs.h"
#include "device/statusfields.h"

#include <QCheckBox>

class TestConnectionSupervisor : public QObject
{
    Q_OBJECT

private slots:
    void boardAppearsLater();
    void boardLostWhilePolling();
    void pollingWithoutBoardTurnsItselfOff();
    void pollReadsThePanelRegisters();
    void failedReadBackKeepsRetrying();
    void reconnectsThroughTheRealTimer();
    void transferFieldForms_data();
    void transferFieldForms();
    void logLineFormat_data();
    void logLineFormat();
};

void TestConnectionSupervisor::boardAppearsLater()
{
    WindowFixture f(false);
    const ConnectionSupervisor &supervision = f.window->connectionSupervisor();
    QVERIFY(supervision.reconnectTimer().isActive());

    f.board.present = true;
    f.board.clearCalls();
    f.invoke("init_hardware");
    QCOMPARE(f.board.callsNamed("set_pin_dir").size(), 12);
    QCOMPARE(f.board.callsNamed("spi_read").size(), 16);
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   ready   "));
    QCOMPARE(f.stateColour(), QColor(188, 248, 182));
    QCOMPARE(f.registerLog().size(), 1 + 16);
    // Still running after the open; the following tick stops it.
    QVERIFY(supervision.reconnectTimer().isActive());

    f.board.clearCalls();
    f.invoke("init_hardware");
    QVERIFY(!supervision.reconnectTimer().isActive());
    QCOMPARE(f.board.callsNamed("usb_hid_init").size(), 0);
    QCOMPARE(f.board.callsNamed("set_pin_dir").size(), 0);
}

void TestConnectionSupervisor::boardLostWhilePolling()
{
    WindowFixture f(true);
    const ConnectionSupervisor &supervision = f.window->connectionSupervisor();
    QTest::mouseClick(f.find<QCheckBox>("pollstatus"), Qt::LeftButton);
    QVERIFY(supervision.isPolling());
    QVERIFY(supervision.pollTimer().isActive());
    QCOMPARE(supervision.pollTimer().interval(), 1000);

    f.board.present = false;
    f.board.clearCalls();
    f.invoke("timer_func");

    QCOMPARE(f.board.callsNamed("spi_read").size(), 9);
    const RegisterMirror &m = f.window->registerMirror();
    for (int a : {0x00, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e})
        QCOMPARE(m[a], quint8(0xff));
    // Registers outside the poll keep what the start-up read gave them.
    QCOMPARE(m[0x01], quint8(0x00));
    QCOMPARE(m[0x0f], quint8(0x00));
    QVERIFY(!f.find<QCheckBox>("pollstatus")->isChecked());
    QVERIFY(!supervision.pollTimer().isActive());
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
    QCOMPARE(f.stateColour(), QColor(247, 166, 168));
    QVERIFY(supervision.reconnectTimer().isActive());
    QCOMPARE(supervision.reconnectTimer().interval(), 500);
    // The panel shows what the failed reads left.
    QCOMPARE(f.find<QLineEdit>("le0d1")->text(), QStringLiteral("1"));
}

void TestConnectionSupervisor::pollingWithoutBoardTurnsItselfOff()
{
    WindowFixture f(false);
    QCheckBox *poll = f.find<QCheckBox>("pollstatus");
    QTest::mouseClick(poll, Qt::LeftButton);
    QVERIFY(f.window->connectionSupervisor().pollTimer().isActive());
    f.invoke("timer_func");
    QVERIFY(!poll->isChecked());
    QVERIFY(!f.window->connectionSupervisor().isPolling());
    // A later reconnection does not turn polling back on.
    f.board.present = true;
    f.invoke("init_hardware");
    QVERIFY(!poll->isChecked());
    QVERIFY(!f.window->connectionSupervisor().pollTimer().isActive());
}

void TestConnectionSupervisor::pollReadsThePanelRegisters()
{
    WindowFixture f(true);
    f.board.registers[0x0d] = 0x02;
    f.board.registers[0x03] = 0x55;
    f.board.clearCalls();
    const int logLines = f.registerLog().size();
    f.invoke("timer_func");

    QVector<int> read;
    for (const FakeController::Call &c : f.board.callsNamed("spi_read"))
        read << c.args.at(1);
    QCOMPARE(read, (QVector<int>{0x00, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e}));
    QCOMPARE(f.window->registerMirror()[0x03], quint8(0x00));
    QCOMPARE(f.find<QLineEdit>("le0d1")->text(), QStringLiteral("1"));
    QCOMPARE(f.registerLog().size(), logLines);
    QCOMPARE(f.transferLabel()->text(), QStringLiteral("   W00:00   "));
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   ready   "));
}

void TestConnectionSupervisor::failedReadBackKeepsRetrying()
{
    WindowFixture f(false);
    f.board.present = true;
    f.board.failWhen = [](const FakeController::Call &c) {
        return c.name == "spi_read" && c.args.at(1) == 0x03;
    };
    f.invoke("init_hardware");
    QVERIFY(!f.window->deviceLink().isConnected());
    QVERIFY(f.window->connectionSupervisor().reconnectTimer().isActive());
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
    // The next tick opens the board again rather than ending the cycle.
    f.board.failWhen = nullptr;
    f.board.clearCalls();
    f.invoke("init_hardware");
    QCOMPARE(f.board.callsNamed("usb_hid_init").size(), 1);
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   ready   "));
}

void TestConnectionSupervisor::reconnectsThroughTheRealTimer()
{
    WindowFixture f(true);
    f.board.present = false;
    QTest::mouseClick(f.find<QPushButton>("readregisters"), Qt::LeftButton);
    QCOMPARE(f.stateLabel()->text(), QStringLiteral("   not connected   "));
    f.board.present = true;
    QTRY_COMPARE_WITH_TIMEOUT(f.stateLabel()->text(), QStringLiteral("   ready   "), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.window->connectionSupervisor().reconnectTimer().isActive(), 2000);
}

void TestConnectionSupervisor::transferFieldForms_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("write");
    QTest::addColumn<QString>("text");

    QTest::newRow("write") << 0x0a << 0x5f << 1 << "   W0a:5f   ";
    QTest::newRow("any nonzero is a write") << 0x07 << 0x0e << 2 << "   W07:0e   ";
    QTest::newRow("read") << 0x0d << 0xff << 0 << "   R0d:ff   ";
    QTest::newRow("zeros") << 0 << 0 << 1 << "   W00:00   ";
}

void TestConnectionSupervisor::transferFieldForms()
{
    QFETCH(int, address);
    QFETCH(int, data);
    QFETCH(int, write);
    FakeController board;
    DeviceLink link(board);
    QStatusBar bar;
    StatusFields fields(bar, link);
    fields.write_statusbar(address, data, write);
    QTEST(fields.transferLabel()->text(), "text");
    QCOMPARE(fields.stateLabel()->text(), QStringLiteral("   not connected   "));
    link.openBoard();
    fields.write_statusbar(address, data, write);
    QCOMPARE(fields.stateLabel()->text(), QStringLiteral("   ready   "));
    QCOMPARE(fields.stateLabel()->palette().color(QPalette::Window), QColor(188, 248, 182));
}

void TestConnectionSupervisor::logLineFormat_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("line");

    QTest::newRow("read") << QTime(9, 15, 2) << false << 0x07 << 0x3c
                          << "09:15:02 : register read (07h,3ch)";
    QTest::newRow("write") << QTime(14, 3, 7) << true << 0x07 << 0x2a
                           << "14:03:07 : register write (07h,2ah)";
    QTest::newRow("evening") << QTime(23, 0, 59) << true << 0xff << 0x00
                             << "23:00:59 : register write (ffh,00h)";
}

void TestConnectionSupervisor::logLineFormat()
{
    QFETCH(QTime, time);
    QFETCH(bool, write);
    QFETCH(int, address);
    QFETCH(int, value);
    QTEST(PanelLogs::transferLine(time, write, address, value), "line");
}

QTEST_MAIN(TestConnectionSupervisor)
#include "tst_connectionsupervisor.moc"
