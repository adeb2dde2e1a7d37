// SPDX-License-Identifier: GPL-3.0-or-later
#include "registercommands.h"

#include "device/devicelink.h"
#include "fakecontroller.h"
#include "history/probehistory.h"
#include "history/proberecording.h"
#include "regmap/registermapmodel.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <functional>
#include <memory>

using CallFilter = std::function<bool(const FakeController::Call &)>;
Q_DECLARE_METATYPE(CallFilter)
Q_DECLARE_METATYPE(Invocation)

namespace {

Invocation command(Invocation::Command which, int address = 0, int data = 0)
{
    Invocation invocation;
    invocation.command = which;
    invocation.address = address;
    invocation.data = data;
    return invocation;
}

// Output that takes a number of writes and then fails every one, like a
// disk that fills up.
class FillingOutput : public QIODevice
{
public:
    explicit FillingOutput(int writesTaken) : m_writesLeft(writesTaken)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    QByteArray taken;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_writesLeft-- > 0) {
            taken.append(data, size);
            return size;
        }
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }

private:
    int m_writesLeft;
};

CallFilter callTo(const QString &name, int argument = -1, int index = 1)
{
    return [=](const FakeController::Call &call) {
        return call.name == name && (argument < 0 || call.args.value(index) == argument);
    };
}

} // namespace

// The commands over the recording fake board: exact board traffic, and the
// failures a real board only shows by chance.
class TestRegisterCommands : public QObject
{
    Q_OBJECT

private:
    FakeController board;
    std::unique_ptr<DeviceLink> link;
    QString outText;
    QString errText;
    QTemporaryDir dir;

    int run(const Invocation &invocation)
    {
        QTextStream out(&outText);
        return run(invocation, out);
    }

    int run(const Invocation &invocation, QTextStream &out)
    {
        QTextStream err(&errText);
        RegisterCommands commands(*link, QStringLiteral("no board answers (test)"), out, err);
        return commands.run(invocation);
    }

    QString file(const QByteArray &content)
    {
        const QString path = dir.filePath(QStringLiteral("test.qrx"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    Invocation fileCommand(Invocation::Command which, const QByteArray &content)
    {
        Invocation invocation = command(which);
        invocation.fileName = QFile::encodeName(file(content));
        return invocation;
    }

private slots:
    void init()
    {
        board = FakeController{};
        link = std::make_unique<DeviceLink>(board);
        outText.clear();
        errText.clear();
    }

    void opensOnceWithTheDesktopSequence()
    {
        FakeController reference;
        DeviceLink(reference).openBoard();
        board.registers[0x07] = 0x0e;
        QCOMPARE(run(command(Invocation::Command::Read, 0x07)), exitSuccess);
        QCOMPARE(outText, QStringLiteral("0x0e\n"));
        QStringList expected = reference.callTexts();
        expected << QStringLiteral("spi_read(7,7,0)");
        QCOMPARE(board.callTexts(), expected);
    }

    void noBoardIsOneOpenAttempt()
    {
        board.present = false;
        QCOMPARE(run(command(Invocation::Command::Dump)), exitBoardFailure);
        QCOMPARE(board.callTexts(), QStringList{"usb_hid_init()"});
        QCOMPARE(errText, QStringLiteral("zq40613-reg: no board answers (test)\n"));
        QVERIFY(outText.isEmpty());
    }

    void failureMidwayPrintsNothing_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<CallFilter>("failing");
        QTest::addColumn<QString>("error");
        using C = Invocation::Command;
        QTest::newRow("dump, sixth read") << int(C::Dump) << callTo("spi_read", 5)
                                          << "reading register 0x05 failed: the board does not answer";
        QTest::newRow("read") << int(C::Read) << callTo("spi_read")
                              << "reading register 0x00 failed: the board does not answer";
        QTest::newRow("write") << int(C::Write) << callTo("spi_write")
                               << "writing register 0x00 failed: the board does not answer";
        QTest::newRow("pins, second pin") << int(C::Pins) << callTo("read_pin", 3, 1)
                                          << "reading PWR_UP MODE failed: the board does not answer";
        QTest::newRow("probes, BUCK2") << int(C::Probes) << callTo("measure", 4)
                                       << "reading BUCK2 failed: the board does not answer";
    }

    void failureMidwayPrintsNothing()
    {
        QFETCH(int, which);
        QFETCH(CallFilter, failing);
        QFETCH(QString, error);
        board.failWhen = failing;
        QCOMPARE(run(command(Invocation::Command(which))), exitBoardFailure);
        QVERIFY2(outText.isEmpty(), qPrintable(outText));
        QCOMPARE(errText, "zq40613-reg: " + error + "\n");
    }

    void outputThatCannotBeWrittenFails_data()
    {
        QTest::addColumn<Invocation>("invocation");
        QTest::addColumn<int>("writesTaken");
        QTest::addColumn<int>("registerReads");
        using C = Invocation::Command;
        QTest::newRow("read") << command(C::Read, 0x07) << 0 << 1;
        QTest::newRow("dump") << command(C::Dump) << 0 << 16;
        Invocation watch = command(C::Probes);
        watch.watchIntervalMs = 100;
        // Each sample reads the status register once.
        QTest::newRow("watch, header") << watch << 0 << 0;
        QTest::newRow("watch, first sample") << watch << 1 << 1;
    }

    void outputThatCannotBeWrittenFails()
    {
        QFETCH(Invocation, invocation);
        QFETCH(int, writesTaken);
        QFETCH(int, registerReads);
        FillingOutput device(writesTaken);
        QTextStream out(&device);
        QCOMPARE(run(invocation, out), exitBoardFailure);
        QCOMPARE(errText, QStringLiteral("zq40613-reg: cannot write output: No space left on device\n"));
        FakeController opened;
        DeviceLink(opened).openBoard();
        QCOMPARE(board.callsNamed("spi_read").size() - opened.callsNamed("spi_read").size(),
                 registerReads);
    }

    // The probe history window saves the same bytes for the same samples.
    void watchWritesWhatTheProbeHistorySaves()
    {
        board.adcCount = 512;
        board.registers[0x0d] = 0x1b;
        int conversions = 0;
        // Two conversions a probe; the second sample finds the board gone.
        board.failWhen = [&conversions](const FakeController::Call &call) {
            return call.name == "measure" && ++conversions > 8;
        };
        Invocation watch = command(Invocation::Command::Probes);
        watch.watchIntervalMs = 100;
        QCOMPARE(run(watch), exitBoardFailure);
        const QStringList lines = outText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);

        ProbeSample sample;
        sample.time = QDateTime::fromString(lines.at(1).section(QLatin1Char(','), 0, 0), Qt::ISODateWithMs)
                              .toMSecsSinceEpoch();
        sample.volts = {3.416, 2.44, 2.44, 1.22};
        sample.status = 0x1b;
        ProbeHistory history;
        history.append(sample);
        QBuffer saved;
        saved.open(QIODevice::WriteOnly);
        QVERIFY(history.writeCsv(saved));
        QCOMPARE(outText.toLatin1(), saved.data());
    }

    // Keeping going, a board lost before the first sample writes nothing; lost in the second, for two reads,
    // it is one gap line; the watch goes on until its output fails: the bytes the recording writes for them.
    void keepGoingWritesWhatTheRecordingWrites()
    {
        board.registers[0x0d] = 0x1b;
        int conversions = 0;
        board.failWhen = [&conversions](const FakeController::Call &call) {
            // The second call of each conversion decides.
            return call.name == "measure" && QList<int>{2, 12, 14}.contains(++conversions);
        };
        Invocation watch = command(Invocation::Command::Probes);
        watch.watchIntervalMs = 100;
        watch.keepGoing = true;
        FillingOutput output(4);
        QTextStream out(&output);
        QCOMPARE(run(watch, out), exitBoardFailure);
        QCOMPARE(board.callsNamed("usb_hid_init").size(), 4);
        QCOMPARE(errText, QStringLiteral("zq40613-reg: reading BATT failed: the board does not answer\n").repeated(3)
                                  + "zq40613-reg: cannot write output: No space left on device\n");

        QTemporaryDir dir;
        ProbeHistory history;
        ProbeRecording recording;
        connect(&history, &ProbeHistory::sampleTaken, &recording, &ProbeRecording::record);
        connect(&history, &ProbeHistory::lossSeen, &recording, &ProbeRecording::recordGap);
        QVERIFY(recording.start(dir.filePath(QStringLiteral("run.csv"))));
        for (const QByteArray &line : output.taken.split('\n').mid(1, 3)) {
            ProbeSample sample;
            sample.time = QDateTime::fromString(QString::fromLatin1(line.left(line.indexOf(','))),
                                                Qt::ISODateWithMs).toMSecsSinceEpoch();
            if (!line.endsWith(','))
                sample.volts = {3.416, 2.44, 2.44, 1.22};
            sample.status = 0x1b;
            history.append(sample);
        }
        recording.stop();
        QFile file(dir.filePath(QStringLiteral("run.csv")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), output.taken);
        QVERIFY(output.taken.contains(",,,,,\n"));
    }

    void writeVerifyComparesTheReadBack()
    {
        Invocation write = command(Invocation::Command::Write, 0x0d, 0x00);
        write.verifyWrite = true;
        // The chip keeps its own idea of the status register.
        board.failWhen = [this](const FakeController::Call &call) {
            if (call.name == "spi_read")
                board.registers[0x0d] = 0x1f;
            return false;
        };
        QCOMPARE(run(write), exitBoardFailure);
        QCOMPARE(errText, QStringLiteral("zq40613-reg: register 0x0d reads back 0x1f after writing 0x00\n"));
        QVERIFY(outText.isEmpty());
    }

    void loadWritesInFileOrderAndGoesOnAfterAFailedWrite()
    {
        board.failWhen = callTo("spi_write", 0x08);
        const int status = run(fileCommand(Invocation::Command::Load,
                                           "reg 0x07 0x12 w\nreg 0x0a 0x80\nsleep 1\n"
                                           "reg 0x08 0x22 w\nreg 0x07 0x13 W\n"));
        QCOMPARE(status, exitBoardFailure);
        QStringList writes;
        for (const FakeController::Call &call : board.callsNamed("spi_write"))
            writes << call.text();
        QCOMPARE(writes, QStringList({"spi_write(7,7,18,0)", "spi_write(7,8,34,0)", "spi_write(7,7,19,0)"}));
        QCOMPARE(errText, QStringLiteral("zq40613-reg: writing register 0x08 failed: the board does "
                                         "not answer (1 of the file's writes failed)\n"));
    }

    void badFileTouchesNoBoard_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error"); // %1: the file's name
        QTest::newRow("verify") << int(Invocation::Command::Verify) << QByteArray("\n\nsleep\n")
                                << "Syntax error in file %1, line 3.";
        QTest::newRow("verify, no register named") << int(Invocation::Command::Verify)
                                                   << QByteArray("# none\nsleep 5\n") << "%1 names no register";
    }

    void badFileTouchesNoBoard()
    {
        QFETCH(int, which);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        const Invocation invocation = fileCommand(Invocation::Command(which), content);
        QCOMPARE(run(invocation), exitBadUsage);
        QCOMPARE(errText, "zq40613-reg: " + error.arg(QFile::decodeName(invocation.fileName)) + "\n");
        QVERIFY(board.calls.isEmpty());
        QVERIFY(outText.isEmpty());
    }

    void loadStopsAtTheSyntaxError()
    {
        const Invocation invocation = fileCommand(Invocation::Command::Load,
                                                  "reg 0x07 0x12 w\n# ok\nreg 0x10 0x00 w\n"
                                                  "reg 0x08 0x22 w\n");
        QCOMPARE(run(invocation), exitBadUsage);
        QCOMPARE(errText, QStringLiteral("zq40613-reg: Syntax error in file %1, line 3.\n")
                                  .arg(QFile::decodeName(invocation.fileName)));
        QCOMPARE(board.callsNamed("spi_write").size(), 1);
        QCOMPARE(board.registers[0x07], 0x12);
        QVERIFY(outText.isEmpty());
    }

    void verifyReadsOnlyNamedRegisters()
    {
        board.registers[0x03] = 0x00;
        board.registers[0x04] = 0x00;
        board.registers[0x07] = 0x0e;
        board.registers[0x0a] = 0x83;
        // 0x00 and 0xff are the values an unnamed register could be confused
        // with; the delay is not waited, verify only reads.
        QElapsedTimer clock;
        clock.start();
        const int status = run(fileCommand(Invocation::Command::Verify,
                                           "reg 0x07 0x0e w\nreg 0x03 0x00\nreg 0x04 0xff\n"
                                           "sleep 60000\nreg 0x0A 0x83\nreg 0x07 0x13\n"));
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(status, exitBoardFailure);
        QCOMPARE(outText, QStringLiteral("register 0x04: file 0xff, chip 0x00\n"
                                         "register 0x07: file 0x13, chip 0x0e\n"));
        QVERIFY(errText.isEmpty());
        QStringList reads;
        for (const FakeController::Call &call : board.callsNamed("spi_read"))
            reads << QString::number(call.args.at(1), 16);
        QCOMPARE(reads, QStringList({"3", "4", "7", "a"}));
        QVERIFY(board.callsNamed("spi_write").isEmpty());
    }

    // The register map, given the same chip and file, marks the bits that
    // verify --bits names.
    void verifyBitsAgreesWithTheRegisterMap()
    {
        board.registers[0x07] = 0x0e;
        board.registers[0x0b] = 0x00;
        Invocation verify = fileCommand(Invocation::Command::Verify,
                                        "reg 0x07 0x13\nreg 0x0a 0x00\nreg 0x0b 0x81\n");
        verify.showBits = true;
        QCOMPARE(run(verify), exitBoardFailure);
        QCOMPARE(outText, QStringLiteral("register 0x07: file 0x13, chip 0x0e\n"
                                         "  bit 4  file 1  chip 0  Buck1 Voltage Code [4]\n"
                                         "  bit 3  file 0  chip 1  Buck1 Voltage Code [3]\n"
                                         "  bit 2  file 0  chip 1  Buck1 Voltage Code [2]\n"
                                         "  bit 0  file 1  chip 0  Buck1 Voltage Code [0]\n"
                                         "register 0x0b: file 0x81, chip 0x00\n"
                                         "  bit 7  file 1  chip 0  Comp Hyst\n"
                                         "  bit 0  file 1  chip 0  Comp Enable\n"));

        RegisterMirror chip{};
        std::copy_n(board.registers.begin(), chip.size(), chip.begin());
        RegisterMapModel map(chip, {});
        for (int address = 0; address < map.rowCount(); ++address)
            map.noteTransfer({Activity::ReadBack, false, address, chip[std::size_t(address)], true});
        map.showRefresh();
        QFile file(QFile::decodeName(verify.fileName));
        RegisterReference reference;
        int errorLine = 0;
        QVERIFY(file.open(QIODevice::ReadOnly) && readRegisterReference(file, errorLine, reference) > 0);
        map.setReference(reference);
        QString marked;
        for (int address = 0; address < map.rowCount(); ++address) {
            for (int column = RegisterMapModel::FirstBitColumn; column < RegisterMapModel::ReferenceColumn; ++column) {
                if (map.index(address, column).data(RegisterMapModel::MarkRole).toInt() & RegisterMapModel::DiffersMark)
                    marked += QStringLiteral("%1.%2 ").arg(address).arg(RegisterMapModel::bitOfColumn(column));
            }
        }
        QCOMPARE(marked, QStringLiteral("7.4 7.3 7.2 7.0 11.7 11.0 "));
        QCOMPARE(map.differenceSummary(QStringLiteral("f.qrx")), QStringLiteral("2 registers differ in 6 bits from f.qrx"));
    }
};

QTEST_GUILESS_MAIN(TestRegisterCommands)
#include "tst_clicommands.moc"
