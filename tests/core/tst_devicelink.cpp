// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/connectionsupervisor.h"
#include "device/devicelink.h"
#include "fakecontroller.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QtTest>

namespace {

QStringList *capturedMessages = nullptr;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    capturedMessages->append(text);
}

} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openAppliesPinSetupInOrder();
    void openWithoutBoardStartsReconnect();
    void transfersReduceToEightBits_data();
    void transfersReduceToEightBits();
    void successfulReadMarksConnected();
    void announcesEveryTransfer_data();
    void announcesEveryTransfer();
    void failures_data();
    void failures();
    void policyRestartsReconnectOnEveryFailure();
    void pinGroupsCountFromZeroOnThePanel();
    void adcScalesTheSecondConversion();
    void adcFailureGivesMinusOneExactly();
    void hostControllerPulse();
    void devSleepWaitsOnlyWhenHigh();
    void pinSlotsIgnoreFailures();
    void traceIsOffUnlessTurnedOn_data();
    void traceIsOffUnlessTurnedOn();

private:
    FakeController *board = nullptr;
    DeviceLink *link = nullptr;
    // The link under supervision, which owns the timers the failure policy
    // starts and stops.
    RegisterMirror mirror{};
    ConnectionSupervisor *supervision = nullptr;
    // What the link announced, as "W 07:0e ok" and "pin 3.6=1".
    QStringList announced;
};

void TestDeviceLink::init()
{
    board = new FakeController;
    link = new DeviceLink(*board);
    supervision = new ConnectionSupervisor(*link, mirror);
    announced.clear();
    connect(link, &DeviceLink::registerTransferred, this, [this](const RegisterTransfer &t) {
        // A listener hears of a failure with the link already down.
        QCOMPARE(link->isConnected(), t.ok);
        announced << QStringLiteral("%1 %2:%3 %4 %5")
                             .arg(t.write ? 'W' : 'R')
                             .arg(t.address, 2, 16, QLatin1Char('0'))
                             .arg(t.data, 2, 16, QLatin1Char('0'))
                             .arg(t.ok ? "ok" : "failed")
                             .arg(t.activity == Activity::PanelEdit ? "edit"
                                  : t.activity == Activity::Poll   ? "poll"
                                                                   : "other");
    });
    connect(link, &DeviceLink::pinDriven, this, [this](const PinAction &p) {
        announced << QStringLiteral("pin %1.%2=%3").arg(p.group).arg(p.pin).arg(p.level);
    });
}

void TestDeviceLink::cleanup()
{
    delete supervision;
    delete link;
    delete board;
}

void TestDeviceLink::openAppliesPinSetupInOrder()
{
    supervision->init_hardware();
    QCOMPARE(link->handle(), FakeController::boardHandle);
    QVERIFY(link->isConnected());
    const QStringList expected = {
        "usb_hid_init()",        "init_controller(7)",    "set_pin_dir(7,1,0,1,0)",
        "set_pin_dir(7,1,1,0,0)", "set_pin_dir(7,1,2,1,0)", "set_pin_dir(7,2,1,1,0)",
        "set_pin_dir(7,3,1,1,0)", "set_pin_dir(7,3,2,0,0)", "set_pin_dir(7,3,3,1,0)",
        "set_pin_dir(7,3,4,1,0)", "set_pin_dir(7,1,3,0,0)", "set_pin_dir(7,2,3,0,0)",
        "set_pin_dir(7,3,6,1,0)", "set_pin_dir(7,3,2,0,0)", "set_pin(7,2,3,0,0)",
    };
    QCOMPARE(board->callTexts(), expected);
    QVERIFY(!supervision->reconnectTimer().isActive());
}

void TestDeviceLink::openWithoutBoardStartsReconnect()
{
    board->present = false;
    supervision->init_hardware();
    QCOMPARE(link->handle(), -1);
    QVERIFY(!link->isConnected());
    QCOMPARE(board->callTexts(), QStringList{"usb_hid_init()"});
    QVERIFY(supervision->reconnectTimer().isActive());
    QCOMPARE(supervision->reconnectTimer().interval(), 500);
}

void TestDeviceLink::transfersReduceToEightBits_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("data");
    QTest::addColumn<QString>("expectedWrite");
    QTest::addColumn<QString>("expectedRead");

    QTest::newRow("plain") << 0x0a << 0x5f << "spi_write(7,10,95,0)" << "spi_read(7,10,0)";
    QTest::newRow("wide values") << 0x107 << 0x1ea << "spi_write(7,7,234,0)" << "spi_read(7,7,0)";
}

void TestDeviceLink::transfersReduceToEightBits()
{
    QFETCH(int, address);
    QFETCH(int, data);
    link->openBoard();
    board->clearCalls();
    QCOMPARE(link->register_write(address, data, Activity::DirectAccess), 1);
    QCOMPARE(link->register_read(address, Activity::DirectAccess), data & 0xff);
    QTEST(board->calls.at(0).text(), "expectedWrite");
    QTEST(board->calls.at(1).text(), "expectedRead");
}

// Each transfer is announced once, as it reached the board and with the
// activity its caller named, answered or not.
void TestDeviceLink::announcesEveryTransfer_data()
{
    QTest::addColumn<bool>("answers");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("answered") << true << QStringList{"W 07:ea ok edit", "R 07:ea ok poll"};
    QTest::newRow("board gone") << false << QStringList{"W 07:ea failed edit", "R 07:ff failed poll"};
}

void TestDeviceLink::announcesEveryTransfer()
{
    QFETCH(bool, answers);
    link->openBoard();
    board->present = answers;
    link->register_write(0x107, 0x1ea, Activity::PanelEdit);
    link->register_read(0x07, Activity::Poll);
    QTEST(announced, "expected");
}

void TestDeviceLink::successfulReadMarksConnected()
{
    link->openBoard();
    board->failWhen = [](const FakeController::Call &c) { return c.name == "spi_read"; };
    link->register_read(0, Activity::DirectAccess);
    QVERIFY(!link->isConnected());
    board->failWhen = nullptr;
    QCOMPARE(link->register_read(0, Activity::DirectAccess), 0);
    QVERIFY(link->isConnected());
}

// Every failing operation applies the same policy: not connected, polling
// off, reconnect in 500 ms; and returns the library's failure value.
void TestDeviceLink::failures_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("register_read") << "register_read";
    QTest::newRow("register_write") << "register_write";
    QTest::newRow("pin_write") << "pin_write";
    QTest::newRow("pin_read") << "pin_read";
    QTest::newRow("adc_read") << "adc_read";
}

void TestDeviceLink::failures()
{
    QFETCH(QString, operation);
    link->openBoard();
    supervision->setPolling(true);
    QVERIFY(supervision->pollTimer().isActive());
    board->present = false;

    if (operation == "register_read")
        QCOMPARE(link->register_read(3, Activity::DirectAccess), -1);
    else if (operation == "register_write")
        QCOMPARE(link->register_write(3, 4, Activity::DirectAccess), 0);
    else if (operation == "pin_write")
        link->pin_write(2, 3, 1);
    else if (operation == "pin_read")
        QCOMPARE(link->pin_read(0, 3), -1);
    else
        QCOMPARE(link->adc_read(0, 7, 2.44, 10, 2.8), -1.0);

    QVERIFY(!link->isConnected());
    QVERIFY(!supervision->isPolling());
    QVERIFY(!supervision->pollTimer().isActive());
    QVERIFY(supervision->reconnectTimer().isActive());
    QCOMPARE(supervision->reconnectTimer().interval(), 500);
}

void TestDeviceLink::policyRestartsReconnectOnEveryFailure()
{
    board->present = false;
    link->register_read(0, Activity::DirectAccess);
    QTest::qWait(300);
    link->register_read(0, Activity::DirectAccess);
    // Restarted by the second failure, so it has not fired 500 ms after the first.
    QVERIFY(supervision->reconnectTimer().remainingTime() > 300);
}

void TestDeviceLink::pinGroupsCountFromZeroOnThePanel()
{
    link->openBoard();
    board->clearCalls();
    link->pin_write(2, 3, 1);
    board->pinLevels[{1, 3}] = 1;
    QCOMPARE(link->pin_read(0, 3), 1);
    QCOMPARE(board->callTexts(), (QStringList{"set_pin(7,3,3,1,0)", "read_pin(7,1,3,0)"}));
    QCOMPARE(announced, QStringList{"pin 3.3=1"});
    // Pin operations never mark the board as answering.
    QVERIFY(link->isConnected());
}

void TestDeviceLink::adcScalesTheSecondConversion()
{
    link->openBoard();
    board->clearCalls();
    board->adcCount = 512;
    QCOMPARE(link->adc_read(0, 7, 2.44, 10, 2.80), 3.416);
    QCOMPARE(board->callTexts(), (QStringList{"measure(7,7,0,0)", "measure(7,7,0,0)"}));
}

void TestDeviceLink::adcFailureGivesMinusOneExactly()
{
    link->openBoard();
    // Only the second conversion decides; a failing first one is ignored.
    board->failCall(1);
    QVERIFY(link->adc_read(0, 6, 2.44, 10, 2.0) > 0);
    QVERIFY(link->isConnected());
    board->failCall(2);
    QCOMPARE(link->adc_read(0, 6, 2.44, 10, 2.0), -1.0);
}

void TestDeviceLink::hostControllerPulse()
{
    board->present = false;
    QElapsedTimer clock;
    clock.start();
    link->pulseHostController();
    QVERIFY(clock.elapsed() >= 45);
    QCOMPARE(board->callTexts(), (QStringList{"set_pin(-1,3,6,1,0)", "set_pin(-1,3,6,0,0)"}));
    QCOMPARE(announced, (QStringList{"pin 3.6=1", "pin 3.6=0"}));
}

void TestDeviceLink::devSleepWaitsOnlyWhenHigh()
{
    link->openBoard();
    board->clearCalls();
    QElapsedTimer clock;
    clock.start();
    link->driveDevSleep(false);
    QVERIFY(clock.elapsed() < 40);
    link->driveDevSleep(true);
    QVERIFY(clock.elapsed() >= 45);
    QCOMPARE(board->callTexts(), (QStringList{"set_pin(7,3,1,0,0)", "set_pin(7,3,1,1,0)"}));
    QCOMPARE(announced, (QStringList{"pin 3.1=0", "pin 3.1=1"}));
}

void TestDeviceLink::pinSlotsIgnoreFailures()
{
    link->openBoard();
    board->present = false;
    link->driveDevSleep(false);
    link->pulseHostController();
    QVERIFY(link->isConnected());
    QVERIFY(!supervision->reconnectTimer().isActive());
}

// The program starts quiet; the trace lines, unchanged, come back on request.
void TestDeviceLink::traceIsOffUnlessTurnedOn_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("no rules") << QString() << QStringList();
    QTest::newRow("turned on") << "zq40613.trace.debug=true"
                               << QStringList{"register read(), address = 0x0b",
                                              "register write(), address = 0x07,data = 0x0e"};
}

void TestDeviceLink::traceIsOffUnlessTurnedOn()
{
    QFETCH(QString, rules);
    link->openBoard();
    QStringList messages;
    capturedMessages = &messages;
    QLoggingCategory::setFilterRules(rules);
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    link->register_read(0x0b, Activity::DirectAccess);
    link->register_write(0x07, 0x0e, Activity::DirectAccess);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QTEST(messages, "expected");
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
