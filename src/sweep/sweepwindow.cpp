// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweep/sweepwindow.h"

#include "binding/probesample.h"
#include "common/chip.h"
#include "common/spokenname.h"
#include "common/tabchain.h"
#include "panel/commandbutton.h"
#include "panel/windowmemory.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"
#include "sweep/sweepchart.h"
#include "sweep/sweepcsv.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace {

constexpr QSize initialSize{1280, 600};
// Room for the table's columns at first; the chart takes the rest.
constexpr int initialTableWidth = 620;
// The table shows the CSV's fields but the time after the step's number,
// with the status bits that changed after the status register. Numbers read
// from the right, the bits from the left.
constexpr int statusCsvField = 2 + probeCount; // after the time, the value set and the probes
constexpr int changedColumn = statusCsvField + 1;

QString changedBits(quint8 before, quint8 now)
{
    QStringList changes;
    for (int bit = bitsPerRegister - 1; bit >= 0; --bit) {
        const QLatin1String name(bitName(probeStatusRegister, bit));
        if (bitOf(before, bit) != bitOf(now, bit) && name != QLatin1String(unnamedBit))
            changes << QStringLiteral("%1 %2\u2192%3").arg(name).arg(bitOf(before, bit)).arg(bitOf(now, bit));
    }
    return changes.join(QLatin1String(", "));
}

QLabel *labelFor(QWidget *control, const QString &text)
{
    auto *label = new QLabel(text);
    label->setBuddy(control);
    return label;
}

} // namespace

SweepWindow::SweepWindow(const QList<SweepField> &fields, DeviceLink &link, RegisterMirror &mirror,
                         QWidget *parent)
    : QDialog(parent), fields(fields), link(link), mirror(mirror)
{
    setObjectName(QStringLiteral("sweep"));
    setWindowTitle(tr("Sweep"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    turnTimer.setSingleShot(true);
    turnTimer.setTimerType(Qt::PreciseTimer);

    fieldChoice = new QComboBox;
    fieldChoice->setObjectName(QStringLiteral("field"));
    setSpokenName(*fieldChoice, tr("Field to sweep"));
    for (const SweepField &field : fields)
        fieldChoice->addItem(field.name);
    fromChoice = new QComboBox;
    fromChoice->setObjectName(QStringLiteral("from"));
    setSpokenName(*fromChoice, tr("Sweep from"));
    toChoice = new QComboBox;
    toChoice->setObjectName(QStringLiteral("to"));
    setSpokenName(*toChoice, tr("Sweep to"));
    settle = new QSpinBox;
    settle->setObjectName(QStringLiteral("settle"));
    settle->setAccessibleName(tr("Settle time after each step"));
    settle->setRange(0, SweepPlan::longestSettleMs);
    settle->setSuffix(tr(" ms"));
    settle->setValue(SweepPlan::defaultSettleMs);
    readings = new QSpinBox;
    readings->setObjectName(QStringLiteral("readings"));
    readings->setAccessibleName(tr("Readings averaged per step"));
    readings->setRange(1, SweepPlan::mostReadings);
    readings->setValue(SweepPlan::defaultReadings);
    upAndDown = new QCheckBox(tr("Up and down"));
    upAndDown->setObjectName(QStringLiteral("upAndDown"));
    restore = new QCheckBox(tr("Restore afterwards"));
    restore->setObjectName(QStringLiteral("restore"));
    restore->setChecked(true);

    auto *what = new QHBoxLayout;
    what->addWidget(labelFor(fieldChoice, tr("Field:")));
    what->addWidget(fieldChoice);
    what->addWidget(labelFor(fromChoice, tr("From:")));
    what->addWidget(fromChoice);
    what->addWidget(labelFor(toChoice, tr("To:")));
    what->addWidget(toChoice);
    what->addWidget(labelFor(settle, tr("Settle time:")));
    what->addWidget(settle);
    what->addWidget(labelFor(readings, tr("Readings:")));
    what->addWidget(readings);
    what->addStretch(1);

    auto *how = new QHBoxLayout;
    how->addWidget(upAndDown);
    how->addWidget(restore);
    how->addStretch(1);
    progress = new QLabel;
    progress->setObjectName(QStringLiteral("progress"));
    progress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSpokenName(*progress, tr("Sweep progress"));
    how->addWidget(progress);
    runButton = addButton(how, tr("Run"), "run");

    table = new QTableWidget;
    table->setObjectName(QStringLiteral("results"));
    table->setAccessibleName(tr("Sweep results"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();

    chart = new SweepChart;
    chart->setObjectName(QStringLiteral("chart"));
    trips = new QLabel;
    trips->setObjectName(QStringLiteral("trips"));
    trips->setAlignment(Qt::AlignHCenter);
    trips->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSpokenName(*trips, tr("Trip points"));
    // White as the chart is, so that the picture saved of both is one.
    trips->setStyleSheet(QStringLiteral("background: white; color: rgb(40, 40, 44); padding: 4px"));
    chartPane = new QWidget;
    auto *chartColumn = new QVBoxLayout(chartPane);
    chartColumn->setContentsMargins(0, 0, 0, 0);
    chartColumn->setSpacing(0);
    chartColumn->addWidget(chart, 1);
    chartColumn->addWidget(trips);
    trips->hide();

    auto *results = new QSplitter;
    results->addWidget(table);
    results->addWidget(chartPane);
    results->setStretchFactor(1, 1);
    results->setSizes({initialTableWidth, initialSize.width() - initialTableWidth});

    auto *commands = new QHBoxLayout;
    QPushButton *saveCsvButton = addButton(commands, tr("Save CSV\u2026"), "saveCsv");
    QPushButton *copyButton = addButton(commands, tr("Copy"), "copy");
    copyButton->setAccessibleName(tr("Copy the rows"));
    QPushButton *saveImageButton = addButton(commands, tr("Save Image\u2026"), "saveImage");
    commands->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(what);
    layout->addLayout(how);
    layout->addWidget(results, 1);
    layout->addLayout(commands);
    resize(initialSize);
    new WindowMemory(*this, QStringLiteral("sweep"));
    setTabChain(*this, {fieldChoice, fromChoice, toChoice, settle, readings, upAndDown, restore,
                        runButton, table, saveCsvButton, copyButton, saveImageButton});

    connect(fieldChoice, &QComboBox::currentIndexChanged, this, &SweepWindow::fieldChosen);
    connect(runButton, &QPushButton::clicked, this, &SweepWindow::runOrStop);
    connect(&turnTimer, &QTimer::timeout, this, &SweepWindow::takeTurn);
    connect(saveCsvButton, &QPushButton::clicked, this, &SweepWindow::saveCsv);
    connect(copyButton, &QPushButton::clicked, this, &SweepWindow::copyRows);
    connect(saveImageButton, &QPushButton::clicked, this, &SweepWindow::saveImage);
    fieldChosen(fieldChoice->currentIndex());
    setPlanEditable(true);
}

SweepWindow::~SweepWindow() = default;

void SweepWindow::holdTurns()
{
    held = true;
}

void SweepWindow::releaseTurns()
{
    held = false;
    if (std::exchange(turnDue, false))
        takeTurn();
}

// From and to offer the field's own values, from its first to its last.
void SweepWindow::fieldChosen(int position)
{
    fromChoice->clear();
    toChoice->clear();
    if (position < 0 || position >= fields.size())
        return;
    const SweepField &field = fields.at(position);
    for (int index : field.valueIndices()) {
        fromChoice->addItem(field.items.at(index), index);
        toChoice->addItem(field.items.at(index), index);
    }
    toChoice->setCurrentIndex(toChoice->count() - 1);
}

void SweepWindow::runOrStop()
{
    if (!isSweeping()) {
        start();
        return;
    }
    run->stop();
    turnTimer.stop();
    takeTurn();
}

void SweepWindow::start()
{
    if (fieldChoice->currentIndex() < 0 || fromChoice->currentIndex() < 0)
        return;
    SweepPlan plan;
    plan.field = fields.at(fieldChoice->currentIndex());
    plan.fromIndex = fromChoice->currentData().toInt();
    plan.toIndex = toChoice->currentData().toInt();
    plan.settleMs = settle->value();
    plan.readings = readings->value();
    plan.upAndDown = upAndDown->isChecked();
    plan.restore = restore->isChecked();

    run = std::make_unique<SweepRun>(plan, link, mirror);
    connect(run.get(), &SweepRun::fieldWritten, this, &SweepWindow::fieldWritten);
    connect(run.get(), &SweepRun::rowTaken, this, &SweepWindow::addRow);

    const QStringList header = sweepCsvHeader(plan.field, QLatin1Char('\t')).trimmed().split(QLatin1Char('\t'));
    QStringList columns{tr("Step")};
    columns << header.mid(1, statusCsvField) << tr("Changed") << header.mid(statusCsvField + 1);
    table->clear();
    table->setRowCount(0);
    table->setColumnCount(int(columns.size()));
    table->setHorizontalHeaderLabels(columns);
    // Each column as wide as its texts, the last one to the table's edge.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(int(columns.size()) - 1, QHeaderView::Stretch);
    chart->setPlan(plan);
    trips->setText(tripText({}));
    trips->setVisible(plan.field.statusBit >= 0);

    setPlanEditable(false);
    emit sweepStarted();
    takeTurn();
}

void SweepWindow::takeTurn()
{
    if (held) {
        turnDue = true;
        return;
    }
    const int waitMs = run->advance();
    showProgress();
    if (waitMs == SweepRun::finishedTurn)
        finish();
    else
        turnTimer.start(waitMs);
}

void SweepWindow::addRow(const SweepRow &row)
{
    const SweepField &field = run->plan().field;
    const QStringList csv = sweepCsvLine(field, row, QLatin1Char('\t')).chopped(1).split(QLatin1Char('\t'));
    const QList<SweepRow> &rows = run->rows();
    const quint8 before = rows.size() > 1 ? rows.at(rows.size() - 2).status : row.status;
    QStringList cells{QString::number(row.step)};
    cells << csv.mid(1, statusCsvField) << changedBits(before, row.status) << csv.mid(statusCsvField + 1);
    const int at = table->rowCount();
    table->insertRow(at);
    for (int column = 0; column < cells.size(); ++column) {
        auto *item = new QTableWidgetItem(cells.at(column));
        if (column != changedColumn)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(at, column, item);
    }
    table->scrollToBottom();
    chart->setRows(rows);
    if (field.statusBit >= 0)
        trips->setText(tripText(tripPoints(field, rows)));
}

void SweepWindow::finish()
{
    setPlanEditable(true);
    emit sweepFinished();
}

// What to sweep stays as it is while a sweep runs; Run turns into Stop.
void SweepWindow::setPlanEditable(bool editable)
{
    for (QWidget *control : std::initializer_list<QWidget *>{fieldChoice, fromChoice, toChoice, settle,
                                                            readings, upAndDown, restore})
        control->setEnabled(editable);
    runButton->setText(editable ? tr("Run") : tr("Stop"));
    runButton->setAccessibleName(editable ? tr("Run the sweep") : tr("Stop the sweep"));
}

void SweepWindow::showProgress()
{
    const QString step = tr("Step %1 of %2").arg(run->stepNumber()).arg(run->stepCount());
    if (!run->isFinished())
        progress->setText(step);
    else if (!run->failure().isEmpty())
        progress->setText(tr("Ended: %1; the rows taken before are kept").arg(run->failure()));
    else if (run->wasStopped())
        progress->setText(tr("%1: stopped").arg(step));
    else
        progress->setText(tr("%1: done").arg(step));
}

QString SweepWindow::rowsText(QChar separator) const
{
    if (!run)
        return {};
    QString text = sweepCsvHeader(run->plan().field, separator);
    for (const SweepRow &row : run->rows())
        text += sweepCsvLine(run->plan().field, row, separator);
    return text;
}

void SweepWindow::saveCsv()
{
    const QString fileName =
            askSaveFileName(this, tr("Save CSV"), tr("CSV files (*.csv)"), QStringLiteral("csv"));
    if (fileName.isEmpty())
        return;
    const QByteArray text = rowsText(QLatin1Char(',')).toUtf8();
    saveFile(fileName, {}, [&text](QIODevice &file) { return file.write(text) == text.size(); });
}

void SweepWindow::copyRows()
{
    QGuiApplication::clipboard()->setText(rowsText(QLatin1Char('\t')));
}

void SweepWindow::saveImage()
{
    const QString fileName =
            askSaveFileName(this, tr("Save Image"), tr("PNG images (*.png)"), QStringLiteral("png"));
    if (!fileName.isEmpty())
        saveFile(fileName, {}, [this](QIODevice &file) { return chartPane->grab().save(&file, "PNG"); });
}
