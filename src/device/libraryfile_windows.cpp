// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/libraryfile.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

struct LibraryFile::System
{
    HMODULE module = nullptr;
    QString fileName;
    QString error;
};

LibraryFile::LibraryFile() : system(std::make_unique<System>()) {}

LibraryFile::~LibraryFile()
{
    unload();
}

QString LibraryFile::hid2FileName()
{
    return QStringLiteral("hid2.dll");
}

// A path is loaded with the libraries it needs looked for in its own folder
// first; a plain name goes through the system's search order: the program's
// folder, the system folders, the current folder, then PATH.
bool LibraryFile::load(const QString &name)
{
    unload();
    const bool path = QFileInfo(name).isAbsolute();
    system->fileName = name;
    // No box about a missing library: the caller tells why.
    DWORD oldMode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    system->module = ::LoadLibraryExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(name).utf16()),
                                      nullptr, path ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    const DWORD error = ::GetLastError();
    ::SetThreadErrorMode(oldMode, nullptr);
    if (!system->module) {
        system->error = QStringLiteral("Cannot load library %1: %2")
                                .arg(QDir::toNativeSeparators(name), qt_error_string(int(error)));
        return false;
    }
    // Where the search found it.
    wchar_t loaded[MAX_PATH] = {};
    if (!path && ::GetModuleFileNameW(system->module, loaded, MAX_PATH))
        system->fileName = QDir::fromNativeSeparators(QString::fromWCharArray(loaded));
    return true;
}

void LibraryFile::unload()
{
    if (system->module)
        ::FreeLibrary(system->module);
    system->module = nullptr;
}

QFunctionPointer LibraryFile::resolve(const char *symbol) const
{
    return system->module ? reinterpret_cast<QFunctionPointer>(::GetProcAddress(system->module, symbol))
                          : nullptr;
}

QString LibraryFile::fileName() const
{
    return system->fileName;
}

QString LibraryFile::errorString() const
{
    return system->error;
}
