// SPDX-License-Identifier: GPL-3.0-or-later
// The state file on POSIX systems: open(), flock(), pread() and pwrite().
#include "sharedstate.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

std::string errorText(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Reads or writes all of bytes[0, size) at the start of the file with
// transfer, a pread or pwrite; false when the file ends first or fails.
template<typename Byte, typename Transfer>
bool moveWhole(Byte *bytes, std::size_t size, Transfer transfer)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved = transfer(bytes + done, size - done, static_cast<off_t>(done));
        if (moved > 0)
            done += static_cast<std::size_t>(moved);
        else if (moved == 0 || errno != EINTR)
            return false;
    }
    return true;
}

// The descriptor kept in a file field.
int descriptor(std::intptr_t file)
{
    return static_cast<int>(file);
}

} // namespace

const char pathSeparator = '/';
const char userStateFileHelp[] = "                     $XDG_RUNTIME_DIR/zq40613-sim.state, or without that\n"
                                 "                     folder /tmp/zq40613-sim-UID.state\n";

std::string userStateFilePath()
{
    const std::string fallback =
            "/tmp/zq40613-sim-" + std::to_string(static_cast<unsigned long>(::geteuid())) + ".state";
    return stateFilePath(std::getenv(stateFileVariable), std::getenv("XDG_RUNTIME_DIR"), fallback);
}

bool SharedState::openFile(std::string &why)
{
    constexpr mode_t ownerOnly = 0600;
    constexpr mode_t groupAndOthers = 0077;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, ownerOnly);
    if (fd == -1) {
        struct stat atPath {};
        why = errno == ELOOP && ::lstat(m_path.c_str(), &atPath) == 0 && S_ISLNK(atPath.st_mode)
                      ? "it is a symbolic link"
                      : errorText("open");
        return false;
    }
    // Nothing is written before these checks pass.
    struct stat info {};
    if (::fstat(fd, &info) == -1)
        why = errorText("fstat");
    else if (!S_ISREG(info.st_mode))
        why = "not a regular file";
    else if (info.st_nlink > 1)
        why = "it has more than one link";
    else if (info.st_uid != ::geteuid())
        why = "owned by another user";
    else if ((info.st_mode & groupAndOthers) && ::fchmod(fd, ownerOnly) == -1)
        why = errorText("fchmod");
    else {
        m_file = fd;
        m_device = info.st_dev;
        m_inode = info.st_ino;
        return true;
    }
    ::close(fd);
    return false;
}

void SharedState::closeFile()
{
    if (m_file != -1)
        ::close(descriptor(m_file));
    m_file = -1;
    m_open = false;
}

// Compared without following links: a link put in the file's place is
// another file.
bool SharedState::pathNamesOpenFile() const
{
    struct stat atPath {};
    return ::lstat(m_path.c_str(), &atPath) == 0 && atPath.st_dev == m_device
           && atPath.st_ino == m_inode;
}

void SharedState::lockFile()
{
    while (::flock(descriptor(m_file), LOCK_EX) == -1 && errno == EINTR) {
    }
}

void SharedState::unlockFile()
{
    ::flock(descriptor(m_file), LOCK_UN);
}

bool SharedState::readStart(char *bytes, std::size_t size)
{
    return moveWhole(bytes, size,
                     [this](char *bytes, std::size_t size, off_t offset) {
                         return ::pread(descriptor(m_file), bytes, size, offset);
                     });
}

bool SharedState::writeStart(const char *bytes, std::size_t size)
{
    return moveWhole(bytes, size,
                     [this](const char *bytes, std::size_t size, off_t offset) {
                         return ::pwrite(descriptor(m_file), bytes, size, offset);
                     });
}

} // namespace sim
