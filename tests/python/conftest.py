# SPDX-License-Identifier: GPL-3.0-or-later
"""What the module's tests share: the simulated board at power-on for every
case, the ideal part (without the errors of a real one), and the build's
programs beside the module."""

import os
import subprocess
import sys

import pytest
import zq40613

BIN = os.path.dirname(zq40613.__file__)


def run(program, *args, **kwargs):
    """Runs a program of the build (zq40613-reg, zq40613-sim) to its end."""
    return subprocess.run([os.path.join(BIN, program), *args], capture_output=True, text=True,
                          check=kwargs.pop("check", True), **kwargs)


def python(*args, **kwargs):
    """Runs this Python with the module on its path, as a script would."""
    return subprocess.Popen([sys.executable, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, **kwargs)


@pytest.fixture(autouse=True)
def power_on():
    run("zq40613-sim", "reset", "--seed", "0")


@pytest.fixture
def board():
    with zq40613.Board() as opened:
        yield opened
