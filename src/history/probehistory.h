// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBEHISTORY_H
#define ZQ40613_PROBEHISTORY_H

#include "binding/probesample.h"
#include "history/probelevels.h"

#include <QList>
#include <QObject>
#include <QPointF>

#include <array>
#include <deque>

class QIODevice;

// A sample as the history keeps it: afterGap marks the first one after the
// board was gone, where the probe lines break.
struct RecordedSample : ProbeSample
{
    bool afterGap = false;
};

// The probe samples of the run, oldest first: every display refresh hands
// one in, and the probe history window draws from them. A refresh in which
// no probe could be read (the board is gone) adds no sample but a gap
// before the next. The newest capacity samples are kept, a day at one
// sample a second; older ones are dropped. One sample per time, in time
// order: one stamped no later than the newest adds nothing when it reads
// the same, and is stamped a millisecond after it otherwise. Beside the
// samples it keeps their summaries level by level (ProbeLevels), kept
// current as samples arrive and drop.
class ProbeHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr int capacity = 24 * 60 * 60;
    static_assert(ProbeLevels::blockLength(ProbeLevels::depth) <= capacity,
                  "a block of the coarsest level is built from samples still held");

    explicit ProbeHistory(QObject *parent = nullptr);

    void append(const ProbeSample &sample);
    void clear();

    int size() const { return int(samples.size()); }
    bool isEmpty() const { return samples.empty(); }
    const RecordedSample &at(int index) const { return samples[std::size_t(index)]; }
    auto begin() const { return samples.cbegin(); }
    auto end() const { return samples.cend(); }

    // The index of the first sample taken at or after time, size() if none.
    int lowerBound(qint64 time) const;
    // The sample taken nearest to time; the history must not be empty.
    const RecordedSample &nearest(qint64 time) const;

    // The number ProbeLevels gives the sample at index 0.
    qint64 firstNumber() const { return dropped; }
    const ProbeLevels &levels() const { return summaries; }

    // Every sample in the format of zq40613-reg probes --watch. False when
    // the device took not all of it.
    bool writeCsv(QIODevice &device) const;

signals:
    // A sample was added, or the history was cleared.
    void changed();
    // A refresh has read the probes: the sample as it was added.
    void sampleTaken(const RecordedSample &sample);
    // The first refresh that read no probe after one that did: the board
    // was lost, seen at time. Once per loss, a cleared history or not.
    void lossSeen(qint64 time);

private:
    std::deque<RecordedSample> samples;
    ProbeLevels summaries;
    qint64 dropped = 0; // samples dropped since the last clear
    bool gapPending = false;
    bool boardAnswering = false;
};

// One probe's line: its unbroken stretches, each a list of points with the
// time in milliseconds since the epoch as x and volts as y.
using ProbeLine = QList<QList<QPointF>>;

// What a chart of the history draws between two times.
struct ProbeTraces
{
    std::array<ProbeLine, probeCount> lines;
    double highestVolts = noReading; // the largest value drawn, if any
    int level = 0;                   // the coarsest level of ProbeLevels read
    int valuesRead = 0;              // samples and blocks read
};

// The lines of the samples from..to, and of the last sample before, so that
// a line enters at the left edge. Up to twice buckets samples are drawn as
// they are. More are cut by time into about that many buckets, each drawn
// as its lowest and highest value at the times they were taken, so that no
// spike or step goes missing however far the view reaches. Those are read
// from the coarsest level whose blocks still number at least buckets, and
// the first and last sample are drawn as they are, so that a line spans
// the whole view.
ProbeTraces probeTraces(const ProbeHistory &history, qint64 from, qint64 to, int buckets);

// A probe over a span of time: lowest, highest and mean reading (noReading
// without any) and the number of readings.
struct ProbeStatistics
{
    double min = noReading;
    double max = noReading;
    double mean = noReading;
    int count = 0;
};

// Each probe's statistics over the samples taken from..to, both included.
std::array<ProbeStatistics, probeCount> probeStatistics(const ProbeHistory &history, qint64 from,
                                                        qint64 to);

#endif
