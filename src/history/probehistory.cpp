// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probehistory.h"

#include "binding/probecsv.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr qint64 bucketUnit = 1000;

bool noProbeRead(const ProbeSample &sample)
{
    return std::all_of(sample.volts.begin(), sample.volts.end(),
                       [](double volts) { return std::isnan(volts); });
}

// Builds one probe's line, bucket by bucket: a bucket ends when a value
// falls into another one, and a stretch when the line breaks. A bucket is
// drawn as its lowest and highest value, a level one from its first to its
// last sample; where one level gives way to another, the edge is drawn
// between the last sample at the old level and the first at the new one,
// so a step stays upright.
class LineBuilder
{
public:
    explicit LineBuilder(ProbeLine &line) : line(line) {}

    void add(qint64 bucket, qint64 time, double volts)
    {
        if (open && bucket != current)
            flushBucket();
        if (!open) {
            open = true;
            current = bucket;
            low = high = Extreme{volts, time, time};
            return;
        }
        low.take(volts, time, volts < low.volts);
        high.take(volts, time, volts > high.volts);
    }

    void breakLine()
    {
        flushBucket();
        if (!stretch.isEmpty()) {
            line.append(stretch);
            stretch.clear();
        }
    }

private:
    struct Extreme
    {
        double volts;
        qint64 first;
        qint64 last;

        void take(double value, qint64 time, bool beyond)
        {
            if (beyond)
                *this = Extreme{value, time, time};
            else if (value == volts)
                last = time;
        }
    };

    void flushBucket()
    {
        if (!open)
            return;
        open = false;
        if (low.volts == high.volts) {
            stretch.append(QPointF(double(low.first), low.volts));
            if (low.last != low.first)
                stretch.append(QPointF(double(low.last), low.volts));
            return;
        }
        const bool rising = low.first < high.first;
        const Extreme &earlier = rising ? low : high;
        const Extreme &later = rising ? high : low;
        const qint64 leaving = earlier.last < later.first ? earlier.last : earlier.first;
        stretch.append(QPointF(double(leaving), earlier.volts));
        stretch.append(QPointF(double(later.first), later.volts));
    }

    ProbeLine &line;
    QList<QPointF> stretch;
    bool open = false;
    qint64 current = 0;
    Extreme low{};
    Extreme high{};
};

} // namespace

ProbeHistory::ProbeHistory(QObject *parent) : QObject(parent) {}

void ProbeHistory::append(const ProbeSample &sample)
{
    if (noProbeRead(sample)) {
        gapPending = true;
        return;
    }
    RecordedSample recorded;
    static_cast<ProbeSample &>(recorded) = sample;
    if (!samples.empty())
        recorded.time = std::max(recorded.time, samples.back().time);
    recorded.afterGap = gapPending && !samples.empty();
    gapPending = false;
    samples.push_back(recorded);
    if (samples.size() > std::size_t(capacity))
        samples.pop_front();
    emit changed();
}

void ProbeHistory::clear()
{
    samples.clear();
    gapPending = false;
    emit changed();
}

int ProbeHistory::lowerBound(qint64 time) const
{
    const auto first = std::lower_bound(
            samples.begin(), samples.end(), time,
            [](const RecordedSample &sample, qint64 t) { return sample.time < t; });
    return int(first - samples.begin());
}

bool ProbeHistory::writeCsv(QIODevice &device) const
{
    if (device.write(probeCsvHeader().toLatin1()) < 0)
        return false;
    for (const RecordedSample &sample : samples) {
        if (device.write(probeCsvLine(sample).toLatin1()) < 0)
            return false;
    }
    return true;
}

ProbeTraces probeTraces(const ProbeHistory &history, qint64 from, qint64 to, int buckets)
{
    ProbeTraces traces;
    const int inView = history.lowerBound(from);
    const int first = std::max(0, inView - 1);
    const int end = history.lowerBound(to + 1);
    if (first >= end)
        return traces;

    // Buckets are whole seconds long and fixed in time, not to the view's
    // edges, so that a line keeps its shape while the view moves on.
    // Without decimation every sample is a bucket of its own.
    const bool decimate = end - inView > 2 * qint64(buckets);
    const qint64 bucketLength = ((to - from) / std::max(1, buckets) / bucketUnit + 1) * bucketUnit;
    qint64 bucket = 0;
    qint64 bucketEnd = std::numeric_limits<qint64>::min();

    std::vector<LineBuilder> builders;
    builders.reserve(traces.lines.size());
    for (ProbeLine &line : traces.lines)
        builders.emplace_back(line);
    const auto stop = history.begin() + end;
    for (auto it = history.begin() + first; it != stop; ++it) {
        const RecordedSample &sample = *it;
        if (!decimate) {
            ++bucket;
        } else if (sample.time >= bucketEnd) {
            bucket = sample.time / bucketLength;
            bucketEnd = (bucket + 1) * bucketLength;
        }
        for (std::size_t p = 0; p < builders.size(); ++p) {
            const double volts = sample.volts[p];
            if (sample.afterGap || std::isnan(volts))
                builders[p].breakLine();
            if (std::isnan(volts))
                continue;
            builders[p].add(bucket, sample.time, volts);
            if (std::isnan(traces.highestVolts) || volts > traces.highestVolts)
                traces.highestVolts = volts;
        }
    }
    for (LineBuilder &builder : builders)
        builder.breakLine();
    return traces;
}
