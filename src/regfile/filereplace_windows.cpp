// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/filereplace.h"

#include "regfile/appendfile.h"
#include "regfile/regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <string>

#include <windows.h>

namespace {

std::wstring nativeName(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName).toStdWString();
}

bool fail(QString &reason, const QString &why)
{
    reason = why;
    return false;
}

bool failWithLastError(QString &reason)
{
    return fail(reason, qt_error_string(int(::GetLastError())));
}

// Writes all of contents to an open file and hands them to the disk.
bool writeAndFlush(HANDLE handle, const QByteArray &contents, QString &reason)
{
    for (qsizetype done = 0; done < contents.size();) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<qsizetype>(contents.size() - done, MAXDWORD));
        if (!::WriteFile(handle, contents.constData() + done, chunk, &written, nullptr) || written == 0)
            return failWithLastError(reason);
        done += written;
    }
    return ::FlushFileBuffers(handle) || failWithLastError(reason);
}

// Opens an existing file and writes it anew: the save in place, for a folder
// that takes no new file. A failure may leave it incomplete.
bool writeInPlace(const std::wstring &name, const QByteArray &contents, QString &reason)
{
    const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failWithLastError(reason);
    const bool written = writeAndFlush(handle, contents, reason);
    ::CloseHandle(handle);
    return written;
}

// Creates a new file of its own beside name, for writing; its name is left
// in temporary. False, with the system's error, when none can be made.
HANDLE createBeside(const std::wstring &name, std::wstring &temporary)
{
    constexpr int tries = 100;
    const std::wstring stem = name + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < tries; ++attempt) {
        temporary = stem + std::to_wstring(attempt) + L".tmp";
        const HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return handle;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

bool replaceFile(const QString &fileName, const QByteArray &contents, QString &reason)
{
    const std::wstring name = nativeName(QFileInfo(fileName).absoluteFilePath());
    const FileKind target = fileKindAt(fileName);
    if (target == FileKind::other)
        return fail(reason, notRegularFileReason());

    // The new file is made beside the old one, on the same volume, so that
    // it can take the old one's place without being copied.
    std::wstring temporary;
    const HANDLE handle = createBeside(name, temporary);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_ACCESS_DENIED && target == FileKind::regular)
            return writeInPlace(name, contents, reason);
        return fail(reason, qt_error_string(int(error)));
    }
    bool done = writeAndFlush(handle, contents, reason);
    ::CloseHandle(handle);
    // One rename on the volume puts it in place: another program sees the
    // old file or the new one, never a mix or none. (ReplaceFileW would also
    // carry the old file's attributes over, but Wine leaves a file of its
    // own behind when it fails.)
    if (done)
        done = ::MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               || failWithLastError(reason);
    if (!done)
        ::DeleteFileW(temporary.c_str());
    return done;
}
