// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "windowfixture.h"

#include <QAction>
#include <QComboBox>
#include <QTemporaryDir>

#include <numeric>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

QStringList spiWrites(const FakeController &board)
{
    return board.callTexts().filter(QStringLiteral("spi_write"));
}

// Counts the paint events of one widget.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

// File ▸ Load Registers and Save Registers as the user reaches them, with the
// chip behind them.
class TestLoadSaveTransfers : public QObject
{
    Q_OBJECT

private slots:
    void saveThenLoadWritesEveryRegisterInOrder();
    void loadWritesMarkedStatementsInFileOrder();
    void syntaxErrorNamesTheLine();
    void recordingReplaysTheSameWrites();
    void longLoadKeepsTheWindowAlive_data();
    void longLoadKeepsTheWindowAlive();
    void recordingStopsAtAFailedWrite();

private:
    static void trigger(WindowFixture &f, const char *action, QList<ModalAnswers::Step> steps,
                        ModalAnswers **answersOut = nullptr);
    static QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &text)
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
};

void TestLoadSaveTransfers::trigger(WindowFixture &f, const char *action,
                                   QList<ModalAnswers::Step> steps, ModalAnswers **answersOut)
{
    auto *answers = new ModalAnswers(std::move(steps));
    f.find<QAction>(QLatin1String(action))->trigger();
    QCOMPARE(answers->unexpected, 0);
    if (answersOut)
        *answersOut = answers;
    else
        delete answers;
}

void TestLoadSaveTransfers::saveThenLoadWritesEveryRegisterInOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("panel.qrx"));
    WindowFixture f;
    RegisterMirror &mirror = f.window->registerMirror();
    for (int a = 0; a < registerMirrorSize; ++a)
        mirror[a] = static_cast<quint8>(0x30 + a);
    const RegisterMirror saved = mirror;

    trigger(f, "actionSave_Registers", {chooseFile(path)});
    QVERIFY(QFile::exists(path));

    f.board.clearCalls();
    trigger(f, "actionLoad_Registers", {chooseFile(path)});
    QVector<int> expected;
    for (int a = 0; a < registerMirrorSize; ++a)
        expected << a;
    QCOMPARE(f.writtenAddresses(), expected);
    QCOMPARE(mirror, saved);
    QCOMPARE(f.board.registers[0x0f], 0x3f);
}

void TestLoadSaveTransfers::loadWritesMarkedStatementsInFileOrder()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "order.qrx",
                                   "# enables before voltages\n"
                                   "reg 0x0a 0x83 w\n"
                                   "reg 0x07 0x2A W\n"
                                   "reg 0x03 0x11\n"
                                   "sleep 1\n"
                                   "reg 0x00 0x32 w\n");
    WindowFixture f;
    const int logLines = f.registerLog().size();
    const QString transfer = f.transferLabel()->text();
    f.board.clearCalls();
    trigger(f, "actionLoad_Registers", {chooseFile(path)});

    QCOMPARE(f.writtenAddresses(), (QVector<int>{0x0a, 0x07, 0x00}));
    QCOMPARE(f.window->registerMirror()[0x03], quint8(0x11));
    QCOMPARE(f.window->registerMirror()[0x07], quint8(0x2a));
    // No refresh, no log, no status: the panel catches up at its next refresh.
    QCOMPARE(f.find<QComboBox>("co0750")->currentIndex(), 0);
    QCOMPARE(f.registerLog().size(), logLines);
    QCOMPARE(f.transferLabel()->text(), transfer);
}

void TestLoadSaveTransfers::syntaxErrorNamesTheLine()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "broken.qrx",
                                   "# line 1\n"
                                   "reg 0x07 0x12 w\n"
                                   "\n"
                                   "reg 0x08 0x34\n"
                                   "reg 0x0b 0x56 x\n"
                                   "reg 0x00 0x78 w\n");
    WindowFixture f;
    f.board.clearCalls();
    ModalAnswers *answers = nullptr;
    trigger(f, "actionLoad_Registers", {chooseFile(path), pressButton(QMessageBox::Ok)}, &answers);
    QCOMPARE(answers->seen.size(), 2);
    QCOMPARE(answers->seen.at(1).title, QStringLiteral("Error"));
    QCOMPARE(answers->seen.at(1).text, QStringLiteral("Syntax error in file %1, line 5.").arg(path));
    delete answers;
    // What the lines before did stays in force; nothing after is read.
    QCOMPARE(f.writtenAddresses(), QVector<int>{0x07});
    QCOMPARE(f.window->registerMirror()[0x08], quint8(0x34));
    QCOMPARE(f.window->registerMirror()[0x0b], quint8(0x00));
    QCOMPARE(f.window->registerMirror()[0x00], quint8(0x00));
}

void TestLoadSaveTransfers::recordingReplaysTheSameWrites()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.qrx"));
    WindowFixture f;
    QElapsedTimer clock;
    clock.start();
    QList<qint64> writeTimes;
    connect(&f.window->deviceLink(), &DeviceLink::registerTransferred, this,
            [&](const RegisterTransfer &) { writeTimes << clock.elapsed(); });
    QAction *record = f.find<QAction>("actionRecord_Register_Writes");
    // The suffix is added to a name typed without one.
    trigger(f, "actionRecord_Register_Writes", {chooseFile(dir.filePath(QStringLiteral("session")))});
    QCOMPARE(record->text(), QStringLiteral("Stop Recording"));

    f.board.clearCalls();
    clock.restart();
    emit f.find<QComboBox>("co0750")->activated(20);
    QTest::qWait(60);
    QTest::mouseClick(f.find<QCheckBox>("cb0a1"), Qt::LeftButton);
    QTest::mouseClick(f.find<QCheckBox>("DevSleep"), Qt::LeftButton);
    QTest::qWait(30);
    QTest::mouseClick(f.find<QPushButton>("writeregisters"), Qt::LeftButton);
    const qint64 sessionMs = clock.elapsed();
    QString otherName = path; // the file being recorded into is not loaded, by any name
#ifdef Q_OS_UNIX
    otherName = dir.filePath(QStringLiteral("link.qrx"));
    QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(otherName).constData()), 0);
#endif
    ModalAnswers *refused = nullptr;
    trigger(f, "actionLoad_Registers", {chooseFile(otherName), pressButton(QMessageBox::Ok)}, &refused);
    QCOMPARE(refused->seen.last().text, QStringLiteral("File Error!"));
    delete refused;
    f.board.failCall(1); // a write the board did not answer is a comment only: the replay leaves it out
    emit f.find<QComboBox>("co0750")->activated(21);
    trigger(f, "actionRecord_Register_Writes", {});
    QCOMPARE(record->text(), QStringLiteral("Record Register Writes…"));
    const QStringList session = spiWrites(f.board).mid(0, 2 + 17);

    f.board.clearCalls();
    writeTimes.clear();
    // A busy machine may stretch the replay until its progress shows.
    trigger(f, "actionLoad_Registers", {chooseFile(path), leaveOpen([](QWidget *) {})});
    QCOMPARE(spiWrites(f.board), session);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray recorded = file.readAll();
    // The pause recorded before each write: at least what the session waited
    // there, and in all no more than the session took. The replay may run
    // late on a busy machine, but never short.
    QList<qint64> pauses{0};
    for (const QByteArray &line : recorded.split('\n')) {
        if (line.startsWith("sleep "))
            pauses.last() += line.mid(6).toLongLong();
        else if (line.startsWith("reg "))
            pauses << 0;
    }
    pauses.removeLast();
    QCOMPARE(pauses.size(), session.size());
    const qint64 pausesMs = std::accumulate(pauses.cbegin(), pauses.cend(), qint64(0));
    QVERIFY2(pauses[1] >= 60 && pauses[2] >= 30 && pausesMs <= sessionMs,
             qPrintable(QStringLiteral("%1 and %2 ms of %3 ms paused, in %4 ms").arg(pauses[1]).arg(pauses[2]).arg(pausesMs).arg(sessionMs)));
    for (int i = 1; i < session.size(); ++i) {
        const qint64 replayed = writeTimes[i] - writeTimes[i - 1];
        QVERIFY2(replayed >= pauses[i], qPrintable(QStringLiteral("write %1: %2 ms, recorded %3 ms").arg(i).arg(replayed).arg(pauses[i])));
    }
    QVERIFY(recorded.contains(" DEVSLP (pin 3.1) = 1\n") && recorded.contains(" not answered: reg 0x07 0x15 w\n"));
}

void TestLoadSaveTransfers::longLoadKeepsTheWindowAlive_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("lost");
    QTest::addColumn<QString>("box"); // the last box, its title and text
    QTest::newRow("runs to the end") << false << false << QString();
    QTest::newRow("cancelled in the sleep") << true << false << "Load Registers: Loading stopped at line 2.";
    // Polling is off once the last write failed: the tick held in the sleep is dropped.
    QTest::newRow("board lost after the sleep")
            << false << true << "Error: 1 of 2 register writes was not answered by the board (at line 3).";
}

// The window paints during the sleep; clicks on the panel and on the
// dialog, and the poll timer, reach the board only after the load.
void TestLoadSaveTransfers::longLoadKeepsTheWindowAlive()
{
    QFETCH(bool, cancel);
    QFETCH(bool, lost);
    QFETCH(QString, box);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "power.qrx", "reg 0x07 0x0E w\nsleep 3000\nreg 0x08 0x1A w\n");
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    PaintCounter counter;
    f.window->installEventFilter(&counter);
    f.find<QAction>("actionDirect_Register_Access")->trigger();
    auto *read = f.find<QDialog>("direct_access")->findChild<QPushButton *>("pushButton_2");
    int paintsInSleep = -1;
    int paintsAtLastWrite = -1;
    qsizetype callsOfClicks = -1;
    connect(&f.window->deviceLink(), &DeviceLink::registerTransferred, this,
            [&](const RegisterTransfer &transfer) {
                if (transfer.address == 0x08)
                    paintsAtLastWrite = counter.paints;
            });
    f.board.clearCalls();
    if (lost)
        f.board.failWhen = [](const FakeController::Call &call) { return call.text() == "spi_write(7,8,26,0)"; };

    // Polling starts as the load does, so that no tick can fall due while
    // the file dialog is open, however slowly it comes up.
    const auto startPolling = [&] { QTest::mouseClick(f.find<QCheckBox>("pollstatus"), Qt::LeftButton); };
    QList<ModalAnswers::Step> steps{chooseFile(path, startPolling), leaveOpen([&](QWidget *progress) {
        paintsInSleep = counter.paints;
        f.window->update();
        callsOfClicks = f.board.calls.size();
        QTest::mouseClick(read, Qt::LeftButton);
        QTest::mouseClick(f.find<QPushButton>("readregisters"), Qt::LeftButton);
        callsOfClicks = f.board.calls.size() - callsOfClicks;
        if (cancel)
            QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    })};
    if (!box.isEmpty())
        steps << pressButton(QMessageBox::Ok);
    ModalAnswers *answers = nullptr;
    trigger(f, "actionLoad_Registers", steps, &answers);
    QCOMPARE(answers->seen.at(1).text.section('\n', 0, 0), QStringLiteral("Line 2 of 3"));
    if (!box.isEmpty())
        QCOMPARE(answers->seen.last().title + ": " + answers->seen.last().text, box);
    delete answers;
    QCOMPARE(callsOfClicks, 0);

    const QStringList calls = f.board.callTexts();
    QStringList writes{"spi_write(7,7,14,0)", "spi_write(7,8,26,0)"};
    if (cancel)
        writes.removeLast();
    QCOMPARE(spiWrites(f.board), writes);
    const QStringList reads = calls.filter(QStringLiteral("spi_read"));
    QVERIFY(reads.isEmpty() || calls.indexOf(reads.first()) > calls.indexOf(writes.last()));
    if (!cancel) {
        // The ticks that fell due in the sleep run as one, after it, before any reopening of the board.
        const QStringList afterLoad = calls.mid(calls.indexOf(writes.last()) + 1);
        const qsizetype reopened = afterLoad.indexOf(QRegularExpression(QStringLiteral("^usb_hid_init")));
        QCOMPARE(afterLoad.mid(0, reopened).filter(QStringLiteral("spi_read")).size(), lost ? 0 : 9);
        QVERIFY2(paintsAtLastWrite > paintsInSleep, qPrintable(QStringLiteral("%1 %2").arg(paintsInSleep).arg(paintsAtLastWrite)));
    }
}

void TestLoadSaveTransfers::recordingStopsAtAFailedWrite()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.qrx"));
    WindowFixture f;
    trigger(f, "actionRecord_Register_Writes", {chooseFile(path)});
    // The file may grow no further, and the signal that comes with it is ignored.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    // Room for a piece of the next line only: the write stops part way.
    const qint64 header = QFileInfo(path).size();
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(header + 5);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString reason;
    ModalAnswers answers({[&](QWidget *box) {
        setrlimit(RLIMIT_FSIZE, &saved);
        reason = qobject_cast<QMessageBox *>(box)->informativeText();
        pressButton(QMessageBox::Ok)(box);
    }});
    emit f.find<QComboBox>("co0750")->activated(20);
    QCOMPARE(f.find<QAction>("actionRecord_Register_Writes")->text(), QStringLiteral("Record Register Writes…"));
    // The box follows once the edit has ended.
    QVERIFY(answers.seen.isEmpty());
    QTRY_COMPARE(answers.seen.size(), 1);
    setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(answers.seen.first().text, QStringLiteral("File Error!"));
    QCOMPARE(reason, path + QStringLiteral(": File too large"));
    QCOMPARE(QFileInfo(path).size(), header); // and the piece written is taken back
#else
    QSKIP("Needs a file size limit");
#endif
}

QTEST_MAIN(TestLoadSaveTransfers)
#include "tst_loadsavetransfers.moc"
