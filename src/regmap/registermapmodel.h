// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERMAPMODEL_H
#define ZQ40613_REGISTERMAPMODEL_H

#include "binding/panelfields.h"
#include "common/chip.h"
#include "common/registermirror.h"
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
// It never changes the mirror: an edit in the table goes out as
// registerEdited() for the owner of the mirror to apply.
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
    enum Mark { ChangedMark = 1, DiffersMark = 2 };

    RegisterMapModel(const RegisterMirror &mirror, const QList<PanelField> &fields,
                     QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A value cell takes hex text, with or without "0x".
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The bit a column shows, or -1.
    static int bitOfColumn(int column);
    // The bit is set to the opposite of what the table shows, as clicking
    // its check box on the panel would.
    void toggleBit(int address, int bit);

    // A display refresh: the mirror is shown, and what changed is marked
    // until the next refresh.
    void showRefresh();
    // The mirror changed by an edit: shown at once, the marks stay.
    void showMirror();

    void setReference(const RegisterReference &reference);
    void takeSnapshot();
    void clearReference();
    bool hasReference() const { return reference.has_value(); }
    // "3 registers differ in 5 bits", or that none do; empty without a reference.
    QString differenceSummary() const;

    // A row as one line of text: its cells separated by tabs, the bits as
    // one group of eight digits.
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
    void show(bool markChanges);
    void cellChanged(int address, int column);
    QString decode(const PanelField &field) const;
    QString fieldsTextOf(int address) const;
    int marks(int address, int column) const;
    QString searchText(int address) const;

    const RegisterMirror &mirror;
    RegisterMirror shown{};
    std::array<quint8, registerMirrorSize> changed{};
    QList<PanelField> fields;
    // The fields of each register, highest top bit first, as the bit
    // columns run.
    std::array<QList<Placed>, registerMirrorSize> registerFields;
    std::array<QString, registerMirrorSize> fieldTexts;
    std::optional<RegisterReference> reference;
};

#endif
