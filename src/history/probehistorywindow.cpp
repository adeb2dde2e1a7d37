// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probehistorywindow.h"

#include "binding/panelreadouts.h"
#include "common/runclock.h"
#include "common/tabchain.h"
#include "history/probechartview.h"
#include "history/probehistory.h"
#include "panel/commandbutton.h"
#include "panel/windowmemory.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDir>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr QSize initialSize(1060, 680);
constexpr QColor chartBackground{255, 255, 255};

// The view's narrowest reach, so that a history of one sample still has an
// axis to be drawn on.
constexpr qint64 shortestSpan = 60'000;
// A live view moves on with the clock, samples or not, so that a lost
// board shows as a gap that grows.
constexpr int liveRedrawMs = 1000;

// The volts axis starts at 0 V, so a converter switched off reads as such,
// and ends a little above the highest value or limit shown, on a whole tick.
constexpr double voltsTick = 0.5;
constexpr double voltsHeadroom = 0.1;
constexpr double lowestVoltsTop = 1.0;

// How many pixels of the chart's width one bucket of a long view covers:
// every point is placed again whenever the view moves, so the points drawn,
// not the samples held, set the cost of a redraw.
constexpr int pixelsPerBucket = 16;

constexpr char spanKey[] = "probeHistorySpan";
constexpr char limitsGroup[] = "probeLimits";
constexpr int limitDecimals = 2;
constexpr double highestLimit = 99.99;
constexpr int limitEditChars = 6;

constexpr char cursorTimeFormat[] = "hh:mm:ss";
constexpr qint64 msPerMinute = 60'000;
constexpr char statisticNames[][5] = {"min", "max", "mean"};

double voltsTop(double highest)
{
    if (std::isnan(highest))
        return lowestVoltsTop;
    return std::max(lowestVoltsTop, std::ceil((highest + voltsHeadroom) / voltsTick) * voltsTick);
}

QString voltsText(double volts)
{
    return std::isnan(volts) ? QStringLiteral("\u2013") : probeText(volts);
}

QString limitText(double volts)
{
    return std::isnan(volts) ? QString() : QString::number(volts, 'f', limitDecimals);
}

double limitValue(const QLineEdit *edit)
{
    bool ok = false;
    const double volts = QLocale::c().toDouble(edit->text(), &ok);
    return ok ? volts : noReading;
}

// A time difference as seconds under a minute, else as h:mm:ss.
QString durationText(qint64 ms)
{
    if (std::abs(ms) < msPerMinute)
        return QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'f', 3);
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    const qint64 seconds = std::abs(ms) / 1000;
    return sign + QStringLiteral("%1:%2:%3")
                          .arg(seconds / 3600)
                          .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ProbeHistoryWindow::ProbeHistoryWindow(ProbeHistory &history, const RunClock &clock,
                                       QWidget *parent)
    : QDialog(parent), history(history), clock(clock)
{
    setObjectName(QStringLiteral("probeHistory"));
    setWindowTitle(tr("Probe History"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    chart = new QChart;
    chart->setBackgroundVisible(false);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    // The time axis holds the span shown; the chart view draws it, with
    // ticks on round times, which this axis cannot give.
    timeAxis = new QDateTimeAxis;
    timeAxis->setVisible(false);
    voltsAxis = new QValueAxis;
    voltsAxis->setTickType(QValueAxis::TicksDynamic);
    voltsAxis->setTickAnchor(0.0);
    voltsAxis->setTickInterval(voltsTick);
    voltsAxis->setGridLineVisible(false);
    voltsAxis->setLabelFormat(QStringLiteral("%.1f"));
    voltsAxis->setTitleText(tr("Volts"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(voltsAxis, Qt::AlignLeft);
    // Empty: they give the legend; the chart view draws the lines.
    for (int probe = 0; probe < probeCount; ++probe) {
        auto *series = new QLineSeries;
        series->setName(QLatin1String(panelProbes[probe].label));
        series->setPen(ProbeChartView::probePen(probe));
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(voltsAxis);
    }

    chartView = new ProbeChartView(chart, history, watch);
    chartView->setObjectName(QStringLiteral("chart"));
    chartView->setBackgroundBrush(chartBackground);
    chartView->setAccessibleName(tr("Probe voltages over time"));

    spanChoice = new QComboBox;
    spanChoice->setObjectName(QStringLiteral("span"));
    for (const Span &span : spans)
        spanChoice->addItem(tr(span.text));
    const int remembered = QSettings().value(QLatin1String(spanKey), defaultSpan).toInt();
    spanChoice->setCurrentIndex(remembered >= 0 && remembered < spanChoice->count() ? remembered
                                                                                   : defaultSpan);
    auto *spanLabel = new QLabel(tr("Time span"));
    spanLabel->setBuddy(spanChoice);

    auto *controls = new QHBoxLayout;
    controls->addWidget(spanLabel);
    controls->addWidget(spanChoice);
    controls->addStretch();
    pauseButton = addButton(controls, tr("Pause"), "pause");
    QPushButton *clearButton = addButton(controls, tr("Clear"), "clear");
    recordButton = addButton(controls, tr("Record\u2026"), "record");
    QPushButton *saveCsvButton = addButton(controls, tr("Save CSV\u2026"), "saveCsv");
    QPushButton *saveImageButton = addButton(controls, tr("Save Image\u2026"), "saveImage");

    auto *chartColumn = new QVBoxLayout;
    chartColumn->addWidget(chartView, 1);
    chartColumn->addLayout(makeStatistics());
    for (QLabel *&text : cursorText) {
        text = new QLabel;
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        chartColumn->addWidget(text);
    }
    cursorText[0]->setObjectName(QStringLiteral("cursorA"));
    cursorText[1]->setObjectName(QStringLiteral("cursorB"));
    cursorText[2]->setObjectName(QStringLiteral("cursorDifference"));

    auto *top = new QHBoxLayout;
    top->addLayout(chartColumn, 1);
    top->addWidget(makeLimits());
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(controls);
    resize(initialSize);
    // Reading order: the chart, the limits beside it, then the row below.
    QList<QWidget *> tabOrder{chartView};
    for (const LimitEdits &edits : limitEdits)
        tabOrder << edits.low << edits.high;
    tabOrder << stopAtLimit << eventList << saveEventsButton << spanChoice << pauseButton
             << clearButton << recordButton << saveCsvButton << saveImageButton;
    setTabChain(*this, tabOrder);
    new WindowMemory(*this, QStringLiteral("probeHistory"));

    liveTimer.setInterval(liveRedrawMs);
    connect(&liveTimer, &QTimer::timeout, this, &ProbeHistoryWindow::historyChanged);
    connect(&history, &ProbeHistory::changed, this, &ProbeHistoryWindow::historyChanged);
    connect(&history, &ProbeHistory::sampleTaken, this, &ProbeHistoryWindow::sampleTaken);
    connect(&history, &ProbeHistory::lossSeen, &recording, &ProbeRecording::recordGap);
    connect(&recording, &ProbeRecording::fileChanged, this, &ProbeHistoryWindow::recordingChanged);
    // Told once the refresh that wrote the sample is over, not in its midst.
    connect(
            &recording, &ProbeRecording::failed, this,
            [](const QString &fileName, const QString &reason) {
                showFileError(QStringLiteral("File Error!"), fileName, reason);
            },
            Qt::QueuedConnection);
    connect(chartView, &ProbeChartView::cursorsChanged, this, &ProbeHistoryWindow::showCursors);
    connect(spanChoice, &QComboBox::currentIndexChanged, this, &ProbeHistoryWindow::spanChosen);
    connect(pauseButton, &QPushButton::clicked, this, &ProbeHistoryWindow::togglePause);
    connect(clearButton, &QPushButton::clicked, this, &ProbeHistoryWindow::clearHistory);
    connect(recordButton, &QPushButton::clicked, this, &ProbeHistoryWindow::toggleRecording);
    connect(saveCsvButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveCsv);
    connect(saveImageButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveImage);
}

ProbeHistoryWindow::~ProbeHistoryWindow() = default;

// A low and a high limit per probe, kept across runs, the events they gave
// and what a limit does to the recording.
QWidget *ProbeHistoryWindow::makeLimits()
{
    auto *box = new QGroupBox(tr("Limits (V)"));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Low")), 0, 1);
    grid->addWidget(new QLabel(tr("High")), 0, 2);
    QSettings settings;
    settings.beginGroup(QLatin1String(limitsGroup));
    auto *validator = new QDoubleValidator(0.0, highestLimit, limitDecimals, box);
    validator->setLocale(QLocale::c());
    validator->setNotation(QDoubleValidator::StandardNotation);
    for (int p = 0; p < probeCount; ++p) {
        const QString name = QLatin1String(panelProbes[p].label);
        grid->addWidget(new QLabel(name), p + 1, 0);
        LimitEdits &edits = limitEdits[std::size_t(p)];
        int column = 1;
        for (auto [edit, which] : {std::pair{&edits.low, "low"}, std::pair{&edits.high, "high"}}) {
            *edit = new QLineEdit(settings.value(name + QLatin1Char('/') + QLatin1String(which)).toString());
            (*edit)->setObjectName(QLatin1String(which) + name);
            (*edit)->setValidator(validator);
            (*edit)->setPlaceholderText(tr("none"));
            (*edit)->setAccessibleName(tr("%1 %2 limit").arg(name, QLatin1String(which)));
            (*edit)->setMaximumWidth((*edit)->fontMetrics().horizontalAdvance(QLatin1Char('0'))
                                     * limitEditChars * 2);
            grid->addWidget(*edit, p + 1, column++);
            connect(*edit, &QLineEdit::textChanged, this, &ProbeHistoryWindow::limitsEdited);
        }
    }
    limitsEdited();

    stopAtLimit = new QCheckBox(tr("Stop recording at a limit"));
    stopAtLimit->setObjectName(QStringLiteral("stopAtLimit"));
    eventList = new QListWidget;
    eventList->setObjectName(QStringLiteral("events"));
    saveEventsButton = new QPushButton(tr("Save Events\u2026"));
    saveEventsButton->setObjectName(QStringLiteral("saveEvents"));
    saveEventsButton->setAutoDefault(false);
    connect(saveEventsButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveEvents);

    auto *column = new QVBoxLayout(box);
    column->addLayout(grid);
    column->addWidget(stopAtLimit);
    column->addWidget(new QLabel(tr("Events")));
    column->addWidget(eventList, 1);
    column->addWidget(saveEventsButton, 0, Qt::AlignRight);
    return box;
}

// Each probe's min, max and mean, in a column under its name.
QGridLayout *ProbeHistoryWindow::makeStatistics()
{
    auto *grid = new QGridLayout;
    statisticsSpan = new QLabel;
    statisticsSpan->setObjectName(QStringLiteral("statisticsSpan"));
    grid->addWidget(statisticsSpan, 0, 0);
    for (int row = 0; row < int(std::size(statisticNames)); ++row)
        grid->addWidget(new QLabel(QLatin1String(statisticNames[row])), row + 1, 0);
    for (int p = 0; p < probeCount; ++p) {
        const QString name = QLatin1String(panelProbes[p].label);
        auto *header = new QLabel(name);
        header->setAlignment(Qt::AlignRight);
        grid->addWidget(header, 0, p + 1);
        for (int row = 0; row < int(std::size(statisticNames)); ++row) {
            auto *value = new QLabel;
            value->setObjectName(QLatin1String(statisticNames[row]) + name);
            value->setAlignment(Qt::AlignRight);
            grid->addWidget(value, row + 1, p + 1);
            statistics[std::size_t(p)][std::size_t(row)] = value;
        }
    }
    grid->setColumnStretch(probeCount + 1, 1);
    return grid;
}

void ProbeHistoryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    liveTimer.start();
    redraw();
}

void ProbeHistoryWindow::hideEvent(QHideEvent *event)
{
    liveTimer.stop();
    QDialog::hideEvent(event);
}

void ProbeHistoryWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    redraw();
}

// Escape takes the cursors away first, and only then closes the window.
void ProbeHistoryWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && chartView->hasCursors()) {
        chartView->clearCursors();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ProbeHistoryWindow::historyChanged()
{
    if (!paused)
        redraw();
}

// The recording and the limits hear every sample, shown or not; a sample
// that crosses a limit is recorded before the recording may stop at it.
void ProbeHistoryWindow::sampleTaken(const RecordedSample &sample)
{
    recording.record(sample);
    for (const LimitEvent &event : watch.check(sample)) {
        eventList->addItem(event.text());
        if (eventList->count() > LimitWatch::maxEvents)
            delete eventList->takeItem(0);
        if (event.leavesLimits() && stopAtLimit->isChecked())
            recording.stop();
    }
}

void ProbeHistoryWindow::spanChosen(int index)
{
    QSettings().setValue(QLatin1String(spanKey), index);
    redraw();
}

void ProbeHistoryWindow::togglePause()
{
    pausedAt = viewEnd();
    paused = !paused;
    pauseButton->setText(paused ? tr("Resume") : tr("Pause"));
    redraw();
}

void ProbeHistoryWindow::clearHistory()
{
    chartView->clearCursors();
    watch.clearEvents();
    eventList->clear();
    history.clear();
    redraw();
}

void ProbeHistoryWindow::saveCsv()
{
    const QString fileName =
            askSaveFileName(this, tr("Save CSV"), tr("CSV files (*.csv)"), QStringLiteral("csv"));
    if (!fileName.isEmpty())
        saveFile(fileName, {}, [this](QIODevice &file) { return history.writeCsv(file); });
}

void ProbeHistoryWindow::saveImage()
{
    const QString fileName =
            askSaveFileName(this, tr("Save Image"), tr("PNG images (*.png)"), QStringLiteral("png"));
    if (!fileName.isEmpty())
        saveFile(fileName, {}, [this](QIODevice &file) { return chartView->grab().save(&file, "PNG"); });
}

void ProbeHistoryWindow::toggleRecording()
{
    if (recording.isRecording()) {
        recording.stop();
        return;
    }
    const QString fileName =
            askSaveFileName(this, tr("Record"), tr("CSV files (*.csv)"), QStringLiteral("csv"));
    if (!fileName.isEmpty() && !recording.start(fileName))
        showFileError(QStringLiteral("File Error!"), fileName, recording.errorString());
}

void ProbeHistoryWindow::recordingChanged()
{
    if (recording.isRecording()) {
        recordButton->setText(tr("Stop Recording"));
        setWindowTitle(tr("Probe History - recording to %1")
                               .arg(QDir::toNativeSeparators(recording.fileName())));
    } else {
        recordButton->setText(tr("Record\u2026"));
        setWindowTitle(tr("Probe History"));
    }
}

void ProbeHistoryWindow::limitsEdited()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(limitsGroup));
    ProbeLimits limits;
    for (int p = 0; p < probeCount; ++p) {
        const QString name = QLatin1String(panelProbes[p].label);
        const LimitEdits &edits = limitEdits[std::size_t(p)];
        limits[std::size_t(p)] = {limitValue(edits.low), limitValue(edits.high)};
        settings.setValue(name + QStringLiteral("/low"), limitText(limits[std::size_t(p)].low));
        settings.setValue(name + QStringLiteral("/high"), limitText(limits[std::size_t(p)].high));
    }
    watch.setLimits(limits);
    redraw();
}

void ProbeHistoryWindow::saveEvents()
{
    const QString fileName =
            askSaveFileName(this, tr("Save Events"), tr("Text files (*.txt)"), QStringLiteral("txt"));
    if (fileName.isEmpty())
        return;
    saveFile(fileName, {}, [this](QIODevice &file) {
        for (const LimitEvent &event : watch.events()) {
            if (file.write((event.text() + QLatin1Char('\n')).toUtf8()) < 0)
                return false;
        }
        return true;
    });
}

// The end of the view: where Pause held it, else the present, or the
// newest sample should it be stamped later still.
qint64 ProbeHistoryWindow::viewEnd() const
{
    if (paused)
        return pausedAt;
    const qint64 now = clock.now();
    return history.isEmpty() ? now : std::max(now, history.at(history.size() - 1).time);
}

void ProbeHistoryWindow::redraw()
{
    if (!isVisible())
        return;
    const qint64 to = viewEnd();
    qint64 width = spans[std::size_t(spanChoice->currentIndex())].width;
    if (width == 0 && !history.isEmpty())
        width = to - history.at(0).time;
    const qint64 from = to - std::max(width, shortestSpan);
    const int buckets = std::max(1, chartView->width() / pixelsPerBucket);
    const ProbeTraces traces = probeTraces(history, from, to, buckets);
    double highest = traces.highestVolts;
    for (const ProbeLimit &limit : watch.limits()) {
        for (double volts : {limit.low, limit.high}) {
            if (!std::isnan(volts) && (std::isnan(highest) || volts > highest))
                highest = volts;
        }
    }

    // In UTC: the same instants, without a trip through the time zone.
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC),
                       QDateTime::fromMSecsSinceEpoch(to, Qt::UTC));
    voltsAxis->setRange(0.0, voltsTop(highest));
    chartView->setView(from, to, voltsTop(highest), traces.lines);
    viewFrom = from;
    viewTo = to;
    showStatistics();
}

// Over the visible span, or between the cursors when both are placed.
void ProbeHistoryWindow::showStatistics()
{
    const auto a = chartView->cursor(ProbeChartView::A);
    const auto b = chartView->cursor(ProbeChartView::B);
    const bool between = a && b;
    statisticsSpan->setText(between ? tr("Between A and B") : tr("Visible span"));
    const auto values = between ? probeStatistics(history, std::min(*a, *b), std::max(*a, *b))
                                : probeStatistics(history, viewFrom, viewTo);
    for (int p = 0; p < probeCount; ++p) {
        const ProbeStatistics &s = values[std::size_t(p)];
        const std::array<double, 3> shown{s.min, s.max, s.mean};
        for (std::size_t row = 0; row < shown.size(); ++row)
            statistics[std::size_t(p)][row]->setText(voltsText(shown[row]));
    }
}

// Each cursor's time and the values of its sample, and with both placed
// how far apart they are.
void ProbeHistoryWindow::showCursors()
{
    std::array<const RecordedSample *, 2> samples{};
    for (int which : {ProbeChartView::A, ProbeChartView::B}) {
        const auto time = chartView->cursor(ProbeChartView::Cursor(which));
        QString text;
        if (time && !history.isEmpty()) {
            const RecordedSample &sample = history.nearest(*time);
            samples[std::size_t(which)] = &sample;
            text = QStringLiteral("%1  %2")
                           .arg(which == ProbeChartView::A ? QLatin1Char('A') : QLatin1Char('B'))
                           .arg(QDateTime::fromMSecsSinceEpoch(sample.time)
                                        .toString(QLatin1String(cursorTimeFormat)));
            for (int p = 0; p < probeCount; ++p)
                text += QStringLiteral("   %1 %2 V")
                                .arg(QLatin1String(panelProbes[p].label),
                                     voltsText(sample.volts[std::size_t(p)]));
        }
        cursorText[std::size_t(which)]->setText(text);
    }
    QString difference;
    if (samples[0] && samples[1]) {
        difference = tr("B \u2212 A  \u0394t %1").arg(durationText(samples[1]->time - samples[0]->time));
        for (int p = 0; p < probeCount; ++p) {
            const double delta = samples[1]->volts[std::size_t(p)] - samples[0]->volts[std::size_t(p)];
            difference += QStringLiteral("   \u0394%1 %2 V")
                                  .arg(QLatin1String(panelProbes[p].label),
                                       std::isnan(delta) ? QStringLiteral("\u2013")
                                                         : QString::asprintf("%+.2f", delta));
        }
    }
    cursorText[2]->setText(difference);
    showStatistics();
}
