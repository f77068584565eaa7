// The system-wide lock on Windows: the named mutex "TKR50API_RES" in the session's namespace.
#include <windows.h>

#include "frame/platform.h"

namespace tkr {

namespace {

class Win32SystemMutex final : public SystemMutex {
public:
    explicit Win32SystemMutex(HANDLE handle) : handle_(handle) {}
    ~Win32SystemMutex() override { CloseHandle(handle_); }

    // WAIT_ABANDONED means the previous owner ended without releasing: the mutex is ours all the same.
    void Lock() override { WaitForSingleObject(handle_, INFINITE); }
    void Unlock() override { ReleaseMutex(handle_); }

private:
    HANDLE handle_;
};

}  // namespace

std::unique_ptr<SystemMutex> SystemMutex::Open(uint32_t& error) {
    HANDLE handle = CreateMutexA(nullptr, FALSE, "TKR50API_RES");
    if (!handle) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<Win32SystemMutex>(handle);
}

}  // namespace tkr
