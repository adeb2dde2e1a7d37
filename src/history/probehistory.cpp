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
// The buckets of the first and the last sample of a view, apart from every
// bucket of time, so that both are drawn as they are.
constexpr qint64 firstSampleBucket = std::numeric_limits<qint64>::min();
constexpr qint64 lastSampleBucket = std::numeric_limits<qint64>::max();

// Failed conversions included: a gap is the same gap.
bool sameReadings(const ProbeSample &one, const ProbeSample &other)
{
    for (std::size_t probe = 0; probe < one.volts.size(); ++probe) {
        const double a = one.volts[probe];
        const double b = other.volts[probe];
        if (a != b && !(std::isnan(a) && std::isnan(b)))
            return false;
    }
    return one.status == other.status;
}

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

    // A sample, or a block of them that the line runs through unbroken.
    void add(qint64 bucket, const ProbeSummary &summary)
    {
        if (open && bucket != current)
            flushBucket();
        if (!open) {
            open = true;
            current = bucket;
            low = summary.low;
            high = summary.high;
            return;
        }
        take(low, summary.low, summary.low.volts < low.volts);
        take(high, summary.high, summary.high.volts > high.volts);
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
    static void take(ProbeExtreme &extreme, const ProbeExtreme &later, bool beyond)
    {
        if (beyond)
            extreme = later;
        else if (later.volts == extreme.volts)
            extreme.last = later.last;
    }

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
        const ProbeExtreme &earlier = rising ? low : high;
        const ProbeExtreme &later = rising ? high : low;
        const qint64 leaving = earlier.last < later.first ? earlier.last : earlier.first;
        stretch.append(QPointF(double(leaving), earlier.volts));
        stretch.append(QPointF(double(later.first), later.volts));
    }

    ProbeLine &line;
    QList<QPointF> stretch;
    bool open = false;
    qint64 current = 0;
    ProbeExtreme low;
    ProbeExtreme high;
};

// Visits the samples numbered first..end (end excluded) as coarsely as level
// allows: each block of that level the history holds within the range as a
// whole, the rest at finer levels. visitBlock(level, number) may decline a
// block (returning false); its samples are then visited at the next finer
// level. visitSample gets a sample's number.
template <typename BlockVisitor, typename SampleVisitor>
void walk(const ProbeHistory &history, qint64 first, qint64 end, int level,
          const BlockVisitor &visitBlock, const SampleVisitor &visitSample)
{
    if (first >= end)
        return;
    if (level == 0) {
        for (qint64 number = first; number < end; ++number)
            visitSample(number);
        return;
    }
    const ProbeLevels &levels = history.levels();
    const qint64 length = ProbeLevels::blockLength(level);
    const qint64 firstBlock = std::max((first + length - 1) / length, levels.firstBlock(level));
    const qint64 endBlock = std::min(end / length, levels.endBlock(level));
    if (firstBlock >= endBlock) {
        walk(history, first, end, level - 1, visitBlock, visitSample);
        return;
    }
    walk(history, first, firstBlock * length, level - 1, visitBlock, visitSample);
    for (qint64 block = firstBlock; block < endBlock; ++block) {
        if (!visitBlock(level, block))
            walk(history, block * length, (block + 1) * length, level - 1, visitBlock, visitSample);
    }
    walk(history, endBlock * length, end, level - 1, visitBlock, visitSample);
}

} // namespace

ProbeHistory::ProbeHistory(QObject *parent) : QObject(parent) {}

void ProbeHistory::append(const ProbeSample &sample)
{
    if (noProbeRead(sample)) {
        gapPending = true;
        if (boardAnswering)
            emit lossSeen(sample.time);
        boardAnswering = false;
        return;
    }
    boardAnswering = true;
    RecordedSample recorded;
    static_cast<ProbeSample &>(recorded) = sample;
    if (!samples.empty() && recorded.time <= samples.back().time) {
        // Two refreshes within a millisecond (the read-back at start-up and
        // the refresh after it) that read the same are one sample; one that
        // read anew follows a millisecond later, so each time has one sample.
        const RecordedSample &newest = samples.back();
        if (sameReadings(sample, newest))
            return;
        recorded.time = newest.time + 1;
    }
    recorded.afterGap = gapPending && !samples.empty();
    gapPending = false;
    summaries.add(dropped + qint64(samples.size()), SampleBlock::of(recorded, recorded.afterGap));
    samples.push_back(recorded);
    if (samples.size() > std::size_t(capacity)) {
        samples.pop_front();
        summaries.dropBefore(++dropped);
    }
    emit sampleTaken(recorded);
    emit changed();
}

void ProbeHistory::clear()
{
    samples.clear();
    summaries.clear();
    dropped = 0;
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

const RecordedSample &ProbeHistory::nearest(qint64 time) const
{
    const int after = std::min(lowerBound(time), size() - 1);
    const int before = std::max(after - 1, 0);
    return time - at(before).time <= at(after).time - time ? at(before) : at(after);
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
    if (decimate) {
        while (traces.level < ProbeLevels::depth
               && ProbeLevels::blockLength(traces.level + 1) * buckets <= end - inView)
            ++traces.level;
    }

    std::vector<LineBuilder> builders;
    builders.reserve(traces.lines.size());
    for (ProbeLine &line : traces.lines)
        builders.emplace_back(line);
    const qint64 base = history.firstNumber();
    qint64 ownBucket = 0;
    const auto bucketOf = [&](qint64 time) { return decimate ? time / bucketLength : ++ownBucket; };
    const auto addBlock = [&](const SampleBlock &block, qint64 bucket) {
        for (std::size_t p = 0; p < builders.size(); ++p) {
            const ProbeSummary &summary = block.probes[p];
            if (block.afterGap || summary.count == 0)
                builders[p].breakLine();
            if (summary.count == 0)
                continue;
            builders[p].add(bucket, summary);
            if (std::isnan(traces.highestVolts) || summary.high.volts > traces.highestVolts)
                traces.highestVolts = summary.high.volts;
        }
    };
    const auto addSample = [&](qint64 number, qint64 bucket) {
        ++traces.valuesRead;
        const RecordedSample &sample = history.at(int(number - base));
        addBlock(SampleBlock::of(sample, sample.afterGap), bucket);
    };
    // A block goes in whole only where every probe with readings in it runs
    // through it unbroken; around a gap the finer levels tell where it is.
    const auto visitBlock = [&](int level, qint64 number) {
        const SampleBlock &block = history.levels().block(level, number);
        if (std::any_of(block.probes.begin(), block.probes.end(), [](const ProbeSummary &s) {
                return s.count > 0 && !s.unbroken;
            }))
            return false;
        ++traces.valuesRead;
        const qint64 firstTime = history.at(int(number * ProbeLevels::blockLength(level) - base)).time;
        addBlock(block, bucketOf(firstTime));
        return true;
    };
    const auto visitSample = [&](qint64 number) {
        addSample(number, bucketOf(history.at(int(number - base)).time));
    };

    const qint64 firstNumber = base + first;
    const qint64 lastNumber = base + end - 1;
    addSample(firstNumber, decimate ? firstSampleBucket : ++ownBucket);
    walk(history, firstNumber + 1, lastNumber, traces.level, visitBlock, visitSample);
    if (lastNumber > firstNumber)
        addSample(lastNumber, decimate ? lastSampleBucket : ++ownBucket);
    for (LineBuilder &builder : builders)
        builder.breakLine();
    return traces;
}

std::array<ProbeStatistics, probeCount> probeStatistics(const ProbeHistory &history, qint64 from,
                                                        qint64 to)
{
    const qint64 base = history.firstNumber();
    SampleBlock total;
    bool any = false;
    const auto add = [&](const SampleBlock &block) {
        if (any)
            total.merge(block);
        else
            total = block;
        any = true;
    };
    walk(history, base + history.lowerBound(from), base + history.lowerBound(to + 1),
         ProbeLevels::depth,
         [&](int level, qint64 number) {
             add(history.levels().block(level, number));
             return true;
         },
         [&](qint64 number) {
             const RecordedSample &sample = history.at(int(number - base));
             add(SampleBlock::of(sample, false));
         });

    std::array<ProbeStatistics, probeCount> statistics;
    for (std::size_t p = 0; p < statistics.size(); ++p) {
        const ProbeSummary &summary = total.probes[p];
        if (summary.count == 0)
            continue;
        statistics[p] = {summary.low.volts, summary.high.volts, summary.sum / summary.count,
                         summary.count};
    }
    return statistics;
}
