// SPDX-License-Identifier: GPL-3.0-or-later
#include "nativeio.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

// Nothing to do: files are opened as system handles, which never take the
// place of one of the C runtime's standard streams.
void occupyClosedStandardStreams() {}

QByteArrayList nativeArguments(const QByteArrayList &)
{
    QByteArrayList arguments;
    const QStringList texts = QCoreApplication::arguments().mid(1);
    for (const QString &text : texts)
        arguments << QFile::encodeName(text);
    return arguments;
}
