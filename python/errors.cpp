// SPDX-License-Identifier: GPL-3.0-or-later
#include "errors.h"

namespace py = pybind11;

namespace {

// Owned by the module, which lives as long as the interpreter.
PyObject *boardError = nullptr;
PyObject *noBoardError = nullptr;
PyObject *registerFileError = nullptr;

constexpr char boardErrorDoc[] =
        "A call the board did not answer, or answered wrongly.\n"
        "\n"
        "The message says which: 'reading register 0x07 failed: the board does\n"
        "not answer', 'register 0x0d reads back 0x1f after writing 0x00'.";
constexpr char noBoardErrorDoc[] =
        "No board answers when zq40613.Board() opens it.\n"
        "\n"
        "The message names the controller library that was asked, or says why\n"
        "none could be loaded.";
constexpr char registerFileErrorDoc[] =
        "A syntax error in a register file.\n"
        "\n"
        "Attributes:\n"
        "    line: the number of the offending line, counted from 1\n"
        "    path: the file as it was given\n"
        "\n"
        "The lines before the offending one took effect (Board.load).";

PyObject *addError(py::module_ &module, const char *name, const char *doc, PyObject *base)
{
    const std::string qualified = std::string("zq40613.") + name;
    PyObject *type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base, nullptr);
    if (!type)
        throw py::error_already_set();
    module.add_object(name, py::reinterpret_borrow<py::object>(type));
    return type;
}

// Raises the module's failures as their Python exceptions; rethrows what
// is none of them.
void translate(std::exception_ptr thrown)
{
    try {
        std::rethrow_exception(thrown);
    } catch (const NoBoardFailure &failure) {
        PyErr_SetString(noBoardError, failure.what());
    } catch (const BoardFailure &failure) {
        PyErr_SetString(boardError, failure.what());
    } catch (const RegisterFileFailure &failure) {
        py::object error = py::reinterpret_borrow<py::object>(registerFileError)(failure.what());
        error.attr("line") = failure.line;
        error.attr("path") = failure.path;
        PyErr_SetObject(registerFileError, error.ptr());
    }
}

} // namespace

void bindErrors(py::module_ &module)
{
    boardError = addError(module, "BoardError", boardErrorDoc, PyExc_Exception);
    noBoardError = addError(module, "NoBoardError", noBoardErrorDoc, boardError);
    registerFileError = addError(module, "RegisterFileError", registerFileErrorDoc, PyExc_ValueError);
    py::setattr(registerFileError, "line", py::none());
    py::setattr(registerFileError, "path", py::none());

    py::register_exception_translator(translate);
}

void raiseCaught()
{
    try {
        throw;
    } catch (py::error_already_set &error) {
        error.restore();
    } catch (const py::builtin_exception &error) {
        error.set_error();
    } catch (...) {
        try {
            translate(std::current_exception());
        } catch (const std::exception &error) {
            PyErr_SetString(PyExc_SystemError, error.what());
        }
    }
}
