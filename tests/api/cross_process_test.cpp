// What the library shares between processes that load the same library file: the open flag, the
// exchange lock, and the lock's recovery when its owner dies. The test program starts copies of
// itself in roles (see RunRole) that each link the library and stand in for the driver.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "TKR50API.h"
#include "child_process.h"
#include "frame/platform.h"
#include "recording_driver.h"

#if defined(_WIN32)
#include <windows.h>
#define GETPID() static_cast<unsigned long>(GetCurrentProcessId())
#else
#include <unistd.h>
#define GETPID() static_cast<unsigned long>(getpid())
#endif

namespace tkr::test {
namespace {

namespace fs = std::filesystem;

// A board shared by all processes: each bulk request appends "W <pid>" or "R <pid>" to a log file.
// Only the exchange lock keeps one process's write and read together.
class LoggingDriver : public RecordingDriver {
public:
    explicit LoggingDriver(fs::path log) : log_(std::move(log)) {}

    uint32_t Control(tkr::DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t& returned) override {
        if (code == 0x222051 || code == 0x22204E) {
            std::FILE* file = std::fopen(log_.string().c_str(), "ab");
            std::fprintf(file, "%c %lu\n", code == 0x222051 ? 'W' : 'R', GETPID());
            std::fclose(file);
            std::this_thread::yield();  // give another process the chance to cut in
        }
        calls.clear();  // keep memory flat over thousands of requests
        return RecordingDriver::Control(handle, code, input, inputSize, output, outputSize, returned);
    }

private:
    fs::path log_;
};

// Exit codes of the roles.
constexpr int kOk = 0;
constexpr int kDoubleOpen = 2;
constexpr int kOtherFailure = 3;

int RunRole(const std::string& role, const fs::path& folder, int count) {
    tkr::SetDriver(std::make_shared<LoggingDriver>(folder / "log"));
    if (!TKR50API_Init())
        return kOtherFailure;

    if (role == "hold") {
        // Opens, tells the parent, and keeps the connection open until released.
        const int32_t result = TKR50API_Open(2, 0);
        WriteSignalFile(folder / "opened", std::to_string(result));
        if (result != TKRUSB20_RET_SUCCESS)
            return kOtherFailure;
        if (!WaitForFile(folder / "release"))
            return kOtherFailure;
        return TKR50API_Close(2) == TKRUSB20_RET_SUCCESS ? kOk : kOtherFailure;
    }
    if (role == "try-open") {
        const int32_t result = TKR50API_Open(2, 0);
        if (result == TKRUSB20_RET_SUCCESS)
            TKR50API_Close(2);
        return result == TKRUSB20_RET_SUCCESS             ? kOk
               : result == TKRUSB20_RET_ERROR_DOUBLE_OPEN ? kDoubleOpen
                                                          : kOtherFailure;
    }
    if (role == "hammer") {
        // Open and close at once: the device stays usable, and the flag is free for the other process.
        while (TKR50API_Open(2, 0) != TKRUSB20_RET_SUCCESS)
            std::this_thread::yield();
        TKR50API_Close(2);
        WriteSignalFile(folder / ("ready-" + std::to_string(GETPID())));
        if (!WaitForFile(folder / "go"))
            return kOtherFailure;
        const uint8_t data[] = {0x5A};
        for (int i = 0; i < count; ++i) {
            if (TKR50API_I2CBlockWrite(0x3C, 0x10, 1, data, 0) != TKRUSB20_RET_SUCCESS)
                return kOtherFailure;
        }
        return kOk;
    }
    if (role == "die-holding-lock") {
        uint32_t error = 0;
        auto mutex = tkr::SystemMutex::Open(error);
        if (!mutex)
            return kOtherFailure;
        mutex->Lock();
        WriteSignalFile(folder / "locked");
        std::this_thread::sleep_for(std::chrono::minutes(5));  // the parent kills us first
        return kOtherFailure;
    }
#if defined(_WIN32)
    if (role == "find-mutex") {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "TKR50API_RES");
        if (!mutex)
            return kOtherFailure;
        CloseHandle(mutex);
        return kOk;
    }
#endif
    return kOtherFailure;
}

class CrossProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = MakeTempFolder("tkr50api-xproc");
        tkr::SetDriver(std::make_shared<LoggingDriver>(folder / "log"));
        ASSERT_NE(TKR50API_Init(), nullptr);
    }
    void TearDown() override {
        TKR50API_Close(2);
        TKR50API_End();
        tkr::SetDriver(nullptr);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::vector<std::string> Args(const std::string& role, int count = 0) {
        return {"--role=" + role, folder.string(), std::to_string(count)};
    }

    fs::path folder;
};

TEST_F(CrossProcessTest, AnOpenInOneProcessHoldsOffEveryOtherUntilItCloses) {
    ChildProcess holder(Args("hold"));
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(ReadSignalFile(folder / "opened"), "1");

    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_ERROR_DOUBLE_OPEN);
    ChildProcess other(Args("try-open"));
    EXPECT_EQ(other.Wait(), kDoubleOpen);

    WriteSignalFile(folder / "release");
    EXPECT_EQ(holder.Wait(), kOk);
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    ChildProcess third(Args("try-open"));
    EXPECT_EQ(third.Wait(), kDoubleOpen);
}

TEST_F(CrossProcessTest, CloseInAnyProcessClearsTheFlag) {
    ChildProcess holder(Args("hold"));
    ASSERT_EQ(ReadSignalFile(folder / "opened"), "1");
    EXPECT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    WriteSignalFile(folder / "release");
    EXPECT_EQ(holder.Wait(), kOk);
    ChildProcess other(Args("try-open"));
    EXPECT_EQ(other.Wait(), kOk) << "the holder's Close cleared the flag this process had set";
}

TEST_F(CrossProcessTest, ExchangesOfTwoProcessesNeverInterleave) {
    constexpr int kExchanges = 400;
    ChildProcess first(Args("hammer", kExchanges));
    ChildProcess second(Args("hammer", kExchanges));
    ASSERT_TRUE(first.Started() && second.Started());
    // Both are ready when both ready files exist. A listing may show a file still under its partial
    // name, even beside its final one while it is renamed: only final names count.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto readyCount = [&] {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            n += entry.path().filename().string().rfind("ready-", 0) == 0 && !entry.path().has_extension();
        return n;
    };
    while (readyCount() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(readyCount(), 2);
    fs::remove(folder / "log");
    WriteSignalFile(folder / "go");
    EXPECT_EQ(first.Wait(), kOk);
    EXPECT_EQ(second.Wait(), kOk);

    std::ifstream log(folder / "log");
    std::string kind, pid, nextKind, nextPid;
    int pairs = 0;
    std::set<std::string> pids;
    while (log >> kind >> pid) {
        ASSERT_EQ(kind, "W");
        ASSERT_TRUE(log >> nextKind >> nextPid);
        ASSERT_EQ(nextKind, "R") << "exchange " << pairs << " was cut";
        ASSERT_EQ(nextPid, pid) << "exchange " << pairs << " was interleaved";
        pids.insert(pid);
        ++pairs;
    }
    EXPECT_EQ(pairs, 2 * kExchanges);
    EXPECT_EQ(pids.size(), 2u);
}

TEST_F(CrossProcessTest, AProcessKilledWhileHoldingTheLockDoesNotBlockTheOthers) {
    ChildProcess dying(Args("die-holding-lock"));
    ASSERT_TRUE(WaitForFile(folder / "locked"));
    dying.Kill();
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    const uint8_t data[] = {1};
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x10, 1, data, 0), TKRUSB20_RET_SUCCESS);
}

#if defined(_WIN32)
TEST_F(CrossProcessTest, AnotherProcessSeesTheNamedMutex) {
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    ChildProcess finder(Args("find-mutex"));
    EXPECT_EQ(finder.Wait(), kOk);
}
#endif

}  // namespace
}  // namespace tkr::test

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]).rfind("--role=", 0) == 0) {
        return tkr::test::RunRole(std::string(argv[1]).substr(7), argv[2], std::atoi(argv[3]));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
