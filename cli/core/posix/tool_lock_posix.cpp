#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "../tool_lock.h"

namespace tkbctl::cli {

namespace {
constexpr auto kPoll = std::chrono::milliseconds(10);
}

// An advisory lock on a file every user's tkb can open; the file itself stays and holds nothing.
struct ToolLock::Impl {
    int fd = -1;
};

ToolLock::ToolLock() : impl_(std::make_unique<Impl>()) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::temp_directory_path(error) / "tkb-boards.lock";
    if (!error) {
        impl_->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // Other users' tkb must be able to lock it too; the umask would take that away.
        if (impl_->fd >= 0)
            fchmod(impl_->fd, 0666);
    }
}

ToolLock::~ToolLock() {
    Release();
    if (impl_->fd >= 0)
        close(impl_->fd);
}

bool ToolLock::Acquire(std::chrono::milliseconds timeout) {
    if (held_)
        return true;
    if (impl_->fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (flock(impl_->fd, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
    held_ = true;
    return true;
}

void ToolLock::Release() {
    if (!held_)
        return;
    flock(impl_->fd, LOCK_UN);
    held_ = false;
}

}  // namespace tkbctl::cli
