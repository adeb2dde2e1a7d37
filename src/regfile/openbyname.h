// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_OPENBYNAME_H
#define ZQ40613_OPENBYNAME_H

#include <QString>

class QByteArray;
class QFile;

// Opens a file for reading by its name as the command line or a script gave
// it: on POSIX systems by its bytes, so that a name that is no valid text
// still reaches its file (openbyname_posix.cpp, openbyname_windows.cpp).
// Returns 0, or the system's error number (EIO where the system gives none)
// with its reason in reason ("No such file or directory").
int openByName(QFile &file, const QByteArray &fileName, QString &reason);

#endif
