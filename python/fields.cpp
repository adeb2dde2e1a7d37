// SPDX-License-Identifier: GPL-3.0-or-later
// Board.field, set_field and fields, and the module's field_names and
// field_items: the panel's register fields by name, decoded as the register
// map decodes them.
#include "arguments.h"
#include "bindings.h"

#include "binding/panelfields.h"

namespace py = pybind11;

namespace {

RegisterMirror readFields(BoardHandle &board, const QList<PanelField> &fields)
{
    return *board.runOrRaise([&fields](BoardSession &s) { return s.readFields(fields); });
}

py::list texts(const QStringList &list)
{
    py::list result;
    for (const QString &text : list)
        result.append(py::cast(text));
    return result;
}

} // namespace

void bindFields(py::module_ &module, BoardClass &board)
{
    module.def(
            "field_names",
            [] {
                QStringList names;
                for (const PanelField &field : panelFields())
                    names << field.name;
                return texts(names);
            },
            "field_names() -> list[str]\n"
            "\n"
            "The names of the panel's register fields, in the panel's order:\n"
            "'Buck1 Enable', 'Buck1 Output voltage', 'Buck1 OK status', ... The\n"
            "register map of the desktop program shows the same fields; both read\n"
            "them from the panel form, so a panel re-mapped in Designer re-maps them.");

    module.def(
            "field_items",
            [](const QString &name) {
                const PanelField &field = fieldArgument(name);
                return texts(field.kind == PanelField::Choice
                                     ? field.items
                                     : QStringList{field.textOfValue(0), field.textOfValue(1)});
            },
            py::arg("name"),
            "field_items(name) -> list[str]\n"
            "\n"
            "The values a field shows, in value order: a choice's items\n"
            "('1.100V', '1.150V', ...; an item may stand more than once, as\n"
            "'3.600V' does for Buck1 and Buck2), 'off' and 'on' for a switch, '0'\n"
            "and '1' for a status indicator. ValueError for an unknown name.");

    board.def(
            "field",
            [](BoardHandle &b, const QString &name) {
                const PanelField &field = fieldArgument(name);
                return field.valueText(readFields(b, {field}));
            },
            py::arg("name"),
            "field(name) -> str\n"
            "\n"
            "Reads a field's register and gives its value as the panel shows it:\n"
            "field('Buck1 Output voltage') -> '1.800V', field('Buck1 Enable') -> 'on',\n"
            "field('Buck1 OK status') -> '1'. A code past the last item reads\n"
            "'no item (126)'.");

    board.def(
            "set_field",
            [](BoardHandle &b, const QString &name, py::handle value) {
                const PanelField &field = fieldArgument(name);
                const int chosen = fieldValueArgument(field, value);
                b.runOrRaise([&](BoardSession &s) { return s.writeField(field, chosen); });
            },
            py::arg("name"), py::arg("value"),
            "set_field(name, value) -> None\n"
            "\n"
            "Sets a field as choosing it on the panel does with Auto write on: its\n"
            "register is read, the field's bits changed and the register written.\n"
            "The value is one of field_items(name) ('2.100V', 'on'), the index of\n"
            "one (a code: 63 for the last '3.600V'), or True or False for a switch.\n"
            "ValueError for a value the field does not take, and for a status\n"
            "indicator, which the chip sets.");

    board.def(
            "fields",
            [](BoardHandle &b) {
                const RegisterMirror registers = readFields(b, panelFields());
                py::dict values;
                for (const PanelField &field : panelFields())
                    values[py::cast(field.name)] = py::cast(field.valueText(registers));
                return values;
            },
            "fields() -> dict[str, str]\n"
            "\n"
            "Every field by name with its value as field() gives it, each register\n"
            "read once.");
}
