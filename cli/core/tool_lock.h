// One tkb command at a time on a machine's boards.
//
// The library lets one process open a board at a time, and the control program's wrapper closes
// after a failed open, which clears the open flag of whoever holds the board. Two tkb processes
// meeting there could then interleave their transfers: one's sub-address write and read with the
// other's, or a settings read-modify-write with a second one. So a tkb command holds this lock
// while it uses the boards, and a second command waits for it.
//
// A lock that its holder left by ending (a crash included) is free again: on Windows the named
// mutex is abandoned, elsewhere the lock file's lock goes with the process.
#pragma once

#include <chrono>
#include <memory>

namespace tkbctl::cli {

class ToolLock {
public:
    ToolLock();
    ~ToolLock();
    ToolLock(const ToolLock&) = delete;
    ToolLock& operator=(const ToolLock&) = delete;

    // Waits at most `timeout` for the lock; false when another command kept it that long or the
    // lock cannot be made at all.
    bool Acquire(std::chrono::milliseconds timeout);
    void Release();
    bool Held() const { return held_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool held_ = false;
};

// Holds a ToolLock for a scope once acquired.
class ToolLockHold {
public:
    explicit ToolLockHold(ToolLock& lock) : lock_(lock) {}
    ~ToolLockHold() { lock_.Release(); }
    ToolLockHold(const ToolLockHold&) = delete;
    ToolLockHold& operator=(const ToolLockHold&) = delete;

private:
    ToolLock& lock_;
};

// How long a command waits for another to finish with the boards: longer than a whole-flash
// update takes on a real board.
inline constexpr std::chrono::minutes kToolLockWait{10};

}  // namespace tkbctl::cli
