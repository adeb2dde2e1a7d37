// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/panelcontrols.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTextBrowser>
#include <QWidget>

PanelControls PanelControls::collect(QWidget &window)
{
    PanelControls c;
    c.buttons = window.findChildren<QAbstractButton *>();
    c.comboBoxes = window.findChildren<QComboBox *>();
    c.lineEdits = window.findChildren<QLineEdit *>();
    c.autoWrite = window.findChild<QCheckBox *>(QStringLiteral("autowrite"));
    c.pollStatus = window.findChild<QCheckBox *>(QStringLiteral("pollstatus"));
    c.registerLog = window.findChild<QTextBrowser *>(QStringLiteral("registerlog"));
    c.eventLog = window.findChild<QTextBrowser *>(QStringLiteral("eventlog"));
    return c;
}
