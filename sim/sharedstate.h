#ifndef ZQ40613_SIM_SHAREDSTATE_H
#define ZQ40613_SIM_SHAREDSTATE_H

// One simulated board for every process on the machine, as one real board
// would be: the BoardState lives in a small memory-mapped file that each
// process loading the simulator maps, and every call holds a lock that works
// across threads and processes.
//
// The file:
// - path: $ZQ40613_SIM_STATE when set and not empty (tests give each run a
//   private board this way), else $XDG_RUNTIME_DIR/zq40613-sim.state, else
//   /tmp/zq40613-sim-<uid>.state;
// - created with mode 0600; an existing file must be a regular file owned by
//   the user (a symbolic link is refused), so another user can neither watch
//   nor steer the board;
// - starts with a header (magic, layout version, state size). A file whose
//   header does not match, such as one left by an older simulator or a new
//   zero-filled one, is re-initialised to the power-on state at the next call;
// - only ever grows, so a process that still maps a longer file of some other
//   build never touches memory past its end.
//
// The lock is flock() on the file, held for the length of one call: the
// kernel drops it when a process dies, so a crashed program cannot wedge the
// board. flock() does not order threads of one process that share the
// descriptor, so an in-process mutex is taken first.
//
// Where the file cannot be used (another owner, a missing folder, a platform
// without POSIX mappings) the process gets a board of its own in memory and
// says so once on standard error: the simulator keeps working, unshared.

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
    // Brings a zeroed state to power-on; called under the lock whenever the
    // file's header does not match this build's.
    using Initialiser = std::function<void(BoardState &)>;

    SharedState(const std::string &path, Initialiser initialise);
    ~SharedState();

    SharedState(const SharedState &) = delete;
    SharedState &operator=(const SharedState &) = delete;

    bool isShared() const { return m_image != nullptr; }

    // Runs call(state) with the board to itself.
    template<typename Call>
    auto withState(Call call)
    {
        const std::lock_guard<std::mutex> threads(m_mutex);
        const FileLock processes(*this);
        return call(currentState());
    }

private:
    struct Image;

    class FileLock
    {
    public:
        explicit FileLock(SharedState &owner);
        ~FileLock();
        FileLock(const FileLock &) = delete;
        FileLock &operator=(const FileLock &) = delete;

    private:
        SharedState &m_owner;
    };

    bool mapFile(const std::string &path, std::string &why);
    void lockFile();
    void unlockFile();
    BoardState &currentState();

    Initialiser m_initialise;
    std::mutex m_mutex;
    int m_fd = -1;
    Image *m_image = nullptr;
    BoardState m_private{};
    bool m_privateReady = false;
};

} // namespace sim

#endif
