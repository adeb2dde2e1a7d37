#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns the benchmark runs of bench/run into one Markdown table."""
import json
import sys

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    return {r["name"]: r for r in runs if r.get("run_type", "iteration") == "iteration"}


def ms(run):
    return run["real_time"] * UNIT_MS[run["time_unit"]]


def fmt_ms(value):
    return f"{value * 1000:.1f} µs" if value < 1 else f"{value:.2f} ms"


def fmt_ratio(value):
    return f"{value:.2g}" if value < 0.1 else f"{value:.2f}"


def main():
    panel, latency, regfile, history = (load(p) for p in sys.argv[1:5])
    main_rss, bare_rss, history_rss = (int(v) for v in sys.argv[5:8])
    latency_us = int(sys.argv[8])
    poll_tick = ms(panel["BM_PollTick"])

    table = [
        ("Start-up: construct and show the main window (offscreen, simulated board)",
         fmt_ms(ms(panel["BM_StartupMainWindow"])),
         "the panel form shown alone", fmt_ms(ms(panel["BM_StartupPanelForm"])),
         ms(panel["BM_StartupMainWindow"]) / ms(panel["BM_StartupPanelForm"])),
        ("Peak resident memory of the program",
         f"{main_rss / 1024:.1f} MiB", "bare QMainWindow", f"{bare_rss / 1024:.1f} MiB",
         main_rss / bare_rss),
        ("Peak resident memory, a full probe history (86,400 samples) shown",
         f"{history_rss / 1024:.1f} MiB", "bare QMainWindow", f"{bare_rss / 1024:.1f} MiB",
         history_rss / bare_rss),
        (f"The same, above the program without history: {(history_rss - main_rss) / 1024:.1f} MiB",
         f"{history_rss / 1024:.1f} MiB", "the program without history",
         f"{main_rss / 1024:.1f} MiB", history_rss / main_rss),
        (f"One poll tick, no latency ({panel['BM_PollTick']['calls_per_tick']:.0f} controller calls)",
         fmt_ms(ms(panel["BM_PollTick"])), "the same 21 calls alone",
         fmt_ms(ms(panel["BM_PollTickFloor"])),
         ms(panel["BM_PollTick"]) / ms(panel["BM_PollTickFloor"])),
        (f"One display refresh, no latency ({panel['BM_DisplayRefresh']['calls_per_tick']:.0f} controller calls)",
         fmt_ms(ms(panel["BM_DisplayRefresh"])), "the same 12 calls alone",
         fmt_ms(ms(panel["BM_DisplayRefreshFloor"])),
         ms(panel["BM_DisplayRefresh"]) / ms(panel["BM_DisplayRefreshFloor"])),
        ("One display refresh after a register changed, with its repaint, register map open",
         fmt_ms(ms(panel["BM_RefreshRegisterMapOpen"])), "the same, register map closed",
         fmt_ms(ms(panel["BM_RefreshRegisterMapClosed"])),
         ms(panel["BM_RefreshRegisterMapOpen"]) / ms(panel["BM_RefreshRegisterMapClosed"])),
        (f"GUI thread blocked per poll tick, {latency_us} µs per call",
         fmt_ms(ms(latency["BM_PollTick"])), f"21 calls x {latency_us} µs",
         fmt_ms(21 * latency_us / 1000.0),
         ms(latency["BM_PollTick"]) / (21 * latency_us / 1000.0)),
        ("Reading a register file of 100,000 statements",
         fmt_ms(ms(regfile["BM_parse_reg_file"])), "splitting the same bytes into lines",
         fmt_ms(ms(regfile["BM_split_lines_floor"])),
         ms(regfile["BM_parse_reg_file"]) / ms(regfile["BM_split_lines_floor"])),
    ]
    # The probe history holds a full day of samples; each poll tick adds one.
    history_rows = [
        ("Probe history, window closed: add a sample (86,400 held)",
         "BM_HistoryAppendWindowClosed"),
        ("Probe history, 10-minute view: add a sample, redraw and paint the whole chart",
         "BM_HistoryAppendAndRedraw/1/0"),
        ("Probe history, whole-history view: add a sample, redraw and paint the whole chart",
         "BM_HistoryAppendAndRedraw/3/0"),
        ("Probe history, 10-minute view: add a sample, redraw and paint what changed",
         "BM_HistoryAppendAndRedraw/1/1"),
        ("Probe history, whole-history view: add a sample, redraw and paint what changed",
         "BM_HistoryAppendAndRedraw/3/1"),
    ]
    for what, name in history_rows:
        table.append((what, fmt_ms(ms(history[name])), "one poll tick, no latency",
                      fmt_ms(poll_tick), ms(history[name]) / poll_tick))
    table.append(("Recording a sample to disk: its line formatted and written (sync apart)",
                  fmt_ms(ms(history["BM_RecordSample"])), "the same line written alone",
                  fmt_ms(ms(history["BM_WriteLineFloor"])),
                  ms(history["BM_RecordSample"]) / ms(history["BM_WriteLineFloor"])))
    # The Python module against the C++ it is made of, in the same run.
    with open(sys.argv[9]) as f:
        python = json.load(f)
    python_read, cpp_read = python["read_us"] / 1000.0, python["cpp_read_us"] / 1000.0
    table.append((f"A register read from Python, no latency (10,000 reads): "
                  f"{python['read_difference_us']:+.2f} µs a read, median of the turns "
                  f"({python['read_cpu_us'] - python['cpp_read_cpu_us']:+.2f} µs of processor time)",
                  fmt_ms(python_read), "the same reads from C++", fmt_ms(cpp_read), python_read / cpp_read))
    table.append(("board.load of 100,000 statements, each written (with opening the board); processor time "
                  f"{python['load_cpu_ms']:.0f} ms against {python['cli_load_cpu_ms']:.0f} ms",
                  fmt_ms(python["load_ms"]), "zq40613-reg load of the same file, the whole run",
                  fmt_ms(python["cli_load_ms"]), python["load_ms"] / python["cli_load_ms"]))
    print("| Measure | Program | Floor | Floor value | Ratio |")
    print("|---|---|---|---|---|")
    for what, value, floor_name, floor, ratio in table:
        print(f"| {what} | {value} | {floor_name} | {floor} | {fmt_ratio(ratio)} |")


if __name__ == "__main__":
    main()
