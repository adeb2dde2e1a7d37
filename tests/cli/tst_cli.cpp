// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/registermirror.h"
#include "regfile/registerfile.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#endif

namespace {

constexpr int processTimeoutMs = 15000;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A process's output with LF line ends: the standard streams of a Windows
// program are text, with CR LF.
QString outputText(QByteArray output)
{
    return QString::fromLocal8Bit(output.replace("\r\n", "\n"));
}

Run finish(QProcess &process)
{
    Run run;
    if (!process.waitForFinished(processTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = outputText(process.readAllStandardOutput());
    run.err = outputText(process.readAllStandardError());
    return run;
}

// The first lines a running process prints, as they come (each flushed on
// its own), or fewer when it takes too long.
QStringList readLines(QProcess &process, int count)
{
    QStringList lines;
    QElapsedTimer clock;
    clock.start();
    while (lines.size() < count && clock.elapsed() < processTimeoutMs) {
        if (process.canReadLine())
            lines << outputText(process.readLine()).chopped(1);
        else
            process.waitForReadyRead(100);
    }
    return lines;
}

#ifdef Q_OS_WIN
BOOL WINAPI letPass(DWORD)
{
    return TRUE;
}
#endif

// Ctrl+C to a running program, as a user at its console presses it.
bool interrupt(const QProcess &process)
{
#ifdef Q_OS_WIN
    // The event reaches every program of a console: this one joins the
    // program's console to send it, and lets it pass by a handler of its
    // own, which, unlike ignoring Ctrl+C, programs it starts do not inherit.
    ::SetConsoleCtrlHandler(letPass, TRUE);
    ::FreeConsole();
    const bool sent = ::AttachConsole(DWORD(process.processId())) && ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    ::FreeConsole();
    return sent;
#else
    return ::kill(pid_t(process.processId()), SIGINT) == 0;
#endif
}

QString usageError(const QString &message)
{
    return "zq40613-reg: " + message + "\nTry 'zq40613-reg --help' for more information.\n";
}

} // namespace

// zq40613-reg run as a process against the simulated board it finds beside
// itself, each test on a board of its own (a fresh state file).
class TestCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString statePath;

    QProcessEnvironment boardEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZQ40613_SIM_STATE"), statePath);
        return environment;
    }

    void start(QProcess &process, const QStringList &arguments,
               const QString &program = QStringLiteral(REG_PROGRAM)) const
    {
        process.setProcessEnvironment(boardEnvironment());
        process.start(program, arguments);
    }

    Run reg(const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcess process;
        start(process, arguments);
        process.write(input);
        process.closeWriteChannel();
        return finish(process);
    }

    // Sets the scene or looks at the board from a third process.
    QStringList peer(const QStringList &steps) const
    {
        QProcess process;
        process.setProcessEnvironment(boardEnvironment());
        process.start(QStringLiteral(SIM_PEER), steps);
        const Run run = finish(process);
        if (run.exitCode != 0)
            qWarning("simboardpeer %s: %d %s", qPrintable(steps.join(' ')), run.exitCode,
                     qPrintable(run.err));
        return run.out.split('\n', Qt::SkipEmptyParts);
    }

    int peerRead(int address) const
    {
        const QStringList lines = peer({"read", QString::number(address)});
        return lines.size() == 1 ? lines.first().toInt() : -1;
    }

    QString writeFile(const QString &name, const QByteArray &content) const
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static void expectSuccess(const Run &run, const QString &out)
    {
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, out);
    }

    static void expectFailure(const Run &run, int exitCode, const QString &err)
    {
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
        QCOMPARE(run.err, err);
    }

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        statePath = dir.filePath(QStringLiteral("%1.state").arg(QTest::currentTestFunction()));
        QFile::remove(statePath);
        // The ideal part and a fixed battery: the probes read what the
        // registers ask for, and the comparator's status bit holds still.
        peer({"part", "0", "battery", "3700"});
    }

    void helpAndVersion()
    {
        const Run help = reg({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: zq40613-reg COMMAND [ARGUMENTS] [OPTIONS]\n"));
        QVERIFY(help.err.isEmpty());
        expectSuccess(reg({"--version"}), "zq40613-reg (ZQ40613 Evaluation kit) Version 0.0.2\n");
    }

    void writeInOneProcessReadInAnother()
    {
        expectSuccess(reg({"write", "07", "0x18"}), QString());
        expectSuccess(reg({"read", "0n7"}), "0x18\n");
        QCOMPARE(peerRead(0x07), 0x18);
        peer({"write", "11", "129"});
        expectSuccess(reg({"read", "0b"}), "0x81\n");
    }

    void readBits()
    {
        expectSuccess(reg({"read", "0x0b", "--bits"}),
                      "0xd1\n"
                      "bit 7  1  Comp Hyst\n"
                      "bit 6  1  Comp Thres[5]\n"
                      "bit 5  0  Comp Thres[4]\n"
                      "bit 4  1  Comp Thres[3]\n"
                      "bit 3  0  Comp Thres[2]\n"
                      "bit 2  0  Comp Thres[1]\n"
                      "bit 1  0  Comp Thres[0]\n"
                      "bit 0  1  Comp Enable\n");
    }

    void writeVerify()
    {
        expectSuccess(reg({"write", "0a", "81", "--verify"}), QString());
        QCOMPARE(peerRead(0x0a), 0x81);
        // The status register ignores writes.
        expectFailure(reg({"write", "0d", "0", "--verify"}), 1,
                      "zq40613-reg: register 0x0d reads back 0x1d after writing 0x00\n");
    }

    void dumpReadsBackAsTheSameRegisters()
    {
        peer({"write", "7", "42", "write", "15", "165", "write", "0", "125"});
        const Run dump = reg({"dump"});
        QCOMPARE(dump.exitCode, 0);
        QVERIFY(dump.out.startsWith("# ZQ40613 Evaluation kit register file\n# Version 0.0.2\n# Created "));

        QByteArray text = dump.out.toLatin1();
        QBuffer file(&text);
        QVERIFY(file.open(QIODevice::ReadOnly));
        RegisterMirror parsed{};
        int errorLine = 0;
        QList<int> written;
        QCOMPARE(parse_reg_file(file, errorLine, parsed.data(), registerMirrorSize,
                                [&](int address, int) { written << address; }),
                 27);
        QCOMPARE(written.size(), registerMirrorSize);
        for (int address = 0; address < registerMirrorSize; ++address)
            QCOMPARE(int(parsed[std::size_t(address)]), peerRead(address));
        QCOMPARE(int(parsed[0x07]), 42);
        QCOMPARE(int(parsed[0x0f]), 165);
    }

    void loadAppliesTheFileWithItsDelays()
    {
        const QString path = writeFile("set.qrx", "# Buck1 off, set, on again\n"
                                                  "reg 0x0a 0x81 w\n"
                                                  "reg 0x07 0x12 w\n"
                                                  "sleep 300\n"
                                                  "reg 0x08 0x20\n"
                                                  "  reg 0x0A 0x83 W\n");
        QElapsedTimer clock;
        clock.start();
        expectSuccess(reg({"load", path}), QString());
        QVERIFY(clock.elapsed() >= 300);
        QCOMPARE(peerRead(0x07), 0x12);
        QCOMPARE(peerRead(0x08), 0x2c);   // stored only, never written
        QCOMPARE(peerRead(0x0a), 0x83);
    }

    void interruptStopsTheLoad()
    {
        const QString path = writeFile("power.qrx", "reg 0x07 0x12 w\nsleep 3000\nreg 0x08 0x1A w\n");
        QProcess load;
        start(load, {"load", path});
        QElapsedTimer clock;
        clock.start();
        while (peerRead(0x07) != 0x12 && clock.elapsed() < processTimeoutMs)
            QTest::qWait(20);
        QVERIFY(interrupt(load));
        expectFailure(finish(load), 130, "zq40613-reg: load interrupted at line 2\n");
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(peerRead(0x08), 0x2c);
    }

    // Ctrl+C ends a sweep before its next step, the field back at its value
    // from before; the lines taken stay printed.
    void interruptStopsTheSweep()
    {
        QProcess sweep;
        start(sweep, {"sweep", "Buck1 Output voltage", "1.1", "1.5", "--settle", "400"});
        const QStringList lines = readLines(sweep, 2);
        QVERIFY(interrupt(sweep));
        const Run run = finish(sweep);
        QCOMPARE(run.exitCode, 130);
        QCOMPARE(run.err, "zq40613-reg: sweep interrupted at step 2 of 9; Buck1 Output voltage restored\n");
        QCOMPARE(lines.value(0), "time,set,BATT,BUCK1,BUCK2,BUCK3,0x0d,BUCK1 error mV,BUCK1 error %");
        QVERIFY2(lines.value(1).endsWith(",1.100,3.703,1.101,3.298,1.201,0x1f,0.9,0.08"), qPrintable(lines.value(1)));
        QCOMPARE(run.out, QString());
        QCOMPARE(peerRead(0x07), 0x0e);
    }

    void loadFromStandardInput()
    {
        const Run run = reg({"load", "-"}, "reg 0x07 0x15 w\n");
        expectSuccess(run, QString());
        QCOMPARE(peerRead(0x07), 0x15);
    }

    void syntaxErrorStopsTheFile()
    {
        const QString path = writeFile("bad.qrx", "reg 0x07 0x20 w\n\nreg 0x07 0x12 #keep\n");
        const QString message = "zq40613-reg: Syntax error in file " + path + ", line 3.\n";
        // Verify only reads: nothing happens before the error is found.
        expectFailure(reg({"verify", path}), 2, message);
        QCOMPARE(peerRead(0x07), 0x0e);
        // Load applies the lines before the error, as the desktop program does.
        expectFailure(reg({"load", path}), 2, message);
        QCOMPARE(peerRead(0x07), 0x20);
    }

    void verifyListsWhatDiffers()
    {
        const Run dump = reg({"dump"});
        QCOMPARE(dump.exitCode, 0);
        const QString saved = writeFile("saved.qrx", dump.out.toLatin1());
        expectSuccess(reg({"verify", saved}), QString());

        peer({"write", "7", "32", "write", "10", "129"});
        const Run changed = reg({"verify", saved});
        QCOMPARE(changed.exitCode, 1);
        // Buck1 off also clears its OK bit in the status register.
        QCOMPARE(changed.out, QStringLiteral("register 0x07: file 0x0e, chip 0x20\n"
                                             "register 0x0a: file 0x83, chip 0x81\n"
                                             "register 0x0d: file 0x1f, chip 0x1d\n"));
        QVERIFY(changed.err.isEmpty());

        const QString partial = writeFile("partial.qrx", "reg 0x07 0x0e\nreg 0x07 0x20\n");
        expectSuccess(reg({"verify", partial}), QString());
    }

    void pinsAndProbes()
    {
        expectSuccess(reg({"pins"}), "IRQ          1\nPWR_UP MODE  1\n");
        expectSuccess(reg({"probes"}), "BATT   3.70\nBUCK1  1.80\nBUCK2  3.30\nBUCK3  1.20\n");
        expectSuccess(reg({"write", "0a", "0x80"}), QString());
        expectSuccess(reg({"write", "0c", "0x02"}), QString());
        // Buck1's OK bit is enabled as an interrupt and now clear: IRQ, active
        // low, stays high; with Buck1 back on it is asserted.
        expectSuccess(reg({"probes"}), "BATT   3.70\nBUCK1  0.00\nBUCK2  0.00\nBUCK3  1.20\n");
        expectSuccess(reg({"pins"}), "IRQ          1\nPWR_UP MODE  1\n");
        expectSuccess(reg({"write", "0a", "0x82"}), QString());
        expectSuccess(reg({"pins"}), "IRQ          0\nPWR_UP MODE  1\n");
    }

    void watchPrintsOneCsvLinePerInterval()
    {
        QProcess watch;
        start(watch, {"probes", "--watch", "1"});
        const QStringList lines = readLines(watch, 3);
        const bool stillRunning = watch.state() == QProcess::Running;
        watch.kill();
        watch.waitForFinished();
        QVERIFY(stillRunning);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("time,BATT,BUCK1,BUCK2,BUCK3,0x0d"));
        const QRegularExpression sample(
                QStringLiteral("^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}),3\\.70,1\\.80,3\\.30,1\\.20,0x1f$"));
        QList<QDateTime> times;
        for (const QString &line : lines.mid(1)) {
            const QRegularExpressionMatch match = sample.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            times << QDateTime::fromString(match.captured(1), Qt::ISODateWithMs);
        }
        QVERIFY(times.first().msecsTo(times.last()) >= 500);
    }

    void watchEndsWhenTheBoardGoesAway()
    {
        QProcess watch;
        start(watch, {"probes", "--watch=0.2"});
        QCOMPARE(readLines(watch, 2).size(), 2);
        peer({"plug", "0"});
        const Run run = finish(watch);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("zq40613-reg: reading "), qPrintable(run.err));
        QVERIFY(run.err.endsWith(" failed: the board does not answer\n"));
    }

    void noBoard_data()
    {
        QTest::addColumn<bool>("withLibrary");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unplugged, read") << true << QStringList{"read", "7"}
                                         << "zq40613-reg: no board answers (controller library ";
        QTest::newRow("unplugged, write") << true << QStringList{"write", "7", "1"}
                                          << "zq40613-reg: no board answers (controller library ";
        QTest::newRow("no library, dump") << false << QStringList{"dump"}
                                          << "zq40613-reg: no board: the controller library hid2 cannot be loaded (";
        QTest::newRow("no library, probes") << false << QStringList{"probes"}
                                            << "zq40613-reg: no board: the controller library hid2 cannot be loaded (";
    }

    void noBoard()
    {
        QFETCH(bool, withLibrary);
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        QProcess process;
        if (withLibrary) {
            peer({"plug", "0"});
            start(process, arguments);
        } else {
            // A copy of the program alone in a folder, with nothing on the
            // library path: there is no hid2 to be found.
            const QString lonely = dir.filePath(QStringLiteral("lonely/zq40613-reg"));
            QVERIFY(QDir().mkpath(QFileInfo(lonely).path()));
            QFile::remove(lonely);
            QVERIFY(QFile::copy(QStringLiteral(REG_PROGRAM), lonely));
            QProcessEnvironment environment = boardEnvironment();
            environment.insert(QStringLiteral("LD_LIBRARY_PATH"), QString());
            process.setProcessEnvironment(environment);
            process.start(lonely, arguments);
        }
        const Run run = finish(process);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
        QVERIFY2(run.err.startsWith(reason), qPrintable(run.err));
        QCOMPARE(run.err.count('\n'), 1);
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "no command given";
        QTest::newRow("unknown command") << QStringList{"peek"} << "unknown command 'peek'";
        QTest::newRow("address out of range") << QStringList{"read", "0x100"}
                                              << "address '0x100' is out of range (0x00 to 0xff)";
        QTest::newRow("malformed data") << QStringList{"write", "7", "1.8"}
                                        << "invalid data '1.8' (hexadecimal like 0b or 0x0b, decimal like 0n11)";
        QTest::newRow("missing data") << QStringList{"write", "7"}
                                      << "missing arguments, expected: write ADDR DATA [--verify]";
        QTest::newRow("stray option") << QStringList{"dump", "--bits"} << "option --bits belongs to read and verify";
    }

    // The bench automation example of the README, as written there.
    void readmeExampleChecksBuck1()
    {
#ifdef Q_OS_WIN
        QSKIP("The example is a POSIX shell script");
#endif
        peer({"write", "7", "40", "write", "10", "129"}); // Buck1 at 3.100 V and off
        QProcess process;
        QProcessEnvironment environment = boardEnvironment();
        environment.insert(QStringLiteral("REG"), QStringLiteral(REG_PROGRAM));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("sh"), {QStringLiteral(EXAMPLE_SCRIPT)});
        const Run run = finish(process);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, QStringLiteral("BUCK1 at 1.80 V\n"));
        QCOMPARE(peerRead(0x07), 0x0e);
        QCOMPARE(peerRead(0x0a), 0x83);
    }

    // Every register file the README shows loads as it stands.
    void readmeRegisterFilesLoad()
    {
        QFile readme(QStringLiteral(README_FILE));
        QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
        const QRegularExpression file("^```qrx\n(.*?)^```$", QRegularExpression::MultilineOption
                                                                   | QRegularExpression::DotMatchesEverythingOption);
        QRegularExpressionMatchIterator files = file.globalMatch(QString::fromUtf8(readme.readAll()));
        QVERIFY(files.hasNext());
        while (files.hasNext())
            expectSuccess(reg({"load", "-"}, files.next().captured(1).toUtf8()), QString());
    }

    void badUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        expectFailure(reg(arguments), 2, usageError(message));
    }

    // Runs that need a shell: output that cannot be written, input without
    // end, a file name that is not valid text. "$0" is the program, "$1"
    // zq40613-sim, "$2" zq40613-eval.
    void shellRuns_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QString full = QStringLiteral("zq40613-reg: cannot write output: No space left on device\n");
        QTest::newRow("dump to a full disk") << "\"$0\" dump > /dev/full" << 1 << full;
        QTest::newRow("watch to a full disk") << "\"$0\" probes --watch 0.1 > /dev/full" << 1 << full;
        QTest::newRow("read, output closed")
                << "\"$0\" read 07 >&-" << 1
                << "zq40613-reg: cannot write output: Bad file descriptor\n";
        const QString simFull = "zq40613-sim: cannot write output: No space left on device\n";
        QTest::newRow("sim status to a full disk") << "\"$1\" status > /dev/full" << 1 << simFull;
        QTest::newRow("sim help to a full disk") << "\"$1\" --help > /dev/full" << 1 << simFull;
        QTest::newRow("sim status, output closed") << "\"$1\" status >&-" << 1
                                                   << "zq40613-sim: cannot write output: Bad file descriptor\n";
        const QString simHint = "\nTry 'zq40613-sim --help' for more information.\n";
        QTest::newRow("sim empty command") << "\"$1\" ''" << 2 << "zq40613-sim: unknown command ''" + simHint;
        QTest::newRow("sim negative volts") << "\"$1\" battery -3" << 2
                                            << "zq40613-sim: battery: '-3' is out of range (2.5 to 5.5 V)" + simHint;
        QTest::newRow("sim volts with a unit") << "\"$1\" battery 3.5V" << 2
                << "zq40613-sim: battery: '3.5V' is not a voltage (decimal volts, such as 3.0)" + simHint;
        QTest::newRow("verify a folder") << "\"$0\" verify ." << 2 << "zq40613-reg: cannot read .: Is a directory\n";
        // --help and --version need no window system; -platform stays Qt's.
        const QString noDisplay = QStringLiteral("mkdir -p -m 700 run; env -i XDG_RUNTIME_DIR=\"$PWD/run\" \"$2\" ");
        QTest::newRow("eval --version") << noDisplay + "--version >&2" << 0
                                        << "zq40613-eval (ZQ40613 Evaluation kit) Version 0.0.2\n";
        QTest::newRow("eval --help") << noDisplay + "-platform xcb --help | head -n 1 >&2" << 0
                                     << "Usage: " EVAL_PROGRAM " [options]\n";
        const QString evalUsage = "\nUsage: zq40613-eval [options]\nTry 'zq40613-eval --help' for more information.\n";
        QTest::newRow("eval, unknown option") << noDisplay + "-platform offscreen --verbose" << 2
                                              << "zq40613-eval: Unknown option 'verbose'." + evalUsage;
        // The memory limit does not go with the address sanitizer, which
        // reserves far more address space up front.
#ifdef __SANITIZE_ADDRESS__
        const QString memoryLimit;
#else
        const QString memoryLimit = QStringLiteral("ulimit -v 1000000; ");
#endif
        QTest::newRow("load /dev/zero") << memoryLimit + "\"$0\" load /dev/zero" << 2
                                        << "zq40613-reg: Syntax error in file /dev/zero, line 1.\n";
#ifdef Q_OS_LINUX
        // Address 0 is never mapped: the first read fails.
        QTest::newRow("load, read error") << "\"$0\" load /proc/self/mem" << 2
                                          << "zq40613-reg: cannot read /proc/self/mem: Input/output error\n";
#endif
        QTest::newRow("name not valid UTF-8")
                << "name=$(printf 'caf\\351.qrx'); printf 'reg 0x07 0x15 w\\nbad\\n' > \"$name\"; "
                   "\"$0\" load \"$name\"; status=$?; rm \"$name\"; exit $status"
                << 2 << QStringLiteral("zq40613-reg: Syntax error in file caf\uFFFD.qrx, line 2.\n");
    }

    void shellRuns()
    {
        QFETCH(QString, script);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
#ifdef Q_OS_WIN
        QSKIP("POSIX shell scripts, with /dev/full and closed standard streams");
#endif
        QProcess process;
        process.setProcessEnvironment(boardEnvironment());
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral("sh"), {"-c", script, REG_PROGRAM, SIM_TOOL, EVAL_PROGRAM});
        expectFailure(finish(process), exitCode, err);
    }

    void unreadableFile()
    {
        const QString missing = dir.filePath(QStringLiteral("missing.qrx"));
        const Run run = reg({"load", missing});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith("zq40613-reg: cannot open " + missing + ": "), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
