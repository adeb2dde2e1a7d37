// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probehistorywindow.h"

#include "binding/panelreadouts.h"
#include "common/runclock.h"
#include "common/spokenname.h"
#include "common/tabchain.h"
#include "history/probechartview.h"
#include "history/probehistory.h"
#include "panel/commandbutton.h"
#include "panel/windowmemory.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

namespace {

constexpr QSize initialSize(1060, 680);

// The view's narrowest reach, so that a history of one sample still has an
// axis to be drawn on.
constexpr qint64 shortestSpan = 60'000;
// A live view moves on with the clock, samples or not, so that a lost
// board shows as a gap that grows.
constexpr int liveRedrawMs = 1000;

// The volts axis starts at 0 V, so a converter switched off reads as such,
// and ends a little above the highest value or limit shown, on a whole tick.
constexpr double voltsHeadroom = 0.1;
constexpr double lowestVoltsTop = 1.0;

// How many pixels of the chart's width one bucket of a long view covers:
// every point is placed again whenever the view moves, so the points drawn,
// not the samples held, set the cost of a redraw.
constexpr int pixelsPerBucket = 16;

constexpr char spanKey[] = "probeHistorySpan";
constexpr char limitsGroup[] = "probeLimits";
constexpr int limitDecimals = 2;
constexpr int limitEditChars = 6;
constexpr QColor refusedText{170, 0, 0};
constexpr QColor refusedBase{255, 221, 221};

constexpr char cursorTimeFormat[] = "hh:mm:ss";
constexpr qint64 msPerMinute = 60'000;
constexpr const char *statisticNames[] = {QT_TRANSLATE_NOOP("ProbeHistoryWindow", "min"),
                                          QT_TRANSLATE_NOOP("ProbeHistoryWindow", "max"),
                                          QT_TRANSLATE_NOOP("ProbeHistoryWindow", "mean")};
constexpr char widestStatistic[] = "00.00";
constexpr int statisticPadding = 12;

double voltsTop(double highest)
{
    const double step = ProbeChartView::voltsStep;
    if (std::isnan(highest))
        return lowestVoltsTop;
    return std::max(lowestVoltsTop, std::ceil((highest + voltsHeadroom) / step) * step);
}

QString voltsText(double volts)
{
    return std::isnan(volts) ? QStringLiteral("\u2013") : probeText(volts);
}

QString limitText(double volts)
{
    return std::isnan(volts) ? QString() : QString::number(volts, 'f', limitDecimals);
}

QString limitKey(int probe, const char *which)
{
    return QLatin1String(panelProbes[probe].label) + QLatin1Char('/') + QLatin1String(which);
}

// The limits of the last run, those that are limits still.
ProbeLimits rememberedLimits()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(limitsGroup));
    ProbeLimits limits;
    for (int p = 0; p < probeCount; ++p) {
        ProbeLimit &limit = limits[std::size_t(p)];
        for (auto [volts, which] : {std::pair{&limit.low, "low"}, std::pair{&limit.high, "high"}})
            *volts = limitFromText(settings.value(limitKey(p, which)).toString(), probeFullScale(p))
                             .value_or(noReading);
    }
    return limits;
}

// A header of the statistics that is only its text, as a label would be.
class PlainHeader : public QHeaderView
{
public:
    PlainHeader(Qt::Orientation orientation, Qt::Alignment alignment)
        : QHeaderView(orientation), alignment(alignment)
    {
        setSectionsClickable(false);
        setSectionResizeMode(QHeaderView::Fixed);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int section) const override
    {
        painter->setPen(palette().color(QPalette::WindowText));
        painter->drawText(rect.adjusted(statisticPadding / 4, 0, -statisticPadding / 4, 0),
                          alignment | Qt::AlignVCenter,
                          model()->headerData(section, orientation()).toString());
    }

private:
    Qt::Alignment alignment;
};

// A readout that can be selected and copied, and only then takes focus.
void setReadout(QLabel &label, const QString &text)
{
    label.setText(text);
    label.setTextInteractionFlags(text.isEmpty() ? Qt::NoTextInteraction : Qt::TextSelectableByMouse);
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
    resize(initialSize);
    new WindowMemory(*this, QStringLiteral("probeHistory"));
    watch.setLimits(rememberedLimits());

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
}

ProbeHistoryWindow::~ProbeHistoryWindow() = default;

void ProbeHistoryWindow::setVisible(bool visible)
{
    if (visible && !chartView)
        build();
    QDialog::setVisible(visible);
}

// The widgets, on the first show.
void ProbeHistoryWindow::build()
{
    chartView = new ProbeChartView(history, watch);
    chartView->setObjectName(QStringLiteral("chart"));
    chartView->setAccessibleName(tr("Probe voltages over time"));

    spanChoice = new QComboBox;
    spanChoice->setObjectName(QStringLiteral("span"));
    setSpokenName(*spanChoice, tr("Time span"));
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
    clearButton->setAccessibleName(tr("Clear history"));
    recordButton = addButton(controls, tr("Record\u2026"), "record");
    QPushButton *saveCsvButton = addButton(controls, tr("Save CSV\u2026"), "saveCsv");
    QPushButton *saveImageButton = addButton(controls, tr("Save Image\u2026"), "saveImage");

    auto *chartColumn = new QVBoxLayout;
    chartColumn->addWidget(chartView, 1);
    chartColumn->addWidget(makeStatistics());
    for (QLabel *&text : cursorText) {
        text = new QLabel;
        chartColumn->addWidget(text);
    }
    cursorText[0]->setObjectName(QStringLiteral("cursorA"));
    cursorText[1]->setObjectName(QStringLiteral("cursorB"));
    cursorText[2]->setObjectName(QStringLiteral("cursorDifference"));

    auto *top = new QHBoxLayout;
    top->addLayout(chartColumn, 1);
    QWidget *limits = makeLimits();
    top->addWidget(limits);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(controls);
    // Reading order: the chart and its statistics, the limits beside them,
    // then the row below.
    QList<QWidget *> tabOrder{chartView, statistics};
    for (const LimitEdits &edits : limitEdits)
        tabOrder << edits.low << edits.high;
    for (const char *name : {"stopAtLimit", "events", "saveEvents"})
        tabOrder << limits->findChild<QWidget *>(QLatin1String(name));
    tabOrder << spanChoice << pauseButton << clearButton << recordButton << saveCsvButton
             << saveImageButton;
    setTabChain(*this, tabOrder);

    connect(chartView, &ProbeChartView::cursorsChanged, this, &ProbeHistoryWindow::showCursors);
    connect(spanChoice, &QComboBox::currentIndexChanged, this, &ProbeHistoryWindow::spanChosen);
    connect(pauseButton, &QPushButton::clicked, this, &ProbeHistoryWindow::togglePause);
    connect(clearButton, &QPushButton::clicked, this, &ProbeHistoryWindow::clearHistory);
    connect(recordButton, &QPushButton::clicked, this, &ProbeHistoryWindow::toggleRecording);
    connect(saveCsvButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveCsv);
    connect(saveImageButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveImage);
    recordingChanged();
    showCursors();
}

// A low and a high limit per probe, kept across runs, the events they gave
// and what a limit does to the recording. A limit field refuses what is no
// voltage its probe can read, in red and with the reason under the fields,
// and the limit is then off.
QWidget *ProbeHistoryWindow::makeLimits()
{
    auto *box = new QGroupBox(tr("Limits (V)"));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Low")), 0, 1);
    grid->addWidget(new QLabel(tr("High")), 0, 2);
    QSettings settings;
    settings.beginGroup(QLatin1String(limitsGroup));
    for (int p = 0; p < probeCount; ++p) {
        const QString name = QLatin1String(panelProbes[p].label);
        grid->addWidget(new QLabel(name), p + 1, 0);
        LimitEdits &edits = limitEdits[std::size_t(p)];
        int column = 1;
        for (auto [edit, which] : {std::pair{&edits.low, "low"}, std::pair{&edits.high, "high"}}) {
            *edit = new QLineEdit(settings.value(name + QLatin1Char('/') + QLatin1String(which)).toString());
            (*edit)->setObjectName(QLatin1String(which) + name);
            (*edit)->setPlaceholderText(tr("none"));
            (*edit)->setAccessibleName(tr("%1 %2 limit").arg(name, QLatin1String(which)));
            (*edit)->setToolTip(tr("From 0 to %1 V; empty for none").arg(probeText(probeFullScale(p))));
            (*edit)->setMaximumWidth((*edit)->fontMetrics().horizontalAdvance(QLatin1Char('0'))
                                     * limitEditChars * 2);
            grid->addWidget(*edit, p + 1, column++);
            connect(*edit, &QLineEdit::textChanged, this, &ProbeHistoryWindow::limitsEdited);
        }
    }
    limitProblems = new QLabel;
    limitProblems->setObjectName(QStringLiteral("limitProblems"));
    limitProblems->setWordWrap(true);
    QPalette refused = limitProblems->palette();
    refused.setColor(QPalette::WindowText, refusedText);
    limitProblems->setPalette(refused);

    auto *stopAtLimitBox = new QCheckBox(tr("Stop recording at a limit"));
    stopAtLimitBox->setObjectName(QStringLiteral("stopAtLimit"));
    connect(stopAtLimitBox, &QCheckBox::toggled, this, [this](bool on) { stopAtLimit = on; });
    eventList = new QListWidget;
    eventList->setObjectName(QStringLiteral("events"));
    eventList->setAccessibleName(tr("Limit events"));
    for (const LimitEvent &event : watch.events())
        eventList->addItem(event.text());
    auto *saveEventsButton = new QPushButton(tr("Save Events\u2026"));
    saveEventsButton->setObjectName(QStringLiteral("saveEvents"));
    saveEventsButton->setAutoDefault(false);
    connect(saveEventsButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveEvents);

    auto *column = new QVBoxLayout(box);
    column->addLayout(grid);
    column->addWidget(limitProblems);
    column->addWidget(stopAtLimitBox);
    column->addWidget(new QLabel(tr("Events")));
    column->addWidget(eventList, 1);
    column->addWidget(saveEventsButton, 0, Qt::AlignRight);
    limitsEdited();
    return box;
}

// Each probe's min, max and mean in a table, a column per probe, so that a
// screen reader says which value it reads; under a line that says over
// what span.
QWidget *ProbeHistoryWindow::makeStatistics()
{
    statisticsSpan = new QLabel;
    statisticsSpan->setObjectName(QStringLiteral("statisticsSpan"));
    statistics = new QTableWidget(int(std::size(statisticNames)), probeCount);
    statistics->setObjectName(QStringLiteral("statistics"));
    statistics->setAccessibleName(tr("Statistics"));
    statistics->setHorizontalHeader(new PlainHeader(Qt::Horizontal, Qt::AlignRight));
    statistics->setVerticalHeader(new PlainHeader(Qt::Vertical, Qt::AlignLeft));
    QStringList rows;
    for (const char *name : statisticNames)
        rows << tr(name);
    statistics->setVerticalHeaderLabels(rows);
    QStringList columns;
    for (const PanelReadout &probe : panelProbes)
        columns << QLatin1String(probe.label);
    statistics->setHorizontalHeaderLabels(columns);
    for (int row = 0; row < statistics->rowCount(); ++row) {
        for (int column = 0; column < statistics->columnCount(); ++column) {
            auto *value = new QTableWidgetItem;
            value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            statistics->setItem(row, column, value);
        }
    }
    // As plain as the text around it: no grid, no frame, nothing to edit;
    // the arrow keys move within it, Tab leaves it.
    statistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    statistics->setTabKeyNavigation(false);
    statistics->setSelectionMode(QAbstractItemView::NoSelection);
    statistics->setShowGrid(false);
    statistics->setFrameShape(QFrame::NoFrame);
    statistics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    statistics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    statistics->viewport()->setBackgroundRole(QPalette::Window);
    statistics->setStyleSheet(QStringLiteral("QTableCornerButton::section { border: none; background: transparent; }"));
    const QFontMetrics metrics = statistics->fontMetrics();
    statistics->horizontalHeader()->setDefaultSectionSize(
            metrics.horizontalAdvance(QLatin1String(widestStatistic)) + statisticPadding);
    statistics->verticalHeader()->setDefaultSectionSize(metrics.height() + statisticPadding / 2);
    statistics->setFixedSize(
            statistics->verticalHeader()->sizeHint().width() + statistics->horizontalHeader()->length(),
            statistics->horizontalHeader()->sizeHint().height() + statistics->verticalHeader()->length());

    auto *box = new QWidget;
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(QMargins());
    column->addWidget(statisticsSpan);
    column->addWidget(statistics);
    return box;
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

// The chart has its new size by now: a view with more samples than it has
// room for is cut into buckets by its width.
void ProbeHistoryWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    redraw();
}

// Escape takes the cursors away first, and only then closes the window.
void ProbeHistoryWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && chartView && chartView->hasCursors()) {
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
        if (eventList) {
            eventList->addItem(event.text());
            if (eventList->count() > LimitWatch::maxEvents)
                delete eventList->takeItem(0);
        }
        if (event.leavesLimits() && stopAtLimit)
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
    const bool on = recording.isRecording();
    setWindowTitle(on ? tr("Probe History - recording to %1")
                                .arg(QDir::toNativeSeparators(recording.fileName()))
                      : tr("Probe History"));
    if (recordButton)
        recordButton->setText(on ? tr("Stop Recording") : tr("Record\u2026"));
}

// What the fields hold becomes the limits, and is kept for the next run; a
// field that holds no voltage its probe can read is marked and its limit
// left off.
void ProbeHistoryWindow::limitsEdited()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(limitsGroup));
    ProbeLimits limits;
    QStringList problems;
    QPalette refused;
    refused.setColor(QPalette::Base, refusedBase);
    refused.setColor(QPalette::Text, refusedText);
    for (int p = 0; p < probeCount; ++p) {
        const LimitEdits &edits = limitEdits[std::size_t(p)];
        ProbeLimit &limit = limits[std::size_t(p)];
        for (auto [edit, volts, which] : {std::tuple{edits.low, &limit.low, "low"},
                                          std::tuple{edits.high, &limit.high, "high"}}) {
            const std::optional<double> typed = limitFromText(edit->text(), probeFullScale(p));
            *volts = typed.value_or(noReading);
            settings.setValue(limitKey(p, which), limitText(*volts));
            QString problem;
            if (!typed)
                problem = tr("%1: \u201c%2\u201d is no voltage from 0 to %3 V.")
                                  .arg(edit->accessibleName(), edit->text(),
                                       probeText(probeFullScale(p)));
            edit->setPalette(typed ? QPalette() : refused);
            edit->setAccessibleDescription(problem);
            if (!problem.isEmpty())
                problems << problem;
        }
    }
    limitProblems->setText(problems.join(QLatin1Char('\n')));
    limitProblems->setVisible(!problems.isEmpty());
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
            if (file.write((event.savedText() + QLatin1Char('\n')).toUtf8()) < 0)
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
    if (!chartView || !isVisible())
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
    statistics->setAccessibleDescription(statisticsSpan->text());
    const auto values = between ? probeStatistics(history, std::min(*a, *b), std::max(*a, *b))
                                : probeStatistics(history, viewFrom, viewTo);
    for (int p = 0; p < probeCount; ++p) {
        const ProbeStatistics &s = values[std::size_t(p)];
        const std::array<double, 3> shown{s.min, s.max, s.mean};
        for (std::size_t row = 0; row < shown.size(); ++row)
            statistics->item(int(row), p)->setText(voltsText(shown[row]));
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
        setReadout(*cursorText[std::size_t(which)], text);
    }
    QString difference;
    if (samples[0] && samples[1]) {
        difference = tr("B \u2212 A  \u0394t %1").arg(durationText(samples[1]->time - samples[0]->time));
        for (int p = 0; p < probeCount; ++p) {
            // Between the values as shown, so that two readings shown alike
            // differ by +0.00, not -0.00.
            const double delta = probeText(samples[1]->volts[std::size_t(p)]).toDouble()
                               - probeText(samples[0]->volts[std::size_t(p)]).toDouble();
            difference += QStringLiteral("   \u0394%1 %2 V")
                                  .arg(QLatin1String(panelProbes[p].label),
                                       std::isnan(delta) ? QStringLiteral("\u2013")
                                                         : QString::asprintf("%+.2f", delta));
        }
    }
    setReadout(*cursorText[2], difference);
    // What a screen reader says at each move: the cursor that moved, and how
    // far the cursors are apart.
    QStringList spoken;
    for (const QLabel *text : {cursorText[chartView->lastMoved()], cursorText[2]}) {
        if (!text->text().isEmpty())
            spoken << text->text();
    }
    chartView->setAccessibleDescription(
            chartView->hasCursors() ? spoken.join(QStringLiteral("; "))
                                    : tr("No cursors. Left, Right, Home and End place cursor A; "
                                         "with Shift, cursor B."));
    showStatistics();
}
