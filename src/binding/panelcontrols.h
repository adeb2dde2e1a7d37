// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELCONTROLS_H
#define ZQ40613_PANELCONTROLS_H

#include <QList>
#include <QPointer>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTextBrowser;
class QWidget;

// Every control of the panel, collected once after the form is built: the
// binding engine walks these lists and decodes each control's object name.
// The order is that of Qt's recursive child search (depth first, each parent
// before its children, siblings in creation order), so it follows the form.
struct PanelControls
{
    QList<QAbstractButton *> buttons;
    QList<QComboBox *> comboBoxes;
    QList<QLineEdit *> lineEdits;

    // Controls with a fixed role; any of them may be missing from a panel.
    QPointer<QCheckBox> autoWrite;
    QPointer<QCheckBox> pollStatus;
    QPointer<QTextBrowser> registerLog;
    QPointer<QTextBrowser> eventLog;

    static PanelControls collect(QWidget &window);
};

#endif
