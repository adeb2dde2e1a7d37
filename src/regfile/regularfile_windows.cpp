// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/regularfile.h"

#include "regfile/appendfile.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

bool fail(QString &reason, const QString &why)
{
    reason = why;
    return false;
}

bool failWithLastError(QString &reason)
{
    return fail(reason, qt_error_string(int(::GetLastError())));
}

// Other programs may read, write, rename and remove the file meanwhile, as
// on a POSIX system.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring nativeName(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName).toStdWString();
}

// Names in the device namespace, \\.\ (pipes, ports, volumes) and \\?\ but
// for a drive or a share, are never files. Told by the name, because
// opening a pipe would connect to it.
bool isDeviceNamespace(const std::wstring &name)
{
    const auto startsWith = [&name](const wchar_t *prefix) { return name.rfind(prefix, 0) == 0; };
    if (startsWith(LR"(\\.\)"))
        return true;
    if (!startsWith(LR"(\\?\)"))
        return false;
    const std::wstring rest = name.substr(4);
    const bool drive = rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\';
    return !drive && rest.rfind(LR"(UNC\)", 0) != 0;
}

// A file on a disk that is no folder. A device such as NUL or COM1, which
// the system finds in any folder, is of another type.
bool isRegular(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info {};
    return ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info)
           && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opens the name with CreateFileW, which neither waits for a pipe's other
// end nor reads from a device, and keeps the handle only if it is a regular
// file; a folder is opened too, to be refused as no regular file.
HANDLE openChecked(const QString &fileName, DWORD access, DWORD disposition, QString &reason)
{
    if (fileKindAt(fileName) == FileKind::other) {
        fail(reason, notRegularFileReason());
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE handle = ::CreateFileW(nativeName(fileName).c_str(), access, shareAll, nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failWithLastError(reason);
        return handle;
    }
    if (isRegular(handle))
        return handle;
    ::CloseHandle(handle);
    fail(reason, notRegularFileReason());
    return INVALID_HANDLE_VALUE;
}

// Hands the open handle to file, through a descriptor of the C runtime,
// which closes it from then on.
bool adopt(QFile &file, HANDLE handle, int flags, QIODevice::OpenMode mode, QString &reason)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        return fail(reason, qt_error_string(errno));
    }
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    ::_close(fd);
    return fail(reason, file.errorString());
}

} // namespace

FileKind fileKindAt(const QString &fileName)
{
    const std::wstring name = nativeName(fileName);
    if (isDeviceNamespace(name))
        return FileKind::other;
    const HANDLE handle = ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return FileKind::missing;
    const bool regular = isRegular(handle);
    ::CloseHandle(handle);
    return regular ? FileKind::regular : FileKind::other;
}

bool openRegularFile(QFile &file, const QString &fileName, QString &reason)
{
    const HANDLE handle = openChecked(fileName, GENERIC_READ, OPEN_EXISTING, reason);
    return handle != INVALID_HANDLE_VALUE && adopt(file, handle, _O_RDONLY, QIODevice::ReadOnly, reason);
}

bool createRegularFile(QFile &file, const QString &fileName, QString &reason)
{
    const HANDLE handle = openChecked(fileName, GENERIC_WRITE, OPEN_ALWAYS, reason);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    // Emptied only once known to be a regular file.
    if (!::SetEndOfFile(handle)) {
        failWithLastError(reason);
        ::CloseHandle(handle);
        return false;
    }
    return adopt(file, handle, _O_WRONLY, QIODevice::WriteOnly | QIODevice::Unbuffered, reason);
}

bool syncFile(QFile &file, QString &reason)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle()));
    return ::FlushFileBuffers(handle) || failWithLastError(reason);
}

// Compared by volume and index on it, for files opened through a
// descriptor, as the program opens them.
bool isSameFile(const QFileDevice &one, const QFileDevice &other)
{
    BY_HANDLE_FILE_INFORMATION mine {};
    BY_HANDLE_FILE_INFORMATION theirs {};
    return one.handle() >= 0 && other.handle() >= 0
           && ::GetFileInformationByHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(one.handle())), &mine)
           && ::GetFileInformationByHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(other.handle())), &theirs)
           && mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber
           && mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
}
