#include "setting_files/setting_file_runner.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>
#include <new>
#include <optional>
#include <stop_token>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "setting_files/setting_file.h"
#include "text/characters.h"

namespace tkbctl {
namespace {

constexpr int kMsgInvalidSlaveAddressEmpty = 10000;
constexpr int kMsgInvalidSlaveAddressCharacter = 10004;
constexpr int kMsgWriteFailed = 10010;
constexpr int kMsgBoardNotFound = 12004;
constexpr int kMsgFileNotOpened = 12005;
constexpr int kMsgFileNotRead = 12006;

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view Strip(std::string_view text) {
    while (!text.empty() && IsCSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsCSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The field's number as C strtoul reads base 16 into a 32-bit unsigned long: an optional "0x",
// the longest run of hexadecimal digits, 0 when there is none, the largest value on overflow.
uint32_t HexFieldValue(std::string_view text) {
    std::size_t pos = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        std::isxdigit(uint8_t(text[2]))) {
        pos = 2;
    }
    uint64_t value = 0;
    for (; pos < text.size() && std::isxdigit(uint8_t(text[pos])); ++pos) {
        const char c = text[pos];
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = std::min<uint64_t>(value * 16 + digit, UINT32_MAX);
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

void ProgressCloseRequest::Request() {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = true;
    if (close_)
        close_();
}

void ProgressCloseRequest::Attach(std::function<void()> close) {
    // Under the lock, so that a request racing with the attach is carried out exactly by one side.
    std::lock_guard<std::mutex> lock(mutex_);
    close_ = std::move(close);
    if (requested_ && close_)
        close_();
}

void ProgressCloseRequest::Detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    close_ = nullptr;
}

void ProgressCloseRequest::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = false;
    close_ = nullptr;
}

bool ProgressCloseRequest::Requested() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requested_;
}

void SleepUnlessStopped(std::chrono::milliseconds duration, std::stop_token stop) {
    // Waits in short slices and looks at the stop request between them. A stop callback would
    // wake the wait at once, but the standard library's callbacks rest on semaphores that can miss
    // a wake-up with the MinGW runtime under Wine, and ending the program must never hang.
    constexpr std::chrono::milliseconds kSlice{10};
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (!stop.stop_requested()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(deadline - now, kSlice));
    }
}

SettingFileRunner::SettingFileRunner(SettingFileBoard& board, SettingFileHost& host, MessageSink& messages,
                                     SettingFileSleep sleep)
    : board_(board), host_(host), messages_(messages), sleep_(std::move(sleep)) {}

SettingFileRunner::~SettingFileRunner() {
    Stop();
}

bool SettingFileRunner::Start(std::string path) {
    if (running_)
        return false;
    if (worker_.joinable())
        worker_.join();
    progressClose_.Reset();
    running_ = true;
    worker_ = std::jthread([this, path = std::move(path)](std::stop_token stop) {
        Run(path, stop);
        running_ = false;
    });
    return true;
}

void SettingFileRunner::Stop() {
    if (!worker_.joinable())
        return;
    worker_.request_stop();
    worker_.join();
}

SettingFileOutcome SettingFileRunner::Run(const std::string& path, std::stop_token stop) {
    const SettingFileOutcome outcome = WriteFile(path, stop);
    Finish(stop);
    return outcome;
}

SettingFileOutcome SettingFileRunner::WriteFile(const std::string& path, std::stop_token stop) {
    // The board is tried before the file is touched: without a board there is nothing to do.
    if (!board_.OpenBoard()) {
        Show(kMsgBoardNotFound, stop);
        return SettingFileOutcome::kBoardNotOpened;
    }
    if (stop.stop_requested())
        return SettingFileOutcome::kStopped;

    const std::string slaveText = host_.SlaveAddressText();
    const std::string_view slaveField = Strip(slaveText);
    if (slaveField.empty()) {
        Show(kMsgInvalidSlaveAddressEmpty, stop);
        return SettingFileOutcome::kInvalidSlaveAddress;
    }
    for (char c : slaveField) {
        if (!IsAsciiAlnum(c)) {
            Show(kMsgInvalidSlaveAddressCharacter, stop);
            return SettingFileOutcome::kInvalidSlaveAddress;
        }
    }

    std::optional<std::vector<uint8_t>> bytes;
    try {
        bytes = ReadSettingFileBytes(path);
    } catch (const std::bad_alloc&) {
        // A file too large to hold cannot be a setting file; the worker must not end in an exception.
    }
    if (!bytes) {
        Show(kMsgFileNotOpened, stop);
        return SettingFileOutcome::kFileNotOpened;
    }
    const SettingFileParse parse = ParseSettingFile(*bytes, HexFieldValue(slaveField));
    if (parse.error) {
        if (parse.error->fault == SettingFileFault::kEmpty) {
            Show(kMsgFileNotRead, stop);
            return SettingFileOutcome::kFileEmpty;
        }
        if (!stop.stop_requested())
            messages_.ShowText(SettingFileErrorText(*parse.error), "Error");
        return SettingFileOutcome::kFileRefused;
    }

    for (const SettingFileStep& step : parse.steps) {
        if (stop.stop_requested())
            return SettingFileOutcome::kStopped;
        if (const auto* wait = std::get_if<SettingFileWait>(&step)) {
            sleep_(std::chrono::milliseconds(wait->milliseconds), stop);
            continue;
        }
        const auto& write = std::get<SettingFileWrite>(step);
        const bool wordAddress = host_.WordAddressMode();
        if (!board_.WriteRegisterDirect(write.slave, write.address, write.data.data(),
                                        static_cast<uint32_t>(write.data.size()), wordAddress)) {
            Show(kMsgWriteFailed, stop);
            return SettingFileOutcome::kWriteFailed;
        }
    }
    return stop.stop_requested() ? SettingFileOutcome::kStopped : SettingFileOutcome::kCompleted;
}

void SettingFileRunner::Finish(std::stop_token stop) {
    progressClose_.Request();
    for (int attempt = 1; attempt <= kCloseBoardAttempts; ++attempt) {
        if (board_.CloseBoard())
            return;
        Show(kMsgBoardNotFound, stop);
        if (attempt < kCloseBoardAttempts)
            progressClose_.Request();
    }
}

void SettingFileRunner::Show(int id, std::stop_token stop) {
    // A message box from the worker while the program ends would hold up its end.
    if (!stop.stop_requested())
        messages_.ShowMessage(id);
}

}  // namespace tkbctl
