// SPDX-License-Identifier: GPL-3.0-or-later
// The state file on Windows: CreateFileW(), LockFileEx(), and ReadFile() and
// WriteFile() at an offset. Paths are UTF-8 here and wide for the system.
#include "sharedstate.h"

#include <string>

#include <windows.h>

namespace sim {

namespace {

std::wstring wide(const std::string &text)
{
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring converted(std::size_t(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), converted.data(), size);
    return converted;
}

std::string utf8(const std::wstring &text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string converted(std::size_t(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), converted.data(), size,
                          nullptr, nullptr);
    return converted;
}

// The variable's value; false when it is not set.
bool environmentValue(const char *name, std::string &value)
{
    const std::wstring wideName = wide(name);
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return false;
    std::wstring text(size, L'\0');
    text.resize(::GetEnvironmentVariableW(wideName.c_str(), text.data(), size));
    value = utf8(text);
    return true;
}

std::string errorText(const char *what)
{
    const DWORD code = ::GetLastError();
    wchar_t *message = nullptr;
    const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<wchar_t *>(&message), 0, nullptr);
    std::wstring text = length ? std::wstring(message, length) : L"error " + std::to_wstring(code);
    ::LocalFree(message);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.'))
        text.pop_back();
    return std::string(what) + ": " + utf8(text);
}

HANDLE handleOf(std::intptr_t file)
{
    return reinterpret_cast<HANDLE>(file);
}

// Which file it is: its index on its volume.
unsigned long long fileIndex(const BY_HANDLE_FILE_INFORMATION &info)
{
    return (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// Opened for each of these so that other processes may still read, write,
// rename and remove the file, as on a POSIX system.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Reads or writes all of bytes[0, size) at the start of the file with
// transfer, a ReadFile or WriteFile at the offset the OVERLAPPED holds;
// false when the file ends first or fails.
template<typename Byte, typename Transfer>
bool moveWhole(Byte *bytes, std::size_t size, Transfer transfer)
{
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(done);
        DWORD moved = 0;
        if (!transfer(bytes + done, static_cast<DWORD>(size - done), &moved, &at) || moved == 0)
            return false;
        done += moved;
    }
    return true;
}

} // namespace

const char pathSeparator = '\\';
const char userStateFileHelp[] = "                     %LOCALAPPDATA%\\zq40613-sim.state, or without that\n"
                                 "                     folder %TEMP%\\zq40613-sim.state\n";

std::string userStateFilePath()
{
    std::string override;
    std::string localAppData;
    const bool overridden = environmentValue(stateFileVariable, override);
    const bool hasFolder = environmentValue("LOCALAPPDATA", localAppData);
    // GetTempPathW ends the folder with a separator.
    std::wstring temporary(MAX_PATH + 1, L'\0');
    temporary.resize(::GetTempPathW(DWORD(temporary.size()), temporary.data()));
    return stateFilePath(overridden ? override.c_str() : nullptr,
                         hasFolder ? localAppData.c_str() : nullptr,
                         utf8(temporary) + stateFileName);
}

bool SharedState::openFile(std::string &why)
{
    // A symbolic link or junction at the path is opened as itself, to be
    // refused below, not followed.
    const HANDLE file = ::CreateFileW(wide(m_path).c_str(), GENERIC_READ | GENERIC_WRITE, shareAll,
                                      nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = errorText("CreateFileW");
        return false;
    }
    // Nothing is written before these checks pass.
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) != FILE_TYPE_DISK)
        why = "not a regular file";
    else if (!::GetFileInformationByHandle(file, &info))
        why = errorText("GetFileInformationByHandle");
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        why = "it is a symbolic link";
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        why = "not a regular file";
    else if (info.nNumberOfLinks > 1)
        why = "it has more than one link";
    else {
        m_file = reinterpret_cast<std::intptr_t>(file);
        m_device = info.dwVolumeSerialNumber;
        m_inode = fileIndex(info);
        return true;
    }
    ::CloseHandle(file);
    return false;
}

void SharedState::closeFile()
{
    if (m_file != -1)
        ::CloseHandle(handleOf(m_file));
    m_file = -1;
    m_open = false;
}

// A file removed while open stays until its last handle closes, and cannot
// be opened meanwhile: that, too, is a path that no longer names the file.
bool SharedState::pathNamesOpenFile() const
{
    const HANDLE atPath = ::CreateFileW(wide(m_path).c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr,
                                        OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (atPath == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool same = ::GetFileInformationByHandle(atPath, &info) && info.dwVolumeSerialNumber == m_device
                      && fileIndex(info) == m_inode;
    ::CloseHandle(atPath);
    return same;
}

// The whole range a file can have, whatever its length now.
void SharedState::lockFile()
{
    OVERLAPPED whole{};
    ::LockFileEx(handleOf(m_file), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
}

void SharedState::unlockFile()
{
    OVERLAPPED whole{};
    ::UnlockFileEx(handleOf(m_file), 0, MAXDWORD, MAXDWORD, &whole);
}

bool SharedState::readStart(char *bytes, std::size_t size)
{
    return moveWhole(bytes, size, [this](char *at, DWORD length, DWORD *moved, OVERLAPPED *offset) {
        return ::ReadFile(handleOf(m_file), at, length, moved, offset) != FALSE;
    });
}

bool SharedState::writeStart(const char *bytes, std::size_t size)
{
    return moveWhole(bytes, size, [this](const char *at, DWORD length, DWORD *moved, OVERLAPPED *offset) {
        return ::WriteFile(handleOf(m_file), at, length, moved, offset) != FALSE;
    });
}

} // namespace sim
