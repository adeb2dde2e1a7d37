// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedstate.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace sim {

namespace {

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

std::string stateFilePath(const char *override, const char *userFolder, const std::string &fallback)
{
    if (override && *override)
        return override;
    if (userFolder && *userFolder)
        return std::string(userFolder) + pathSeparator + stateFileName;
    return fallback;
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

SharedState::~SharedState()
{
    closeFile();
}

// False for a file shorter than the image, whatever made it so.
bool SharedState::readImage(Image &image)
{
    return readStart(reinterpret_cast<char *>(&image), sizeof image);
}

// Also grows a file that has been cut short back to the whole image; a full
// disk shows here as a failed call.
bool SharedState::writeImage(const Image &image)
{
    return writeStart(reinterpret_cast<const char *>(&image), sizeof image);
}

} // namespace sim
