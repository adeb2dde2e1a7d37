// SPDX-License-Identifier: GPL-3.0-or-later
// Board.load and verify: register files, as zq40613-reg load and verify.
#include "arguments.h"
#include "bindings.h"
#include "errors.h"
#include "records.h"
#include "pythonsignals.h"

#include <QFile>

namespace py = pybind11;

void bindRegisterFiles(BoardClass &board)
{
    board.def(
            "load",
            [](BoardHandle &b, const py::object &path) {
                const PathArgument file(path);
                QFile input;
                file.open(input);
                PythonSignals interrupt;
                int line = 0;
                const BoardSession::LoadResult result = b.run([&](BoardSession &s) {
                    return s.load(
                            input, file.text, [&interrupt](int milliseconds) { interrupt.sleep(milliseconds); },
                            [&interrupt](int) { return !interrupt.raised(); }, line);
                });
                switch (result) {
                case BoardSession::LoadResult::Done:
                    return;
                case BoardSession::LoadResult::Stopped:
                    interrupt.raiseStopped(QStringLiteral("load interrupted at line %1").arg(line));
                case BoardSession::LoadResult::SyntaxError:
                    throw RegisterFileFailure(b.lastError(), line, file.given);
                case BoardSession::LoadResult::ReadError:
                    raiseUnreadable(b.lastError());
                case BoardSession::LoadResult::WritesFailed:
                    break;
                }
                b.failed();
            },
            py::arg("path"),
            "load(path) -> None\n"
            "\n"
            "Applies a register file as the desktop program's Load and zq40613-reg\n"
            "load do: its statements in file order, the registers marked w written\n"
            "to the chip, sleep lines waited.\n"
            "\n"
            "A syntax error raises RegisterFileError, with .line and .path; the\n"
            "lines before it took effect. A write the board did not answer does\n"
            "not stop the file: BoardError tells of it at the end. Ctrl+C stops the\n"
            "file before its next statement, or in a sleep, and raises\n"
            "KeyboardInterrupt('load interrupted at line N'): the lines before N took\n"
            "effect, line N and the rest did not. OSError when the file cannot be\n"
            "opened or read.");

    board.def(
            "verify",
            [](BoardHandle &b, const py::object &path) {
                const PathArgument file(path);
                QFile input;
                file.open(input);
                int errorLine = 0;
                RegisterReference reference;
                switch (b.run([&](BoardSession &s) { return s.readReference(input, file.text, reference, errorLine); })) {
                case BoardSession::FileResult::Read:
                    break;
                case BoardSession::FileResult::SyntaxError:
                    throw RegisterFileFailure(b.lastError(), errorLine, file.given);
                case BoardSession::FileResult::ReadError:
                    raiseUnreadable(b.lastError());
                case BoardSession::FileResult::NamesNoRegister:
                    throw py::value_error(b.lastError().toStdString());
                }
                const std::optional<RegisterMirror> chip =
                        b.runOrRaise([&](BoardSession &s) { return s.readRegisters(reference.named); });
                py::list differences;
                for (const RegisterDifference &d : differingRegisters(*chip, reference)) {
                    py::list bits;
                    for (const int bit : d.bits)
                        bits.append(bitRecord(d.address, bit, bitOf(d.value, bit)));
                    differences.append(records().difference(d.address, d.value, d.reference, bits));
                }
                return differences;
            },
            py::arg("path"),
            "verify(path) -> list[Difference]\n"
            "\n"
            "Reads back every register a register file names and lists each one\n"
            "whose chip value differs from the file's last value for it, as\n"
            "zq40613-reg verify --bits does: Difference(address, chip, file, bits),\n"
            "by ascending address. Nothing is written and no sleep waited. An empty\n"
            "list: the chip holds what the file says. ValueError for a file that\n"
            "names no register, which would pass for any chip.");
}
