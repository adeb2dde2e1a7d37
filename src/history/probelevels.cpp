// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probelevels.h"

#include <cmath>

namespace {

// The later run's extreme replaces the earlier's when beyond it; an equal
// one moves the last time it was met.
template <typename Beyond>
void take(ProbeExtreme &extreme, const ProbeExtreme &later, Beyond beyond)
{
    if (beyond(later.volts, extreme.volts))
        extreme = later;
    else if (later.volts == extreme.volts)
        extreme.last = later.last;
}

void mergeSummary(ProbeSummary &into, const ProbeSummary &later, bool gapBetween)
{
    into.unbroken = into.unbroken && later.unbroken && !gapBetween;
    if (later.count == 0)
        return;
    if (into.count == 0) {
        into.low = later.low;
        into.high = later.high;
    } else {
        take(into.low, later.low, [](double a, double b) { return a < b; });
        take(into.high, later.high, [](double a, double b) { return a > b; });
    }
    into.sum += later.sum;
    into.count += later.count;
}

} // namespace

SampleBlock SampleBlock::of(const ProbeSample &sample, bool afterGap)
{
    SampleBlock block;
    block.afterGap = afterGap;
    for (std::size_t p = 0; p < block.probes.size(); ++p) {
        const double volts = sample.volts[p];
        if (std::isnan(volts))
            continue;
        ProbeSummary &summary = block.probes[p];
        summary.low = summary.high = ProbeExtreme{volts, sample.time, sample.time};
        summary.sum = volts;
        summary.count = 1;
        summary.unbroken = true;
    }
    return block;
}

void SampleBlock::merge(const SampleBlock &later)
{
    for (std::size_t p = 0; p < probes.size(); ++p)
        mergeSummary(probes[p], later.probes[p], later.afterGap);
}

void ProbeLevels::add(qint64 number, const SampleBlock &sample)
{
    if (number % factor == 0)
        building = sample;
    else
        building.merge(sample);
    if (number % factor == factor - 1)
        push(1, number / factor, building);
}

void ProbeLevels::push(int level, qint64 number, const SampleBlock &block)
{
    Level &l = levels[std::size_t(level - 1)];
    if (l.blocks.empty())
        l.first = number;
    l.blocks.push_back(block);
    // The last block of a coarser one: that one is complete too.
    if (level == depth || number % factor != factor - 1 || number - (factor - 1) < l.first)
        return;
    const auto children = l.blocks.end() - factor;
    SampleBlock parent = *children;
    for (auto child = children + 1; child != l.blocks.end(); ++child)
        parent.merge(*child);
    push(level + 1, number / factor, parent);
}

void ProbeLevels::dropBefore(qint64 number)
{
    for (int level = 1; level <= depth; ++level) {
        Level &l = levels[std::size_t(level - 1)];
        while (!l.blocks.empty() && l.first * blockLength(level) < number) {
            l.blocks.pop_front();
            ++l.first;
        }
    }
}

void ProbeLevels::clear()
{
    for (Level &l : levels)
        l = Level{};
}

qint64 ProbeLevels::endBlock(int level) const
{
    const Level &l = levels[std::size_t(level - 1)];
    return l.first + qint64(l.blocks.size());
}

const SampleBlock &ProbeLevels::block(int level, qint64 number) const
{
    const Level &l = levels[std::size_t(level - 1)];
    return l.blocks[std::size_t(number - l.first)];
}
