// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SIM_SHAREDSTATE_H
#define ZQ40613_SIM_SHAREDSTATE_H

// One simulated board for every process on the machine, as one real board
// would be: the BoardState lives in a small file that each process loading
// the simulator reads and writes back within every call, under a lock that
// works across threads and processes.
//
// The file:
// - path: $ZQ40613_SIM_STATE when set and not empty (tests give each run a
//   private board this way), else the user's own folder for it:
//   $XDG_RUNTIME_DIR/zq40613-sim.state, or without one
//   /tmp/zq40613-sim-<uid>.state; on Windows
//   %LOCALAPPDATA%\zq40613-sim.state, or without one the same name in the
//   user's temporary folder;
// - an existing file must be a regular file with no other link to it (a
//   symbolic or hard link planted at the path is refused, so the simulator
//   never writes into a file it was pointed at). On POSIX systems it is
//   created with mode 0600 and must be owned by the user, so another user
//   can neither watch nor steer the board; on Windows the user's folder
//   keeps it private;
// - starts with a header (magic, layout version, state size). A file whose
//   header does not match, such as one left by an older simulator, one that
//   is new and empty or one cut short, and a file holding any field out of
//   its range, is re-initialised to the power-on state at the next call:
//   whatever another process has done to it, it is checked afresh each call;
// - read and written at an offset, never mapped, so that a file truncated
//   behind the simulator's back cannot fault the process; it is never
//   shrunk.
//
// The lock is held on the file for the length of one call, flock() on POSIX
// systems and LockFileEx() on Windows: the system drops it when a process
// dies, so a crashed program cannot wedge the board. The file lock does not
// order threads of one process that share the file, so an in-process mutex
// is taken first.
//
// Every call first makes sure that the path still names the file it holds
// open: a file that was removed or replaced is let go, and the one at the
// path now (a new one, if there is none) is opened, so no process keeps a
// board of its own in a deleted file.
//
// Where the file cannot be used (another owner, a link, a missing folder)
// there is no board: every call fails as with the board unplugged, and the
// reason is told on standard error. Each call tries the file again, so a
// program that retries finds the board once the file is usable.
//
// What differs between the systems lives in sharedstate_posix.cpp and
// sharedstate_windows.cpp.

#include "boardmodel.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace sim {

constexpr char stateFileVariable[] = "ZQ40613_SIM_STATE";
constexpr char stateFileName[] = "zq40613-sim.state";
// The separator of the folders in a path, as the system writes it.
extern const char pathSeparator;

// The state file's path from the values of ZQ40613_SIM_STATE and of the
// variable naming the user's folder for it (null or empty when unset), or
// else the fallback. A pure function, so the choice can be tested.
std::string stateFilePath(const char *override, const char *userFolder, const std::string &fallback);

// The state file this process uses, chosen as above from its environment.
std::string userStateFilePath();
// Where that is without ZQ40613_SIM_STATE, as help texts tell it: lines
// indented to the environment part of zq40613-sim --help.
extern const char userStateFileHelp[];

class SharedState
{
public:
    // Whether a state read from the file can be used as it is.
    using Validator = std::function<bool(const BoardState &)>;
    // Brings a state that cannot be used to power-on.
    using Initialiser = std::function<void(BoardState &)>;
    using Change = std::function<void(BoardState &)>;

    SharedState(std::string path, Validator isSound, Initialiser initialise);
    ~SharedState();

    SharedState(const SharedState &) = delete;
    SharedState &operator=(const SharedState &) = delete;

    // Runs change(state) with the board to itself. False, without running
    // it, while the file cannot be used, and when what it changed could not
    // be stored.
    bool update(const Change &change);

private:
    struct Image;

    bool isUsable(const Image &image) const;
    void reinitialise(Image &image) const;
    bool openAndLock();
    bool open();
    bool openFile(std::string &why);
    bool pathNamesOpenFile() const;
    void closeFile();
    void lockFile();
    void unlockFile();
    bool readImage(Image &image);
    bool writeImage(const Image &image);
    // The first size bytes of the file; false when it ends first or fails.
    bool readStart(char *bytes, std::size_t size);
    bool writeStart(const char *bytes, std::size_t size);

    std::string m_path;
    Validator m_isSound;
    Initialiser m_initialise;
    std::mutex m_mutex;
    bool m_open = false;
    std::string m_toldWhy;   // the reason last told on standard error
    // The open file, a descriptor or a Windows handle, -1 while none is.
    std::intptr_t m_file = -1;
    // Which file it is (device and inode, or volume and file index), for
    // telling whether the path still names it.
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
};

} // namespace sim

#endif
