// The library frame: open/close state machine, shared open flag, pipe search at open, version.
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "frame/library_state.h"
#include "frame/platform.h"
#include "library_fixture.h"
#include "tkr/invariant.h"
#include "tkr/protocol.h"

namespace tkr::test {
namespace {

using FrameTest = LibraryTest;

TEST_F(FrameTest, OpenFindsPipesAndRecordsThem) {
    driver->pipes = {{0x84, 1024, 0x8000}, {0x04, 1024, 0x4000}};
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(tkr::SharedOpenFlag(), 1u);
    const tkr::PipeTable& pipes = tkr::State().pipes;
    EXPECT_EQ(pipes.outPipe, 1u);
    EXPECT_EQ(pipes.outMaxTransfer, 0x4000u);
    EXPECT_EQ(pipes.inPipe, 0u);
    EXPECT_EQ(pipes.inMaxPacket, 1024u);
    EXPECT_EQ(pipes.inMaxTransfer, 0x8000u);
    // Two pipe-list requests, one per endpoint, with no input and a 1024-byte reply buffer.
    ASSERT_EQ(driver->calls.size(), 2u);
    for (const auto& call : driver->calls) {
        EXPECT_EQ(call.code, 0x222000u);
        EXPECT_TRUE(call.input.empty());
        EXPECT_EQ(call.outputSize, 1024u);
    }
    EXPECT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(tkr::SharedOpenFlag(), 0u);
}

TEST_F(FrameTest, SecondOpenWithoutCloseIsRefusedUntilClose) {
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_ERROR_DOUBLE_OPEN);
    EXPECT_EQ(tkr::State().openCount, 1);
    EXPECT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(tkr::State().openCount, 0);
    EXPECT_TRUE(tkr::State().openHandles.empty());
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
}

TEST_F(FrameTest, WrongAccessModeLeavesStateAlone) {
    for (uint32_t mode : {0u, 1u, 3u}) {
        EXPECT_EQ(TKR50API_Open(mode, 0), TKRUSB20_RET_ERROR_PARAM);
        EXPECT_EQ(tkr::SharedOpenFlag(), 0u);
        EXPECT_EQ(tkr::State().openCount, 0);
    }
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(TKR50API_Close(1), TKRUSB20_RET_ERROR_PARAM);
    EXPECT_EQ(tkr::SharedOpenFlag(), 1u);
}

TEST_F(FrameTest, NoBoardAnswersBeforeTheFlagOrModeIsLookedAt) {
    driver->paths.clear();
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_ERROR_DRIVER_OPEN);
    EXPECT_EQ(TKR50API_Open(3, 0), TKRUSB20_RET_ERROR_DRIVER_OPEN);
    EXPECT_EQ(tkr::State().connection->lastError, tkr::kErrorNoMoreItems);
    EXPECT_EQ(tkr::State().openCount, 0);

    driver->paths = {"board"};
    driver->enumerateError = 13;
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_ERROR_DRIVER_OPEN);
    EXPECT_EQ(tkr::State().connection->lastError, 13u);
    EXPECT_TRUE(driver->opened.empty());
}

TEST_F(FrameTest, FailuresAfterTheFlagUndoFlagAndCount) {
    struct Case {
        const char* what;
        void (*arrange)(RecordingDriver&);
        uint32_t index;
    };
    const Case cases[] = {
        {"index beyond the boards present", [](RecordingDriver&) {}, 1},
        {"device cannot be opened", [](RecordingDriver& d) { d.openError = 5; }, 0},
        {"pipe list request fails", [](RecordingDriver& d) { d.pipeListError = 31; }, 0},
        {"no bulk-out endpoint",
         [](RecordingDriver& d) {
             d.pipes = {{0x84, 512, 65536}};
         },
         0},
        {"no bulk-in endpoint",
         [](RecordingDriver& d) {
             d.pipes = {{0x04, 512, 65536}, {0x81, 64, 64}};
         },
         0},
        {"empty pipe list", [](RecordingDriver& d) { d.pipeCountOverride = 0; }, 0},
        {"negative pipe count", [](RecordingDriver& d) { d.pipeCountOverride = -3; }, 0},
        {"pipe that moves nothing",
         [](RecordingDriver& d) {
             d.pipes = {{0x04, 512, 0}, {0x84, 512, 65536}};
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        driver = std::make_shared<RecordingDriver>();
        tkr::SetDriver(driver);
        c.arrange(*driver);
        EXPECT_EQ(TKR50API_Open(2, c.index), TKRUSB20_RET_ERROR_DRIVER_OPEN);
        EXPECT_EQ(tkr::SharedOpenFlag(), 0u);
        EXPECT_EQ(tkr::State().openCount, 0);
        EXPECT_TRUE(tkr::State().openHandles.empty());
    }
    // A healthy board opens afterwards.
    driver = std::make_shared<RecordingDriver>();
    tkr::SetDriver(driver);
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
}

TEST_F(FrameTest, PipeListEdgeCases) {
    // The later of two entries for one endpoint wins.
    driver->pipes = {{0x04, 64, 100}, {0x84, 512, 65536}, {0x04, 512, 4096}};
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(tkr::State().pipes.outPipe, 2u);
    EXPECT_EQ(tkr::State().pipes.outMaxTransfer, 4096u);
    TKR50API_Close(2);

    // A count that claims more entries than the reply holds: only the reply is searched, and an
    // endpoint in the last entry that fits is still found.
    const size_t fit = tkr::kPipeListLayoutNative.EntriesThatFit();
    driver->pipes.assign(fit, {0x81, 64, 64});
    driver->pipes.front() = {0x04, 512, 65536};
    driver->pipes.back() = {0x84, 512, 65536};
    driver->pipeCountOverride = 0x7FFFFFFF;
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(tkr::State().pipes.inPipe, fit - 1);
}

TEST_F(FrameTest, OpenReplacesTheDeviceOfAnEarlierOpen) {
    driver->paths = {"first", "second"};
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    ASSERT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
    // The device stays open after Close; the next Open closes it before opening board 1.
    EXPECT_EQ(driver->closes, 0);
    ASSERT_EQ(TKR50API_Open(2, 1), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->closes, 1);
    EXPECT_EQ(driver->opened, (std::vector<std::string>{"first", "second"}));
    TKR50API_End();
    EXPECT_EQ(driver->closes, 2);
}

TEST_F(FrameTest, CloseClearsAFlagSetElsewhereAndAnOpenThatNoCloseBalancedKeepsItsDevice) {
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    // Another process's Close clears the flag; this process still holds its count and handles.
    {
        uint32_t error = 0;
        auto mutex = tkr::SystemMutex::Open(error);
        tkr::SystemMutexGuard guard(*mutex);
        tkr::SharedOpenFlag() = 0;
    }
    driver->calls.clear();
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(tkr::State().openCount, 2);
    EXPECT_TRUE(driver->calls.empty()) << "no second device open or pipe search";
    EXPECT_EQ(driver->opened.size(), 1u);
    EXPECT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
    EXPECT_FALSE(tkr::State().openHandles.empty());
    EXPECT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
    EXPECT_TRUE(tkr::State().openHandles.empty());
    EXPECT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS) << "Close without Open";
}

TEST_F(FrameTest, WithoutAConnectionObject) {
    TKR50API_End();
    uint8_t buffer[16] = {};
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(tkr::SharedOpenFlag(), 0u);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0, 1, buffer, 0), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_I2CBlockRead(0x3C, 0, 1, buffer, 0), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_I2COneBlockWrite(0x3C, 1, 0, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_I2COneBlockRead(0x3C, 1, 0, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_SPIWrite(4, 0xE7, 0, 1, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_SPIRead(3, 0xE7, 0, 1, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_SPIFpgaWrite(8, 0x99, 0, 4, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_SPIFpgaRead(7, 0x99, 0, 4, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_TKBSettingWrite(1, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_TKB20USettingRead(1, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0, 1, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0, 1, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    EXPECT_EQ(TKR50API_TKBVersionInfo(10, buffer), TKRUSB20_RET_ERROR_NOT_OPEN);
    // The fixed-address image exports report 1 whatever happened.
    EXPECT_EQ(TKR50API_TKBFX3Update(1, buffer), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(TKR50API_TKB20UFPGABootMemRead(1, buffer), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(TKR50API_Update(0x300000, 1, buffer), TKRUSB20_RET_SUCCESS);
    EXPECT_TRUE(driver->calls.empty());
    // Close and GetVersion need no connection.
    EXPECT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
}

TEST_F(FrameTest, TransfersAfterCloseStillReachTheBoard) {
    OpenBoard();
    ASSERT_EQ(TKR50API_Close(2), TKRUSB20_RET_SUCCESS);
    const uint8_t data[] = {0x55};
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x10, 1, data, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->Writes(), (std::vector<std::vector<uint8_t>>{Bytes({0x01, 0x78, 0x10, 0x55})}));
}

TEST_F(FrameTest, InitReplacesTheConnection) {
    OpenBoard();
    void* second = TKR50API_Init();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(driver->closes, 1) << "the old connection's device is closed";
    EXPECT_EQ(tkr::State().connection.get(), second);
}

// A board that notices when two requests are inside the driver at once.
class OverlapDetectingDriver : public RecordingDriver {
public:
    uint32_t Control(tkr::DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t& returned) override {
        if (code == tkr::kIoctlGetPipeList) {
            return RecordingDriver::Control(handle, code, input, inputSize, output, outputSize, returned);
        }
        if (inside_.exchange(true))
            overlaps.fetch_add(1);
        std::this_thread::yield();
        returned = code == tkr::kIoctlBulkWrite ? outputSize : 1;
        if (code == tkr::kIoctlBulkRead)
            static_cast<uint8_t*>(output)[0] = 0;
        inside_.store(false);
        return 0;
    }
    std::atomic<int> overlaps{0};

private:
    std::atomic<bool> inside_{false};
};

TEST(ThreadsTest, TwoThreadsOfOneProcessShareTheConnectionOneExchangeAtATime) {
    auto board = std::make_shared<OverlapDetectingDriver>();
    tkr::SetDriver(board);
    ASSERT_NE(TKR50API_Init(), nullptr);
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    std::atomic<int> failures{0};
    auto writer = [&] {
        const uint8_t data[] = {0x42};
        for (int i = 0; i < 300; ++i) {
            if (TKR50API_I2CBlockWrite(0x3C, 0x10, 1, data, 0) != TKRUSB20_RET_SUCCESS)
                failures.fetch_add(1);
        }
    };
    std::thread first(writer), second(writer);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(board->overlaps.load(), 0);
    TKR50API_Close(2);
    TKR50API_End();
    tkr::SetDriver(nullptr);
}

TEST(VersionTest, VersionNeedsNoConnectionAndRefusesNull) {
    EXPECT_EQ(TKR50API_GetVersion(nullptr), TKRUSB20_RET_ERROR_PARAM);
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(TKR50API_GetVersion(buffer), TKRUSB20_RET_SUCCESS);
#if defined(_WIN32)
    // A program that links the library statically has no version resource of the library.
    EXPECT_STREQ(buffer, "");
#else
    EXPECT_STREQ(buffer, "1.1.0.0");
#endif
    EXPECT_EQ(buffer[255], 0);
}

// A driver whose enumeration throws what it is given: the export must turn it into a result code.
template <class Exception>
class ThrowingDriver final : public tkr::Driver {
public:
    uint32_t Enumerate(std::vector<std::string>&) override { throw Exception(); }
    uint32_t Open(const std::string&, tkr::DeviceHandle&) override { return 0; }
    void Close(tkr::DeviceHandle) override {}
    uint32_t Control(tkr::DeviceHandle, uint32_t, const void*, uint32_t, void*, uint32_t,
                     uint32_t&) override {
        return 0;
    }
};

TEST_F(LibraryTest, NoExceptionCrossesTheCBoundary) {
    tkr::SetDriver(std::make_shared<ThrowingDriver<std::bad_alloc>>());
    EXPECT_EQ(TKR50API_Open(2, 0), static_cast<int32_t>(0xE0000000u | 8));  // ERROR_NOT_ENOUGH_MEMORY
    tkr::SetDriver(std::make_shared<ThrowingDriver<std::bad_function_call>>());
    EXPECT_EQ(TKR50API_Open(2, 0), static_cast<int32_t>(0xE0000000u | 1359));  // ERROR_INTERNAL_ERROR
    // Nothing was left half open: a working driver opens the board.
    tkr::SetDriver(driver);
    EXPECT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
}

#if defined(TKR_CHECK_INVARIANTS)
TEST(InvariantTest, ABrokenInvariantStopsTheProgramWithItsPlace) {
    const int two = 2;
    EXPECT_DEATH(TKR_INVARIANT(two < 1), "frame_test.cpp:[0-9]+: invariant broken: two < 1");
    TKR_INVARIANT(two > 1);
}
#endif

}  // namespace
}  // namespace tkr::test
