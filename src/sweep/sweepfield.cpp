// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweep/sweepfield.h"

#include "binding/probesample.h"
#include "common/chip.h"

#include <QSet>

#include <cmath>

namespace {

constexpr QLatin1Char unit('V');
constexpr char listSeparator[] = ", ";
// Values closer than this are one value: the items carry whole millivolts.
constexpr double sameVolts = 0.0005;

QString firstWord(const QString &name)
{
    return name.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

QString withoutUnit(QString text)
{
    text = text.trimmed();
    if (text.endsWith(unit, Qt::CaseInsensitive))
        text.chop(1);
    return text.trimmed();
}

std::optional<double> number(const QString &text)
{
    bool ok = false;
    const double value = withoutUnit(text).toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

} // namespace

SweepField SweepField::of(const PanelField &choice)
{
    SweepField field;
    static_cast<PanelField &>(field) = choice;
    const QString word = firstWord(field.name);
    for (int p = 0; p < probeCount; ++p) {
        if (word.compare(QLatin1String(panelProbes[p].label), Qt::CaseInsensitive) == 0)
            field.probe = p;
    }
    for (int bit = 0; bit < bitsPerRegister && field.probe < 0; ++bit) {
        if (word.compare(QLatin1String(bitName(probeStatusRegister, bit)), Qt::CaseInsensitive) == 0)
            field.statusBit = bit;
    }
    return field;
}

QList<int> SweepField::valueIndices() const
{
    QList<int> indices;
    QSet<QString> seen;
    for (int i = 0; i < items.size(); ++i) {
        if (!seen.contains(items.at(i))) {
            seen.insert(items.at(i));
            indices << i;
        }
    }
    return indices;
}

std::optional<int> SweepField::indexOfValue(const QString &text) const
{
    const std::optional<double> wanted = number(text);
    for (int i : valueIndices()) {
        const std::optional<double> value = volts(i);
        if (items.at(i) == text.trimmed() || (wanted && value && std::abs(*value - *wanted) < sameVolts))
            return i;
    }
    return std::nullopt;
}

QString SweepField::valueList() const
{
    QStringList values;
    for (int i : valueIndices())
        values << items.at(i);
    return values.join(QLatin1String(listSeparator));
}

std::optional<double> SweepField::volts(int index) const
{
    return number(items.value(index));
}

QString SweepField::setText(int index) const
{
    return withoutUnit(items.value(index));
}

QList<SweepField> sweepFields(const QList<PanelField> &fields)
{
    QList<SweepField> choices;
    for (const PanelField &field : fields) {
        if (field.kind == PanelField::Choice && field.choice.isBound())
            choices << SweepField::of(field);
    }
    return choices;
}

std::optional<SweepField> findSweepField(const QList<SweepField> &fields, const QString &name)
{
    const QString wanted = name.simplified();
    for (const SweepField &field : fields) {
        if (field.name.simplified().compare(wanted, Qt::CaseInsensitive) == 0)
            return field;
    }
    return std::nullopt;
}

QString sweepFieldList(const QList<SweepField> &fields)
{
    QStringList names;
    for (const SweepField &field : fields)
        names << field.name;
    return names.join(QLatin1String(listSeparator));
}
