// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalanswers.h"
#include "tabwalk.h"
#include "windowfixture.h"

#include "history/probechartview.h"
#include "history/probehistory.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenuBar>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QWidget *historyWindow(const WindowFixture &f)
{
    return f.find<QWidget>(QStringLiteral("probeHistory"));
}

ProbeChartView *chartOf(const WindowFixture &f)
{
    return f.find<ProbeChartView>(QStringLiteral("chart"));
}

QPair<qint64, qint64> timeAxisRange(const WindowFixture &f)
{
    return {chartOf(f)->viewFrom(), chartOf(f)->viewTo()};
}

ProbeSample sampleAt(qint64 time, double batt)
{
    ProbeSample sample;
    sample.time = time;
    sample.volts = {batt, 1.8, 3.3, 1.2};
    return sample;
}

ProbeSample gone(qint64 time)
{
    ProbeSample sample;
    sample.time = time;
    return sample;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the record dialog with the path.
void startRecording(const WindowFixture &f, const QString &path)
{
    ModalAnswers answers({chooseFile(path)});
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("record")), Qt::LeftButton);
}

// Clicks the chart where the time is, halfway up.
void clickChart(const WindowFixture &f, qint64 time, Qt::KeyboardModifiers modifiers = {})
{
    ProbeChartView *view = chartOf(f);
    const QRect plot = view->plotArea();
    const auto [from, to] = timeAxisRange(f);
    const QPoint at(plot.left() + int(double(time - from) * plot.width() / double(to - from)), plot.center().y());
    QTest::mouseClick(view, Qt::LeftButton, modifiers, at);
}

QString text(const WindowFixture &f, const QString &label)
{
    return f.find<QLabel>(label)->text();
}

// BATT's min, max and mean as the statistics show them.
QString battStatistics(const WindowFixture &f)
{
    const auto *table = f.find<QTableWidget>(QStringLiteral("statistics"));
    return table->item(0, 0)->text() + ' ' + table->item(1, 0)->text() + ' ' + table->item(2, 0)->text();
}

QWidget *openHistory(const WindowFixture &f)
{
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    return historyWindow(f);
}

// What a poll tick and a refresh ask of the board.
QStringList pollAndRefreshCalls(WindowFixture &f)
{
    f.board.clearCalls();
    f.invoke("timer_func");
    // The refresh reads anew, so it is a sample of its own.
    ++f.board.adcCount;
    f.invoke("init_hardware");
    return f.board.callTexts();
}

} // namespace

class TestProbeHistoryWindow : public QObject
{
    Q_OBJECT

private slots:
    // The window remembers its span and limits across runs.
    void init() { QSettings().clear(); }
    void toolsMenuShowsTheOneWindow();
    void refreshRecordsWhatThePanelShows_data();
    void refreshRecordsWhatThePanelShows();
    void boardTrafficIsTheSameWithTheWindowOpen();
    void viewFollowsUnlessPaused();
    void gapBreaksTheLine();
    void saving_data();
    void saving();
    void recordingGoesOnWithTheWindowClosed();
    void recordingFailureTellsWhy();
    void limitsGiveEventsAndMayStopTheRecording();
    void limitFieldsTakePlainVolts_data();
    void limitFieldsTakePlainVolts();
    void screenReadersHearWhatEachControlIs();
    void cursorsAndStatistics_data();
    void cursorsAndStatistics();
    void spansShowWhatTheySay_data();
    void spansShowWhatTheySay();
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
                                   "actionRegister_Map=Register Map", "actionSweep=Sweep\u2026"}));

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
    for (const auto &entry : chartOf(f)->legendEntries())
        names << entry.name;
    QCOMPARE(names, (QStringList{"BATT", "BUCK1", "BUCK2", "BUCK3"}));
    QComboBox *span = f.find<QComboBox>(QStringLiteral("span"));
    QCOMPARE(span->currentText(), QStringLiteral("10 minutes"));
    QStringList spans;
    for (int i = 0; i < span->count(); ++i)
        spans << span->itemText(i);
    QCOMPARE(spans, (QStringList{"1 minute", "10 minutes", "1 hour", "Whole history"}));
    // Each line its own width and dashes, so that equal values stay apart.
    QList<QPair<qreal, QList<qreal>>> styles;
    for (const auto &entry : chartOf(f)->legendEntries()) {
        const QPen &pen = entry.pen;
        const auto style = qMakePair(pen.widthF(), pen.style() == Qt::SolidLine ? QList<qreal>() : pen.dashPattern());
        QVERIFY(!styles.contains(style));
        styles << style;
    }
    // Tab reads the window: the chart and its statistics, the limits beside
    // them, the row below.
    QCOMPARE(tabWalk(f.find<QWidget>(QStringLiteral("saveImage")), 19),
             (QStringList{"chart", "statistics", "lowBATT", "highBATT", "lowBUCK1", "highBUCK1", "lowBUCK2",
                          "highBUCK2", "lowBUCK3", "highBUCK3", "stopAtLimit", "events",
                          "saveEvents", "span", "pause", "clear", "record", "saveCsv",
                          "saveImage"}));

    // At its own minimum size the chart keeps its height, and the legend each
    // probe's line in its colour.
    window->resize(window->minimumSizeHint());
    QTRY_COMPARE(window->size(), window->minimumSizeHint());
    ProbeChartView *chart = chartOf(f);
    QVERIFY2(chart->height() >= 200, qPrintable(QString::number(chart->height())));
    const QImage legend = chart->grab(QRect(0, 0, chart->width(), chart->plotArea().top())).toImage();
    QSet<QRgb> colours;
    for (int i = 0; i < legend.width() * legend.height(); ++i)
        colours << (legend.pixel(i % legend.width(), i / legend.width()) & 0xffffff);
    for (const QRgb colour : {0xd55e00, 0x0072b2, 0x009e73, 0xcc79a7})
        QVERIFY2(colours.contains(colour), qPrintable(QString::number(colour, 16)));
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
    QTemporaryDir dir;
    startRecording(open, dir.filePath(QStringLiteral("run.csv")));
    QCOMPARE(pollAndRefreshCalls(open), calls);
    QCOMPARE(contents(dir.filePath(QStringLiteral("run.csv"))).count('\n'), 1 + 2);
}

void TestProbeHistoryWindow::viewFollowsUnlessPaused()
{
    WindowFixture f(false);
    ProbeHistory &history = f.window->probeHistory();
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    // Ahead of the present, so that the sample, not the clock, ends the view.
    const qint64 t = QDateTime::currentMSecsSinceEpoch() + 3'600'000;
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
    for (const ProbeLine &line : f.find<ProbeChartView>(QStringLiteral("chart"))->lines())
        QVERIFY(line.isEmpty());
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
    for (const QList<QPointF> &stretch : f.find<ProbeChartView>(QStringLiteral("chart"))->lines()[0])
        battStretches << int(stretch.size());
    QCOMPARE(battStretches, (QList<int>{2, 1}));
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

// The file named in the title takes each sample and the loss between them,
// whether the window is shown or not.
void TestProbeHistoryWindow::recordingGoesOnWithTheWindowClosed()
{
    QTemporaryDir dir;
    WindowFixture f(false);
    ProbeHistory &history = f.window->probeHistory();
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    startRecording(f, dir.filePath(QStringLiteral("run")));
    QPushButton *record = f.find<QPushButton>(QStringLiteral("record"));
    QCOMPARE(record->text(), QStringLiteral("Stop Recording"));
    QCOMPARE(historyWindow(f)->windowTitle(), "Probe History - recording to " + QDir::toNativeSeparators(path));
    historyWindow(f)->close();

    const qint64 t = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)).toMSecsSinceEpoch();
    for (const ProbeSample &sample : {sampleAt(t, 3.7), gone(t + 1'000), gone(t + 2'000), sampleAt(t + 3'000, 3.6)})
        history.append(sample);
    QCOMPARE(contents(path), QByteArray("time,BATT,BUCK1,BUCK2,BUCK3,0x0d\n"
                                        "2024-03-05T14:07:09.000,3.70,1.80,3.30,1.20,0x00\n"
                                        "2024-03-05T14:07:10.000,,,,,\n"
                                        "2024-03-05T14:07:12.000,3.60,1.80,3.30,1.20,0x00\n"));
    QTest::mouseClick(record, Qt::LeftButton);
    QCOMPARE(record->text(), QStringLiteral("Record\u2026"));
    QCOMPARE(historyWindow(f)->windowTitle(), QStringLiteral("Probe History"));
    history.append(sampleAt(t + 4'000, 3.6));
    QCOMPARE(contents(path).count('\n'), 4);
}

// A recording that cannot start, and one whose file can grow no further (as
// on a full disk), stop with the file and the system's reason.
void TestProbeHistoryWindow::recordingFailureTellsWhy()
{
#ifdef Q_OS_WIN
    QSKIP("Needs a limit on the size of the files the process writes (setrlimit)");
#else
    QTemporaryDir dir;
    WindowFixture f(false);
    f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
    const QString missing = dir.filePath(QStringLiteral("no/run.csv"));
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    ModalAnswers answers({chooseFile(missing), pressButton(QMessageBox::Ok), chooseFile(path),
                          pressButton(QMessageBox::Ok)});
    QPushButton *record = f.find<QPushButton>(QStringLiteral("record"));
    QTest::mouseClick(record, Qt::LeftButton);
    QTest::mouseClick(record, Qt::LeftButton);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{100, limit.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int s = 0; s < 3; ++s)
        f.window->probeHistory().append(sampleAt(now + s, 3.7));
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);

    QTRY_COMPARE(answers.seen.size(), 4);
    QCOMPARE(answers.unexpected, 0);
    for (const int box : {1, 3})
        QCOMPARE(answers.seen.at(box).text, QStringLiteral("File Error!"));
    QCOMPARE(answers.seen.at(1).informativeText, missing + ": No such file or directory");
    QCOMPARE(answers.seen.at(3).informativeText, path + ": File too large");
    // The line cut short is taken back: the header and the first sample stay.
    const QByteArray kept = contents(path);
    QVERIFY2(kept.endsWith('\n') && kept.count('\n') == 2, kept.constData());
    QCOMPARE(record->text(), QStringLiteral("Record\u2026"));
    QCOMPARE(f.window->probeHistory().size(), 3);
#endif
}

void TestProbeHistoryWindow::limitsGiveEventsAndMayStopTheRecording()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    {
        WindowFixture f(false);
        ProbeHistory &history = f.window->probeHistory();
        f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
        QTest::keyClicks(f.find<QLineEdit>(QStringLiteral("lowBATT")), QStringLiteral("3.00"));
        f.find<QCheckBox>(QStringLiteral("stopAtLimit"))->setChecked(true);
        startRecording(f, path);
        qint64 t = QDateTime(QDate(2024, 3, 5), QTime(14, 3, 5)).toMSecsSinceEpoch();
        for (double volts : {3.2, 2.98, 2.9, 3.1})
            history.append(sampleAt(t += 1'000, volts));
        QStringList events;
        auto *list = f.find<QListWidget>(QStringLiteral("events"));
        for (int row = 0; row < list->count(); ++row)
            events << list->item(row)->text();
        QCOMPARE(events, (QStringList{"14:03:07 BATT 2.98 V below 3.00 V", "14:03:09 BATT back within limits"}));
        QCOMPARE(f.find<QPushButton>(QStringLiteral("record"))->text(), QStringLiteral("Record\u2026"));
        QCOMPARE(contents(path).count('\n'), 1 + 2);

        // Saved with the date; Clear takes the events from the list, the
        // chart and the next file.
        ModalAnswers answers({chooseFile(dir.filePath("events")), chooseFile(dir.filePath("cleared"))});
        for (const char *button : {"saveEvents", "clear", "saveEvents"})
            QTest::mouseClick(f.find<QPushButton>(QLatin1String(button)), Qt::LeftButton);
        QCOMPARE(contents(dir.filePath(QStringLiteral("events.txt"))),
                 QByteArray("2024-03-05T14:03:07.000 BATT 2.98 V below 3.00 V\n"
                            "2024-03-05T14:03:09.000 BATT back within limits\n"));
        QCOMPARE(contents(dir.filePath(QStringLiteral("cleared.txt"))) + QByteArray::number(list->count()), "0");
    }
    // The next run watches the remembered limits before the window is ever
    // built, and lists what they gave when it is.
    WindowFixture again(false);
    const qint64 t = QDateTime(QDate(2024, 3, 5), QTime(14, 5, 0)).toMSecsSinceEpoch();
    again.window->probeHistory().append(sampleAt(t, 2.9));
    QVERIFY(!again.window->findChild<ProbeChartView *>());
    openHistory(again);
    QCOMPARE(again.find<QListWidget>(QStringLiteral("events"))->item(0)->text(),
             QStringLiteral("14:05:00 BATT 2.90 V below 3.00 V"));
    QCOMPARE(again.find<QLineEdit>(QStringLiteral("lowBATT"))->text(), QStringLiteral("3.00"));
    QCOMPARE(again.find<QLineEdit>(QStringLiteral("highBATT"))->text(), QString());
}

void TestProbeHistoryWindow::limitFieldsTakePlainVolts_data()
{
    QTest::addColumn<QString>("limit"); // as the settings keep it
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("outcome"); // the limit kept for the next run, or why none is

    QTest::newRow("comma") << "BATT/low" << "3,5" << "3.50";
    QTest::newRow("the probe's highest") << "BUCK1/high" << "4.88" << "4.88";
    QTest::newRow("above the probe's range")
            << "BUCK3/high" << "2.45" << "BUCK3 high limit: \u201c2.45\u201d is no voltage from 0 to 2.44 V.";
    QTest::newRow("negative") << "BATT/low" << "-1" << "BATT low limit: \u201c-1\u201d is no voltage from 0 to 6.83 V.";
    QTest::newRow("exponent") << "BATT/low" << "1e0" << "BATT low limit: \u201c1e0\u201d is no voltage from 0 to 6.83 V.";
    QTest::newRow("three decimals")
            << "BATT/low" << "3.456" << "BATT low limit: \u201c3.456\u201d is no voltage from 0 to 6.83 V.";
}

// What is typed stays as typed; what is no voltage is refused where it
// shows, and for screen readers, and no limit is kept.
void TestProbeHistoryWindow::limitFieldsTakePlainVolts()
{
    QFETCH(QString, limit);
    QFETCH(QString, typed);
    WindowFixture f(false);
    openHistory(f);
    auto *edit = f.find<QLineEdit>(limit.section('/', 1) + limit.section('/', 0, 0));
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
    const auto *problem = f.find<QLabel>(QStringLiteral("limitProblems"));
    QTEST(QSettings().value("probeLimits/" + limit).toString() + problem->text(), "outcome");
    QCOMPARE(problem->isVisible(), !problem->text().isEmpty());
    if (problem->isVisible())
        QCOMPARE(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Description), problem->text());
}

// Each focusable control says what it is, no two alike, and the
// statistics say which probe and which value each number is.
void TestProbeHistoryWindow::screenReadersHearWhatEachControlIs()
{
    WindowFixture f(false);
    QWidget *window = openHistory(f);
    f.window->probeHistory().append(sampleAt(QDateTime::currentMSecsSinceEpoch(), 3.7));
    QStringList heard;
    for (const char *control : {"chart", "statistics", "highBUCK3", "events", "span", "clear"})
        heard << QAccessible::queryAccessibleInterface(f.find<QWidget>(control))->text(QAccessible::Name);
    QCOMPARE(heard.join(", "), "Probe voltages over time, Statistics, BUCK3 high limit, Limit events, Time span, "
                               "Clear history");
    QCOMPARE(QAccessible::queryAccessibleInterface(f.find<QWidget>("span"))->text(QAccessible::Value), "10 minutes");

    QStringList names;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->isVisibleTo(window) && widget->focusPolicy() != Qt::NoFocus)
            names << QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    }
    QVERIFY2(!names.contains(QString()), qPrintable(names.join(", ")));
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());

    QAccessibleInterface *mean = QAccessible::queryAccessibleInterface(f.find<QWidget>("statistics"))->tableInterface()->cellAt(2, 0);
    const QAccessibleTableCellInterface *cell = mean->tableCellInterface();
    QStringList said;
    // A header cell is made for the asker, who lets it go.
    for (QAccessibleInterface *header : cell->columnHeaderCells() + cell->rowHeaderCells()) {
        said << header->text(QAccessible::Name);
        QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(header));
    }
    QCOMPARE(said.join(' ') + ' ' + mean->text(QAccessible::Name), "BATT mean 3.70");
}

void TestProbeHistoryWindow::cursorsAndStatistics_data()
{
    // Clicks at a sample ("click@2"), keys with their repeat ("Shift+Right*3").
    QTest::addColumn<QString>("actions");
    QTest::addColumn<int>("a"); // the sample under each cursor, -1: none
    QTest::addColumn<int>("b");
    QTest::addColumn<QString>("moved"); // the cursor spoken, with the differences
    QTest::addColumn<QString>("difference");
    QTest::addColumn<QString>("batt"); // min max mean

    QTest::newRow("clicks, A left of B") << "click@2 Shift+click@8" << 2 << 8 << "B"
                                         << "\u0394t 6.000 s   \u0394BATT +0.06 V" << "3.02 3.08 3.05";
    QTest::newRow("keys, B left of A") << "Home Right*8 Shift+Home Shift+Right*2" << 8 << 2 << "B"
                                       << "\u0394t -6.000 s   \u0394BATT -0.06 V" << "3.02 3.08 3.05";
    QTest::newRow("B more than a minute left of A") << "Shift+Home Shift+Right*10 End Left*4" << 96 << 10 << "A"
                                                   << "\u0394t -0:01:26   \u0394BATT -0.86 V" << "3.10 3.96 3.53";
    QTest::newRow("a cursor comes in from the side it leaves") << "Left Shift+Right" << 100 << 0 << "B"
            << "\u0394t -0:01:40   \u0394BATT -1.00 V" << "3.00 4.00 3.50";
    QTest::newRow("no further than the ends") << "Right*3 Left*3 Shift+End Shift+Right" << 0 << 100 << "B"
                                              << "\u0394t 0:01:40   \u0394BATT +1.00 V" << "3.00 4.00 3.50";
    QTest::newRow("A alone") << "End" << 100 << -1 << "A" << "" << "3.00 4.00 3.50";
}

// BATT rises by 10 mV a second over 101 samples; the whole history is shown.
void TestProbeHistoryWindow::cursorsAndStatistics()
{
    QFETCH(QString, actions);
    QFETCH(int, a);
    QFETCH(int, b);
    WindowFixture f(false);
    ProbeHistory &history = f.window->probeHistory();
    QWidget *window = openHistory(f);
    f.find<QComboBox>(QStringLiteral("span"))->setCurrentIndex(3);
    const qint64 t = QDateTime::currentMSecsSinceEpoch() - 101'000;
    // BUCK3 reads a hair under 1.20 V at every fourth sample, shown as 1.20.
    for (int s = 0; s <= 100; ++s) {
        ProbeSample sample = sampleAt(t + s * 1'000, 3.0 + s * 0.01);
        sample.volts[3] -= s % 4 == 0 ? 0.001 : 0.0;
        history.append(sample);
    }
    QVERIFY(QTest::qWaitForWindowExposed(window));
    ProbeChartView *chart = chartOf(f);
    chart->setFocus();
    for (const QString &action : actions.split(' ', Qt::SkipEmptyParts)) {
        const QString step = action.section('*', 0, 0);
        const Qt::KeyboardModifiers shift = step.startsWith("Shift") ? Qt::ShiftModifier : Qt::NoModifier;
        for (int i = 0; i < qMax(1, action.section('*', 1).toInt()); ++i) {
            if (step.contains('@'))
                clickChart(f, t + step.section('@', 1).toInt() * 1'000, shift);
            else
                QTest::keyClick(chart, QKeySequence::fromString(step)[0].key(), shift);
        }
    }

    const QString readout = QStringLiteral("%1  %2   BATT %3 V   BUCK1 1.80 V   BUCK2 3.30 V   BUCK3 1.20 V");
    const auto expected = [&](const char *name, int sample) {
        return sample < 0 ? QString()
                          : readout.arg(name, QDateTime::fromMSecsSinceEpoch(t + sample * 1'000).toString("hh:mm:ss"))
                                    .arg(3.0 + sample * 0.01, 0, 'f', 2);
    };
    QCOMPARE(text(f, "cursorA"), expected("A", a));
    QCOMPARE(text(f, "cursorB"), expected("B", b));
    QFETCH(QString, difference);
    QCOMPARE(text(f, "cursorDifference").section("   \u0394BUCK1", 0, 0), difference.isEmpty() ? "" : "B \u2212 A  " + difference);
    QVERIFY(!text(f, "cursorDifference").contains("-0.00"));
    QCOMPARE(text(f, "statisticsSpan"), a >= 0 && b >= 0 ? QStringLiteral("Between A and B") : QStringLiteral("Visible span"));
    QTEST(battStatistics(f), "batt");
    QFETCH(QString, moved);
    QStringList said{text(f, "cursor" + moved)};
    if (!difference.isEmpty())
        said << text(f, "cursorDifference");
    QCOMPARE(QAccessible::queryAccessibleInterface(chart)->text(QAccessible::Description), said.join("; "));

    // Escape takes the cursors away, a second one closes the window.
    QTest::keyClick(chart, Qt::Key_Escape);
    QVERIFY(window->isVisible());
    QCOMPARE(text(f, "cursorA") + text(f, "cursorB") + text(f, "cursorDifference"), QString());
    QCOMPARE(text(f, "statisticsSpan"), QStringLiteral("Visible span"));
    QTest::keyClick(chart, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

void TestProbeHistoryWindow::spansShowWhatTheySay_data()
{
    QTest::addColumn<int>("span");
    QTest::addColumn<qint64>("width"); // 0: from the oldest sample
    QTest::newRow("1 minute") << 0 << 60'000LL;
    QTest::newRow("10 minutes") << 1 << 600'000LL;
    QTest::newRow("1 hour") << 2 << 3'600'000LL;
    QTest::newRow("Whole history") << 3 << 0LL;
}

// Two hours of samples up to a minute ago: a live view ends at the present,
// where the lines stop short, and the span is remembered.
void TestProbeHistoryWindow::spansShowWhatTheySay()
{
    QFETCH(int, span);
    QFETCH(qint64, width);
    const qint64 oldest = QDateTime::currentMSecsSinceEpoch() - 7'260'000;
    {
        WindowFixture f(false);
        ProbeHistory &history = f.window->probeHistory();
        for (int s = 0; s < 7'200; ++s)
            history.append(sampleAt(oldest + s * 1'000, 3.7));
        f.find<QAction>(QStringLiteral("actionProbe_History"))->trigger();
        f.find<QComboBox>(QStringLiteral("span"))->setCurrentIndex(span);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const auto [from, to] = timeAxisRange(f);
        QVERIFY2(qAbs(to - now) < 1'000, qPrintable(QString::number(to - now)));
        QCOMPARE(from, width ? to - width : oldest);
    }
    WindowFixture again(false);
    openHistory(again);
    QCOMPARE(again.find<QComboBox>(QStringLiteral("span"))->currentIndex(), span);
}

QTEST_MAIN(TestProbeHistoryWindow)
#include "tst_probehistorywindow.moc"
