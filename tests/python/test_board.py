# SPDX-License-Identifier: GPL-3.0-or-later
"""zq40613.Board on the simulated board: what reaches the chip, what comes
back, and every way a call fails."""

import io
import itertools
import os
import signal
import subprocess
import threading
import time

import pytest
import zq40613
from conftest import BIN, python, run
from zq40613 import Bit, BoardError, Difference, NoBoardError, RegisterFileError

BUCK1 = "Buck1 Output voltage"


@pytest.fixture(autouse=True)
def in_tmp(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)


def qrx(text, name="bad.qrx"):
    with open(name, "w") as f:
        f.write(text)
    return name


# Each row: registers written first, the call, then registers as the chip
# holds them and a field as it reads.
EDITS = [
    ("write, verified", {}, lambda b: b.write(0x07, 0x13, verify=True), {0x07: 0x13}, (BUCK1, "2.050V")),
    ("numbers as the command line writes them", {}, lambda b: b.write("0x07", "0n20"), {0x07: 0x14},
     (BUCK1, "2.100V")),
    ("field keeps the register's other bits", {0x07: 0xCE}, lambda b: b.set_field(BUCK1, "2.100V"),
     {0x07: 0xD4}, (BUCK1, "2.100V")),
    ("threshold lies one bit up", {}, lambda b: b.set_field("Comparator Threshold voltage", "3.016V"),
     {0x0B: 0xC1}, ("Comparator Hysteresis", "on")),
    ("switch off", {}, lambda b: b.set_field("Buck2 Enable", False), {0x0A: 0x82}, ("Buck2 Enable", "off")),
    ("switch by its text", {}, lambda b: b.set_field("Buck1 Force PWM", "on"), {0x0A: 0x93},
     ("Buck1 Force PWM", "on")),
    ("interrupt enable, named by its row", {}, lambda b: b.set_field("Buck1 OK enable", "on"), {0x0C: 0x02},
     ("Buck2 OK enable", "off")),
    ("the last of the repeated items", {}, lambda b: b.set_field(BUCK1, 63), {0x07: 0x3F}, (BUCK1, "3.600V")),
    ("a code past the items", {0x00: 0x7E}, lambda b: None, {0x00: 0x7E}, ("Buck3 Output voltage", "no item (126)")),
]


@pytest.mark.parametrize("before, call, registers, field", [row[1:] for row in EDITS], ids=[r[0] for r in EDITS])
def test_edits_reach_the_chip(board, before, call, registers, field):
    for address, value in before.items():
        board.write(address, value)
    call(board)
    assert {a: board.read(a) for a in registers} == registers
    assert board.field(field[0]) == field[1]


def test_power_on_state(board):
    assert board.bits(0x0A) == [Bit(7, 1, "Buck3 Enable"), Bit(6, 0, "-"), Bit(5, 0, "-"), Bit(4, 0, "Buck1 FPWM"),
                                Bit(3, 0, "Buck2 FPWM"), Bit(2, 0, "Buck3 FPWM"), Bit(1, 1, "Buck1 Enable"),
                                Bit(0, 1, "Buck2 Enable")]
    fields = board.fields()
    assert {name: fields[name] for name in (BUCK1, "Comparator Threshold voltage", "Buck1 Enable", "Buck1 Force PWM",
                                            "Buck1 OK enable", "Buck1 OK status")} == {
        BUCK1: "1.800V", "Comparator Threshold voltage": "3.270V", "Buck1 Enable": "on",
        "Buck1 Force PWM": "off", "Buck1 OK enable": "off", "Buck1 OK status": "1"}
    assert list(fields) == zq40613.field_names() and len(fields) == 21
    items = zq40613.field_items(BUCK1)
    assert (len(items), items[:2], items.count("3.600V")) == (64, ["1.100V", "1.150V"], 14)
    assert board.pins() == {"IRQ": 1, "PWR_UP MODE": 1}
    assert board.probes() == pytest.approx({"BATT": 3.7, "BUCK1": 1.8, "BUCK2": 3.3, "BUCK3": 1.2}, abs=0.05)


def test_load_stores_writes_and_verify_lists_the_rest(board, tmp_path):
    path = tmp_path / "setup.qrx"
    path.write_text("reg 0x07 0x14 w\nsleep 20\nreg 0x0a 0x80\nreg 0x0B 0x81 W\n")
    board.load(path)
    assert [board.read(a) for a in (0x07, 0x0A, 0x0B)] == [0x14, 0x83, 0x81]
    assert board.verify(path) == [Difference(0x0A, 0x83, 0x80, [Bit(1, 1, "Buck1 Enable"), Bit(0, 1, "Buck2 Enable")])]


def test_dump_is_the_command_lines():
    # A minute may turn between two runs; the module's matches one of them.
    runs = [run("zq40613-reg", "dump").stdout]
    with zq40613.Board() as board:
        dumped = board.dump()
    runs.append(run("zq40613-reg", "dump").stdout)
    assert dumped in runs and dumped.startswith("# ZQ40613 Evaluation kit register file\n")


def test_watch_writes_what_the_command_line_writes():
    def fresh_board():
        run("zq40613-sim", "reset", "--seed", "0")
        run("zq40613-sim", "battery", "3.5")  # no drift; the noise starts afresh

    fresh_board()
    cli = subprocess.Popen([os.path.join(BIN, "zq40613-reg"), "probes", "--watch", "0.1"],
                           stdout=subprocess.PIPE, text=True)
    expected = [cli.stdout.readline() for _ in range(4)]
    cli.kill()
    cli.wait()
    fresh_board()
    written = io.StringIO()
    with zq40613.Board() as board:
        samples = list(itertools.islice(board.watch(0.1, csv=written), 3))
    lines = written.getvalue().splitlines(keepends=True)
    assert [line.split(",", 1)[1] for line in lines[1:]] == [line.split(",", 1)[1] for line in expected[1:]]
    assert lines[0] == expected[0] == "time,BATT,BUCK1,BUCK2,BUCK3,0x0d\n"
    assert lines[1:] == ["%s,%.2f,%.2f,%.2f,%.2f,0x%02x\n" % (s.time.isoformat(timespec="milliseconds"),
                                                             *s.probes.values(), s.status) for s in samples]


def test_watch_keeps_going_through_a_lost_board(board):
    written = io.StringIO()
    watch = board.watch(0.1, keep_going=True, csv=written)
    next(watch)
    run("zq40613-sim", "unplug")
    gap = next(watch)
    run("zq40613-sim", "plug")
    assert (gap.probes, gap.status, next(watch).status) == (None, None, 0x1F)
    assert written.getvalue().splitlines()[2] == gap.time.isoformat(timespec="milliseconds") + ",,,,,"


# Part 0, the battery held at 3.300 V: the comparator lets go once the
# threshold less its 100 mV of hysteresis reaches the battery, and sets again
# below it; the field is back at its value from before.
def test_sweep_rows_and_trip_points(board):
    run("zq40613-sim", "battery", "3.3")
    rows = board.sweep("Comparator Threshold voltage", 3.238, "3.461V", settle_ms=0, up_down=True)
    assert (len(rows), rows.trips, rows[0].set, rows[0].error_mv, rows[-1].status) == (15, (3.429, 3.27), 3.238, None,
                                                                                        0x1F)
    assert board.field("Comparator Threshold voltage") == "3.270V"


def test_sweep_ended_by_a_lost_board_keeps_its_rows(board):
    threading.Timer(0.9, run, ("zq40613-sim", "unplug")).start()
    with pytest.raises(BoardError) as raised:
        board.sweep(BUCK1, 1.1, 1.2, settle_ms=600)
    assert (str(raised.value), [row.set for row in raised.value.rows]) == (
        "the board stopped answering at step 2 of 3 (1.150V)", [1.1])


def test_board_calls_let_other_threads_run(board):
    loading = threading.Thread(target=board.load, args=(qrx("sleep 400\n"),))
    loading.start()
    time.sleep(0.05)
    assert loading.is_alive()
    loading.join()


# Each row: zq40613-sim commands after the board was opened, the call, the
# error it raises and its message.
ERRORS = [
    ("address past a byte", [], lambda b: b.read(0x100), ValueError, "address '0x100' is out of range (0x00 to 0xff)"),
    ("negative data", [], lambda b: b.write(7, -1), ValueError, "data '-0x1' is out of range (0x00 to 0xff)"),
    ("address text", [], lambda b: b.bits("0g"), ValueError,
     "invalid address '0g' (hexadecimal like 0b or 0x0b, decimal like 0n11)"),
    ("address of no such type", [], lambda b: b.read(7.0), TypeError, "address must be an int or a str, not float"),
    ("unknown field", [], lambda b: b.field("Buck4 Enable"), ValueError, "unknown field 'Buck4 Enable'"),
    ("no such item", [], lambda b: b.set_field(BUCK1, "1.125V"), ValueError,
     "invalid value '1.125V' for Buck1 Output voltage (an item from 1.100V to 3.600V, or its index 0 to 63)"),
    ("index past the items", [], lambda b: b.set_field(BUCK1, 64), ValueError,
     "invalid value '64' for Buck1 Output voltage (an item from 1.100V to 3.600V, or its index 0 to 63)"),
    ("switch text", [], lambda b: b.set_field("Buck1 Enable", "yes"), ValueError,
     "invalid value 'yes' for Buck1 Enable (on or off, True or False)"),
    ("status indicator", [], lambda b: b.set_field("Buck1 OK status", "0"), ValueError,
     "Buck1 OK status is a status indicator and cannot be set"),
    ("watch too fast", [], lambda b: b.watch(0.05), ValueError,
     "watch interval '0.05' is out of range (0.1 to 86400 seconds)"),
    ("closed board", [], lambda b: (b.close(), b.read(7)), ValueError, "operation on a closed board"),
    ("read-only status register", [], lambda b: b.write(0x0D, 0, verify=True), BoardError,
     "register 0x0d reads back 0x1f after writing 0x00"),
    ("board lost", ["unplug"], lambda b: b.read(7), BoardError,
     "reading register 0x07 failed: the board does not answer"),
    ("board lost before a write", ["unplug"], lambda b: b.write(7, 0x12), BoardError,
     "writing register 0x07 failed: the board does not answer"),
    ("board lost before a field", ["unplug"], lambda b: b.set_field("Buck1 Enable", "on"), BoardError,
     "reading register 0x0a failed: the board does not answer"),
    ("board lost before the pins", ["unplug"], lambda b: b.pins(), BoardError,
     "reading IRQ failed: the board does not answer"),
    ("board lost in a watch", ["unplug"], lambda b: next(b.watch(0.1)), BoardError,
     "reading BATT failed: the board does not answer"),
    ("board lost in a load", ["unplug"], lambda b: b.load(qrx("reg 0x07 0x12 w\nreg 0x08 0x22 w\n")), BoardError,
     "writing register 0x07 failed: the board does not answer (2 of the file's writes failed)"),
    ("no board to open", ["unplug"], lambda b: zq40613.Board(), NoBoardError,
     "no board answers (controller library %s)" % os.path.join(BIN, "libhid2.so")),
    ("missing file", [], lambda b: b.load("missing.qrx"), FileNotFoundError,
     "[Errno 2] No such file or directory: 'missing.qrx'"),
    ("folder", [], lambda b: b.verify("."), OSError, "cannot read .: Is a directory"),
    ("name cut short by a null byte", [], lambda b: b.load("bad.qrx\0.txt"), ValueError, "embedded null byte"),
    ("syntax error in a load", [], lambda b: b.load(qrx("reg 0x07 0x12 w\n# ok\nreg 0x10 0x00 w\n")),
     RegisterFileError, "Syntax error in file bad.qrx, line 3."),
    ("syntax error in a verify", [], lambda b: b.verify(qrx("sleep\n")), RegisterFileError,
     "Syntax error in file bad.qrx, line 1."),
    ("verify of a file naming nothing", [], lambda b: b.verify(qrx("# empty\n")), ValueError,
     "bad.qrx names no register"),
    ("sweep of a switch", [], lambda b: b.sweep("Buck1 Enable", 0, 1), ValueError,
     "unknown field 'Buck1 Enable' (the fields: Buck1 Output voltage, Buck2 Output voltage, Buck3 Output voltage, "
     "Comparator Threshold voltage)"),
    ("sweep to a value between two items", [], lambda b: b.sweep(BUCK1, 1.1, 1.125), ValueError,
     "Buck1 Output voltage has no value '1.125' (its values: %s)" % ", ".join(
         "%.3fV" % (1.1 + 0.05 * code) for code in range(51))),
    ("sweep without readings", [], lambda b: b.sweep(BUCK1, 1.1, 1.2, readings=0), ValueError,
     "readings 0 is out of range (1 to 1000)"),
    ("board lost before a sweep", ["unplug"], lambda b: b.sweep(BUCK1, 1.1, 1.2), BoardError,
     "reading register 0x07 failed: the board does not answer"),
]


@pytest.mark.parametrize("sim, call, error, message", [row[1:] for row in ERRORS], ids=[r[0] for r in ERRORS])
def test_errors(board, sim, call, error, message):
    for command in sim:
        run("zq40613-sim", command)
    with pytest.raises(error) as raised:
        call(board)
    assert str(raised.value) == message
    if error is RegisterFileError:
        assert (raised.value.line, raised.value.path) == (int(message[-2]), "bad.qrx")


INTERRUPTED = [
    ("load, in a sleep", "board.load(%r)" % "slow.qrx", "load interrupted at line 2"),
    ("watch, between samples", "for s in board.watch(3.0): print('sample', flush=True)",
     "watch interrupted at sample 2"),
    ("sweep, as a step settles", "board.sweep(%r, 1.1, 1.2, settle_ms=5000)" % BUCK1,
     "sweep interrupted at step 1 of 3; Buck1 Output voltage restored"),
]


@pytest.mark.parametrize("statement, message", [row[1:] for row in INTERRUPTED], ids=[r[0] for r in INTERRUPTED])
def test_ctrl_c_stops_between_lines_and_samples(statement, message):
    qrx("reg 0x07 0x10 w\nsleep 5000\nreg 0x07 0x11 w\n", "slow.qrx")
    child = python("-c", "import signal, zq40613\n"
                         "signal.signal(signal.SIGINT, signal.default_int_handler)\n"
                         "board = zq40613.Board()\nprint('open', flush=True)\n"
                         "try:\n    " + statement + "\n"
                         "except KeyboardInterrupt as stop:\n    print(stop, hex(board.read(7)))\n")
    lines = [child.stdout.readline() for _ in range(1 + ("watch" in statement))]
    time.sleep(0.3)
    child.send_signal(signal.SIGINT)
    out, err = child.communicate(timeout=10)
    assert (lines[0], out, err) == ("open\n", "%s 0x%x\n" % (message, 0x10 if "load" in statement else 0x0E), "")
