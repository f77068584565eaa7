#include "child_process.h"

#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace tkr::test {

#if defined(_WIN32)

struct ChildProcess::Impl {
    PROCESS_INFORMATION process{};
    bool started = false;
};

ChildProcess::ChildProcess(const std::vector<std::string>& args) : impl_(new Impl) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\"";
    for (const std::string& arg : args)
        command += " \"" + arg + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    impl_->started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &impl_->process) != 0;
}

ChildProcess::~ChildProcess() {
    if (impl_->started) {
        Kill();
        CloseHandle(impl_->process.hThread);
        CloseHandle(impl_->process.hProcess);
    }
    delete impl_;
}

bool ChildProcess::Started() const {
    return impl_->started;
}

int ChildProcess::Wait() {
    if (!impl_->started)
        return -1;
    WaitForSingleObject(impl_->process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(impl_->process.hProcess, &code);
    return static_cast<int>(code);
}

void ChildProcess::Kill() {
    if (!impl_->started)
        return;
    DWORD code = 0;
    if (GetExitCodeProcess(impl_->process.hProcess, &code) && code == STILL_ACTIVE) {
        TerminateProcess(impl_->process.hProcess, 99);
        WaitForSingleObject(impl_->process.hProcess, INFINITE);
    }
}

#else

struct ChildProcess::Impl {
    pid_t pid = -1;
    int status = -1;
    bool reaped = false;
};

ChildProcess::ChildProcess(const std::vector<std::string>& args) : impl_(new Impl) {
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<char*> argv{self.data()};
    std::vector<std::string> copies(args);
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&impl_->pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        impl_->pid = -1;
}

ChildProcess::~ChildProcess() {
    Kill();
    delete impl_;
}

bool ChildProcess::Started() const {
    return impl_->pid > 0;
}

int ChildProcess::Wait() {
    if (impl_->pid <= 0)
        return -1;
    if (!impl_->reaped) {
        waitpid(impl_->pid, &impl_->status, 0);
        impl_->reaped = true;
    }
    return WIFEXITED(impl_->status) ? WEXITSTATUS(impl_->status) : -1;
}

void ChildProcess::Kill() {
    if (impl_->pid <= 0 || impl_->reaped)
        return;
    kill(impl_->pid, SIGKILL);
    Wait();
}

#endif

void WriteSignalFile(const std::filesystem::path& path, const std::string& text) {
    // Written under another name and renamed: a reader that sees the file never finds it still empty.
    std::filesystem::path partial = path;
    partial += ".partial";
    std::ofstream(partial, std::ios::binary) << text;
    std::filesystem::rename(partial, path);
}

bool WaitForFile(const std::filesystem::path& path, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::optional<std::string> ReadSignalFile(const std::filesystem::path& path,
                                          std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Seen but not yet openable: a rename under Windows keeps the file open for a moment, shared
        // with readers only if they share its deletion, which the C++ streams do not.
        if (std::ifstream in(path, std::ios::binary); in) {
            std::ostringstream text;
            text << in.rdbuf();
            return text.str();
        }
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::filesystem::path MakeTempFolder(const std::string& name) {
    std::random_device random;
    const auto folder = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(random()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace tkr::test
