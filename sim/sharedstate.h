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
//   private board this way), else $XDG_RUNTIME_DIR/zq40613-sim.state, else
//   /tmp/zq40613-sim-<uid>.state;
// - created with mode 0600; an existing file must be a regular file owned by
//   the user with no other link to it (a symbolic or hard link planted at the
//   path is refused, so the simulator never writes into a file it was pointed
//   at), so another user can neither watch nor steer the board;
// - starts with a header (magic, layout version, state size). A file whose
//   header does not match, such as one left by an older simulator, one that
//   is new and empty or one cut short, and a file holding any field out of
//   its range, is re-initialised to the power-on state at the next call:
//   whatever another process has done to it, it is checked afresh each call;
// - read with pread and written with pwrite, never mapped, so that a file
//   truncated behind the simulator's back cannot fault the process; it is
//   never shrunk.
//
// The lock is flock() on the file, held for the length of one call: the
// kernel drops it when a process dies, so a crashed program cannot wedge the
// board. flock() does not order threads of one process that share the
// descriptor, so an in-process mutex is taken first.
//
// Every call first makes sure that the path still names the file it holds
// open: a file that was removed or replaced is let go, and the one at the
// path now (a new one, if there is none) is opened, so no process keeps a
// board of its own in a deleted file.
//
// Where the file cannot be used (another owner, a link, a missing folder)
// there is no board: every call fails as with the board unplugged, and the
// reason is told on standard error. Each call tries the file again, so a
// program that retries finds the board once the file is usable. A platform
// without the shared file (Windows, for now) keeps one board per process.

#include "boardmodel.h"

#include <functional>
#include <mutex>
#include <string>

namespace sim {

constexpr char stateFileVariable[] = "ZQ40613_SIM_STATE";
constexpr char runtimeDirVariable[] = "XDG_RUNTIME_DIR";

// The state file's path from the two variables' values (null or empty when
// unset) and the user id. A pure function, so the choice can be tested.
std::string stateFilePath(const char *override, const char *runtimeDir, unsigned long uid);

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

    std::string m_path;
    Validator m_isSound;
    Initialiser m_initialise;
    std::mutex m_mutex;
    bool m_open = false;
    std::string m_toldWhy;   // the reason last told on standard error
#ifdef _WIN32
    std::string m_memory;    // this process's board
#else
    int m_fd = -1;
    // Which file m_fd is, for telling whether the path still names it.
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
#endif
};

} // namespace sim

#endif
