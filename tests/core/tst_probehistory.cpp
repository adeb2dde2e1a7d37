// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probehistory.h"

#include <QBuffer>
#include <QDateTime>
#include <QTest>

#include <cmath>

namespace {

constexpr double gap = noReading;

// A sample at the given second whose probes read the given volts.
ProbeSample at(int second, std::array<double, probeCount> volts, quint8 status = 0x1f)
{
    ProbeSample sample;
    sample.time = second * 1000LL;
    sample.volts = volts;
    sample.status = status;
    return sample;
}

ProbeSample batt(int second, double volts)
{
    return at(second, {volts, 1.8, 3.3, 1.2});
}

// BATT's line as "second:volts" points, its stretches joined by " | ".
QString battLine(const ProbeTraces &traces)
{
    QStringList stretches;
    for (const QList<QPointF> &stretch : traces.lines[0]) {
        QStringList points;
        for (const QPointF &p : stretch)
            points << QStringLiteral("%1:%2").arg(p.x() / 1000).arg(p.y());
        stretches << points.join(QLatin1Char(' '));
    }
    return stretches.join(QStringLiteral(" | "));
}

} // namespace

class TestProbeHistory : public QObject
{
    Q_OBJECT

private slots:
    void linesOfAView_data()
    {
        QTest::addColumn<QList<ProbeSample>>("samples");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("line");

        QList<ProbeSample> ramp;
        for (int s = 0; s < 10; ++s)
            ramp << batt(s, s);
        QTest::newRow("the view and the sample before it") << ramp << 3 << 6 << "2:2 3:3 4:4 5:5 6:6";
        QTest::newRow("a view before every sample") << ramp << -9 << -1 << "";
        QTest::newRow("a failed conversion breaks the line")
                << QList<ProbeSample>{batt(1, 1), batt(2, 2), batt(3, gap), batt(4, 4)} << 0 << 9
                << "1:1 2:2 | 4:4";
        QTest::newRow("the board gone between two samples")
                << QList<ProbeSample>{batt(1, 1), batt(2, 2), at(3, {gap, gap, gap, gap}), batt(4, 4)}
                << 0 << 9 << "1:1 2:2 | 4:4";
    }

    void linesOfAView()
    {
        QFETCH(QList<ProbeSample>, samples);
        QFETCH(int, from);
        QFETCH(int, to);
        ProbeHistory history;
        for (const ProbeSample &sample : samples)
            history.append(sample);
        QTEST(battLine(probeTraces(history, from * 1000LL, to * 1000LL, 100)), "line");
    }

    void noBoardAddsNoSample()
    {
        ProbeHistory history;
        history.append(batt(1, 3.7));
        history.append(at(2, {gap, gap, gap, gap}));
        QCOMPARE(history.size(), 1);
        history.append(at(3, {gap, 1.8, gap, gap}));
        QCOMPARE(history.size(), 2);
        QVERIFY(std::isnan(history.at(1).volts[0]));
        QVERIFY(history.at(1).afterGap);
    }

    // A long view draws fewer points than it has samples, yet keeps a one
    // sample spike and draws a step as an upright edge.
    void decimationKeepsSpikesAndSteps()
    {
        ProbeHistory history;
        for (int s = 0; s < 1000; ++s)
            history.append(batt(s, s == 333 ? 4.0 : s < 700 ? 1.0 : 2.0));
        const ProbeTraces traces = probeTraces(history, 0, 999'000, 10);
        const QString line = battLine(traces);
        QVERIFY2(traces.lines[0].first().size() <= 2 * 12, qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("333:4")), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("699:1 700:2")), qPrintable(line));
        QCOMPARE(traces.highestVolts, 4.0);
    }

    void capDropsTheOldest()
    {
        ProbeHistory history;
        for (int s = 0; s < 86'400 + 2; ++s)
            history.append(batt(s, 3.7));
        QCOMPARE(history.size(), 86'400);
        QCOMPARE(history.at(0).time, 2'000LL);
        QCOMPARE(history.at(history.size() - 1).time, 86'401'000LL);
    }

    void csvIsTheCommandLineFormat()
    {
        const qint64 time = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 45)).toMSecsSinceEpoch();
        ProbeHistory history;
        ProbeSample first = at(0, {3.7, 1.8, gap, 1.2}, 0x1b);
        first.time = time;
        ProbeSample second = at(0, {3.4159, 0.0, 3.3, 1.196}, 0x00);
        second.time = time + 1'000;
        history.append(first);
        history.append(second);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(history.writeCsv(out));
        QCOMPARE(out.data(), QByteArray("time,BATT,BUCK1,BUCK2,BUCK3,0x0d\n"
                                        "2024-03-05T14:07:09.045,3.70,1.80,,1.20,0x1b\n"
                                        "2024-03-05T14:07:10.045,3.42,0.00,3.30,1.20,0x00\n"));
    }
};

QTEST_GUILESS_MAIN(TestProbeHistory)
#include "tst_probehistory.moc"
