# SPDX-License-Identifier: GPL-3.0-or-later
"""The scripts of examples/ and the Python examples of the README, run as a
user runs them, on the simulated board."""

import csv
import os
import re

import pytest
import zq40613
from conftest import python, run

SOURCE = os.path.join(os.path.dirname(__file__), "..", "..")


def readme_examples():
    with open(os.path.join(SOURCE, "README.md")) as readme:
        section = readme.read().split("\n## Python")[1].split("\n## ")[0]
    return re.findall(r"```python\n(.*?)```", section, re.S)


@pytest.mark.parametrize("code", readme_examples())
def test_readme_example(code, tmp_path):
    child = python("-c", code, cwd=tmp_path)
    out, err = child.communicate(timeout=60)
    assert (child.returncode, err) == (0, "")
    assert out


def test_buck1_sweep(tmp_path):
    out = tmp_path / "sweep.csv"
    child = python(os.path.join(SOURCE, "examples", "buck1_sweep.py"), str(out), "--settle", "0")
    assert child.communicate(timeout=120) == ("", "")
    with open(out) as f:
        rows = list(csv.reader(f))
    assert rows[0] == ["set", "measured"] and len(rows) == 52
    assert (rows[1][0], rows[-1][0]) == ("1.100", "3.600")
    assert all(abs(float(set_) - float(measured)) < 0.01 for set_, measured in rows[1:])
    with zq40613.Board() as board:
        assert (board.read(0x07), board.read(0x0A)) == (0x0E, 0x83)


@pytest.mark.parametrize("before, outcome", [([], 0), (["write", "07", "14"], 1)], ids=["power-on", "Buck1 moved"])
def test_power_on_check(before, outcome):
    if before:
        run("zq40613-reg", *before)
    child = python("-m", "pytest", "-q", "-p", "no:cacheprovider", os.path.join(SOURCE, "examples", "test_power_on.py"))
    out, _ = child.communicate(timeout=120)
    assert child.returncode == outcome, out
