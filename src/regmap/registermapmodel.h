// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERMAPMODEL_H
#define ZQ40613_REGISTERMAPMODEL_H

#include "binding/panelfields.h"
#include "common/chip.h"
#include "common/registermirror.h"
#include "device/registertransfer.h"
#include "regfile/registerreference.h"

#include <QAbstractTableModel>
#include <QList>

#include <array>
#include <optional>

// Registers 0x00 to 0x0F as a table: one row per register with its value,
// its eight bits (bit 7 first) and every panel field in it, decoded by the
// binding engine as the panel shows it. It shows the register mirror as the
// last display refresh (or edit) left it, marks the bits that refresh
// changed and, given a reference, the bits that differ from it.
//
// It tells from the transfers the device link announces what it cannot see
// in the mirror: a register whose last read failed, or that a Read All
// stopped short of, shows as not read and takes no part in a comparison; a
// value the chip is not known to hold (an edit made with Auto write off, or
// whose write went unanswered) is marked as pending.
//
// It never changes the mirror: an edit in the table goes out as
// registerEdited() for the owner of the mirror to apply. Only registers that
// a panel control sets can be edited.
class RegisterMapModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        AddressColumn,
        ValueColumn,
        FirstBitColumn, // bit 7; bit 0 is the eighth bit column
        ReferenceColumn = FirstBitColumn + bitsPerRegister,
        FieldsColumn,
        ColumnCount
    };
    enum Role {
        MarkRole = Qt::UserRole, // Marks of a bit, value or reference cell
        SearchRole,              // what the filter looks in: address, bit names, fields;
                                 // asked of the fields cell, the one cell that changes it
    };
    enum Mark { ChangedMark = 1, DiffersMark = 2, PendingMark = 4 };

    RegisterMapModel(const RegisterMirror &mirror, const QList<PanelField> &fields,
                     QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A value cell of an editable register takes a byte as valueOfText() reads it.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // What a value cell shows of a register that was not read.
    static QString notReadText() { return tr("not read"); }
    // A byte typed as hex, 00 to ff, with or without "0x"; nothing else.
    static std::optional<int> valueOfText(const QString &text);
    // The bit a column shows, or -1.
    static int bitOfColumn(int column);
    // The bit is set to the opposite of what the table shows, as clicking
    // its check box on the panel would; refused in a register that cannot
    // be edited or was not read.
    void toggleBit(int address, int bit);

    // A display refresh: the mirror is shown, and what changed is marked
    // until the next refresh.
    void showRefresh();
    // The mirror changed by an edit: shown at once, the marks stay.
    void showMirror();
    // A transfer as the device link announces it: what was read is shown at
    // the refresh that follows, an answered write may clear a pending mark.
    void noteTransfer(const RegisterTransfer &transfer);

    void setReference(const RegisterReference &reference);
    // The values shown, of the registers that were read.
    void takeSnapshot();
    void clearReference();
    bool hasReference() const { return reference.has_value(); }
    // "3 registers differ in 5 bits from saved.qrx", or that none do, and
    // how many of the registers compared could not be read; empty without a
    // reference.
    QString differenceSummary(const QString &referenceName) const;

    // A row as one line of text: its cells, each bit one, separated by tabs.
    QString rowText(int address) const;

signals:
    void registerEdited(int address, int value);
    // The reference was set or cleared, or the values compared with it changed.
    void comparisonChanged();

private:
    // A field in a register, with its top bit there.
    struct Placed
    {
        int topBit;
        int field; // index into fields
    };

    void addField(const PanelField &field);
    using Flags = std::array<bool, registerMirrorSize>;

    void show(bool markChanges, const Flags &nowUnread);
    void cellChanged(int address, int column);
    void registerChanged(int address, unsigned bits);
    bool isPending(int address) const;
    QString decode(const PanelField &field) const;
    QString fieldsTextOf(int address) const;
    int marks(int address, int column) const;
    QString note(int address) const;
    QString searchText(int address) const;

    const RegisterMirror &mirror;
    RegisterMirror shown{};
    // Bits the last refresh changed, and registers it read or lost.
    std::array<quint8, registerMirrorSize> changed{};
    Flags readStateChanged{};
    // Registers shown as not read; none is read before the first refresh.
    Flags unread{};
    Flags pending{};
    // What the chip holds as far as its answers tell.
    std::array<std::optional<quint8>, registerMirrorSize> chip{};
    // The reads since the last refresh: answered, unanswered, and whether a
    // Read All stopped at one, leaving the rest unread too.
    unsigned readAnswered = 0;
    unsigned readUnanswered = 0;
    bool readBackStopped = false;
    Flags editable{};
    QList<PanelField> fields;
    // The fields of each register, highest top bit first, as the bit
    // columns run.
    std::array<QList<Placed>, registerMirrorSize> registerFields;
    std::array<QString, registerMirrorSize> fieldTexts;
    std::optional<RegisterReference> reference;
};

#endif
