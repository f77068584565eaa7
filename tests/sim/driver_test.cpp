// The virtual driver's side of the I/O control requests: enumeration, handles, the pipe list in
// both layouts, request checks, unplugging and request faults.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "sim_test_support.h"
#include "tkr/protocol.h"

namespace tkbsim::test {
namespace {

using tkbsim::BoardFolder;
using tkbsim::FindModel;
using tkbsim::NewBoard;
using tkbsim::VirtualDriver;

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Create({NewBoard{FindModel("TKB-20")}, NewBoard{FindModel("TKB-20U")},
                        NewBoard{FindModel("TKB-20"), 0x0300}});
    }

    struct PipeEntry {
        uint16_t maxPacket;
        uint8_t endpoint;
        uint32_t maxTransfer;
    };
    std::vector<PipeEntry> PipeList(const tkr::PipeListLayout& layout, uint32_t number,
                                    uint32_t* error = nullptr) {
        VirtualDriver driver(temp_.Str(), layout);
        DriverClient client(driver, VirtualDriver::DevicePath(number));
        uint8_t list[tkr::kPipeListSize] = {};
        uint32_t returned = 0;
        const uint32_t result =
            driver.Control(client.Handle(), tkr::kIoctlGetPipeList, nullptr, 0, list, sizeof list, returned);
        if (error) {
            *error = result;
        }
        int32_t count = 0;
        std::memcpy(&count, list + layout.countOffset, sizeof count);
        std::vector<PipeEntry> entries;
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t* entry = list + layout.firstEntryOffset + i * layout.entrySize;
            PipeEntry pipe{};
            std::memcpy(&pipe.maxPacket, entry + layout.maxPacketOffset, 2);
            pipe.endpoint = entry[layout.endpointOffset];
            std::memcpy(&pipe.maxTransfer, entry + layout.maxTransferOffset, 4);
            entries.push_back(pipe);
        }
        EXPECT_EQ(returned, layout.firstEntryOffset + count * layout.entrySize);
        return entries;
    }

    TempFolder temp_{"driver"};
    BoardFolder folder_{temp_.Str()};
};

TEST_F(DriverTest, EnumeratesPluggedBoardsInNumberOrder) {
    VirtualDriver driver(temp_.Str());
    std::vector<std::string> paths{"stale"};
    ASSERT_EQ(driver.Enumerate(paths), 0u);
    EXPECT_EQ(paths, (std::vector<std::string>{VirtualDriver::DevicePath(0), VirtualDriver::DevicePath(1),
                                               VirtualDriver::DevicePath(2)}));
    EXPECT_EQ(VirtualDriver::DevicePath(1),
              "\\\\?\\tkbsim#vid_0525&pid_a115#1#{c1b7c34b-2a7e-4b8b-9eeb-be549b4df144}");
}

TEST_F(DriverTest, NoFolderMeansNoBoards) {
    for (const std::string& folder : {std::string{}, temp_.Str() + "/missing"}) {
        VirtualDriver driver(folder);
        std::vector<std::string> paths{"stale"};
        EXPECT_EQ(driver.Enumerate(paths), 0u);
        EXPECT_TRUE(paths.empty());
        tkr::DeviceHandle handle = 1;
        EXPECT_EQ(driver.Open(VirtualDriver::DevicePath(0), handle), tkr::kErrorFileNotFound);
        EXPECT_EQ(handle, 0u);
    }
}

TEST_F(DriverTest, RefusedFilesStayOutOfTheEnumeration) {
    std::ofstream(temp_.Path() / "board-3.tkb") << "not a board";
    std::ofstream(temp_.Path() / "notes.txt") << "left alone";
    VirtualDriver driver(temp_.Str());
    std::vector<std::string> paths;
    ASSERT_EQ(driver.Enumerate(paths), 0u);
    EXPECT_EQ(paths.size(), 3u);
    tkr::DeviceHandle handle = 0;
    EXPECT_EQ(driver.Open(VirtualDriver::DevicePath(3), handle), tkr::kErrorFileNotFound);
    EXPECT_EQ(
        driver.Open("\\\\?\\tkbsim#vid_0525&pid_a115#01#{c1b7c34b-2a7e-4b8b-9eeb-be549b4df144}", handle),
        tkr::kErrorFileNotFound);
}

TEST_F(DriverTest, BoardsAddedLaterAreFound) {
    VirtualDriver driver(temp_.Str());
    std::vector<std::string> paths;
    driver.Enumerate(paths);
    folder_.Create({NewBoard{FindModel("RJQ-10")}});
    driver.Enumerate(paths);
    ASSERT_EQ(paths.size(), 4u);
    DriverClient client(driver, paths[3]);
    EXPECT_EQ(client.Exchange(VersionRequest(3), 4), (Bytes{0, 12, 0x01, 0x00}));
}

TEST_F(DriverTest, PipeListInBothLayoutsWithPacketSizeOfTheConnection) {
    for (const tkr::PipeListLayout& layout : {tkr::kPipeListLayout64, tkr::kPipeListLayout32}) {
        const auto usb2 = PipeList(layout, 0);
        ASSERT_EQ(usb2.size(), 2u);
        EXPECT_EQ(usb2[0].endpoint, 0x04);
        EXPECT_EQ(usb2[1].endpoint, 0x84);
        EXPECT_EQ(usb2[0].maxPacket, 512);
        EXPECT_EQ(usb2[1].maxTransfer, 65536u);
        const auto usb3 = PipeList(layout, 2);
        ASSERT_EQ(usb3.size(), 2u);
        EXPECT_EQ(usb3[1].maxPacket, 1024) << "a TKB-20 made with a USB 3 connection";
    }
}

TEST_F(DriverTest, MissingEndpointLeavesThePipeOut) {
    folder_.Open(1)->RemoveEndpoint(0x84);
    const auto pipes = PipeList(tkr::kPipeListLayoutNative, 1);
    ASSERT_EQ(pipes.size(), 1u);
    EXPECT_EQ(pipes[0].endpoint, 0x04);
}

TEST_F(DriverTest, RequestsAreCheckedLikeTheKernelDriverChecksThem) {
    VirtualDriver driver(temp_.Str());
    DriverClient client(driver, VirtualDriver::DevicePath(0));
    uint8_t buffer[65537] = {};
    uint32_t returned = 0;
    const uint32_t outPipe = 0;
    const uint32_t inPipe = 1;
    EXPECT_EQ(driver.Control(client.Handle(), tkr::kIoctlBulkWrite, &inPipe, 4, buffer, 4, returned),
              tkr::kErrorInvalidParameter);
    EXPECT_EQ(driver.Control(client.Handle(), tkr::kIoctlBulkRead, &outPipe, 4, buffer, 4, returned),
              tkr::kErrorInvalidParameter);
    EXPECT_EQ(driver.Control(client.Handle(), tkr::kIoctlBulkWrite, &outPipe, 2, buffer, 4, returned),
              tkr::kErrorInvalidParameter);
    EXPECT_EQ(driver.Control(client.Handle(), tkr::kIoctlBulkWrite, &outPipe, 4, buffer, 65537, returned),
              tkr::kErrorInvalidParameter);
    EXPECT_EQ(driver.Control(client.Handle(), 0x222004, nullptr, 0, buffer, 18, returned), 1u);
    EXPECT_EQ(driver.Control(client.Handle(), tkr::kIoctlGetPipeList, nullptr, 0, buffer, 40, returned),
              tkr::kErrorInsufficientBuffer);
    EXPECT_EQ(driver.Control(9999, tkr::kIoctlBulkRead, &inPipe, 4, buffer, 4, returned),
              tkr::kErrorInvalidHandle);
    EXPECT_EQ(client.Exchange(VersionRequest(1), 2), (Bytes{0, 120})) << "nothing above disturbed the board";
}

TEST_F(DriverTest, UnpluggedBoardLeavesAndItsHandlesStayDead) {
    VirtualDriver driver(temp_.Str());
    DriverClient before(driver, VirtualDriver::DevicePath(1));
    ASSERT_EQ(before.Exchange(FpgaWrite(0x20000000, {0, 0, 0, 7}), 1), Bytes{0});
    auto board = folder_.Open(1);
    board->Unplug();

    std::vector<std::string> paths;
    driver.Enumerate(paths);
    EXPECT_EQ(paths, (std::vector<std::string>{VirtualDriver::DevicePath(0), VirtualDriver::DevicePath(2)}));
    uint32_t error = 0;
    before.Read(1, &error);
    EXPECT_EQ(error, tkr::kErrorDeviceNotConnected);
    EXPECT_EQ(before.Write(VersionRequest(1)), tkr::kErrorDeviceNotConnected);
    tkr::DeviceHandle handle = 0;
    EXPECT_EQ(driver.Open(VirtualDriver::DevicePath(1), handle), tkr::kErrorFileNotFound);

    board->Plug();
    before.Read(1, &error);
    EXPECT_EQ(error, tkr::kErrorDeviceNotConnected) << "a new connection, not the old one";
    DriverClient after(driver, VirtualDriver::DevicePath(1));
    EXPECT_EQ(after.Exchange(FpgaRead(0x20000000, 4), 5), (Bytes{0, 0, 0, 0, 0})) << "power was lost";
    EXPECT_EQ(board->Info().connection, 2u);
    EXPECT_EQ(board->Info().opens, 2u) << "the open refused while unplugged is not counted";
}

TEST_F(DriverTest, ErrorFaultFailsTheNextRequestsOnly) {
    VirtualDriver driver(temp_.Str());
    DriverClient client(driver, VirtualDriver::DevicePath(0));
    folder_.Open(0)->FailNextRequests(2, tkr::kErrorGenFailure);
    EXPECT_EQ(client.Write(VersionRequest(1)), tkr::kErrorGenFailure);
    uint32_t error = 0;
    client.Read(2, &error);
    EXPECT_EQ(error, tkr::kErrorGenFailure);
    EXPECT_EQ(client.Exchange(VersionRequest(1), 2), (Bytes{0, 120}));
}

TEST_F(DriverTest, OpenLimitFaultRefusesLaterOpensOfAnEnumeratedBoard) {
    VirtualDriver driver(temp_.Str());
    auto board = folder_.Open(1);
    board->StopOpeningAfter(1);
    EXPECT_TRUE(board->Info().faults.openLimitArmed);
    DriverClient first(driver, VirtualDriver::DevicePath(1));
    ASSERT_EQ(first.OpenError(), 0u);
    EXPECT_EQ(board->Info().faults.opensLeft, 0u);
    DriverClient refused(driver, VirtualDriver::DevicePath(1));
    EXPECT_EQ(refused.OpenError(), tkr::kErrorFileNotFound);
    EXPECT_EQ(board->Info().opens, 1u) << "a refused open is no handle";

    std::vector<std::string> paths;
    driver.Enumerate(paths);
    EXPECT_EQ(paths.size(), 3u);
    EXPECT_EQ(first.Exchange(VersionRequest(1), 2), (Bytes{0, 35})) << "the handle open before still works";
    EXPECT_EQ(DriverClient(driver, VirtualDriver::DevicePath(0)).OpenError(), 0u) << "other boards open";

    board->ClearFaults();
    EXPECT_EQ(DriverClient(driver, VirtualDriver::DevicePath(1)).OpenError(), 0u);
}

TEST(DefaultBoardFolder, IsTheEnvironmentVariableElseBesideTheModule) {
    const std::string saved = GetEnvironment("TKBSIM_DIR");
    SetEnvironment("TKBSIM_DIR", "");
    const std::filesystem::path beside = tkbsim::DefaultBoardFolder();
    EXPECT_EQ(beside.filename(), "tkbsim-boards");
    EXPECT_TRUE(std::filesystem::equivalent(beside.parent_path(), ProgramPath().parent_path())) << beside;
    SetEnvironment("TKBSIM_DIR", "boards-elsewhere");
    EXPECT_EQ(tkbsim::DefaultBoardFolder(), "boards-elsewhere");
    SetEnvironment("TKBSIM_DIR", saved);
}

}  // namespace
}  // namespace tkbsim::test
