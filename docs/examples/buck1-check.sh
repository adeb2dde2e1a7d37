#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets Buck1 to 1.800 V, enables it, waits for the output to settle and
# checks the BUCK1 probe. Exit status 0 when the probe reads 1.75 to 1.85 V.
# REG=zq40613-reg-sim runs it against the simulated board.
set -e
reg=${REG:-zq40613-reg}

$reg write 07 0e --verify                  # Buck1 code 14: 1.800 V
enables=$($reg read 0a)                     # keep the other converters as they are
$reg write 0a "$(printf '%02x' $((enables | 0x02)))" --verify
sleep 0.2

volts=$($reg probes | awk '$1 == "BUCK1" { print $2 }')
if awk -v v="$volts" 'BEGIN { exit !(v >= 1.75 && v <= 1.85) }'; then
    echo "BUCK1 at $volts V"
else
    echo "BUCK1 at $volts V, expected 1.800 V" >&2
    exit 1
fi
