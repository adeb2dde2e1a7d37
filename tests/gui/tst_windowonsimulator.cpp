// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "modalanswers.h"
#include "simulatedboard.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

// Long enough for the next poll tick, 1000 ms away at most, and its work.
constexpr int pollWithSlackMs = 1000 + 500;

// The program against the simulated board, loaded the way the program loads
// a controller library: what an engineer sees in ./run.
class TestWindowOnSimulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsReadyWithTheRegistersReadBack();
    void reconnectsAfterBeingPluggedBackIn();
    void buck1VoltageReachesItsProbe();
    void disablingBuck2ClearsItsStatusAtTheNextPoll();
    void pollingKeepsThePanelLive();
    void directAccessReadsLiveStatusAndWritesPastTheMirror();
    void pollingShowsAWriteFromAnotherProcess();
    void pollingFollowsTheBoardThatZq40613SimDrives();
    void sweepsWriteOneCsvInEveryProgram();
    void comparatorSweepShowsItsTripPoints();

private:
    // A sweep in the Sweep window, settling no time, run to its end.
    void sweep(const QString &field, const QString &from, const QString &to, bool upAndDown) const
    {
        find<QAction>("actionSweep")->trigger();
        auto *dialog = find<QDialog>("sweep");
        dialog->findChild<QComboBox *>("field")->setCurrentText(field);
        dialog->findChild<QComboBox *>("from")->setCurrentText(from);
        dialog->findChild<QComboBox *>("to")->setCurrentText(to);
        dialog->findChild<QSpinBox *>("settle")->setValue(0);
        dialog->findChild<QCheckBox *>("upAndDown")->setChecked(upAndDown);
        QTest::mouseClick(dialog->findChild<QPushButton *>("run"), Qt::LeftButton);
        QTRY_VERIFY(dialog->findChild<QLabel *>("progress")->text().endsWith(": done"));
    }
    // Saves through the window's button and the file dialog, as a user does.
    static void save(QDialog *dialog, const char *button, const QString &path)
    {
        ModalAnswers answers({chooseFile(path)});
        QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
        QTRY_VERIFY(QFileInfo::exists(path));
    }

    template <typename T>
    T *find(const char *name) const
    {
        T *w = window->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    QString state() const { return find<QLabel>("linkState")->text(); }
    QString text(const char *lineEdit) const { return find<QLineEdit>(lineEdit)->text(); }
    void update() const { QTest::mouseClick(find<QPushButton>("readregisters"), Qt::LeftButton); }
    void poll() const { QMetaObject::invokeMethod(window.get(), "timer_func"); }

    std::unique_ptr<SimulatedBoard> board;
    std::unique_ptr<MainWindow> window;
};

void TestWindowOnSimulator::initTestCase()
{
    board = std::make_unique<SimulatedBoard>(QStringLiteral(SIM_DIR));
    QVERIFY2(board->isReady(), qPrintable(board->failure()));
}

void TestWindowOnSimulator::init()
{
    // The ideal part: each probe reads what its registers ask for.
    board->resetPart(0);
    board->setBatteryMv(3700);
    window = std::make_unique<MainWindow>(board->library);
}

void TestWindowOnSimulator::cleanup()
{
    window.reset();
}

void TestWindowOnSimulator::startsReadyWithTheRegistersReadBack()
{
    QCOMPARE(state(), QStringLiteral("   ready   "));
    QCOMPARE(find<QLabel>("linkState")->palette().color(QPalette::Window), QColor(188, 248, 182));
    const QStringList log =
            find<QTextBrowser>("registerlog")->toPlainText().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(log.size(), 17);
    QVERIFY(log.at(7).endsWith(" : register read (07h,0eh)"));
    QVERIFY(log.last().endsWith(" : Application started."));
    QCOMPARE(find<QComboBox>("co0750")->currentText(), QStringLiteral("1.800V"));
    QCOMPARE(text("adc000610244200"), QStringLiteral("1.80"));
    QCOMPARE(text("adc000710244280"), QStringLiteral("3.70"));
}

void TestWindowOnSimulator::reconnectsAfterBeingPluggedBackIn()
{
    board->setPlugged(0);
    update();
    QCOMPARE(state(), QStringLiteral("   not connected   "));
    QElapsedTimer sincePlugged;
    board->setPlugged(1);
    sincePlugged.start();
    QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("   ready   "), 2000);
    QVERIFY(sincePlugged.elapsed() >= 400);
    QTRY_VERIFY_WITH_TIMEOUT(!window->connectionSupervisor().reconnectTimer().isActive(), 2000);
}

void TestWindowOnSimulator::buck1VoltageReachesItsProbe()
{
    QComboBox *buck1 = find<QComboBox>("co0750");
    buck1->setCurrentIndex(24);
    emit buck1->activated(24);
    QVERIFY(find<QTextBrowser>("registerlog")->toPlainText().endsWith(" : register write (07h,18h)"));
    update();
    QCOMPARE(text("adc000610244200"), QStringLiteral("2.30"));
}

void TestWindowOnSimulator::disablingBuck2ClearsItsStatusAtTheNextPoll()
{
    QCOMPARE(text("le0d2"), QStringLiteral("1"));
    QTest::mouseClick(find<QCheckBox>("cb0a0"), Qt::LeftButton);
    QCOMPARE(text("le0d2"), QStringLiteral("1"));
    poll();
    QCOMPARE(text("le0d2"), QStringLiteral("0"));
    QCOMPARE(text("adc000410244200"), QStringLiteral("0.00"));
}

void TestWindowOnSimulator::pollingKeepsThePanelLive()
{
    QTest::mouseClick(find<QCheckBox>("pollstatus"), Qt::LeftButton);
    // The comparator drops when its threshold is set above the battery.
    emit find<QComboBox>("co0b61")->activated(63);
    QTRY_COMPARE_WITH_TIMEOUT(text("le0d0"), QStringLiteral("0"), 2500);
    QVERIFY(find<QCheckBox>("pollstatus")->isChecked());
}

void TestWindowOnSimulator::directAccessReadsLiveStatusAndWritesPastTheMirror()
{
    find<QAction>("actionDirect_Register_Access")->trigger();
    auto *dialog = find<QDialog>("direct_access");
    auto *address = dialog->findChild<QLineEdit *>("lineEdit");
    auto *data = dialog->findChild<QLineEdit *>("lineEdit_2");
    address->setText(QStringLiteral("0d"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButton_2"), Qt::LeftButton);
    QCOMPARE(data->text(), QStringLiteral("1f"));
    QCOMPARE(dialog->findChild<QCheckBox *>("checkBox_4")->text(), QStringLiteral("bit 4    LDO OK"));
    QVERIFY(dialog->findChild<QCheckBox *>("checkBox_4")->isChecked());

    // Buck1 off from the dialog: the panel keeps showing the mirror until
    // it is read again.
    address->setText(QStringLiteral("0a"));
    data->setText(QStringLiteral("81"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QVERIFY(find<QCheckBox>("cb0a1")->isChecked());
    QCOMPARE(window->registerMirror()[0x0a], quint8(0x83));
    update();
    QVERIFY(!find<QCheckBox>("cb0a1")->isChecked());
    QCOMPARE(text("adc000610244200"), QStringLiteral("0.00"));
}

// The board is one for every process: with "Poll status" checked, a register
// written by zq40613-reg shows on the panel at the next tick.
void TestWindowOnSimulator::pollingShowsAWriteFromAnotherProcess()
{
    QTest::mouseClick(find<QCheckBox>("pollstatus"), Qt::LeftButton);
    QComboBox *buck1 = find<QComboBox>("co0750");
    QCOMPARE(buck1->currentText(), QStringLiteral("1.800V"));

    QProcess reg;
    reg.start(QStringLiteral(REG_PROGRAM), {"write", "07", "18"});
    QVERIFY(reg.waitForFinished(10000));
    QCOMPARE(reg.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(buck1->currentText(), QStringLiteral("2.300V"), pollWithSlackMs);
    QCOMPARE(text("adc000610244200"), QStringLiteral("2.30"));

    reg.start(QStringLiteral(REG_PROGRAM), {"write", "0a", "81"});
    QVERIFY(reg.waitForFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(text("le0d1"), QStringLiteral("0"), pollWithSlackMs);
    QVERIFY(!find<QCheckBox>("cb0a1")->isChecked());
    QVERIFY(find<QCheckBox>("pollstatus")->isChecked());
}

// The walk-through of the README: zq40613-sim, a process of its own, lowers
// the battery below the comparator's threshold, unplugs and plugs the board,
// and a polling panel follows.
void TestWindowOnSimulator::pollingFollowsTheBoardThatZq40613SimDrives()
{
    const auto simTool = [](const QStringList &arguments) {
        QProcess tool;
        tool.start(QStringLiteral(SIM_TOOL), arguments);
        return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit
               && tool.exitCode() == 0;
    };
    // The comparator's interrupt enabled: IRQ, active low, follows its bit.
    // The check box has no text: a click on its indicator.
    QCheckBox *comparatorInterrupt = find<QCheckBox>("cb0c0");
    QTest::mouseClick(comparatorInterrupt, Qt::LeftButton, {}, QPoint(8, comparatorInterrupt->height() / 2));
    QTest::mouseClick(find<QCheckBox>("pollstatus"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(text("lio0003"), QStringLiteral("0"), pollWithSlackMs);
    QCOMPARE(text("le0d0"), QStringLiteral("1"));

    QVERIFY(simTool({"battery", "3.0"}));
    QTRY_COMPARE_WITH_TIMEOUT(text("le0d0"), QStringLiteral("0"), pollWithSlackMs);
    QCOMPARE(text("lio0003"), QStringLiteral("1"));
    QCOMPARE(text("adc000710244280"), QStringLiteral("3.00"));

    QVERIFY(simTool({"unplug"}));
    QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("   not connected   "), pollWithSlackMs);
    QVERIFY(!find<QCheckBox>("pollstatus")->isChecked());

    QVERIFY(simTool({"plug"}));
    QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("   ready   "), 2000);
    QCOMPARE(text("le0d0"), QStringLiteral("0"));
    QVERIFY(comparatorInterrupt->isChecked());
}

// The same sweep from the window, from zq40613-reg and from Python gives
// the same CSV but for the time of each row: on the ideal part with the
// battery held, every reading is the same whichever program takes it.
void TestWindowOnSimulator::sweepsWriteOneCsvInEveryProgram()
{
    const auto withoutTimes = [](const QByteArray &csv) {
        QByteArrayList lines = csv.split('\n');
        for (int i = 1; i < lines.size(); ++i)
            lines[i] = lines[i].mid(lines[i].indexOf(','));
        return lines;
    };
    QTemporaryDir dir;
    sweep("Buck3 Output voltage", "0.700V", "0.750V", true);
    save(find<QDialog>("sweep"), "saveCsv", dir.filePath("window.csv"));
    QFile saved(dir.filePath("window.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArrayList window = withoutTimes(saved.readAll());
    QCOMPARE(window.size(), 13);   // the header, 11 rows, the end of the last line
    QCOMPARE(window.at(1), ",0.700,3.703,1.801,3.298,0.701,0x1f,0.5,0.08");

    QProcess reg;
    reg.start(QStringLiteral(REG_PROGRAM), {"sweep", "Buck3 Output voltage", "0.7", "0.75", "--up-down", "--settle", "0"});
    QVERIFY(reg.waitForFinished(10000));
    QCOMPARE(reg.exitCode(), 0);
    // Standard output is text on Windows, with CR LF line ends.
    QCOMPARE(withoutTimes(reg.readAllStandardOutput().replace("\r\n", "\n")), window);
#ifdef PYTHON_PROGRAM
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(PYTHON_MODULE_DIR));
    python.setProcessEnvironment(environment);
    python.start(QStringLiteral(PYTHON_PROGRAM),
                 {"-c", "import sys, zq40613\nzq40613.Board().sweep('Buck3 Output voltage', 0.7, '0.75', settle_ms=0,"
                        " up_down=True).to_csv(sys.argv[1])",
                  dir.filePath("python.csv")});
    QVERIFY(python.waitForFinished(10000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    QFile written(dir.filePath("python.csv"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(withoutTimes(written.readAll()), window);
#endif
}

// Rising, the comparator lets go once the threshold less its 100 mV of
// hysteresis reaches the battery; falling, it sets again below it.
void TestWindowOnSimulator::comparatorSweepShowsItsTripPoints()
{
    board->setBatteryMv(3300);
    sweep("Comparator Threshold voltage", "3.238V", "3.461V", true);
    auto *dialog = find<QDialog>("sweep");
    QCOMPARE(dialog->findChild<QLabel *>("trips")->text(), QStringLiteral("trips at 3.43 V rising, 3.27 V falling"));
    QCOMPARE(find<QComboBox>("co0b61")->currentText(), QStringLiteral("3.270V"));
    QTemporaryDir dir;
    save(dialog, "saveImage", dir.filePath("sweep.png"));
    QTRY_VERIFY(!QImage(dir.filePath("sweep.png")).isNull());
}

QTEST_MAIN(TestWindowOnSimulator)
#include "tst_windowonsimulator.moc"
