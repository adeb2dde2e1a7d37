// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "tabwalk.h"
#include "windowfixture.h"

#include "history/probehistory.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenuBar>
#include <QTemporaryDir>

#include <cmath>

namespace {

QWidget *historyWindow(const WindowFixture &f)
{
    return f.find<QWidget>(QStringLiteral("probeHistory"));
}

QChart *chartOf(const WindowFixture &f)
{
    return f.find<QChartView>(QStringLiteral("chart"))->chart();
}

QPair<qint64, qint64> timeAxisRange(const WindowFixture &f)
{
    const auto *axis = qobject_cast<QDateTimeAxis *>(chartOf(f)->axes(Qt::Horizontal).first());
    return {axis->min().toMSecsSinceEpoch(), axis->max().toMSecsSinceEpoch()};
}

ProbeSample sampleAt(qint64 time, double batt)
{
    ProbeSample sample;
    sample.time = time;
    sample.volts = {batt, 1.8, 3.3, 1.2};
    return sample;
}

// What a poll tick and a refresh ask of the board.
QStringList pollAndRefreshCalls(WindowFixture &f)
{
    f.board.clearCalls();
    f.invoke("timer_func");
    f.invoke("init_hardware");
    return f.board.callTexts();
}

} // namespace

class TestProbeHistoryWindow : public QObject
{
    Q_OBJECT

private slots:
    void toolsMenuShowsTheOneWindow();
    void refreshRecordsWhatThePanelShows_data();
    void refreshRecordsWhatThePanelShows();
    void boardTrafficIsTheSameWithTheWindowOpen();
    void viewFollowsUnlessPaused();
    void gapBreaksTheLine();
    void saving_data();
    void saving();
};

void TestProbeHistoryWindow::toolsMenuShowsTheOneWindow()
{
    WindowFixture f;
    QMenu *tools = f.find<QMenu>(QStringLiteral("menuTools"));
    QStringList entries;
    for (const QAction *action : tools->actions())
        entries << action->objectName() + '=' + action->text();
    QCOMPARE(entries, (QStringList{"actionDirect_Register_Access=Direct Register Access",
                                   "actionProbe_History=Probe History",
                                   "actionRegister_Map=Register Map"}));

    QWidget *window = historyWindow(f);
    QVERIFY(!window->isVisible());
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    QVERIFY(window->isVisible());
    QVERIFY(!window->isModal());
    QCOMPARE(window->windowTitle(), QStringLiteral("Probe History"));
    window->close();
    QVERIFY(!window->isVisible());
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    QCOMPARE(historyWindow(f), window);
    QVERIFY(window->isVisible());
    // Its controls came after the panel's, and are none of them.
    for (const QAbstractButton *b : f.window->panelControls().buttons)
        QVERIFY(!window->isAncestorOf(b));

    QStringList names;
    for (const QAbstractSeries *series : chartOf(f)->series())
        names << series->name();
    QCOMPARE(names, (QStringList{"BATT", "BUCK1", "BUCK2", "BUCK3"}));
    QComboBox *span = f.find<QComboBox>(QStringLiteral("span"));
    QCOMPARE(span->currentText(), QStringLiteral("10 minutes"));
    QStringList spans;
    for (int i = 0; i < span->count(); ++i)
        spans << span->itemText(i);
    QCOMPARE(spans, (QStringList{"1 minute", "10 minutes", "1 hour", "Whole history"}));
    // Tab goes through the chart and the controls below it, and round.
    QCOMPARE(tabWalk(f.find<QWidget>(QStringLiteral("saveImage")), 6),
             (QStringList{"chart", "span", "pause", "clear", "saveCsv", "saveImage"}));
}

void TestProbeHistoryWindow::refreshRecordsWhatThePanelShows_data()
{
    QTest::addColumn<int>("failingChannel"); // -1: none, 99: every conversion
    QTest::addColumn<int>("samplesAdded");
    QTest::addColumn<QString>("recorded");

    QTest::newRow("all read") << -1 << 1 << "3.42 2.44 2.44 1.22";
    QTest::newRow("BUCK2 conversion failed") << 4 << 1 << "3.42 2.44 - 1.22";
    QTest::newRow("board gone") << 99 << 0 << "";
}

void TestProbeHistoryWindow::refreshRecordsWhatThePanelShows()
{
    QFETCH(int, failingChannel);
    WindowFixture f;
    ProbeHistory &history = f.window->probeHistory();
    const int before = history.size();
    f.board.registers[0x0d] = 0x1b;
    f.board.failWhen = [failingChannel](const FakeController::Call &c) {
        return c.name == "measure" && (failingChannel == 99 || c.args.at(1) == failingChannel);
    };
    QTest::mouseClick(f.find<QPushButton>("readregisters"), Qt::LeftButton);

    QTEST(history.size() - before, "samplesAdded");
    if (history.size() == before)
        return;
    const RecordedSample &sample = history.at(history.size() - 1);
    QStringList recorded;
    for (std::size_t p = 0; p < sample.volts.size(); ++p) {
        const QString shown = f.find<QLineEdit>(QLatin1String(panelProbes[p].bindingName))->text();
        if (std::isnan(sample.volts[p])) {
            QCOMPARE(shown, QStringLiteral("-1.00"));
            recorded << QStringLiteral("-");
        } else {
            QCOMPARE(QString::number(sample.volts[p], 'f', 2), shown);
            recorded << shown;
        }
    }
    QTEST(recorded.join(QLatin1Char(' ')), "recorded");
    QCOMPARE(sample.status, quint8(0x1b));
    QVERIFY(qAbs(sample.time - QDateTime::currentMSecsSinceEpoch()) < 5000);
}

void TestProbeHistoryWindow::boardTrafficIsTheSameWithTheWindowOpen()
{
    WindowFixture closed;
    const QStringList calls = pollAndRefreshCalls(closed);
    QCOMPARE(calls.size(), 21 + 12);

    WindowFixture open;
    open.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(historyWindow(open)));
    QCOMPARE(pollAndRefreshCalls(open), calls);
    QTest::mouseClick(open.find<QPushButton>(QStringLiteral("pause")), Qt::LeftButton);
    QCOMPARE(pollAndRefreshCalls(open), calls);
}

void TestProbeHistoryWindow::viewFollowsUnlessPaused()
{
    WindowFixture f(false);
    ProbeHistory &history = f.window->probeHistory();
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    const qint64 t = QDateTime(QDate(2024, 3, 5), QTime(14, 0)).toMSecsSinceEpoch();
    history.append(sampleAt(t, 3.7));
    QCOMPARE(timeAxisRange(f), qMakePair(t - 600'000, t));

    QPushButton *pause = f.find<QPushButton>(QStringLiteral("pause"));
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("Resume"));
    history.append(sampleAt(t + 1'000, 3.6));
    QCOMPARE(history.size(), 2);
    QCOMPARE(timeAxisRange(f), qMakePair(t - 600'000, t));

    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("Pause"));
    QCOMPARE(timeAxisRange(f), qMakePair(t + 1'000 - 600'000, t + 1'000));
    f.find<QComboBox>(QStringLiteral("span"))->setCurrentIndex(0);
    QCOMPARE(timeAxisRange(f), qMakePair(t + 1'000 - 60'000, t + 1'000));

    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("clear")), Qt::LeftButton);
    QVERIFY(history.isEmpty());
    for (const QAbstractSeries *series : chartOf(f)->series())
        QCOMPARE(qobject_cast<const QLineSeries *>(series)->count(), 0);
}

void TestProbeHistoryWindow::gapBreaksTheLine()
{
    WindowFixture f(false);
    ProbeHistory &history = f.window->probeHistory();
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    const qint64 t = QDateTime::currentMSecsSinceEpoch();
    history.append(sampleAt(t, 3.7));
    history.append(sampleAt(t + 1'000, 3.7));
    ProbeSample gone;
    gone.time = t + 2'000;
    history.append(gone);
    history.append(sampleAt(t + 3'000, 3.6));

    QList<int> battStretches;
    for (QAbstractSeries *series : chartOf(f)->series()) {
        if (series->name() == QLatin1String("BATT"))
            battStretches << qobject_cast<QLineSeries *>(series)->count();
    }
    QCOMPARE(battStretches, (QList<int>{2, 1}));
    QVERIFY(QTest::qWaitForWindowExposed(historyWindow(f)));
    int entries = 0;
    for (const QLegendMarker *marker : chartOf(f)->legend()->markers())
        entries += marker->isVisible() ? 1 : 0;
    QCOMPARE(entries, 4);
}

void TestProbeHistoryWindow::saving_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("startsWith");
    QTest::addColumn<QString>("savedAs");

    QTest::newRow("CSV") << "saveCsv" << "history.csv" << QByteArray("time,BATT,BUCK1,BUCK2,BUCK3,0x0d\n")
                         << "history.csv";
    QTest::newRow("image") << "saveImage" << "chart.png" << QByteArray("\x89PNG\r\n") << "chart.png";
    QTest::newRow("image typed without suffix")
            << "saveImage" << "chart" << QByteArray("\x89PNG\r\n") << "chart.png";
    QTest::newRow("CSV below a file") << "saveCsv" << "blocker/history.csv" << QByteArray()
                                      << "blocker/history.csv";
}

void TestProbeHistoryWindow::saving()
{
    QFETCH(QString, button);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, startsWith);
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WindowFixture f(false);
    ProbeHistory &history = f.window->probeHistory();
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    const qint64 t = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < 3; ++i)
        history.append(sampleAt(t + i * 1'000, 3.7));

    const QString path = dir.filePath(fileName);
    QList<ModalAnswers::Step> steps{chooseFile(path)};
    if (startsWith.isEmpty())
        steps << pressButton(QMessageBox::Ok);
    ModalAnswers answers(steps);
    QTest::mouseClick(f.find<QPushButton>(button), Qt::LeftButton);
    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.seen.size(), steps.size());
    QFETCH(QString, savedAs);
    QFile saved(dir.filePath(savedAs));
    if (startsWith.isEmpty()) {
        QCOMPARE(answers.seen.last().title, QStringLiteral("Error"));
        QCOMPARE(answers.seen.last().text, QStringLiteral("File Error!"));
        QVERIFY(!saved.exists());
        return;
    }
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray contents = saved.readAll();
    QVERIFY(contents.startsWith(startsWith));
    if (button == QLatin1String("saveCsv"))
        QCOMPARE(contents.count('\n'), 1 + 3);
}

QTEST_MAIN(TestProbeHistoryWindow)
#include "tst_probehistorywindow.moc"
