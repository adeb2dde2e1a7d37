#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The Python module against the C++ it is made of, on the simulated board
with no latency: 10,000 register reads from Python against the same reads
from C++ (bench_board), and the load of a register file of 100,000
statements, each written, against zq40613-reg load of the same file. The
two sides take turns, so that a busy machine weighs on both alike: the
fastest of the turns counts, and for the reads also the median of the
differences between neighbouring turns. Prints the figures as JSON.

    bench_python.py BIN_DIR SCRATCH_DIR
"""

import json
import os
import resource
import statistics
import subprocess
import sys
import time

READS = 10_000
STATEMENTS = 100_000
READ_TURNS = 25
LOAD_TURNS = 5


def timed(work):
    start = time.perf_counter()
    work()
    return time.perf_counter() - start


def timed_both(work):
    """Wall-clock and processor time; the second is what a busy machine
    distorts least."""
    start, start_cpu = time.perf_counter(), time.thread_time()
    work()
    return time.perf_counter() - start, time.thread_time() - start_cpu


def cli_run(command):
    """Wall-clock and processor time of a program run to its end."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    wall = timed(lambda: subprocess.run(command, check=True))
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)


def cpp_read_us(bench_board):
    """One run of 10,000 reads from C++: wall-clock and processor
    microseconds a read."""
    out = subprocess.run([bench_board, "--benchmark_format=json"],
                         check=True, capture_output=True, text=True).stdout
    run = json.loads(out)["benchmarks"][0]
    assert run["time_unit"] == "us"
    return run["real_time"], run["cpu_time"]


def main():
    bin_dir, scratch = sys.argv[1:3]
    sys.path.insert(0, bin_dir)
    import zq40613

    path = os.path.join(scratch, "statements.qrx")
    with open(path, "w") as f:
        for i in range(STATEMENTS):
            f.write("reg 0x%02X 0x%02X w\n" % (i % 16, (i * 37) % 256))

    def module_load():
        with zq40613.Board() as board:
            board.load(path)

    reg = os.path.join(bin_dir, "zq40613-reg")
    reads, cpp_reads, loads, cli_loads = [], [], [], []
    with zq40613.Board() as board:
        for _ in range(READ_TURNS):
            cpp_reads.append(cpp_read_us(os.path.join(bin_dir, "bench_board")))
            reads.append([t / READS * 1e6 for t in timed_both(lambda: [board.read(0x07) for _ in range(READS)])])
    for _ in range(LOAD_TURNS):
        cli_loads.append([t * 1e3 for t in cli_run([reg, "load", path])])
        loads.append([t * 1e3 for t in timed_both(module_load)])
    json.dump({"read_us": min(r[0] for r in reads), "read_cpu_us": min(r[1] for r in reads),
               "cpp_read_us": min(r[0] for r in cpp_reads), "cpp_read_cpu_us": min(r[1] for r in cpp_reads),
               "read_difference_us": statistics.median(r[0] - c[0] for r, c in zip(reads, cpp_reads)),
               "load_ms": min(r[0] for r in loads), "load_cpu_ms": min(r[1] for r in loads),
               "cli_load_ms": min(r[0] for r in cli_loads), "cli_load_cpu_ms": min(r[1] for r in cli_loads)},
              sys.stdout)


if __name__ == "__main__":
    main()
