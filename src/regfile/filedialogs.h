// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_FILEDIALOGS_H
#define ZQ40613_FILEDIALOGS_H

#include <QString>

class QWidget;

// The save dialog of the program's own files beyond the register files
// (pictures, CSV files, recordings): it opens in the folder the user chose
// last, remembered across runs, and a name typed without a suffix gets the
// one given, so that the file shows under the filter it was saved with.
// An empty result means the user cancelled.
QString askSaveFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const QString &suffix);

// The open dialog for such files, in the same remembered folder.
QString askOpenFileName(QWidget *parent, const QString &caption, const QString &filter);

// The filter of every dialog that asks for a register file.
QString registerFileFilter();

#endif
