// SPDX-License-Identifier: GPL-3.0-or-later
// The probe history with a full day of samples: what one more sample costs
// with the window closed, and with it open, where the chart follows the new
// sample and is painted again; and what recording a sample to disk costs,
// beside writing the same line alone.

#include "benchmain.h"
#include "common/runclock.h"
#include "history/probehistory.h"
#include "history/probehistorywindow.h"
#include "history/proberecording.h"
#include "binding/probecsv.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <iterator>

namespace {

constexpr qint64 sampleInterval = 1000;
// Where the probes sit, and how far each sample strays from there: no two
// samples in a row agree, so no stretch of a line collapses into fewer
// points, the worst case for drawing.
constexpr double probeLevels[probeCount] = {3.70, 1.80, 3.30, 1.20};
constexpr double jitterVolts = 0.02;
// A step every ten minutes, so the lines hold edges as well.
constexpr int stepEvery = 600;
constexpr double stepVolts = 0.4;

class Samples
{
public:
    ProbeSample next()
    {
        ProbeSample sample;
        sample.time = start + count * sampleInterval;
        const double step = (count / stepEvery) % 2 == 0 ? 0.0 : stepVolts;
        for (int p = 0; p < probeCount; ++p)
            sample.volts[std::size_t(p)] = probeLevels[p] + step + jitterVolts * random.generateDouble();
        sample.status = 0x1f;
        ++count;
        return sample;
    }

private:
    static constexpr quint32 seed = 40613;
    QRandomGenerator random{seed};
    qint64 start = QDateTime::currentMSecsSinceEpoch() - ProbeHistory::capacity * sampleInterval;
    qint64 count = 0;
};

struct FullHistory
{
    FullHistory()
    {
        for (int i = 0; i < ProbeHistory::capacity; ++i)
            history.append(samples.next());
    }

    Samples samples;
    ProbeHistory history;
    RunClock clock;
};

void BM_HistoryAppendWindowClosed(benchmark::State &state)
{
    FullHistory full;
    ProbeHistoryWindow window(full.history, full.clock, nullptr);
    for (auto _ : state)
        full.history.append(full.samples.next());
    state.counters["samples"] = full.history.size();
}

// Counts the paints of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// The window open at its first size with the span of the argument; each
// sample redraws the chart, and the paint is included: of the whole chart,
// or (second argument 1) of what the window marked as changed, as the event
// loop paints it, the statistics under the chart included.
void BM_HistoryAppendAndRedraw(benchmark::State &state)
{
    FullHistory full;
    ProbeHistoryWindow window(full.history, full.clock, nullptr);
    window.show();
    window.findChild<QComboBox *>(QStringLiteral("span"))->setCurrentIndex(int(state.range(0)));
    QCoreApplication::processEvents();
    QWidget *chart = window.findChild<QWidget *>(QStringLiteral("chart"));
    const bool changedOnly = state.range(1) == 1;
    PaintCounter counter;
    chart->installEventFilter(&counter);
    for (auto _ : state) {
        full.history.append(full.samples.next());
        if (changedOnly)
            QCoreApplication::processEvents();
        else
            chart->repaint();
    }
    state.counters["samples"] = full.history.size();
    state.counters["paints"] = benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
    state.SetLabel(ProbeHistoryWindow::spans[state.range(0)].text);
}

// Every sample formatted and handed to the system; the sync every ten
// seconds falls into a run this long at most once or twice.
void BM_RecordSample(benchmark::State &state)
{
    QTemporaryDir dir;
    ProbeRecording recording;
    recording.start(dir.filePath(QStringLiteral("run.csv")));
    Samples samples;
    for (auto _ : state)
        recording.record(samples.next());
    state.counters["rows"] = double(state.iterations());
}

// The floor: one line of the same length written unbuffered.
void BM_WriteLineFloor(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("run.csv")));
    file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    Samples samples;
    const QByteArray line = probeCsvLine(samples.next()).toLatin1();
    for (auto _ : state)
        file.write(line);
}

} // namespace

BENCHMARK(BM_RecordSample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteLineFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HistoryAppendWindowClosed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HistoryAppendAndRedraw)
        ->ArgsProduct({benchmark::CreateDenseRange(0, int(std::size(ProbeHistoryWindow::spans)) - 1, 1),
                       {0, 1}})
        ->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
