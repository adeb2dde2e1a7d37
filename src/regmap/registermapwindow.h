// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERMAPWINDOW_H
#define ZQ40613_REGISTERMAPWINDOW_H

#include "common/registermirror.h"
#include "binding/panelfields.h"

#include <QColor>
#include <QDialog>
#include <QList>

class QKeyEvent;
class QLabel;
class QModelIndex;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class RegisterMapModel;

// Registers 0x00 to 0x0F at a glance: a table of the register map with a
// filter, edits that act as panel edits, and a comparison with a register
// file or a snapshot. A view of the register mirror as the panel's refreshes
// leave it: it calls the board only when the user asks (Read All, an edit),
// and then through the main window. Closing it only hides it.
//
// The model is made with the window and follows every refresh; the table
// and the rest of what is seen are made when the window is first shown.
class RegisterMapWindow : public QDialog
{
    Q_OBJECT

public:
    // Light backgrounds, so the black text marked cells get stays readable
    // under a dark desktop scheme too. Bold text also marks a change.
    static constexpr QColor changedColour{255, 224, 130};
    static constexpr QColor differsColour{247, 166, 168};
    static constexpr QColor pendingColour{196, 222, 255};
    static constexpr QColor markedTextColour{0, 0, 0};
    // A typed value that is no byte, readable on light and dark fields.
    static constexpr QColor refusedTextColour{220, 30, 30};

    RegisterMapWindow(const RegisterMirror &mirror, const QList<PanelField> &fields,
                      QWidget *parent);

    RegisterMapModel &model() { return *map; }

    void setVisible(bool visible) override;

signals:
    void readAllRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildView();
    bool toggleKey(const QKeyEvent &key);
    void compareWithFile();
    void takeSnapshot();
    void showComparison();
    void showBitNames(const QModelIndex &current);
    void copyRows();
    void toggleBit(const QModelIndex &index);

    RegisterMapModel *map;
    QSortFilterProxyModel *rows = nullptr;
    QTableView *table = nullptr;
    QLabel *summary = nullptr;
    QLabel *bitNames = nullptr;
    QPushButton *clearButton = nullptr;
    QString referenceName;
};

#endif
