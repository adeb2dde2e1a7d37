// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBEHISTORY_H
#define ZQ40613_PROBEHISTORY_H

#include "binding/probesample.h"

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
// sample a second; older ones are dropped. Samples stay in time order: one
// stamped earlier than the newest (the clock was set back) takes the
// newest's time.
class ProbeHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr int capacity = 24 * 60 * 60;

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

    // Every sample in the format of zq40613-reg probes --watch. False when
    // the device took not all of it.
    bool writeCsv(QIODevice &device) const;

signals:
    // A sample was added, or the history was cleared.
    void changed();

private:
    std::deque<RecordedSample> samples;
    bool gapPending = false;
};

// One probe's line: its unbroken stretches, each a list of points with the
// time in milliseconds since the epoch as x and volts as y.
using ProbeLine = QList<QList<QPointF>>;

// What a chart of the history draws between two times.
struct ProbeTraces
{
    std::array<ProbeLine, probeCount> lines;
    double highestVolts = noReading; // the largest value drawn, if any
};

// The lines of the samples from..to, and of the last sample before, so that
// a line enters at the left edge. Up to twice buckets samples are drawn as
// they are. More are cut by time into about that many buckets, each drawn
// as its lowest and highest value at the times they were taken, so that no
// spike or step goes missing however far the view reaches.
ProbeTraces probeTraces(const ProbeHistory &history, qint64 from, qint64 to, int buckets);

#endif
