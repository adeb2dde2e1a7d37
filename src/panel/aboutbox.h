// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_ABOUTBOX_H
#define ZQ40613_ABOUTBOX_H

#include <QDialog>

// The Help ▸ About box: logo, product title, version and the Qt lines, with
// "OK" centred at the bottom. Its size follows its contents and is fixed.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit AboutBox(QWidget *parent);
};

#endif
