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
    unread.fill(true);
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
        // Write regs writes the registers of check boxes and combo boxes, so
        // an edit of these does not wait for nothing with Auto write off.
        if (field.kind != PanelField::Indicator)
            editable[std::size_t(place.address)] = true;
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
    const auto i = std::size_t(address);
    const quint8 value = shown[i];
    const int column = index.column();
    const int bit = bitOfColumn(column);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == AddressColumn)
            return hexText(address);
        if (column == ValueColumn)
            return unread[i] ? (role == Qt::EditRole ? QString() : notReadText()) : hexText(value);
        if (bit >= 0)
            return unread[i] ? QString() : QString::number(bitOf(value, bit));
        if (column == ReferenceColumn)
            return reference && reference->named[i] ? hexText(reference->values[i]) : QString();
        return fieldTexts[i];
    case Qt::CheckStateRole:
        // How a screen reader hears a bit's value.
        if (bit >= 0 && !unread[i])
            return bitOf(value, bit) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::AccessibleTextRole:
        if (bit >= 0) {
            const QLatin1String name(bitName(address, bit));
            return name == QLatin1String(unnamedBit) ? tr("bit %1").arg(bit)
                                                      : tr("bit %1, %2").arg(bit).arg(name);
        }
        return {};
    case Qt::AccessibleDescriptionRole:
        return column == ValueColumn || bit >= 0 ? note(address) : QString();
    case Qt::ToolTipRole:
        if (bit >= 0) {
            const QString names = QString::fromLatin1(bitToolTip).arg(bit).arg(QLatin1String(bitName(address, bit)));
            const QString why = note(address);
            return why.isEmpty() ? names : names + QLatin1Char('\n') + why;
        }
        if (column == ValueColumn)
            return note(address);
        if (column == FieldsColumn)
            return QString(fieldTexts[i]).replace(QLatin1String(fieldSeparator), QLatin1String("\n"));
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
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    // A row is named by its register, for screen readers.
    if (orientation == Qt::Vertical)
        return hexText(section);
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
    const auto i = std::size_t(index.row());
    if (!index.isValid() || !editable[i])
        return flags;
    if (index.column() == ValueColumn)
        return flags | Qt::ItemIsEditable;
    return bitOfColumn(index.column()) >= 0 && !unread[i] ? flags | Qt::ItemIsUserCheckable : flags;
}

std::optional<int> RegisterMapModel::valueOfText(const QString &text)
{
    static const QRegularExpression hexByteText(QStringLiteral("^(?:0[xX])?([0-9a-fA-F]{1,2})$"));
    const QRegularExpressionMatch match = hexByteText.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt(nullptr, hexBase);
}

bool RegisterMapModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != ValueColumn || !editable[std::size_t(index.row())])
        return false;
    const std::optional<int> byte = valueOfText(value.toString());
    if (!byte)
        return false;
    emit registerEdited(index.row(), *byte);
    return true;
}

void RegisterMapModel::toggleBit(int address, int bit)
{
    if (!(flags(index(address, FirstBitColumn + bitsPerRegister - 1 - bit)) & Qt::ItemIsUserCheckable))
        return;
    const quint8 mask = quint8(1u << bit);
    const quint8 byte = mirror.at(address);
    emit registerEdited(address, bitOf(shown.at(address), bit) ? byte & ~mask : byte | mask);
}

// The registers read since the last refresh now show as read or not; a
// Read All that stopped at a failure never reached the ones after it.
void RegisterMapModel::showRefresh()
{
    Flags nowUnread = unread;
    const unsigned unreached = readBackStopped ? ~readAnswered : 0;
    for (int address = 0; address < registerMirrorSize; ++address) {
        const unsigned bit = 1u << address;
        if (readAnswered & bit)
            nowUnread[std::size_t(address)] = false;
        else if ((readUnanswered | unreached) & bit)
            nowUnread[std::size_t(address)] = true;
    }
    readAnswered = readUnanswered = 0;
    readBackStopped = false;
    show(true, nowUnread);
}

// An edit gives a register a value of the user's: it counts as read.
void RegisterMapModel::showMirror()
{
    Flags nowUnread = unread;
    for (std::size_t i = 0; i < nowUnread.size(); ++i)
        nowUnread[i] = nowUnread[i] && mirror[i] == shown[i];
    show(false, nowUnread);
}

void RegisterMapModel::noteTransfer(const RegisterTransfer &transfer)
{
    // The direct access dialog bypasses the mirror.
    if (transfer.activity == Activity::DirectAccess || transfer.address >= registerMirrorSize)
        return;
    const auto i = std::size_t(transfer.address);
    std::optional<quint8> &held = chip[i];
    if (transfer.write) {
        // Unanswered, a write may or may not have reached the chip.
        if (transfer.ok)
            held = quint8(transfer.data);
        else if (held != quint8(transfer.data))
            held.reset();
        if (isPending(transfer.address) != pending[i]) {
            pending[i] = !pending[i];
            cellChanged(transfer.address, ValueColumn);
        }
        return;
    }
    const unsigned bit = 1u << transfer.address;
    if (transfer.ok) {
        readAnswered |= bit;
        held = quint8(transfer.data);
    } else {
        readUnanswered |= bit;
        readBackStopped = readBackStopped || transfer.activity == Activity::ReadBack;
        held.reset();
    }
}

bool RegisterMapModel::isPending(int address) const
{
    const auto i = std::size_t(address);
    return !unread[i] && chip[i] != shown[i];
}

void RegisterMapModel::show(bool markChanges, const Flags &nowUnread)
{
    const RegisterMirror before = shown;
    const Flags unreadBefore = std::exchange(unread, nowUnread);
    const auto marksBefore = changed;
    const Flags stateMarksBefore = readStateChanged;
    shown = mirror;
    if (markChanges) {
        for (std::size_t i = 0; i < changed.size(); ++i) {
            changed[i] = unread[i] || unreadBefore[i] ? 0 : before[i] ^ shown[i];
            readStateChanged[i] = unread[i] != unreadBefore[i];
        }
    }
    // Cells are announced one by one: a view repaints a single changed cell,
    // but the whole table for a range. A field of two registers changes with
    // either of them, so all fields are decoded again when any register did.
    const bool valuesChanged = shown != before || unread != unreadBefore;
    for (int address = 0; address < registerMirrorSize; ++address) {
        const auto i = std::size_t(address);
        const bool pendingNow = isPending(address);
        const bool stateTouched = unread[i] != unreadBefore[i] || readStateChanged[i] != stateMarksBefore[i]
                                  || std::exchange(pending[i], pendingNow) != pendingNow;
        unsigned touched = (before[i] ^ shown[i]) | (marksBefore[i] ^ changed[i]);
        if (unread[i] != unreadBefore[i])
            touched = 0xff;
        if (touched != 0 || stateTouched)
            registerChanged(address, touched);
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

// The value and reference cells of a register, and its bit cells of the bits given.
void RegisterMapModel::registerChanged(int address, unsigned bits)
{
    cellChanged(address, ValueColumn);
    cellChanged(address, ReferenceColumn);
    for (int bit = 0; bit < bitsPerRegister; ++bit) {
        if (bits & (1u << bit))
            cellChanged(address, FirstBitColumn + bitsPerRegister - 1 - bit);
    }
}

void RegisterMapModel::cellChanged(int address, int column)
{
    const QModelIndex cell = index(address, column);
    emit dataChanged(cell, cell);
}

QString RegisterMapModel::decode(const PanelField &field) const
{
    const QList<PanelField::Place> places = field.places();
    if (std::any_of(places.cbegin(), places.cend(),
                    [this](const PanelField::Place &place) { return unread[std::size_t(place.address)]; }))
        return captioned(field.caption, notReadText());
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
    const int differing = reference && reference->named[i] && !unread[i] ? shown[i] ^ reference->values[i] : 0;
    const int bit = bitOfColumn(column);
    if (bit >= 0)
        return (bitOf(changed[i], bit) ? ChangedMark : 0) | (bitOf(quint8(differing), bit) ? DiffersMark : 0);
    if (column == ValueColumn)
        return (changed[i] || readStateChanged[i] ? ChangedMark : 0) | (pending[i] ? PendingMark : 0);
    if (column == ReferenceColumn)
        return differing ? DiffersMark : 0;
    return 0;
}

// Why a register's value cannot be taken as the chip's, or cannot be edited.
QString RegisterMapModel::note(int address) const
{
    const auto i = std::size_t(address);
    if (!editable[i]) {
        return registerFields[i].isEmpty() ? tr("Read-only: no panel control sets this register")
                                           : tr("Read-only: the panel only shows this register, by its indicators");
    }
    if (unread[i])
        return tr("Not read: the board did not answer");
    if (pending[i])
        return tr("Not written to the chip yet: Write regs sends it");
    return {};
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
    RegisterReference snapshot = RegisterReference::snapshot(shown);
    for (std::size_t i = 0; i < unread.size(); ++i)
        snapshot.named[i] = !unread[i];
    setReference(snapshot);
}

void RegisterMapModel::clearReference()
{
    reference.reset();
    emit dataChanged(index(0, 0), index(registerMirrorSize - 1, ColumnCount - 1));
    emit comparisonChanged();
}

QString RegisterMapModel::differenceSummary(const QString &referenceName) const
{
    if (!reference)
        return {};
    if (reference->namesNoRegister())
        return tr("%1 names no register").arg(referenceName);
    RegisterReference compared = *reference;
    int notRead = 0;
    for (std::size_t i = 0; i < unread.size(); ++i) {
        notRead += compared.named[i] && unread[i];
        compared.named[i] = compared.named[i] && !unread[i];
    }
    const QList<BitDifference> differences = differingBits(shown, compared);
    int registers = 0;
    for (qsizetype i = 0; i < differences.size(); ++i) {
        if (i == 0 || differences.at(i).address != differences.at(i - 1).address)
            ++registers;
    }
    const int bits = int(differences.size());
    QString text = registers == 0 ? tr("No register differs")
                   : (registers == 1 ? tr("1 register differs") : tr("%1 registers differ").arg(registers))
                           + (bits == 1 ? tr(" in 1 bit") : tr(" in %1 bits").arg(bits));
    text += tr(" from %1").arg(referenceName);
    if (notRead > 0)
        text += notRead == 1 ? tr("; 1 register could not be read")
                             : tr("; %1 registers could not be read").arg(notRead);
    return text;
}

QString RegisterMapModel::rowText(int address) const
{
    QStringList cells;
    for (int column = 0; column < ColumnCount; ++column) {
        if (column != ReferenceColumn || reference)
            cells << data(index(address, column)).toString();
    }
    return cells.join(QLatin1Char('\t'));
}
