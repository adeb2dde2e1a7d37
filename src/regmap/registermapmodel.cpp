// SPDX-License-Identifier: GPL-3.0-or-later
#include "regmap/registermapmodel.h"

#include "common/hexbyte.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

constexpr int hexBase = 16;
constexpr char fieldSeparator[] = ", ";
constexpr char bitToolTip[] = "bit %1    %2";

// A caption that ends in a colon introduces its value ("Output voltage :
// 1.800V"); any other is followed by one ("Force PWM: off").
QString captioned(const QString &caption, const QString &value)
{
    return caption + QLatin1String(caption.endsWith(QLatin1Char(':')) ? " " : ": ") + value;
}

} // namespace

RegisterMapModel::RegisterMapModel(const RegisterMirror &mirror, const QList<PanelField> &fields,
                                   QObject *parent)
    : QAbstractTableModel(parent), mirror(mirror), shown(mirror)
{
    for (const PanelField &description : fields)
        addField(description);
    for (int address = 0; address < registerMirrorSize; ++address)
        fieldTexts[std::size_t(address)] = fieldsTextOf(address);
}

// A field is listed with every register it lies in, ordered there by its
// top bit, as the bit columns are.
void RegisterMapModel::addField(const PanelField &field)
{
    const int index = int(fields.size());
    fields.append(field);
    for (const PanelField::Place &place : field.places()) {
        QList<Placed> &list = registerFields[std::size_t(place.address)];
        const auto lower = std::find_if(list.begin(), list.end(), [&place](const Placed &p) {
            return p.topBit < place.topBit;
        });
        list.insert(lower, {place.topBit, index});
    }
}

int RegisterMapModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : registerMirrorSize;
}

int RegisterMapModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int RegisterMapModel::bitOfColumn(int column)
{
    return column >= FirstBitColumn && column < ReferenceColumn
                   ? bitsPerRegister - 1 - (column - FirstBitColumn)
                   : -1;
}

QVariant RegisterMapModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int address = index.row();
    const quint8 value = shown[std::size_t(address)];
    const int column = index.column();
    const int bit = bitOfColumn(column);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == AddressColumn)
            return hexText(address);
        if (column == ValueColumn)
            return hexText(value);
        if (bit >= 0)
            return QString::number(bitOf(value, bit));
        if (column == ReferenceColumn)
            return reference && reference->named[std::size_t(address)]
                           ? hexText(reference->values[std::size_t(address)])
                           : QString();
        return fieldTexts[std::size_t(address)];
    case Qt::ToolTipRole:
        if (bit >= 0)
            return QString::fromLatin1(bitToolTip).arg(bit).arg(QLatin1String(bitName(address, bit)));
        if (column == FieldsColumn)
            return QString(fieldTexts[std::size_t(address)])
                    .replace(QLatin1String(fieldSeparator), QLatin1String("\n"));
        return {};
    case Qt::TextAlignmentRole:
        return column == FieldsColumn ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    case MarkRole:
        return marks(address, column);
    case SearchRole:
        return searchText(address);
    default:
        return {};
    }
}

QVariant RegisterMapModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const int bit = bitOfColumn(section);
    if (bit >= 0)
        return QString::number(bit);
    switch (section) {
    case AddressColumn:
        return tr("Address");
    case ValueColumn:
        return tr("Value");
    case ReferenceColumn:
        return tr("Reference");
    default:
        return tr("Fields");
    }
}

Qt::ItemFlags RegisterMapModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == ValueColumn ? flags | Qt::ItemIsEditable : flags;
}

bool RegisterMapModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    static const QRegularExpression hexByteText(QStringLiteral("^(?:0[xX])?([0-9a-fA-F]{1,2})$"));
    if (role != Qt::EditRole || index.column() != ValueColumn)
        return false;
    const QRegularExpressionMatch match = hexByteText.match(value.toString().trimmed());
    if (!match.hasMatch())
        return false;
    emit registerEdited(index.row(), match.captured(1).toInt(nullptr, hexBase));
    return true;
}

void RegisterMapModel::toggleBit(int address, int bit)
{
    const quint8 mask = quint8(1u << bit);
    const quint8 byte = mirror.at(address);
    emit registerEdited(address, bitOf(shown.at(address), bit) ? byte & ~mask : byte | mask);
}

void RegisterMapModel::showRefresh()
{
    show(true);
}

void RegisterMapModel::showMirror()
{
    show(false);
}

void RegisterMapModel::show(bool markChanges)
{
    const RegisterMirror before = shown;
    const auto marksBefore = changed;
    shown = mirror;
    if (markChanges) {
        for (std::size_t i = 0; i < changed.size(); ++i)
            changed[i] = before[i] ^ shown[i];
    }
    // Cells are announced one by one: a view repaints a single changed cell,
    // but the whole table for a range. A field of two registers changes with
    // either of them, so all fields are decoded again when any value changed.
    const bool valuesChanged = shown != before;
    for (int address = 0; address < registerMirrorSize; ++address) {
        const auto i = std::size_t(address);
        const unsigned touched = (before[i] ^ shown[i]) | (marksBefore[i] ^ changed[i]);
        if (touched != 0) {
            cellChanged(address, ValueColumn);
            cellChanged(address, ReferenceColumn);
            for (int bit = 0; bit < bitsPerRegister; ++bit) {
                if (touched & (1u << bit))
                    cellChanged(address, FirstBitColumn + bitsPerRegister - 1 - bit);
            }
        }
        if (valuesChanged) {
            QString text = fieldsTextOf(address);
            if (text != fieldTexts[i]) {
                fieldTexts[i] = std::move(text);
                cellChanged(address, FieldsColumn);
            }
        }
    }
    if (valuesChanged && reference)
        emit comparisonChanged();
}

void RegisterMapModel::cellChanged(int address, int column)
{
    const QModelIndex cell = index(address, column);
    emit dataChanged(cell, cell);
}

QString RegisterMapModel::decode(const PanelField &field) const
{
    return captioned(field.caption, field.valueText(shown));
}

QString RegisterMapModel::fieldsTextOf(int address) const
{
    QStringList texts;
    for (const Placed &placed : registerFields[std::size_t(address)])
        texts << decode(fields.at(placed.field));
    return texts.join(QLatin1String(fieldSeparator));
}

int RegisterMapModel::marks(int address, int column) const
{
    const auto i = std::size_t(address);
    const int differing = reference && reference->named[i] ? shown[i] ^ reference->values[i] : 0;
    const int bit = bitOfColumn(column);
    if (bit >= 0)
        return (bitOf(changed[i], bit) ? ChangedMark : 0) | (bitOf(quint8(differing), bit) ? DiffersMark : 0);
    if (column == ValueColumn)
        return changed[i] ? ChangedMark : 0;
    if (column == ReferenceColumn)
        return differing ? DiffersMark : 0;
    return 0;
}

QString RegisterMapModel::searchText(int address) const
{
    QStringList words{hexText(address)};
    for (int bit = bitsPerRegister - 1; bit >= 0; --bit)
        words << QLatin1String(bitName(address, bit));
    words << fieldTexts[std::size_t(address)];
    return words.join(QLatin1Char('\n'));
}

void RegisterMapModel::setReference(const RegisterReference &newReference)
{
    reference = newReference;
    emit dataChanged(index(0, 0), index(registerMirrorSize - 1, ColumnCount - 1));
    emit comparisonChanged();
}

void RegisterMapModel::takeSnapshot()
{
    setReference(RegisterReference::snapshot(shown));
}

void RegisterMapModel::clearReference()
{
    reference.reset();
    emit dataChanged(index(0, 0), index(registerMirrorSize - 1, ColumnCount - 1));
    emit comparisonChanged();
}

QString RegisterMapModel::differenceSummary() const
{
    if (!reference)
        return {};
    const QList<BitDifference> differences = differingBits(shown, *reference);
    if (differences.isEmpty())
        return tr("No register differs");
    int registers = 0;
    for (qsizetype i = 0; i < differences.size(); ++i) {
        if (i == 0 || differences.at(i).address != differences.at(i - 1).address)
            ++registers;
    }
    const int bits = int(differences.size());
    return (registers == 1 ? tr("1 register differs") : tr("%1 registers differ").arg(registers))
           + (bits == 1 ? tr(" in 1 bit") : tr(" in %1 bits").arg(bits));
}

QString RegisterMapModel::rowText(int address) const
{
    const auto i = std::size_t(address);
    QString bits;
    for (int bit = bitsPerRegister - 1; bit >= 0; --bit)
        bits += QLatin1Char(bitOf(shown[i], bit) ? '1' : '0');
    QStringList cells{hexText(address), hexText(shown[i]), bits};
    if (reference)
        cells << data(index(address, ReferenceColumn)).toString();
    cells << fieldTexts[i];
    return cells.join(QLatin1Char('\t'));
}
