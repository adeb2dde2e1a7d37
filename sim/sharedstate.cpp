#include "sharedstate.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
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
constexpr std::uint32_t layoutVersion = 1;

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

SharedState::SharedState(const std::string &path, Initialiser initialise)
    : m_initialise(std::move(initialise))
{
    std::string why;
    if (!mapFile(path, why))
        std::fprintf(stderr, "hid2 simulator: board state not shared through %s (%s); "
                             "this process has a board of its own\n",
                     path.c_str(), why.c_str());
}

#ifdef _WIN32

// No shared mapping here yet: each process keeps its own board.
bool SharedState::mapFile(const std::string &, std::string &why)
{
    why = "not supported on this platform";
    return false;
}

SharedState::~SharedState() = default;
void SharedState::lockFile() {}
void SharedState::unlockFile() {}

#else

namespace {

std::string errorText(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool SharedState::mapFile(const std::string &path, std::string &why)
{
    constexpr mode_t ownerOnly = 0600;
    constexpr mode_t groupAndOthers = 0077;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, ownerOnly);
    if (fd == -1) {
        why = errorText("open");
        return false;
    }
    m_fd = fd;
    const auto fail = [this, &why](std::string reason) {
        why = std::move(reason);
        ::close(m_fd);
        m_fd = -1;
        return false;
    };

    struct stat info {};
    if (::fstat(fd, &info) == -1)
        return fail(errorText("fstat"));
    if (!S_ISREG(info.st_mode))
        return fail("not a regular file");
    if (info.st_uid != ::geteuid())
        return fail("owned by another user");
    if ((info.st_mode & groupAndOthers) && ::fchmod(fd, ownerOnly) == -1)
        return fail(errorText("fchmod"));

    // Grown under the lock, so two processes starting together agree on the
    // size; posix_fallocate rather than ftruncate, so a full disk shows here
    // and not as a bus error on first touch of the mapping.
    lockFile();
    int resizeError = 0;
    if (::fstat(fd, &info) == -1)
        resizeError = errno;
    else if (info.st_size < static_cast<off_t>(sizeof(Image)))
        resizeError = ::posix_fallocate(fd, 0, sizeof(Image));
    unlockFile();
    if (resizeError != 0) {
        errno = resizeError;
        return fail(errorText("resize"));
    }

    void *mapping = ::mmap(nullptr, sizeof(Image), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping == MAP_FAILED)
        return fail(errorText("mmap"));
    m_image = static_cast<Image *>(mapping);
    return true;
}

SharedState::~SharedState()
{
    if (m_image)
        ::munmap(m_image, sizeof(Image));
    if (m_fd != -1)
        ::close(m_fd);
}

void SharedState::lockFile()
{
    while (m_fd != -1 && ::flock(m_fd, LOCK_EX) == -1 && errno == EINTR) {
    }
}

void SharedState::unlockFile()
{
    if (m_fd != -1)
        ::flock(m_fd, LOCK_UN);
}

#endif

SharedState::FileLock::FileLock(SharedState &owner)
    : m_owner(owner)
{
    m_owner.lockFile();
}

SharedState::FileLock::~FileLock()
{
    m_owner.unlockFile();
}

BoardState &SharedState::currentState()
{
    if (!m_image) {
        if (!m_privateReady) {
            m_initialise(m_private);
            m_privateReady = true;
        }
        return m_private;
    }
    // Checked on every call: another build may have re-initialised the file
    // since the last one.
    Image &image = *m_image;
    if (std::memcmp(image.magic, stateMagic, magicSize) != 0 || image.layoutVersion != layoutVersion
        || image.stateSize != sizeof(BoardState)) {
        image.state = BoardState{};
        m_initialise(image.state);
        std::memcpy(image.magic, stateMagic, magicSize);
        image.layoutVersion = layoutVersion;
        image.stateSize = sizeof(BoardState);
    }
    return image.state;
}

} // namespace sim
