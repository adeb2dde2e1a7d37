// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedstate.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sim {

namespace {

constexpr char stateFileName[] = "zq40613-sim.state";
constexpr char fallbackDir[] = "/tmp";
constexpr char fallbackPrefix[] = "zq40613-sim-";
constexpr char fallbackSuffix[] = ".state";

constexpr std::size_t magicSize = 8;
constexpr char stateMagic[magicSize] = {'Z', 'Q', '4', '0', '6', '1', '3', 'S'};
// Raised whenever BoardState changes meaning without changing size.
constexpr std::uint32_t layoutVersion = 2;

} // namespace

struct SharedState::Image
{
    char magic[magicSize];
    std::uint32_t layoutVersion;
    std::uint32_t stateSize;
    BoardState state;
};

std::string stateFilePath(const char *override, const char *runtimeDir, unsigned long uid)
{
    if (override && *override)
        return override;
    if (runtimeDir && *runtimeDir)
        return std::string(runtimeDir) + '/' + stateFileName;
    return std::string(fallbackDir) + '/' + fallbackPrefix + std::to_string(uid) + fallbackSuffix;
}

SharedState::SharedState(std::string path, Validator isSound, Initialiser initialise)
    : m_path(std::move(path)), m_isSound(std::move(isSound)), m_initialise(std::move(initialise))
{
}

bool SharedState::update(const Change &change)
{
    const std::lock_guard<std::mutex> threads(m_mutex);
    if (!openAndLock())
        return false;
    Image image{};
    const bool usable = readImage(image) && isUsable(image);
    if (!usable)
        reinitialise(image);
    const Image before = image;
    change(image.state);
    const bool unchanged = usable && std::memcmp(&before, &image, sizeof image) == 0;
    const bool stored = unchanged || writeImage(image);
    unlockFile();
    return stored;
}

bool SharedState::isUsable(const Image &image) const
{
    return std::memcmp(image.magic, stateMagic, magicSize) == 0 && image.layoutVersion == layoutVersion
           && image.stateSize == sizeof(BoardState) && m_isSound(image.state);
}

void SharedState::reinitialise(Image &image) const
{
    m_initialise(image.state);
    std::memcpy(image.magic, stateMagic, magicSize);
    image.layoutVersion = layoutVersion;
    image.stateSize = sizeof(BoardState);
}

// The file is taken again whenever its path has come to name another file,
// or none: one removed or replaced by another program is let go, so that
// every process on the machine keeps to the one board at the path. The check
// is made once the lock is held, since the file may be replaced while this
// call waits for it. A file just opened fails it only while another program
// keeps replacing the file; after a few tries the file at hand serves.
bool SharedState::openAndLock()
{
    constexpr int lastTry = 3;
    for (int attempt = 0;; ++attempt) {
        if (!open())
            return false;
        lockFile();
        if (attempt == lastTry || pathNamesOpenFile())
            return true;
        unlockFile();
        closeFile();
    }
}

bool SharedState::open()
{
    if (m_open)
        return true;
    std::string why;
    m_open = openFile(why);
    if (!m_open && why != m_toldWhy)
        std::fprintf(stderr, "hid2 simulator: no board: the board state file %s cannot be used (%s)\n",
                     m_path.c_str(), why.c_str());
    m_toldWhy = m_open ? std::string() : why;
    return m_open;
}

#ifdef _WIN32

// No shared file here yet: each process keeps its own board in memory.
bool SharedState::openFile(std::string &)
{
    std::fprintf(stderr, "hid2 simulator: the board is not shared on this platform; "
                         "this process has a board of its own\n");
    return true;
}

SharedState::~SharedState() = default;
void SharedState::lockFile() {}
void SharedState::unlockFile() {}
bool SharedState::pathNamesOpenFile() const { return true; }
void SharedState::closeFile() {}

bool SharedState::readImage(Image &image)
{
    if (m_memory.size() != sizeof image)
        return false;
    std::memcpy(&image, m_memory.data(), sizeof image);
    return true;
}

bool SharedState::writeImage(const Image &image)
{
    m_memory.assign(reinterpret_cast<const char *>(&image), sizeof image);
    return true;
}

#else

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

} // namespace

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
        m_fd = fd;
        m_device = info.st_dev;
        m_inode = info.st_ino;
        return true;
    }
    ::close(fd);
    return false;
}

SharedState::~SharedState()
{
    closeFile();
}

void SharedState::closeFile()
{
    if (m_fd != -1)
        ::close(m_fd);
    m_fd = -1;
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
    while (::flock(m_fd, LOCK_EX) == -1 && errno == EINTR) {
    }
}

void SharedState::unlockFile()
{
    ::flock(m_fd, LOCK_UN);
}

// False for a file shorter than the image, whatever made it so.
bool SharedState::readImage(Image &image)
{
    return moveWhole(reinterpret_cast<char *>(&image), sizeof image,
                     [this](char *bytes, std::size_t size, off_t offset) {
                         return ::pread(m_fd, bytes, size, offset);
                     });
}

// Also grows a file that has been cut short back to the whole image; a full
// disk shows here as a failed call.
bool SharedState::writeImage(const Image &image)
{
    return moveWhole(reinterpret_cast<const char *>(&image), sizeof image,
                     [this](const char *bytes, std::size_t size, off_t offset) {
                         return ::pwrite(m_fd, bytes, size, offset);
                     });
}

#endif

} // namespace sim
