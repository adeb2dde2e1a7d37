# SPDX-License-Identifier: GPL-3.0-or-later
"""A hardware-in-the-loop check of the board's power-on state, for pytest:

    pytest test_power_on.py

Power the board up afresh first (on the simulated board: zq40613-sim reset).
"""

import pytest
import zq40613


@pytest.fixture(scope="module")
def board():
    with zq40613.Board() as opened:
        yield opened


@pytest.mark.parametrize("field, value", [
    ("Buck1 Output voltage", "1.800V"),
    ("Buck2 Output voltage", "3.300V"),
    ("Buck3 Output voltage", "1.200V"),
    ("Buck1 Enable", "on"),
    ("Buck2 Enable", "on"),
    ("Buck3 Enabled", "on"),
    ("Comparator Enable", "on"),
    ("Comparator Threshold voltage", "3.270V"),
    ("Buck1 OK enable", "off"),
])
def test_field(board, field, value):
    assert board.field(field) == value


# Within 2 % of the set voltage, as the probe reads it.
@pytest.mark.parametrize("probe, volts", [("BUCK1", 1.80), ("BUCK2", 3.30), ("BUCK3", 1.20)])
def test_converter_regulates(board, probe, volts):
    assert board.probes()[probe] == pytest.approx(volts, rel=0.02)


def test_converters_report_ok(board):
    assert [board.field("Buck%d OK status" % n) for n in (1, 2, 3)] == ["1", "1", "1"]


def test_no_interrupt(board):
    assert board.pins()["IRQ"] == 1
