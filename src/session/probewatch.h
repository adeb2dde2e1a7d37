// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBEWATCH_H
#define ZQ40613_PROBEWATCH_H

#include "binding/probesample.h"
#include "common/runclock.h"

#include <QString>

#include <functional>
#include <optional>

class BoardSession;

// The probes taken on a fixed schedule from the start, as zq40613-reg
// probes --watch and the Python module's watch take them. A sample that
// comes late (a slow board) is followed by the next tick still ahead, not by
// a burst; samples are stamped with the run's clock, so a step of the wall
// clock does not upset their intervals. Keeping going, a failed read is
// told once as a gap (when a sample came before it, as the desktop
// program's recording does) and each later tick opens the board again until
// it answers; otherwise the first failed read ends the watch.
class ProbeWatch
{
public:
    // Waits the milliseconds; false when the wait was interrupted.
    using Sleep = std::function<bool(int milliseconds)>;

    struct Step
    {
        enum Kind {
            Sample,      // sample holds it
            Gap,         // the board was lost at sample.time, which is all it holds
            Lost,        // a read failed again, with no line to show for it
            Failed,      // a read failed and the watch is over
            Interrupted, // the wait for the tick was cut short
        };
        Kind kind;
        ProbeSample sample;

        // The CSV line of a sample or a gap, as probeCsvLine() writes it.
        QString csvLine() const;
    };

    ProbeWatch(BoardSession &session, int intervalMs, bool keepGoing);

    // An interval of 0.1 to 86400 seconds in milliseconds. Without a value,
    // error says why, showing the seconds as they were given.
    static std::optional<int> intervalFromSeconds(double seconds, const QString &given, QString &error);

    // Waits for the next tick and takes its sample. A tick that finds no
    // board (keeping going) is passed over. After Gap, Lost and Failed the
    // session's error() says why the read failed.
    Step next(const Sleep &sleep);

private:
    BoardSession &session;
    const int intervalMs;
    const bool keepGoing;
    const RunClock runClock;
    qint64 tick = 0;
    bool started = false;
    bool sampleSinceGap = false;
};

#endif
