// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/regularfile.h"

#include "regfile/appendfile.h"

#include <QFile>
#include <QString>

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

// Opens the name with CreateFileW, which neither waits for a pipe's other
// end nor reads from a device, and keeps the handle only if it is a file on
// a disk; a folder is opened too, to be refused as no regular file.
HANDLE openChecked(const QString &fileName, DWORD access, DWORD disposition, QString &reason)
{
    const HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(fileName.utf16()), access, shareAll,
                                        nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failWithLastError(reason);
        return handle;
    }
    BY_HANDLE_FILE_INFORMATION info {};
    if (::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info)
        && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
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
