// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_FILESAVE_H
#define ZQ40613_FILESAVE_H

#include <QIODevice>

#include <functional>

class QString;

// Saves a file the way register files are saved: the contents go to a new
// file beside the old one, which takes its place only once complete, so a
// failed save leaves the previous file as it was. In a folder that takes no
// new file but holds a writable one, the file is written in place instead.
// Only a regular file is replaced: a FIFO, a socket or a device at the name
// is refused. Any failure, of writeContents included, shows "File Error!"
// with the file's name and the reason; the result says whether the file was
// saved.
bool saveFile(const QString &fileName, QIODevice::OpenMode mode,
              const std::function<bool(QIODevice &)> &writeContents);

// The box in which file commands tell of a failure, titled "Error". With a
// file name, the box says which file and, below, why: the reason the system
// gave ("No space left on device").
void showFileError(const QString &text, const QString &fileName = {}, const QString &reason = {});

#endif
