# SPDX-License-Identifier: GPL-3.0-or-later
"""The ZQ40613 evaluation board from Python (type hints of the module)."""

import datetime
import os
from types import TracebackType
from typing import IO, Iterator, NamedTuple, Optional, Sequence, Type, Union, overload

__version__: str

_Byte = Union[int, str]
_Path = Union[str, bytes, os.PathLike]


class BoardError(Exception):
    """A call the board did not answer, or answered wrongly."""


class NoBoardError(BoardError):
    """No board answers when Board() opens it."""


class RegisterFileError(ValueError):
    """A syntax error in a register file."""

    line: Optional[int]
    path: Optional[_Path]


class Bit(NamedTuple):
    """One bit of a register."""

    position: int
    value: int
    name: str


class Difference(NamedTuple):
    """A register whose chip value differs from a register file's."""

    address: int
    chip: int
    file: int
    bits: list[Bit]


class Sample(NamedTuple):
    """One tick of Board.watch(); probes and status are None for a lost board."""

    time: datetime.datetime
    probes: Optional[dict[str, float]]
    status: Optional[int]


class SweepRow(NamedTuple):
    """One step of Board.sweep(); error_mv and error_percent are None where no probe follows the field."""

    time: datetime.datetime
    set: float
    batt: float
    buck1: float
    buck2: float
    buck3: float
    status: int
    error_mv: Optional[float]
    error_percent: Optional[float]


class SweepRows(Sequence[SweepRow]):
    """The rows Board.sweep() took, in order; to_csv() writes them."""

    field: str
    trips: Optional[tuple[Optional[float], Optional[float]]]

    def __len__(self) -> int: ...
    @overload
    def __getitem__(self, index: int) -> SweepRow: ...
    @overload
    def __getitem__(self, index: slice) -> list[SweepRow]: ...
    def __iter__(self) -> Iterator[SweepRow]: ...
    def to_csv(self, path: _Path) -> None: ...


class Watch(Iterator[Sample]):
    """The iterator Board.watch() gives."""

    def __iter__(self) -> "Watch": ...
    def __next__(self) -> Sample: ...


def field_names() -> list[str]:
    """The names of the panel's register fields, in the panel's order."""


def field_items(name: str) -> list[str]:
    """The values a field shows, in value order."""


class Board:
    """The evaluation board, opened as zq40613-reg opens it."""

    closed: bool

    def __init__(self) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> "Board": ...
    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc_value: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> None: ...

    def read(self, address: _Byte) -> int: ...
    def write(self, address: _Byte, data: _Byte, *, verify: bool = False) -> None: ...
    def bits(self, address: _Byte) -> list[Bit]: ...
    def dump(self) -> str: ...

    def load(self, path: _Path) -> None: ...
    def verify(self, path: _Path) -> list[Difference]: ...

    def field(self, name: str) -> str: ...
    def set_field(self, name: str, value: Union[str, int]) -> None: ...
    def fields(self) -> dict[str, str]: ...

    def pins(self) -> dict[str, int]: ...
    def probes(self) -> dict[str, float]: ...
    def watch(
        self, interval: float, *, keep_going: bool = False, csv: Optional[IO[str]] = None
    ) -> Watch: ...
    def sweep(
        self,
        field: str,
        start: Union[str, float],
        stop: Union[str, float],
        settle_ms: int = 100,
        readings: int = 1,
        up_down: bool = False,
        restore: bool = True,
    ) -> SweepRows: ...
