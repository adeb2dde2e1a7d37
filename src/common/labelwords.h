// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_LABELWORDS_H
#define ZQ40613_LABELWORDS_H

#include <QString>

// The words of a label that introduces a control: its text without the
// blanks around it and a closing colon ("BATT   " gives "BATT",
// "Output voltage :" gives "Output voltage").
inline QString labelWords(QString text)
{
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

#endif
