// SPDX-License-Identifier: GPL-3.0-or-later
// The Python module zq40613: the evaluation board from Python scripts, over
// the same widget-free code as zq40613-reg.
#include "bindings.h"
#include "errors.h"
#include "records.h"

namespace py = pybind11;

namespace {

constexpr char moduleDoc[] =
        "The ZQ40613 evaluation board from Python.\n"
        "\n"
        "    import zq40613\n"
        "    with zq40613.Board() as board:\n"
        "        board.set_field('Buck1 Output voltage', '1.800V')\n"
        "        print(board.probes()['BUCK1'])\n"
        "\n"
        "A Board opens the board as zq40613-reg does, once, through the\n"
        "controller library hid2: the one beside the module first (in the build\n"
        "tree, the simulated board), else the one on the library search path\n"
        "(LD_LIBRARY_PATH). The simulated board honours ZQ40613_SIM_STATE.\n"
        "Registers, register files, fields, pins and probes are read and written\n"
        "by the same code as zq40613-reg and the desktop program, with the same\n"
        "messages; nothing returns -1: a call the board does not answer raises\n"
        "BoardError.\n"
        "\n"
        "Board calls release the interpreter's lock while they wait for the\n"
        "board, so other threads run; one call at a time reaches a board.";

constexpr char boardDoc[] =
        "Board() -> the evaluation board, opened.\n"
        "\n"
        "Opens the board as zq40613-reg does, with the desktop program's open\n"
        "and pin set-up; NoBoardError when no board answers. There is no\n"
        "retry: when the board stops answering, each call raises BoardError,\n"
        "and a new Board opens it again. Use it in a with statement, or call\n"
        "close(); a closed board raises ValueError.\n"
        "\n"
        "Registers (0x00 to 0xFF; addresses and data are ints, or text as\n"
        "zq40613-reg takes it: '0b', '0x0b', '0n11'):\n"
        "    read(address) -> int\n"
        "    write(address, data, *, verify=False)\n"
        "    bits(address) -> [Bit(position, value, name), ...], bit 7 first\n"
        "    dump() -> str, registers 0x00 to 0x0F as a register file\n"
        "\n"
        "Register files (*.qrx), as the desktop program's Load:\n"
        "    load(path)\n"
        "    verify(path) -> [Difference(address, chip, file, bits), ...]\n"
        "\n"
        "The panel's fields, by the names the register map shows\n"
        "(zq40613.field_names()), with the panel's texts:\n"
        "    field(name) -> str, as 'Buck1 Output voltage' -> '1.800V'\n"
        "    set_field(name, value), as a panel edit with Auto write on\n"
        "    fields() -> {name: text, ...}\n"
        "\n"
        "Pins and probes, as the panel reads them:\n"
        "    pins() -> {'IRQ': 1, 'PWR_UP MODE': 1}\n"
        "    probes() -> {'BATT': 3.70..., ...} in volts\n"
        "    watch(interval, *, keep_going=False, csv=None) -> Sample, Sample, ...\n"
        "\n"
        "Sweeps, as the desktop program's Sweep window:\n"
        "    sweep(field, start, stop, settle_ms=100, readings=1, up_down=False,\n"
        "          restore=True) -> SweepRows of SweepRow(...); .to_csv(path)\n"
        "\n"
        "Errors: BoardError (the board did not answer; says which call),\n"
        "NoBoardError, RegisterFileError (a syntax error: .line, .path),\n"
        "ValueError (an address, value or name out of range, in zq40613-reg's\n"
        "words), OSError (a file that cannot be opened or read).\n"
        "KeyboardInterrupt (Ctrl+C) stops load() and watch() between two\n"
        "lines or samples, and sweep() before its next step, and says where.";

} // namespace

PYBIND11_MODULE(zq40613, module)
{
    // The signature heads each docstring as written there, in Python's
    // own words rather than C++ types.
    py::options options;
    options.disable_function_signatures();

    module.doc() = moduleDoc;
    module.attr("__version__") = ZQ40613_VERSION;
    bindErrors(module);
    bindRecords(module);

    BoardClass board(module, "Board", boardDoc);
    board.def(py::init<>(), "__init__() -> None\n\nOpens the board; NoBoardError when none answers.")
            .def("close", &BoardHandle::close,
                 "close() -> None\n\nCloses the board: later calls raise ValueError.")
            .def("__enter__", [](BoardHandle &b) -> BoardHandle & { return b; },
                 "__enter__() -> Board\n\nThe board itself, for a with statement.")
            .def(
                    "__exit__", [](BoardHandle &b, const py::args &) { b.close(); },
                    "__exit__(*exc_info) -> None\n\nCloses the board at the end of a with statement.")
            .def_property_readonly("closed", &BoardHandle::isClosed, "True once the board was closed.")
            .def(
                    "__repr__",
                    [](const BoardHandle &b) {
                        return QStringLiteral("<zq40613.Board %1%2>")
                                .arg(b.libraryName(), QLatin1String(b.isClosed() ? ", closed" : ""));
                    },
                    "__repr__() -> str\n\nThe board with the controller library that reaches it.");
    bindRegisters(board);
    bindRegisterFiles(board);
    bindFields(module, board);
    bindReadouts(module, board);
    bindSweep(module, board);
}
