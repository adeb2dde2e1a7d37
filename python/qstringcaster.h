// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_QSTRINGCASTER_H
#define ZQ40613_PYTHON_QSTRINGCASTER_H

#include <QByteArray>
#include <QString>

#include "pybind.h"

// Python's str as Qt's text and back, through UTF-8.
namespace pybind11::detail {

template <>
struct type_caster<QString>
{
    PYBIND11_TYPE_CASTER(QString, const_name("str"));

    bool load(handle source, bool)
    {
        if (!PyUnicode_Check(source.ptr()))
            return false;
        Py_ssize_t size = 0;
        const char *utf8 = PyUnicode_AsUTF8AndSize(source.ptr(), &size);
        if (!utf8) {
            // Lone surrogates, which have no UTF-8 form.
            PyErr_Clear();
            return false;
        }
        value = QString::fromUtf8(utf8, qsizetype(size));
        return true;
    }

    static handle cast(const QString &text, return_value_policy, handle)
    {
        const QByteArray utf8 = text.toUtf8();
        return PyUnicode_FromStringAndSize(utf8.constData(), utf8.size());
    }
};

} // namespace pybind11::detail

#endif
