// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/probewatch.h"

#include "binding/probecsv.h"
#include "device/devicelink.h"
#include "session/boardsession.h"

#include <cmath>

namespace {

constexpr double minWatchSeconds = 0.1;
constexpr double maxWatchSeconds = 86400.0;
constexpr double msPerSecond = 1000.0;

} // namespace

std::optional<int> ProbeWatch::intervalFromSeconds(double seconds, const QString &given, QString &error)
{
    if (!std::isfinite(seconds)) {
        error = QStringLiteral("invalid watch interval '%1' (seconds, like 1 or 0.5)").arg(given);
        return std::nullopt;
    }
    if (seconds < minWatchSeconds || seconds > maxWatchSeconds) {
        error = QStringLiteral("watch interval '%1' is out of range (0.1 to 86400 seconds)").arg(given);
        return std::nullopt;
    }
    return int(std::lround(seconds * msPerSecond));
}

QString ProbeWatch::Step::csvLine() const
{
    return kind == Gap ? probeCsvGapLine(sample.time) : probeCsvLine(sample);
}

ProbeWatch::ProbeWatch(BoardSession &session, int intervalMs, bool keepGoing)
    : session(session), intervalMs(intervalMs), keepGoing(keepGoing)
{
}

ProbeWatch::Step ProbeWatch::next(const Sleep &sleep)
{
    // The next tick after the last one taken, counted once its line is out.
    if (started)
        tick = runClock.elapsed() / intervalMs + 1;
    started = true;
    for (;; tick = runClock.elapsed() / intervalMs + 1) {
        const qint64 wait = tick * intervalMs - runClock.elapsed();
        if (wait > 0 && !sleep(int(wait)))
            return {Step::Interrupted, {}};
        if (!session.link().isConnected() && !session.link().openBoard())
            continue;
        const qint64 time = runClock.now();
        if (const std::optional<ProbeSample> sample = session.takeSample(time)) {
            sampleSinceGap = true;
            return {Step::Sample, *sample};
        }
        ProbeSample gap;
        gap.time = time;
        const bool told = sampleSinceGap;
        sampleSinceGap = false;
        if (!keepGoing)
            return {Step::Failed, gap};
        return {told ? Step::Gap : Step::Lost, gap};
    }
}
