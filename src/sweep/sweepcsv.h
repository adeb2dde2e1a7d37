// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SWEEPCSV_H
#define ZQ40613_SWEEPCSV_H

#include "sweep/sweeprun.h"

#include <QChar>
#include <QList>
#include <QString>

#include <optional>

// A sweep's rows as comma-separated lines, the one format of the Sweep
// window's Save CSV…, zq40613-reg sweep and Python's to_csv, so the same
// scripts read all three. The header is "time,set,BATT,BUCK1,BUCK2,BUCK3,0x0d"
// and, for a field that a probe follows, that probe's error against the
// value set: "BUCK1 error mV,BUCK1 error %". A row gives the local time of
// its last reading (ISO 8601 with milliseconds), the value set as the item
// reads without its unit, each probe's mean in volts to the millivolt, the
// status register in hex, then the error in millivolts to a tenth and in
// percent to a hundredth. Every line ends in "\n"; the window's Copy takes
// the same lines with tabs between the fields.
QString sweepCsvHeader(const SweepField &field, QChar separator = QLatin1Char(','));
QString sweepCsvLine(const SweepField &field, const SweepRow &row,
                     QChar separator = QLatin1Char(','));

// A sweep's number with fixed decimals in the C locale, as its CSV, table
// and chart show it: no "-0.0" for what rounds to nothing.
QString fixedText(double value, int decimals);

// The error of the field's probe against the value set, for a field that
// a probe follows and whose items are numbers.
struct SweepError
{
    double millivolts;
    double percent;
};
std::optional<SweepError> sweepError(const SweepField &field, const SweepRow &row);

// Where the status bit that follows the field changed: the value set at
// the first step that found it changed while the values went up (rising)
// and while they went down (falling).
struct TripPoints
{
    std::optional<double> rising;
    std::optional<double> falling;
};
TripPoints tripPoints(const SweepField &field, const QList<SweepRow> &rows);
// "trips at 3.27 V rising, 3.17 V falling", either part alone, or that the
// bit did not change.
QString tripText(const TripPoints &trips);

#endif
