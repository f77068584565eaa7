// Starts this test program again as a child process, to check what the library shares between
// processes.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tkr::test {

class ChildProcess {
public:
    // Runs this program with `args`; the child sees them as argv[1..].
    explicit ChildProcess(const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const;
    // Waits for the child to end and returns its exit code (-1 if it could not be had).
    int Wait();
    // Ends the child at once, as a crash would.
    void Kill();

private:
    struct Impl;
    Impl* impl_;
};

// Writes a file that another process waits for with WaitForFile: it appears whole, text and all.
void WriteSignalFile(const std::filesystem::path& path, const std::string& text = "");

// Waits until `path` exists; false after `timeout`.
bool WaitForFile(const std::filesystem::path& path,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Waits for a signal file and returns its text; nothing after `timeout`.
std::optional<std::string> ReadSignalFile(const std::filesystem::path& path,
                                          std::chrono::milliseconds timeout = std::chrono::seconds(60));

// A fresh, empty folder for one test.
std::filesystem::path MakeTempFolder(const std::string& name);

}  // namespace tkr::test
