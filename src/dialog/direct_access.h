// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_DIRECT_ACCESS_H
#define ZQ40613_DIRECT_ACCESS_H

#include <QDialog>

#include <memory>

namespace Ui {
class direct_access;
}

// Reads and writes one chip register by address, bit by bit. The transfers
// themselves belong to whoever answers readRequested() and writeRequested();
// a read hands the byte back through setData(). The dialog keeps its address
// and data byte for as long as it lives, hidden or shown.
class direct_access : public QDialog
{
    Q_OBJECT

public:
    explicit direct_access(QWidget *parent);
    ~direct_access() override;

    int address() const;
    int data() const;
    // Takes the low 8 bits of value and shows them in the data field.
    void setData(int value);

signals:
    // "Read" or "Write" was clicked, for address() and data().
    void readRequested();
    void writeRequested();

private slots:
    void on_lineEdit_textChanged(const QString &text);
    void on_lineEdit_2_textChanged(const QString &text);

private:
    // Connected by hand to QButtonGroup::idClicked: Qt 6 has no
    // buttonClicked(int) for connect-by-name to find.
    void on_buttonGroup_buttonClicked(int id);

    std::unique_ptr<Ui::direct_access> ui;
    quint8 m_address = 0;
    quint8 m_data = 0;
};

#endif
