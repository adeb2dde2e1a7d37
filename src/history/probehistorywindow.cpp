// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probehistorywindow.h"

#include "common/tabchain.h"
#include "history/probehistory.h"
#include "panel/commandbutton.h"
#include "panel/windowmemory.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr QSize initialSize(860, 540);

// One line colour per probe, in the order of panelProbes, told apart also
// by readers with the common colour vision deficiencies.
constexpr QColor probeColours[] = {
    {0, 114, 178},  // BATT: blue
    {213, 94, 0},   // BUCK1: vermilion
    {0, 158, 115},  // BUCK2: bluish green
    {204, 121, 167} // BUCK3: reddish purple
};
static_assert(std::size(probeColours) == probeCount);
constexpr int lineWidth = 2;
constexpr QColor chartBackground{255, 255, 255};

// The view's narrowest reach, so that a history of one sample still has an
// axis to be drawn on.
constexpr qint64 shortestSpan = 60'000;
// Every label of the time axis is laid out afresh whenever the view moves
// on; five keep that cheap and the axis readable.
constexpr int timeTicks = 5;

// The volts axis starts at 0 V, so a converter switched off reads as such,
// and ends a little above the highest value shown, on a whole tick.
constexpr double voltsTick = 0.5;
constexpr double voltsHeadroom = 0.1;
constexpr double lowestVoltsTop = 1.0;

// How many pixels of the chart's width one bucket of a long view covers:
// Qt Charts recomputes every point of a series whenever the axis moves, so
// the points drawn, not the samples held, set the cost of a redraw.
constexpr int pixelsPerBucket = 16;

double voltsTop(double highest)
{
    if (std::isnan(highest))
        return lowestVoltsTop;
    return std::max(lowestVoltsTop, std::ceil((highest + voltsHeadroom) / voltsTick) * voltsTick);
}

} // namespace

ProbeHistoryWindow::ProbeHistoryWindow(ProbeHistory &history, QWidget *parent)
    : QDialog(parent), history(history)
{
    setObjectName(QStringLiteral("probeHistory"));
    setWindowTitle(tr("Probe History"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    chart = new QChart;
    chart->setBackgroundBrush(chartBackground);
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignTop);
    timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    timeAxis->setTickCount(timeTicks);
    timeAxis->setTitleText(tr("Time"));
    voltsAxis = new QValueAxis;
    voltsAxis->setTickType(QValueAxis::TicksDynamic);
    voltsAxis->setTickAnchor(0.0);
    voltsAxis->setTickInterval(voltsTick);
    voltsAxis->setLabelFormat(QStringLiteral("%.1f"));
    voltsAxis->setTitleText(tr("Volts"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(voltsAxis, Qt::AlignLeft);
    for (int probe = 0; probe < probeCount; ++probe)
        stretchSeries(probe, 0);

    chartView = new QChartView(chart);
    chartView->setObjectName(QStringLiteral("chart"));
    chartView->setAccessibleName(tr("Probe voltages over time"));

    spanChoice = new QComboBox;
    spanChoice->setObjectName(QStringLiteral("span"));
    for (const Span &span : spans)
        spanChoice->addItem(tr(span.text));
    spanChoice->setCurrentIndex(defaultSpan);
    auto *spanLabel = new QLabel(tr("Time span"));
    spanLabel->setBuddy(spanChoice);

    auto *controls = new QHBoxLayout;
    controls->addWidget(spanLabel);
    controls->addWidget(spanChoice);
    controls->addStretch();
    pauseButton = addButton(controls, tr("Pause"), "pause");
    QPushButton *clearButton = addButton(controls, tr("Clear"), "clear");
    QPushButton *saveCsvButton = addButton(controls, tr("Save CSV\u2026"), "saveCsv");
    QPushButton *saveImageButton = addButton(controls, tr("Save Image\u2026"), "saveImage");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chartView, 1);
    layout->addLayout(controls);
    resize(initialSize);
    setTabChain(*this, {chartView, spanChoice, pauseButton, clearButton, saveCsvButton, saveImageButton});
    new WindowMemory(*this, QStringLiteral("probeHistory"));

    connect(&history, &ProbeHistory::changed, this, &ProbeHistoryWindow::historyChanged);
    connect(spanChoice, &QComboBox::currentIndexChanged, this, &ProbeHistoryWindow::redraw);
    connect(pauseButton, &QPushButton::clicked, this, &ProbeHistoryWindow::togglePause);
    connect(clearButton, &QPushButton::clicked, this, &ProbeHistoryWindow::clearHistory);
    connect(saveCsvButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveCsv);
    connect(saveImageButton, &QPushButton::clicked, this, &ProbeHistoryWindow::saveImage);
}

ProbeHistoryWindow::~ProbeHistoryWindow() = default;

void ProbeHistoryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    redraw();
}

void ProbeHistoryWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    redraw();
}

void ProbeHistoryWindow::historyChanged()
{
    if (!paused)
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

// The end of the view: where Pause held it, else the newest sample.
qint64 ProbeHistoryWindow::viewEnd() const
{
    if (paused)
        return pausedAt;
    return history.isEmpty() ? QDateTime::currentMSecsSinceEpoch()
                             : history.at(history.size() - 1).time;
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

    // Emptied first, so that moving the axes has no old points to place.
    for (const QList<QLineSeries *> &stretches : lines) {
        for (QLineSeries *series : stretches) {
            if (series->count() > 0)
                series->clear();
        }
    }
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
    voltsAxis->setRange(0.0, voltsTop(traces.highestVolts));
    for (int probe = 0; probe < probeCount; ++probe) {
        const ProbeLine &line = traces.lines[std::size_t(probe)];
        for (int stretch = 0; stretch < line.size(); ++stretch)
            stretchSeries(probe, stretch)->replace(line.at(stretch));
    }
}

// The series that draws the given stretch of a probe's line, made when the
// line first breaks that often.
QLineSeries *ProbeHistoryWindow::stretchSeries(int probe, int stretch)
{
    QList<QLineSeries *> &stretches = lines[std::size_t(probe)];
    while (stretches.size() <= stretch) {
        auto *series = new QLineSeries;
        series->setName(QLatin1String(panelProbes[probe].label));
        series->setPen(QPen(probeColours[probe], lineWidth));
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(voltsAxis);
        if (!stretches.isEmpty()) {
            for (QLegendMarker *marker : chart->legend()->markers(series))
                marker->setVisible(false);
        }
        stretches.append(series);
    }
    return stretches.at(stretch);
}
