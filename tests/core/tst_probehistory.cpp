// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/probecsv.h"
#include "common/runclock.h"
#include "history/limitwatch.h"
#include "history/probehistory.h"
#include "history/proberecording.h"
#include "history/timeticks.h"

#include <QBuffer>
#include <QDateTime>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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
        QTest::newRow("one sample per time, a new reading 1 ms on")
                << QList<ProbeSample>{batt(1, 1), batt(1, 1), batt(1, 3), batt(2, 2)} << 0 << 9 << "1:1 1.001:3 2:2";
        // Samples 32 to 47 make one block of the first level.
        QList<ProbeSample> gapInABlock;
        for (int s = 0; s < 100; ++s)
            gapInABlock << (s == 40 ? at(s, {gap, gap, gap, gap}) : batt(s, 1));
        QTest::newRow("a gap inside a block of a long view")
                << gapInABlock << 0 << 99 << "0:1 1:1 39:1 | 41:1 64:1 65:1 98:1 99:1";
    }

    void linesOfAView()
    {
        QFETCH(QList<ProbeSample>, samples);
        QFETCH(int, from);
        QFETCH(int, to);
        ProbeHistory history;
        for (const ProbeSample &sample : samples)
            history.append(sample);
        // Room for two buckets in a long view, for every sample in a short one.
        QTEST(battLine(probeTraces(history, from * 1000LL, to * 1000LL, samples.size() > 50 ? 2 : 100)), "line");
    }

    void noBoardAddsNoSample()
    {
        ProbeHistory history;
        QSignalSpy losses(&history, &ProbeHistory::lossSeen);
        history.append(at(0, {gap, gap, gap, gap}));
        history.append(batt(1, 3.7));
        history.append(at(2, {gap, gap, gap, gap}));
        history.append(at(3, {gap, gap, gap, gap}));
        QCOMPARE(history.size(), 1);
        history.append(at(4, {gap, 1.8, gap, gap}));
        QCOMPARE(history.size(), 2);
        QVERIFY(std::isnan(history.at(1).volts[0]));
        QVERIFY(history.at(1).afterGap);
        history.clear();
        history.append(at(5, {gap, gap, gap, gap}));
        // One loss each time the board went, seen at its first empty refresh.
        QCOMPARE(losses, (QList<QVariantList>{{2'000LL}, {5'000LL}}));
    }

    // The run's time goes on from its start by the monotonic clock alone.
    void runClockCountsFromTheStart()
    {
        const RunClock clock(1'000'000);
        QThread::msleep(20);
        QVERIFY2(clock.now() >= 1'000'020 && clock.now() < 1'010'000, qPrintable(QString::number(clock.now())));
    }

    // Four buckets over a view that makes the drawing read each level: BATT
    // at 1 V with a one-sample spike to 4 V at 30 % and a step to 2 V at 60 %.
    void everyLevelKeepsSpikesAndSteps_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("level");
        QTest::newRow("samples") << 40 << 0;
        QTest::newRow("level 1") << 500 << 1;
        QTest::newRow("level 2") << 5'000 << 2;
        QTest::newRow("level 3, a full day") << 86'400 << 3;
        QTest::newRow("level 3, the oldest dropped") << 100'000 << 3;
    }

    void everyLevelKeepsSpikesAndSteps()
    {
        QFETCH(int, samples);
        const int held = std::min(samples, ProbeHistory::capacity);
        const int oldest = samples - held;
        const int spike = oldest + held * 3 / 10;
        const int step = oldest + held * 6 / 10;
        ProbeHistory history;
        for (int s = 0; s < samples; ++s)
            history.append(batt(s, s == spike ? 4.0 : s < step ? 1.0 : 2.0));
        const ProbeTraces traces = probeTraces(history, oldest * 1000LL, (samples - 1) * 1000LL, 4);
        QTEST(traces.level, "level");
        // About as many values as four 16-pixel buckets have pixels, whatever
        // the samples held.
        QVERIFY2(traces.valuesRead <= 4 * 16 + 2 * 16 * traces.level + 2, qPrintable(QString::number(traces.valuesRead)));

        const QString line = battLine(traces);
        QCOMPARE(traces.lines[0].size(), 1);
        const QList<QPointF> &points = traces.lines[0].first();
        QCOMPARE(points.first(), QPointF(oldest * 1000.0, 1.0));
        QCOMPARE(points.last(), QPointF((samples - 1) * 1000.0, 2.0));
        QVERIFY2(line.contains(QStringLiteral("%1:4").arg(spike)), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("%1:1 %2:2").arg(step - 1).arg(step)), qPrintable(line));
        for (int i = 1; i < points.size(); ++i)
            QVERIFY2(points[i - 1].x() <= points[i].x(), qPrintable(line));
    }

    void statisticsOverASpan_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("batt"); // min max mean count

        QTest::newRow("everything") << -5 << 20'000 << "1.00 1.90 1.450 9999";
        QTest::newRow("ten across a block's edge") << 251 << 260 << "1.00 1.90 1.450 10";
        QTest::newRow("both ends included") << 3 << 4 << "1.30 1.40 1.350 2";
        QTest::newRow("a failed conversion left out") << 998 << 1001 << "1.10 1.90 1.600 3";
        QTest::newRow("no sample") << 20'001 << 30'000 << "nan nan nan 0";
    }

    // BATT steps 1.0, 1.1 ... 1.9 and over again, one sample a second,
    // failing to convert at second 1000.
    void statisticsOverASpan()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        ProbeHistory history;
        for (int s = 0; s < 10'000; ++s)
            history.append(batt(s, s == 1000 ? gap : 1.0 + s % 10 * 0.1));
        const ProbeStatistics batt = probeStatistics(history, from * 1000LL, to * 1000LL)[0];
        QTEST(QStringLiteral("%1 %2 %3 %4").arg(batt.min, 0, 'f', 2).arg(batt.max, 0, 'f', 2)
                      .arg(batt.mean, 0, 'f', 3).arg(batt.count),
              "batt");
    }

    void limitEvents()
    {
        LimitWatch watch;
        ProbeLimits limits;
        limits[0] = {3.0, 3.4};
        limits[1].high = 1.9;
        watch.setLimits(limits);
        const qint64 start = QDateTime(QDate(2024, 3, 5), QTime(14, 3, 5)).toMSecsSinceEpoch();
        QStringList texts;
        int second = 0;
        // 2.996 shows as 3.00, and 3.00 V is within a low limit of 3.00 V.
        // -1: the limits cleared while BATT is below them, at 2.5 V.
        for (double volts : {3.2, 2.98, 2.97, 2.996, 3.45, gap, 2.5, 3.4, 2.5, -1.0}) {
            if (volts < 0)
                watch.setLimits({});
            ProbeSample sample = batt(0, volts < 0 ? 2.5 : volts);
            sample.time = start + 1000 * second++;
            for (const LimitEvent &event : watch.check(sample))
                texts << event.text();
        }
        QCOMPARE(texts, (QStringList{"14:03:06 BATT 2.98 V below 3.00 V", "14:03:08 BATT back within limits",
                                     "14:03:09 BATT 3.45 V above 3.40 V", "14:03:11 BATT 2.50 V below 3.00 V",
                                     "14:03:12 BATT back within limits", "14:03:13 BATT 2.50 V below 3.00 V",
                                     "14:03:14 BATT back within limits"}));
        QCOMPARE(int(watch.events().size()), texts.size());
    }

    void ticksOnRoundTimes_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("labels");
        QTest::newRow("a minute: every 10 s") << 1 << "14:03:10 14:03:20 14:03:30 14:03:40 14:03:50 14:04:00";
        QTest::newRow("5 minutes: every minute") << 5 << "14:04 14:05 14:06 14:07 14:08";
        QTest::newRow("10 minutes: every 2 min") << 10 << "14:04 14:06 14:08 14:10 14:12";
        QTest::newRow("an hour: every 10 min") << 60 << "14:10 14:20 14:30 14:40 14:50 15:00";
        QTest::newRow("a day: every 6 h") << 24 * 60 << "18:00 00:00 06:00 12:00";
    }

    // Local 14:03:07 onwards, with room for eight labels; and from the
    // first of those ticks on, which is a tick itself.
    void ticksOnRoundTimes()
    {
        QFETCH(int, minutes);
        const qint64 from = QDateTime(QDate(2024, 3, 5), QTime(14, 3, 7)).toMSecsSinceEpoch();
        const TimeTicks ticks = timeTicks(from, from + minutes * 60'000LL, 8, utcOffsetAt(from));
        QStringList labels;
        for (qint64 time : ticks.times)
            labels << timeTickLabel(time, ticks.step);
        QTEST(labels.join(' '), "labels");
        const qint64 onTick = ticks.times.first();
        QCOMPARE(timeTicks(onTick, onTick + minutes * 60'000LL, 8, utcOffsetAt(from)).times.first(), onTick);
    }

    // Each file holds the header and at most rowsPerFile lines: by default
    // 1,048,575, the rows a spreadsheet takes less the header.
    void recordingGoesOnInTheNextFile()
    {
        QCOMPARE(ProbeRecording::spreadsheetRows, 1'048'576 - 1);
        QTemporaryDir dir;
        ProbeRecording recording(2);
        QVERIFY(recording.start(dir.filePath(QStringLiteral("a.b.csv"))));
        for (int row = 0; row < 5; ++row)
            recording.recordGap(row);
        QCOMPARE(recording.fileName(), dir.filePath(QStringLiteral("a.b-3.csv")));
        recording.stop();
        QStringList lines;
        for (const QString name : {"a.b.csv", "a.b-2.csv", "a.b-3.csv"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readLine().startsWith("time,"));
            lines << QString::number(file.readAll().count('\n'));
        }
        QCOMPARE(lines, (QStringList{"2", "2", "1"}));
        QCOMPARE(ProbeRecording::partName(QStringLiteral("run"), 3), QStringLiteral("run-3"));
    }

    // A program killed while recording leaves every sample it took as a
    // whole line.
    void killedRecordingKeepsEverySampleTaken()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("run.csv"));
        QProcess peer;
        peer.start(QStringLiteral(RECORDING_PEER), {path});
        QVERIFY(peer.waitForStarted());
        QByteArray taken;
        while (taken.count('\n') < 300 && peer.waitForReadyRead(5000))
            taken += peer.readAllStandardOutput();
        peer.kill();
        QVERIFY(peer.waitForFinished());
        taken += peer.readAllStandardOutput();
        // Standard output is text on Windows, with CR LF line ends.
        taken.replace("\r\n", "\n");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray recorded = file.readAll();
        QVERIFY(recorded.startsWith(probeCsvHeader().toLatin1() + taken));
        QVERIFY(taken.count('\n') >= 300);
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
