// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/commandbutton.h"

#include <QHBoxLayout>
#include <QPushButton>

QPushButton *addButton(QHBoxLayout *row, const QString &text, const char *name)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}
