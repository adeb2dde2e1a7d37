// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBELEVELS_H
#define ZQ40613_PROBELEVELS_H

#include "binding/probesample.h"

#include <array>
#include <deque>

// A probe's lowest or highest value over a run of samples, with the times
// (ms since the epoch) at which that value was first and last met there.
struct ProbeExtreme
{
    double volts = 0.0;
    qint64 first = 0;
    qint64 last = 0;
};

// What a run of consecutive samples holds for one probe.
struct ProbeSummary
{
    ProbeExtreme low;
    ProbeExtreme high;
    double sum = 0.0;
    int count = 0; // samples with a reading
    // Every sample has a reading and no gap begins after the first: the
    // probe's line runs through the whole run without a break.
    bool unbroken = false;
};

// A run of samples summed up, probe by probe; afterGap: the board was gone
// just before its first sample.
struct SampleBlock
{
    std::array<ProbeSummary, probeCount> probes;
    bool afterGap = false;

    static SampleBlock of(const ProbeSample &sample, bool afterGap);
    // Appends the run that follows this one.
    void merge(const SampleBlock &later);
};

// Coarser and coarser summaries of the samples, so that a long view is drawn
// and measured from about as many values as the chart has pixels, however
// many samples it spans. Level 1 sums up every factor samples, each further
// level factor blocks of the level below. Samples are numbered from 0 (since
// the last clear); block n of a level covers samples n * blockLength(level)
// up to the next block's first, so blocks stay where they are as samples
// arrive and the oldest drop. Only complete blocks are kept: the newest
// samples and those left of a dropped block are read at a finer level.
class ProbeLevels
{
public:
    static constexpr int factor = 16;
    static constexpr int depth = 3;

    static constexpr qint64 blockLength(int level)
    {
        qint64 length = 1;
        for (int l = 0; l < level; ++l)
            length *= factor;
        return length;
    }

    // Sample number is the one after the previous sample's.
    void add(qint64 number, const SampleBlock &sample);
    // The samples before number were dropped.
    void dropBefore(qint64 number);
    void clear();

    // The blocks a level holds, first to end (numbers), and one of them.
    qint64 firstBlock(int level) const { return levels[std::size_t(level - 1)].first; }
    qint64 endBlock(int level) const;
    const SampleBlock &block(int level, qint64 number) const;

private:
    struct Level
    {
        std::deque<SampleBlock> blocks;
        qint64 first = 0;
    };

    void push(int level, qint64 number, const SampleBlock &block);

    std::array<Level, depth> levels;
    SampleBlock building; // the level 1 block whose samples are still arriving
};

#endif
