// Runs a setting file onto the board on a worker thread while the user-interface thread shows the
// modal progress window.
//
// One run: open the connection; read the slave address field; read and parse the whole file; write
// each data line with WriteRegisterDirect (reading the word-address box just before each write) and
// sleep where the file waits; then ask the progress window to close and close the connection. All
// writes share the one connection; a file the parser refuses writes nothing.
//
// Ending the program during a run: the runner belongs to the main dialog and never outlives it. Its
// destructor (or Stop) stops the run at the next line or in the middle of a wait, waits for the
// worker, and the worker still closes the connection so that no board is left marked open. The write
// under way when the stop comes is finished (one library call cannot be interrupted); after a stop
// the run shows no messages and does not call the host again.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "board/tkr_usb_control.h"
#include "messages/message_sink.h"

namespace tkbctl {

// What a run needs of the board.
class SettingFileBoard {
public:
    virtual ~SettingFileBoard() = default;
    virtual bool OpenBoard() = 0;
    virtual bool CloseBoard() = 0;
    // Uses the connection opened by OpenBoard; slave 8 is the FPGA.
    virtual bool WriteRegisterDirect(uint32_t slave, uint32_t address, const uint8_t* data, uint32_t length,
                                     bool wordAddress) = 0;
};

// The wrapper as the board of a run.
class UsbControlBoard final : public SettingFileBoard {
public:
    explicit UsbControlBoard(CTkrUsbControl& control) : control_(control) {}
    bool OpenBoard() override { return control_.OpenBoard(); }
    bool CloseBoard() override { return control_.CloseBoard(); }
    bool WriteRegisterDirect(uint32_t slave, uint32_t address, const uint8_t* data, uint32_t length,
                             bool wordAddress) override {
        return control_.WriteRegisterDirect(slave, address, data, length, wordAddress);
    }

private:
    CTkrUsbControl& control_;
};

// What a run needs of the main dialog. Both calls come from the worker thread while the
// user-interface thread runs the progress window; they read the controls as they stand at that
// moment. A host whose reads need its user-interface thread must keep that thread answering until
// Stop has returned.
class SettingFileHost {
public:
    virtual ~SettingFileHost() = default;
    // Text of the "I2C Slave Address :" field, read once per run.
    virtual std::string SlaveAddressText() = 0;
    // State of "Word Address &Mode", read before every write.
    virtual bool WordAddressMode() = 0;
};

// The worker's request to close the progress window. The worker may finish before the window
// exists; the request is then kept and carried out when the window attaches, so it is never lost.
class ProgressCloseRequest {
public:
    // Any thread. Runs the attached close action, or keeps the request for the next Attach.
    void Request();
    // User-interface thread, once the window exists: `close` (for instance posting WM_CLOSE) runs
    // at once when a close was already requested, and on every later Request until Detach.
    void Attach(std::function<void()> close);
    // The window is going away.
    void Detach();
    // Forgets an earlier run's request, before a new run starts.
    void Reset();
    bool Requested() const;

private:
    mutable std::mutex mutex_;
    bool requested_ = false;
    std::function<void()> close_;
};

enum class SettingFileOutcome {
    kCompleted,
    kBoardNotOpened,
    kInvalidSlaveAddress,
    kFileNotOpened,
    kFileEmpty,
    kFileRefused,
    kWriteFailed,
    kStopped,
};

// The whole file at `path`, opened for exclusive reading where the platform allows; nothing when
// it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadSettingFileBytes(const std::string& path);

// Sleeps `duration`, or less when `stop` is requested meanwhile.
using SettingFileSleep = std::function<void(std::chrono::milliseconds duration, std::stop_token stop)>;
void SleepUnlessStopped(std::chrono::milliseconds duration, std::stop_token stop);

class SettingFileRunner {
public:
    // A failing CloseBoard at the end of a run is tried this often in all, with message 12004 after
    // each failure, so that the user can reconnect the board; then the run gives up.
    static constexpr int kCloseBoardAttempts = 3;

    // `board`, `host` and `messages` must outlive the runner.
    SettingFileRunner(SettingFileBoard& board, SettingFileHost& host, MessageSink& messages,
                      SettingFileSleep sleep = SleepUnlessStopped);
    // Stops a run under way and waits for its worker.
    ~SettingFileRunner();
    SettingFileRunner(const SettingFileRunner&) = delete;
    SettingFileRunner& operator=(const SettingFileRunner&) = delete;

    // User-interface thread: starts a run of the file at `path` on a worker thread. False, and
    // nothing started, while an earlier run is still working (its progress window was dismissed).
    bool Start(std::string path);
    bool Running() const { return running_; }
    // User-interface thread: stops a run under way at the next line or wait and waits for it.
    void Stop();
    // Attach the progress window here.
    ProgressCloseRequest& ProgressClose() { return progressClose_; }

    // One whole run on the calling thread: what the worker does.
    SettingFileOutcome Run(const std::string& path, std::stop_token stop = {});

private:
    SettingFileOutcome WriteFile(const std::string& path, std::stop_token stop);
    void Finish(std::stop_token stop);
    void Show(int id, std::stop_token stop);

    SettingFileBoard& board_;
    SettingFileHost& host_;
    MessageSink& messages_;
    SettingFileSleep sleep_;
    ProgressCloseRequest progressClose_;
    std::atomic<bool> running_ = false;
    // Last: stopped and joined before anything it uses is destroyed.
    std::jthread worker_;
};

}  // namespace tkbctl
