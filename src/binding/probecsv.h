// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBECSV_H
#define ZQ40613_PROBECSV_H

#include <QString>

struct ProbeSample;

// Probe samples as comma-separated lines, the one format of both
// zq40613-reg probes --watch and the probe history's saved files, so the
// same scripts read both: a header "time,BATT,BUCK1,BUCK2,BUCK3,0x0d", then
// per sample the local time in ISO 8601 with milliseconds, each voltage as
// the panel shows it (an empty field for a failed conversion) and the status
// register in hex. Every line ends in "\n". A recording marks where the
// board was lost with a gap line: the time the loss was seen, then every
// field empty.
QString probeCsvHeader();
// The local time of a sample as its line gives it.
QString csvTime(qint64 time);
QString probeCsvLine(const ProbeSample &sample);
QString probeCsvGapLine(qint64 time);

#endif
