#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The Python module against zq40613-reg on the simulated board, no latency:
10,000 register reads (the fastest of 5 runs), and the load of a register
file of 100,000 statements, each written, against zq40613-reg load of the
same file (the fastest of 3 runs each). Prints the figures as JSON.

    bench_python.py BIN_DIR SCRATCH_DIR
"""

import json
import os
import subprocess
import sys
import time

READS = 10_000
STATEMENTS = 100_000


def fastest(runs, work):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    bin_dir, scratch = sys.argv[1:3]
    sys.path.insert(0, bin_dir)
    import zq40613

    path = os.path.join(scratch, "statements.qrx")
    with open(path, "w") as f:
        for i in range(STATEMENTS):
            f.write("reg 0x%02X 0x%02X w\n" % (i % 16, (i * 37) % 256))

    with zq40613.Board() as board:
        read_s = fastest(5, lambda: [board.read(0x07) for _ in range(READS)]) / READS

    def module_load():
        with zq40613.Board() as board:
            board.load(path)

    reg = os.path.join(bin_dir, "zq40613-reg")
    load_s = fastest(3, module_load)
    cli_s = fastest(3, lambda: subprocess.run([reg, "load", path], check=True))
    json.dump({"read_us": read_s * 1e6, "load_ms": load_s * 1e3, "cli_load_ms": cli_s * 1e3}, sys.stdout)


if __name__ == "__main__":
    main()
