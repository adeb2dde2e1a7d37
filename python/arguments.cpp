// SPDX-License-Identifier: GPL-3.0-or-later
#include "arguments.h"

#include "binding/panelfields.h"
#include "common/bytetext.h"
#include "regfile/openbyname.h"

#include <cerrno>

namespace py = pybind11;

namespace {

constexpr long maxByte = 0xff;

QString text(py::handle value)
{
    return py::str(value).cast<QString>();
}

} // namespace

int byteArgument(py::handle value, const char *what)
{
    QString written;
    if (PyLong_Check(value.ptr())) {
        int overflow = 0;
        const long number = PyLong_AsLongAndOverflow(value.ptr(), &overflow);
        if (overflow == 0 && number >= 0 && number <= maxByte)
            return int(number);
        // Written in hex, the way zq40613-reg reads it, so the message
        // shows the number as it means it.
        written = text(py::str("{:#x}").format(value));
    } else if (PyUnicode_Check(value.ptr())) {
        written = text(value);
    } else {
        throw py::type_error(std::string(what) + " must be an int or a str, not "
                             + std::string(py::str(value.get_type().attr("__name__"))));
    }
    QString error;
    const std::optional<int> byte = parseByte(written, what, error);
    if (!byte)
        throw py::value_error(error.toStdString());
    return *byte;
}

PathArgument::PathArgument(const py::object &path)
    : given(path)
{
    const py::module_ os = py::module_::import("os");
    const py::bytes encoded = os.attr("fsencode")(path);
    const std::string raw = encoded;
    bytes = QByteArray(raw.data(), qsizetype(raw.size()));
    // As Python's open() has it: the system would take the name as ending there.
    if (bytes.contains('\0'))
        throw py::value_error("embedded null byte");
    text = ::text(os.attr("fsdecode")(path));
}

void PathArgument::open(QFile &file) const
{
    QString reason;
    const int error = openByName(file, bytes, reason);
    if (error == 0)
        return;
    errno = error;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, given.ptr());
    throw py::error_already_set();
}

void raiseUnreadable(const QString &message)
{
    PyErr_SetString(PyExc_OSError, message.toUtf8().constData());
    throw py::error_already_set();
}

const PanelField &fieldArgument(const QString &name)
{
    for (const PanelField &field : panelFields()) {
        if (field.name == name)
            return field;
    }
    throw py::value_error(QStringLiteral("unknown field '%1'").arg(name).toStdString());
}

int fieldValueArgument(const PanelField &field, py::handle value)
{
    if (field.kind == PanelField::Indicator)
        throw py::value_error(QStringLiteral("%1 is a status indicator and cannot be set")
                                      .arg(field.name).toStdString());
    const bool choice = field.kind == PanelField::Choice;
    const int count = choice ? int(field.items.size()) : 2;
    int chosen = -1;
    if (PyUnicode_Check(value.ptr())) {
        chosen = field.valueOfText(text(value));
    } else if (PyLong_Check(value.ptr())) {
        int overflow = 0;
        const long long index = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
        chosen = overflow == 0 && index >= 0 && index < count ? int(index) : -1;
    } else {
        throw py::type_error(QStringLiteral("the value of %1 must be a str or an int, not %2")
                                     .arg(field.name, text(value.get_type().attr("__name__")))
                                     .toStdString());
    }
    if (chosen >= 0)
        return chosen;
    const QString allowed = choice ? QStringLiteral("an item from %1 to %2, or its index 0 to %3")
                                             .arg(field.textOfValue(0), field.textOfValue(count - 1))
                                             .arg(count - 1)
                                   : QStringLiteral("%1 or %2, True or False")
                                             .arg(field.textOfValue(1), field.textOfValue(0));
    throw py::value_error(QStringLiteral("invalid value '%1' for %2 (%3)")
                                  .arg(text(value), field.name, allowed)
                                  .toStdString());
}
