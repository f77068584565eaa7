// What the library needs of the operating system beyond the driver: the system-wide lock, the
// open flag shared by every process that loaded the same library file, the library's own version
// text and a sleep. Windows and POSIX implementations sit in win32/ and posix/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tkr {

// A handle to the system-wide mutex "TKR50API_RES".
//
// Lock blocks without time-out. The mutex is re-entrant for the thread that owns it, and a lock
// left by a thread or process that died is taken over by the next waiter rather than treated as
// failure. Unlock must be called once per Lock by the owning thread.
class SystemMutex {
public:
    // Creates the mutex (not owned) or opens it when it exists. On failure returns nullptr and sets
    // `error` to the system error code.
    static std::unique_ptr<SystemMutex> Open(uint32_t& error);

    virtual ~SystemMutex() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

// Holds a SystemMutex for the lifetime of a scope.
class SystemMutexGuard {
public:
    explicit SystemMutexGuard(SystemMutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~SystemMutexGuard() { mutex_.Unlock(); }
    SystemMutexGuard(const SystemMutexGuard&) = delete;
    SystemMutexGuard& operator=(const SystemMutexGuard&) = delete;

private:
    SystemMutex& mutex_;
};

// The shared open flag: 1 while a connection is open in any process that loaded this library file.
// Only read or written while the SystemMutex is held.
volatile uint32_t& SharedOpenFlag();

// ProductVersion of the library's own version resource ("1.1.0.0"); empty when it cannot be read.
std::string ReadOwnVersion();

// Sleeps for `milliseconds`; tests replace it (see hooks.h).
void SleepMilliseconds(uint32_t milliseconds);

}  // namespace tkr
