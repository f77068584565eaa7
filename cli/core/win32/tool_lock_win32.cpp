#include <windows.h>

#include "../tool_lock.h"

namespace tkbctl::cli {

// A named mutex in the session's namespace, as the library's own exchange lock.
struct ToolLock::Impl {
    HANDLE mutex = nullptr;
};

ToolLock::ToolLock() : impl_(std::make_unique<Impl>()) {
    impl_->mutex = CreateMutexW(nullptr, FALSE, L"tkb-boards");
}

ToolLock::~ToolLock() {
    Release();
    if (impl_->mutex)
        CloseHandle(impl_->mutex);
}

bool ToolLock::Acquire(std::chrono::milliseconds timeout) {
    if (held_)
        return true;
    if (!impl_->mutex)
        return false;
    // An abandoned mutex was left by a tkb that ended while holding it: the boards are free.
    const DWORD waited = WaitForSingleObject(impl_->mutex, static_cast<DWORD>(timeout.count()));
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return held_;
}

void ToolLock::Release() {
    if (!held_)
        return;
    ReleaseMutex(impl_->mutex);
    held_ = false;
}

}  // namespace tkbctl::cli
