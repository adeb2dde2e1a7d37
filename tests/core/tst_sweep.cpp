// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/devicelink.h"
#include "fakecontroller.h"
#include "simulatedboard.h"
#include "sweep/sweepcsv.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>

namespace {

SweepPlan planOf(const QString &field, const QString &from, const QString &to, bool upAndDown = false)
{
    SweepPlan plan;
    plan.field = *findSweepField(sweepFields(panelFields()), field);
    plan.fromIndex = *plan.field.indexOfValue(from);
    plan.toIndex = *plan.field.indexOfValue(to);
    plan.upAndDown = upAndDown;
    return plan;
}

// One reading as the fake board sees it: two conversions of each probe,
// BATT, BUCK1, BUCK2 and BUCK3, then the status register.
const QString reading = QStringLiteral("M7 M7 M6 M6 M4 M4 M5 M5 R0d");

QString traffic(const FakeController &board)
{
    QStringList calls;
    for (const FakeController::Call &call : board.calls) {
        if (call.name == QLatin1String("spi_write"))
            calls << QStringLiteral("W%1=%2").arg(call.args[1], 2, 16, QLatin1Char('0')).arg(call.args[2], 2, 16, QLatin1Char('0'));
        else if (call.name == QLatin1String("spi_read"))
            calls << QStringLiteral("R%1").arg(call.args[1], 2, 16, QLatin1Char('0'));
        else
            calls << (call.name == QLatin1String("measure") ? "M" + QString::number(call.args[1]) : call.name);
    }
    return calls.join(' ');
}

} // namespace

class TestSweep : public QObject
{
    Q_OBJECT

private slots:
    void steps_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("upAndDown");
        QTest::addColumn<QString>("values");
        QTest::newRow("up") << "Buck1 Output voltage" << "1.1" << "1.200V" << false << "1.100V 1.150V 1.200V";
        QTest::newRow("down") << "Buck1 Output voltage" << "1.2" << "1.1" << false << "1.200V 1.150V 1.100V";
        QTest::newRow("up and down") << "Buck3 Output voltage" << "0.7" << "0.72" << true
                                     << "0.700V 0.710V 0.720V 0.710V 0.700V";
        QTest::newRow("one value") << "Buck1 Output voltage" << "1.1" << "1.1" << true << "1.100V";
        QTest::newRow("last value listed once") << "Buck2 Output voltage" << "3.55" << "3.6" << false
                                                << "3.550V 3.600V";
        QTest::newRow("name in any case") << "comparator  THRESHOLD voltage" << "3.27" << "3.302V" << false
                                          << "3.270V 3.302V";
    }

    void steps()
    {
        QFETCH(QString, field);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, upAndDown);
        QFETCH(QString, values);
        const SweepPlan plan = planOf(field, from, to, upAndDown);
        QStringList texts;
        for (int index : plan.steps())
            texts << plan.field.items.at(index);
        QCOMPARE(texts.join(' '), values);
    }

    void boardTraffic_data()
    {
        QTest::addColumn<int>("readings");
        QTest::addColumn<bool>("restore");
        QTest::addColumn<int>("stopAfterTurn"); // 0: never
        QTest::addColumn<int>("failingCall");   // 0: none
        QTest::addColumn<QString>("calls");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("failure");
        // Register 0x07 holds 0xce: code 14 (1.800 V), bits 7 and 6 set.
        QTest::newRow("two readings a step, restored")
                << 2 << true << 0 << 0
                << QStringList{"W07=c0", reading, reading, "W07=c1", reading, reading, "W07=ce"}.join(' ') << 2 << "";
        QTest::newRow("left at the last value") << 1 << false << 0 << 0
                                                << QStringList{"W07=c0", reading, "W07=c1", reading}.join(' ') << 2 << "";
        QTest::newRow("stopped while settling")
                << 1 << true << 1 << 0 << QStringList{"W07=c0", "W07=ce"}.join(' ') << 0 << "";
        QTest::newRow("stopped after a step")
                << 1 << true << 2 << 0 << QStringList{"W07=c0", reading, "W07=ce"}.join(' ') << 1 << "";
        QTest::newRow("board gone at the second status read")
                << 1 << true << 0 << 20 << QStringList{"W07=c0", reading, "W07=c1", reading}.join(' ') << 1
                << "the board stopped answering at step 2 of 2 (1.150V)";
        QTest::newRow("board gone at the restoring write")
                << 1 << true << 0 << 21 << QStringList{"W07=c0", reading, "W07=c1", reading, "W07=ce"}.join(' ')
                << 2 << "the board stopped answering as Buck1 Output voltage was restored";
    }

    // What a sweep adds to the board traffic, and nothing else: a write of
    // the field's register per step, as a panel edit makes it from the
    // mirror, then the probes and the status register per reading.
    void boardTraffic()
    {
        QFETCH(int, readings);
        QFETCH(bool, restore);
        QFETCH(int, stopAfterTurn);
        QFETCH(int, failingCall);
        QFETCH(QString, calls);
        QFETCH(int, rows);
        QFETCH(QString, failure);
        FakeController board;
        DeviceLink link(board);
        QVERIFY(link.openBoard());
        board.clearCalls();
        if (failingCall)
            board.failCall(failingCall);
        RegisterMirror mirror{};
        mirror[0x07] = 0xce;
        SweepPlan plan = planOf("Buck1 Output voltage", "1.100V", "1.150V");
        plan.readings = readings;
        plan.restore = restore;
        SweepRun run(plan, link, mirror);
        int turns = 0;
        runSweep(run, [&](int) { return ++turns != stopAfterTurn; });
        QCOMPARE(traffic(board), calls);
        QCOMPARE(run.rows().size(), rows);
        QCOMPARE(run.failure(), failure);
        QVERIFY(run.isFinished());
    }

    void csvLines_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<double>("measured");
        QTest::addColumn<QString>("lines");
        const QString buck1Header = "time,set,BATT,BUCK1,BUCK2,BUCK3,0x0d,BUCK1 error mV,BUCK1 error %\n";
        QTest::newRow("Buck1 above") << "Buck1 Output voltage" << "1.800V" << 1.81172
                                     << buck1Header + "2024-03-05T14:07:09.045,1.800,3.700,1.812,3.300,1.200,0x1f,11.7,0.65\n";
        QTest::newRow("Buck1 a hair below") << "Buck1 Output voltage" << "1.1" << 1.09999
                                            << buck1Header + "2024-03-05T14:07:09.045,1.100,3.700,1.100,3.300,1.200,0x1f,0.0,0.00\n";
        QTest::newRow("Buck2 against its own probe") << "Buck2 Output voltage" << "3.3" << 1.8
                                     << "time,set,BATT,BUCK1,BUCK2,BUCK3,0x0d,BUCK2 error mV,BUCK2 error %\n"
                                        "2024-03-05T14:07:09.045,3.300,3.700,1.800,3.300,1.200,0x1f,0.0,0.00\n";
        QTest::newRow("comparator, no error columns")
                << "Comparator Threshold voltage" << "3.27" << 1.8
                << "time,set,BATT,BUCK1,BUCK2,BUCK3,0x0d\n2024-03-05T14:07:09.045,3.270,3.700,1.800,3.300,1.200,0x1f\n";
    }

    void csvLines()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(double, measured);
        QFETCH(QString, lines);
        const SweepPlan plan = planOf(field, value, value);
        SweepRow row;
        row.index = plan.fromIndex;
        row.time = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 45)).toMSecsSinceEpoch();
        row.volts = {3.7, measured, 3.3, 1.2};
        row.status = 0x1f;
        QCOMPARE(sweepCsvHeader(plan.field) + sweepCsvLine(plan.field, row), lines);
    }

    void onTheSimulatedBoard_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("upAndDown");
        QTest::addColumn<int>("batteryMv");
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("risingTrip");  // the board's, 0 for none
        QTest::addColumn<double>("fallingTrip");
        QTest::newRow("Buck1 1.100V to 1.500V") << "Buck1 Output voltage" << "1.100V" << "1.500V" << false << 3700 << 9
                                                << 0.0 << 0.0;
        // Part 1's comparator, 3 mV off, with 100 mV of hysteresis, at a
        // battery of 3.300 V: it clears as the threshold goes up past
        // 3.300 + 0.100 - 0.003 V and sets again as it comes down below
        // 3.300 - 0.003 V.
        QTest::newRow("Comparator 3.111V to 3.524V and back")
                << "Comparator Threshold voltage" << "3.111V" << "3.524V" << true << 3300 << 27 << 3.397 << 3.297;
    }

    // Part 1, whose errors the README gives: each converter within 1.5 % of
    // the value set, plus 3 mV of noise and half an ADC count.
    void onTheSimulatedBoard()
    {
        QFETCH(QString, field);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, upAndDown);
        QFETCH(int, batteryMv);
        QFETCH(int, rows);
        QFETCH(double, risingTrip);
        QFETCH(double, fallingTrip);
        SimulatedBoard sim(QStringLiteral(SIM_DIR));
        QVERIFY2(sim.isReady(), qPrintable(sim.failure()));
        sim.resetPart(1);
        sim.setBatteryMv(batteryMv);
        DeviceLink link(sim.library);
        QVERIFY(link.openBoard());
        RegisterMirror mirror{};
        SweepPlan plan = planOf(field, from, to, upAndDown);
        for (int address = 0; address < registerMirrorSize; ++address)
            mirror[address] = quint8(link.register_read(address, Activity::ReadBack));
        plan.settleMs = 0;
        SweepRun run(plan, link, mirror);
        runSweep(run, [](int) { return true; });
        QCOMPARE(run.rows().size(), rows);
        for (const SweepRow &row : run.rows()) {
            if (plan.field.probe < 0)
                break;
            const double setMv = *plan.field.volts(row.index) * 1000.0;
            const double readMv = row.volts[std::size_t(plan.field.probe)] * 1000.0;
            QVERIFY2(std::abs(readMv - setMv) <= setMv * 0.015 + 3.0 + 2.4, qPrintable(sweepCsvLine(plan.field, row)));
        }
        const TripPoints trips = tripPoints(plan.field, run.rows());
        QCOMPARE(trips.rising.has_value(), risingTrip > 0);
        QCOMPARE(trips.falling.has_value(), fallingTrip > 0);
        constexpr double thresholdStep = 0.03175;
        QVERIFY(!trips.rising || std::abs(*trips.rising - risingTrip) <= thresholdStep);
        QVERIFY(!trips.falling || std::abs(*trips.falling - fallingTrip) <= thresholdStep);
        if (risingTrip > 0)
            QCOMPARE(tripText(trips), QStringLiteral("trips at 3.40 V rising, 3.27 V falling"));
    }
};

QTEST_GUILESS_MAIN(TestSweep)
#include "tst_sweep.moc"
