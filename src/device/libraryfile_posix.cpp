// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/libraryfile.h"

#include <QLibrary>

// A plain name goes through dlopen()'s search, which honours
// LD_LIBRARY_PATH on Linux.
struct LibraryFile::System
{
    QLibrary library;
};

LibraryFile::LibraryFile() : system(std::make_unique<System>()) {}

LibraryFile::~LibraryFile() = default;

QString LibraryFile::hid2FileName()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("libhid2.dylib");
#else
    return QStringLiteral("libhid2.so");
#endif
}

bool LibraryFile::load(const QString &name)
{
    system->library.unload();
    system->library.setFileName(name);
    return system->library.load();
}

void LibraryFile::unload()
{
    system->library.unload();
}

QFunctionPointer LibraryFile::resolve(const char *symbol) const
{
    return system->library.resolve(symbol);
}

QString LibraryFile::fileName() const
{
    return system->library.fileName();
}

QString LibraryFile::errorString() const
{
    return system->library.errorString();
}
