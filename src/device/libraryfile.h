// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_LIBRARYFILE_H
#define ZQ40613_LIBRARYFILE_H

#include <QString>
#include <QtGlobal>

#include <memory>

// One shared library, loaded the system's way: through QLibrary on POSIX
// systems (libraryfile_posix.cpp), through LoadLibraryExW on Windows
// (libraryfile_windows.cpp).
class LibraryFile
{
public:
    LibraryFile();
    ~LibraryFile();
    LibraryFile(const LibraryFile &) = delete;
    LibraryFile &operator=(const LibraryFile &) = delete;

    // The controller library's file name on this system: libhid2.so, hid2.dll.
    static QString hid2FileName();

    // Loads the file at a path, or a plain file name through the system's
    // ordinary search; what was loaded before is let go first.
    bool load(const QString &name);
    void unload();
    QFunctionPointer resolve(const char *symbol) const;

    // The file loaded, or asked for; why the last load failed.
    QString fileName() const;
    QString errorString() const;

private:
    struct System;
    std::unique_ptr<System> system;
};

#endif
