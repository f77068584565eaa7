#include "setting_files/setting_file_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "support/recording_messages.h"
#include "tkbsim/board_folder.h"
#include "tkbsim/virtual_driver.h"

namespace tkbctl::test {
namespace {

using test::RecordingMessages;
using Log = std::vector<std::string>;

// One ordered log of what the run did to the board, the host and the clock.
class Events {
public:
    void Add(std::string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.push_back(std::move(event));
    }
    Log All() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }

private:
    mutable std::mutex mutex_;
    Log log_;
};

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

class FakeBoard : public SettingFileBoard {
public:
    explicit FakeBoard(Events& events) : events_(events) {}
    bool OpenBoard() override {
        events_.Add("open");
        return opens;
    }
    bool CloseBoard() override {
        events_.Add("close");
        return closeFailures-- <= 0;
    }
    bool WriteRegisterDirect(uint32_t slave, uint32_t address, const uint8_t* data, uint32_t length,
                             bool wordAddress) override {
        std::string event =
            "write " + Hex(slave) + " " + Hex(address) + (wordAddress ? " word" : " byte") + " :";
        for (uint32_t i = 0; i < length; ++i)
            event += " " + Hex(data[i]);
        events_.Add(event);
        return ++writes != failingWrite;
    }

    bool opens = true;
    int closeFailures = 0;
    int failingWrite = 0;  // 1-based; 0: none fails
    int writes = 0;

private:
    Events& events_;
};

class FakeHost : public SettingFileHost {
public:
    explicit FakeHost(Events& events) : events_(events) {}
    std::string SlaveAddressText() override {
        events_.Add("slave field");
        return slaveText;
    }
    bool WordAddressMode() override { return wordAddress.at(wordReads++ % wordAddress.size()); }

    std::string slaveText = "3C";
    std::vector<bool> wordAddress{false};
    std::size_t wordReads = 0;

private:
    Events& events_;
};

class SettingFileRunnerTest : public ::testing::Test {
protected:
    SettingFileRunnerTest() {
        static int counter = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("setting_file_runner_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "_" + std::to_string(++counter) + ".txt"))
                    .string();
    }
    ~SettingFileRunnerTest() override { std::filesystem::remove(path_); }

    void WriteFile(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    SettingFileOutcome RunFile(const std::string& bytes) {
        WriteFile(bytes);
        return runner_.Run(path_);
    }

    Events events_;
    FakeBoard board_{events_};
    FakeHost host_{events_};
    RecordingMessages messages_;
    SettingFileSleep recordSleep_ = [this](std::chrono::milliseconds ms, std::stop_token) {
        events_.Add("sleep " + std::to_string(ms.count()));
    };
    SettingFileRunner runner_{board_, host_, messages_, recordSleep_};
    std::string path_;
};

TEST_F(SettingFileRunnerTest, WritesAndWaitsInFileOrderOnOneConnection) {
    host_.wordAddress = {true, false};
    EXPECT_EQ(RunFile("10 01 02\r\nwt 10\r\nSLAVE 8\r\n10000000 00 00 01 00\r\n# end\r\n11"),
              SettingFileOutcome::kCompleted);
    EXPECT_EQ(events_.All(), (Log{"open", "slave field", "write 3C 10 word : 1 2", "sleep 16",
                                  "write 8 10000000 byte : 0 0 1 0", "write 8 11 word :", "close"}));
    EXPECT_TRUE(messages_.All().empty());
    EXPECT_TRUE(runner_.ProgressClose().Requested());
}

TEST_F(SettingFileRunnerTest, SlaveFieldIsStrippedAndReadAsHexadecimal) {
    host_.slaveText = " \t0x3c \r\n";
    EXPECT_EQ(RunFile("10 01\r\n"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(events_.All().at(2), "write 3C 10 byte : 1");

    // strtoul rules: no digits give 0, too many give the largest value.
    host_.slaveText = "G1";
    runner_.Run(path_);
    host_.slaveText = "123456789";
    runner_.Run(path_);
    const Log log = events_.All();
    EXPECT_EQ(log.at(6), "write 0 10 byte : 1");
    EXPECT_EQ(log.at(10), "write FFFFFFFF 10 byte : 1");
}

TEST_F(SettingFileRunnerTest, BadSlaveFieldStopsBeforeTheFile) {
    for (const auto& [text, id] : std::vector<std::pair<std::string, int>>{
             {"", 10000}, {" \t ", 10000}, {"3C;", 10004}, {"3 C", 10004}}) {
        messages_.Clear();
        host_.slaveText = text;
        // The file would be refused if it were read.
        EXPECT_EQ(RunFile("ZZ"), SettingFileOutcome::kInvalidSlaveAddress) << text;
        EXPECT_EQ(messages_.Ids(), std::vector<int>{id}) << text;
    }
    EXPECT_EQ(board_.writes, 0);
}

TEST_F(SettingFileRunnerTest, BoardThatCannotBeOpenedIsReportedBeforeAnythingElse) {
    board_.opens = false;
    EXPECT_EQ(runner_.Run(path_ + ".missing"), SettingFileOutcome::kBoardNotOpened);
    EXPECT_EQ(messages_.Ids(), std::vector<int>{12004});
    // Neither the field nor the file is read, and the connection is still closed.
    EXPECT_EQ(events_.All(), (Log{"open", "close"}));
    EXPECT_TRUE(runner_.ProgressClose().Requested());
}

TEST_F(SettingFileRunnerTest, RefusedFileWritesNothingAndSaysWhy) {
    EXPECT_EQ(RunFile("10 01\r\nwt 5\r\n10 " + std::string(300, '1') + "\r\n"),
              SettingFileOutcome::kFileRefused);
    EXPECT_EQ(messages_.All(),
              std::vector<RecordingMessages::Shown>{RecordingMessages::Text(
                  "Setting file line 3 is longer than 255 characters.\nNothing was written.", "Error")});
    // Not even the wait before the long line.
    EXPECT_EQ(events_.All(), (Log{"open", "slave field", "close"}));
}

TEST_F(SettingFileRunnerTest, FailingCloseIsRetriedAFewTimes) {
    int closes = 0;
    runner_.ProgressClose().Attach([&] { ++closes; });
    board_.closeFailures = 1;
    EXPECT_EQ(RunFile("10 01\r\n"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(messages_.Ids(), std::vector<int>{12004});
    EXPECT_EQ(closes, 2);

    messages_.Clear();
    board_.closeFailures = 100;
    runner_.Run(path_);
    EXPECT_EQ(messages_.Ids(), std::vector<int>(SettingFileRunner::kCloseBoardAttempts, 12004));
    EXPECT_EQ(board_.closeFailures, 100 - SettingFileRunner::kCloseBoardAttempts);
}

TEST(ProgressCloseRequest, RequestBeforeTheWindowExistsIsKept) {
    ProgressCloseRequest request;
    int closes = 0;
    request.Request();
    request.Attach([&] { ++closes; });
    EXPECT_EQ(closes, 1);
    request.Request();
    EXPECT_EQ(closes, 2);
    request.Detach();
    request.Request();
    EXPECT_EQ(closes, 2);
    request.Reset();
    request.Attach([&] { ++closes; });
    EXPECT_EQ(closes, 2);
    EXPECT_FALSE(request.Requested());
}

TEST(ProgressCloseRequest, RacingRequestAndAttachCloseTheWindow) {
    for (int round = 0; round < 500; ++round) {
        ProgressCloseRequest request;
        std::atomic<int> closes = 0;
        std::thread worker([&] { request.Request(); });
        request.Attach([&] { ++closes; });
        worker.join();
        ASSERT_EQ(closes, 1) << "round " << round;
    }
}

// A sleep that holds the worker until the run is stopped, as a long wait in a file would.
struct BlockingSleep {
    std::promise<void> entered;
    void operator()(std::chrono::milliseconds, std::stop_token stop) {
        entered.set_value();
        SleepUnlessStopped(std::chrono::hours(24), stop);
    }
};

TEST_F(SettingFileRunnerTest, EndingTheProgramDuringAWaitStopsTheRunAndClosesTheBoard) {
    WriteFile("10 01\r\nwt 7FFFFFFF\r\n11 02\r\n");
    auto sleep = std::make_shared<BlockingSleep>();
    std::future<void> entered = sleep->entered.get_future();
    {
        SettingFileRunner runner(board_, host_, messages_,
                                 [sleep](auto ms, auto stop) { (*sleep)(ms, stop); });
        ASSERT_TRUE(runner.Start(path_));
        entered.wait();
        EXPECT_TRUE(runner.Running());
        // A second run cannot start while the first still works.
        EXPECT_FALSE(runner.Start(path_));
    }
    EXPECT_EQ(events_.All(), (Log{"open", "slave field", "write 3C 10 byte : 1", "close"}));
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(SettingFileRunnerTest, StoppedRunShowsNoMessagesWhileClosing) {
    WriteFile("wt 1\r\n10 01\r\n");
    board_.closeFailures = 100;
    auto sleep = std::make_shared<BlockingSleep>();
    std::future<void> entered = sleep->entered.get_future();
    SettingFileRunner runner(board_, host_, messages_, [sleep](auto ms, auto stop) { (*sleep)(ms, stop); });
    ASSERT_TRUE(runner.Start(path_));
    entered.wait();
    runner.Stop();
    EXPECT_FALSE(runner.Running());
    EXPECT_EQ(board_.writes, 0);
    EXPECT_EQ(board_.closeFailures, 100 - SettingFileRunner::kCloseBoardAttempts);
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(SettingFileRunnerTest, WorkerRunsOneFileAfterAnother) {
    WriteFile("10 01\r\n");
    for (int run = 0; run < 2; ++run) {
        std::promise<void> closed;
        ASSERT_TRUE(runner_.Start(path_));
        runner_.ProgressClose().Attach([&] { closed.set_value(); });
        closed.get_future().wait();
        runner_.Stop();
        EXPECT_FALSE(runner_.Running());
    }
    EXPECT_EQ(board_.writes, 2);
}

// The same runs end to end: the wrapper, the library and a virtual board whose frame log shows
// every frame that reached it.
class SettingFileOnVirtualBoard : public ::testing::Test {
protected:
    SettingFileOnVirtualBoard() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tkbctl-setting-file-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        tkbsim::BoardFolder folder(folder_.string());
        board_ = folder.Open(folder.Create({{tkbsim::FindModel("TKB-20U")}}).at(0));
        tkr::SetDriver(std::make_shared<tkbsim::VirtualDriver>(folder_.string()));
        path_ = (folder_ / "setting.txt").string();
    }
    ~SettingFileOnVirtualBoard() override {
        tkr::SetDriver(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    SettingFileOutcome RunFile(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary) << bytes;
        board_->ClearLog();
        return runner_.Run(path_);
    }
    // Heads of the frames of one command, in order.
    std::vector<std::vector<uint8_t>> Frames(uint8_t command) {
        uint64_t overwritten = 0;
        std::vector<std::vector<uint8_t>> frames;
        for (const tkbsim::LoggedFrame& frame : board_->Log(overwritten)) {
            if (!frame.head.empty() && frame.head[0] == command)
                frames.push_back(frame.head);
        }
        return frames;
    }
    std::vector<uint8_t> I2C(uint8_t slave, uint32_t subAddress, uint32_t count) {
        return board_->ReadI2C(slave, subAddress, count);
    }

    static constexpr uint8_t kI2CWrite = 0x01;

    std::filesystem::path folder_;
    std::shared_ptr<tkbsim::Board> board_;
    std::string path_;
    Events events_;
    FakeHost host_{events_};
    RecordingMessages messages_;
    BoardIdentity identity_{"TKB-20U", 1};
    CTkrUsbControl control_{identity_, messages_};
    UsbControlBoard usbBoard_{control_};
    std::vector<std::pair<uint32_t, std::size_t>> sleeps_;  // milliseconds, I2C writes logged before
    SettingFileRunner runner_{
        usbBoard_, host_, messages_, [this](std::chrono::milliseconds ms, std::stop_token) {
            sleeps_.emplace_back(static_cast<uint32_t>(ms.count()), Frames(kI2CWrite).size());
        }};
};

TEST_F(SettingFileOnVirtualBoard, WritesReachTheBoardFrameByFrame) {
    EXPECT_EQ(RunFile("SLAVE 3C\r\n10 01 02\r\n"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(Frames(kI2CWrite), (std::vector<std::vector<uint8_t>>{{0x01, 0x78, 0x10, 0x01, 0x02}}));
    EXPECT_EQ(I2C(0x3C, 0x10, 2), (std::vector<uint8_t>{0x01, 0x02}));

    EXPECT_EQ(RunFile("UNIT 10\r\nSLAVE 60\r\n16 1\r\n"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(Frames(kI2CWrite), (std::vector<std::vector<uint8_t>>{{0x01, 0x78, 0x10, 0x01}}));

    EXPECT_EQ(RunFile("SLAVE 8\r\n10000000 00 00 01 00\r\n"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(board_->ReadFpga(0x10000000), 0x00000100u);
    EXPECT_TRUE(Frames(kI2CWrite).empty());

    // The word-address box as it stands at each write: the 16-bit sensor takes a two-byte address.
    host_.wordAddress = {true};
    EXPECT_EQ(RunFile("SLAVE 10\r\n3000 AB CD\r\n"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(Frames(kI2CWrite), (std::vector<std::vector<uint8_t>>{{0x01, 0x20, 0x30, 0x00, 0xAB, 0xCD}}));
    EXPECT_EQ(I2C(0x10, 0x3000, 2), (std::vector<uint8_t>{0xAB, 0xCD}));
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(SettingFileOnVirtualBoard, WaitsStandBetweenTheirLines) {
    EXPECT_EQ(RunFile("20 01\r\nwt 64\r\n21 02\r\nWT 10\r\n22 03"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(sleeps_, (std::vector<std::pair<uint32_t, std::size_t>>{{100, 1}, {16, 2}}));
    // The last line had no CR LF and was written all the same.
    EXPECT_EQ(I2C(0x3C, 0x20, 3), (std::vector<uint8_t>{0x01, 0x02, 0x03}));
}

TEST_F(SettingFileOnVirtualBoard, LineEndsOtherThanCrLfJoinLines) {
    EXPECT_EQ(RunFile("SLAVE 3C\n10 01 02\n"), SettingFileOutcome::kCompleted);
    EXPECT_EQ(Frames(kI2CWrite), (std::vector<std::vector<uint8_t>>{{0x01, 0x78, 0x01, 0x02}}));
}

TEST_F(SettingFileOnVirtualBoard, FailedWriteStopsAtItsLine) {
    // Nothing answers at slave 0x50.
    EXPECT_EQ(RunFile("10 01\r\nSLAVE 50\r\n10 02\r\nSLAVE 3C\r\n11 03\r\n"),
              SettingFileOutcome::kWriteFailed);
    EXPECT_EQ(messages_.Ids(), std::vector<int>{10010});
    EXPECT_EQ(Frames(kI2CWrite).size(), 2u);
    EXPECT_EQ(I2C(0x3C, 0x10, 2), (std::vector<uint8_t>{0x01, 0x00}));
}

TEST_F(SettingFileOnVirtualBoard, ProblemsBeforeTheFirstWrite) {
    EXPECT_EQ(RunFile(""), SettingFileOutcome::kFileEmpty);
    EXPECT_EQ(runner_.Run(path_ + ".missing"), SettingFileOutcome::kFileNotOpened);
    host_.slaveText = "";
    EXPECT_EQ(RunFile("10 01\r\n"), SettingFileOutcome::kInvalidSlaveAddress);
    host_.slaveText = "3C-";
    EXPECT_EQ(RunFile("10 01\r\n"), SettingFileOutcome::kInvalidSlaveAddress);
    EXPECT_EQ(messages_.Ids(), (std::vector<int>{12006, 12005, 10000, 10004}));
    EXPECT_TRUE(Frames(kI2CWrite).empty());

    // Without a board, nothing else is tried.
    messages_.Clear();
    board_->Unplug();
    EXPECT_EQ(RunFile("10 01\r\n"), SettingFileOutcome::kBoardNotOpened);
    EXPECT_EQ(messages_.Ids(), std::vector<int>{12004});
    EXPECT_EQ(events_.All().size(), 4u) << "the slave field was read only by the runs before";
}

}  // namespace
}  // namespace tkbctl::test
