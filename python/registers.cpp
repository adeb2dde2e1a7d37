// SPDX-License-Identifier: GPL-3.0-or-later
// Board.read, write, bits and dump: single registers, as zq40613-reg read,
// write and dump.
#include "arguments.h"
#include "bindings.h"
#include "errors.h"
#include "records.h"

#include "common/chip.h"

#include <QDateTime>

namespace py = pybind11;

namespace {

int readRegister(BoardHandle &board, int address)
{
    return *board.runOrRaise([address](BoardSession &s) { return s.readRegister(address); });
}

constexpr char readDoc[] =
        "read(address) -> int\n"
        "\n"
        "Reads a register of the chip, 0x00 to 0xFF, as zq40613-reg read does.\n"
        "The address is an int, or text as zq40613-reg takes it ('0b', '0x0b',\n"
        "'0n11'). ValueError for an address out of range, BoardError when the\n"
        "board does not answer.";

// The Board class as pybind11 knows it, looked up once rather than at
// every read.
const py::detail::type_info *boardType = nullptr;

// Board.read, the call a polling loop makes thousands of times, goes to the
// board by Python's own fast calling convention: pybind11's dispatcher
// would take about half as long again as the whole read of the board.
PyObject *fastRead(PyObject *self, PyObject *const *arguments, Py_ssize_t count)
{
    try {
        py::detail::type_caster_generic board(boardType);
        if (!board.load(self, false))
            throw py::type_error("read() needs a zq40613.Board");
        if (count != 1)
            throw py::type_error("read() takes one argument, the address");
        return PyLong_FromLong(readRegister(*static_cast<BoardHandle *>(board.value),
                                            byteArgument(arguments[0], "address")));
    } catch (...) {
        raiseCaught();
        return nullptr;
    }
}

PyMethodDef readMethod{"read", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&fastRead)),
                       METH_FASTCALL, readDoc};

} // namespace

void bindRegisters(BoardClass &board)
{
    boardType = py::detail::get_type_info(typeid(BoardHandle));
    PyObject *read = PyDescr_NewMethod(reinterpret_cast<PyTypeObject *>(board.ptr()), &readMethod);
    if (!read)
        throw py::error_already_set();
    board.attr("read") = py::reinterpret_steal<py::object>(read);

    board.def(
            "write",
            [](BoardHandle &b, py::handle address, py::handle data, bool verify) {
                const int a = byteArgument(address, "address");
                const int d = byteArgument(data, "data");
                b.runOrRaise([=](BoardSession &s) { return s.writeRegister(a, d, verify); });
            },
            py::arg("address"), py::arg("data"), py::kw_only(), py::arg("verify") = false,
            "write(address, data, *, verify=False) -> None\n"
            "\n"
            "Writes a byte to a register of the chip, as zq40613-reg write does.\n"
            "With verify=True the register is read back, and BoardError says so\n"
            "when it differs ('register 0x0d reads back 0x1f after writing 0x00').\n"
            "Address and data are ints, or text as zq40613-reg takes them.");

    board.def(
            "bits",
            [](BoardHandle &b, py::handle address) {
                const int a = byteArgument(address, "address");
                const int value = readRegister(b, a);
                py::list bits;
                for (int bit = bitsPerRegister - 1; bit >= 0; --bit)
                    bits.append(bitRecord(a, bit, bitOf(quint8(value), bit)));
                return bits;
            },
            py::arg("address"),
            "bits(address) -> list[Bit]\n"
            "\n"
            "Reads a register and gives its eight bits, bit 7 first, each a\n"
            "Bit(position, value, name) named as in the direct register access\n"
            "dialog: bits(0x0A)[0] is Bit(position=7, value=..., name='Buck3 Enable').");

    board.def(
            "dump",
            [](BoardHandle &b) {
                const std::optional<QByteArray> text =
                        b.runOrRaise([](BoardSession &s) { return s.dump(QDateTime::currentDateTime()); });
                return py::str(text->constData(), size_t(text->size()));
            },
            "dump() -> str\n"
            "\n"
            "Reads registers 0x00 to 0x0F and gives them as the register file the\n"
            "desktop program saves: the text zq40613-reg dump prints, byte for byte.");
}
