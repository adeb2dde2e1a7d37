// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_FILEREPLACE_H
#define ZQ40613_FILEREPLACE_H

class QByteArray;
class QString;

// Puts contents in place as the file fileName, whole or not at all: they
// go to a new file beside the old one, which is synced and then takes the
// old one's place, so a failure leaves the previous file as it was. In a
// folder that takes no new file but holds a writable one, the file is
// written in place instead. Only a regular file is replaced: a FIFO, a
// socket, a pipe or a device at the name is refused with
// notRegularFileReason(). Without success, reason says why
// (filereplace_posix.cpp, filereplace_windows.cpp).
bool replaceFile(const QString &fileName, const QByteArray &contents, QString &reason);

#endif
