// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGULARFILE_H
#define ZQ40613_REGULARFILE_H

class QFile;
class QFileDevice;
class QString;

// The program reads and records its files only as regular files: opening a
// FIFO the ordinary way would wait for the other end and freeze the window
// for good, a device may never end, and neither is a record. These open
// without blocking and check the type on what was opened, not on the name
// (regularfile_posix.cpp, regularfile_windows.cpp). Without success, reason
// says why: the system's reason, or notRegularFileReason().

// What is at a name, with symbolic links followed.
enum class FileKind { missing, regular, other };
FileKind fileKindAt(const QString &fileName);

// Opens an existing file for reading.
bool openRegularFile(QFile &file, const QString &fileName, QString &reason);

// Creates the file, or empties the one there, for unbuffered writing.
bool createRegularFile(QFile &file, const QString &fileName, QString &reason);

// Hands what was written to file to the disk.
bool syncFile(QFile &file, QString &reason);

// Whether two open files are one file, by whatever names they were opened.
bool isSameFile(const QFileDevice &one, const QFileDevice &other);

#endif
