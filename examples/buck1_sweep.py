#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Steps Buck1's output voltage through its values and writes, for each, the
voltage set and the voltage the BUCK1 probe measures, as CSV.

    python3 buck1_sweep.py [OUT.csv] [--settle SECONDS]

Buck1 is switched on for the sweep; its voltage and enable are put back as
they were afterwards.
"""

import argparse
import contextlib
import csv
import sys
import time

import zq40613

VOLTAGE = "Buck1 Output voltage"
ENABLE = "Buck1 Enable"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", nargs="?", help="the CSV file (standard output without one)")
    parser.add_argument("--settle", type=float, default=0.05,
                        help="seconds to wait after each step before measuring (default 0.05)")
    args = parser.parse_args()

    with contextlib.ExitStack() as stack:
        out = stack.enter_context(open(args.output, "w", newline="")) if args.output else sys.stdout
        board = stack.enter_context(zq40613.Board())
        was = {name: board.field(name) for name in (VOLTAGE, ENABLE)}
        stack.callback(lambda: [board.set_field(name, value) for name, value in was.items()])

        rows = csv.writer(out)
        rows.writerow(["set", "measured"])
        board.set_field(ENABLE, "on")
        # The list repeats its last voltage for the codes above it: each
        # voltage once.
        for volts in dict.fromkeys(zq40613.field_items(VOLTAGE)):
            board.set_field(VOLTAGE, volts)
            time.sleep(args.settle)
            rows.writerow([volts.rstrip("V"), "%.3f" % board.probes()["BUCK1"]])


if __name__ == "__main__":
    main()
