// Board folders and board files: creation, what a fresh board holds, persistence, and refusal of
// files that are not intact boards of this layout.
#include <gtest/gtest.h>

#include <fstream>

#include "sim_test_support.h"
#include "tkbsim/error.h"
#include "tkbsim/fpga_registers.h"

namespace tkbsim::test {
namespace {

namespace fs = std::filesystem;
using tkbsim::BoardFolder;
using tkbsim::FindModel;
using tkbsim::NewBoard;
using tkbsim::VirtualDriver;

uint16_t Le16(const Bytes& bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void Overwrite(const fs::path& path, uint64_t offset, const Bytes& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class BoardFolderTest : public ::testing::Test {
protected:
    TempFolder temp_{"folder"};
    BoardFolder folder_{temp_.Str() + "/boards"};
};

TEST_F(BoardFolderTest, CreateNumbersBoardsAfterThoseThereAndKeepsTheUsbChoice) {
    EXPECT_EQ(folder_.Create({NewBoard{FindModel("TKB-20U")}, NewBoard{FindModel("TKD-20"), 0x0300}}),
              (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(folder_.Create({NewBoard{FindModel("RJQ-10")}}), std::vector<uint32_t>{2});
    const auto entries = folder_.List();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].board->Info().usbRelease, 0x0300);
    EXPECT_EQ(entries[0].board->Info().usbRelease, FindModel("TKB-20U")->usbRelease);
    EXPECT_STREQ(entries[2].board->Model().name, "RJQ-10");
    for (const auto& file : fs::directory_iterator(folder_.Path())) {
        EXPECT_EQ(file.path().extension(), ".tkb") << "no temporary file left: " << file.path();
    }
}

TEST_F(BoardFolderTest, FreshBoardHasAPlausibleSettingsBlockAtItsTypesAddress) {
    folder_.Create(
        {NewBoard{FindModel("RJQ-10")}, NewBoard{FindModel("TKD-20")}, NewBoard{FindModel("TKR-90")}});
    for (uint32_t number = 0; number < 3; ++number) {
        auto board = folder_.Open(number);
        const Bytes block = board->ReadFlash(board->Model().settingsAddress, 512);
        SCOPED_TRACE(board->Model().name);
        EXPECT_EQ(Bytes(block.begin(), block.begin() + 6), (Bytes{0x10, 0, 0x11, 0, 0x13, 0}));
        EXPECT_EQ(block[0x13], 3) << "EndianBitShift";
        EXPECT_EQ(Bytes(block.begin() + 0x80, block.begin() + 0x82), (Bytes{0x55, 0x55}));
        uint16_t sum = 0;
        for (size_t i = 0x84; i < 0xA0; ++i) {
            sum = static_cast<uint16_t>(sum + block[i]);
        }
        EXPECT_EQ(static_cast<uint16_t>(sum + Le16(block, 0x82)), 0xFFFF);
        EXPECT_EQ(Le16(block, 0x84), 1920);
        EXPECT_EQ(Le16(block, 0x86), 1080);
        EXPECT_EQ(Le16(block, 0xA0), 0x1111) << "clipping disabled";
        EXPECT_EQ(block[0x100], board->Model().id == tkbsim::ModelId::TKD20 ? 0x00 : 0xFF);
    }
    EXPECT_EQ(folder_.Open(0)->ReadFlash(0x1F0000, 2), (Bytes{0xFF, 0xFF}))
        << "elsewhere the flash is erased";
}

TEST_F(BoardFolderTest, StateSurvivesTheDriverAndTheProcessMappingIt) {
    folder_.Create({NewBoard{FindModel("TKB-20W")}});
    {
        VirtualDriver driver(folder_.Path());
        DriverClient client(driver, VirtualDriver::DevicePath(0));
        ASSERT_EQ(client.Exchange(SpiWrite(0x400000, {1, 2, 3}), 1), Bytes{0});
        ASSERT_EQ(client.Exchange(FpgaWrite(0x20000010, {4, 5, 6, 7}), 1), Bytes{0});
    }
    VirtualDriver driver(folder_.Path());
    DriverClient client(driver, VirtualDriver::DevicePath(0));
    EXPECT_EQ(client.Exchange(SpiRead(0x400000, 3), 4), (Bytes{0, 1, 2, 3}));
    EXPECT_EQ(client.Exchange(FpgaRead(0x20000010, 4), 5), (Bytes{0, 4, 5, 6, 7}));
}

TEST_F(BoardFolderTest, DamagedOrForeignFilesAreRefusedWithTheReason) {
    folder_.Create({NewBoard{FindModel("TKB-20")}, NewBoard{FindModel("TKB-20")},
                    NewBoard{FindModel("TKB-20")}, NewBoard{FindModel("TKB-20")}});
    const fs::path dir = folder_.Path();
    fs::resize_file(dir / "board-0.tkb", 100000);
    Overwrite(dir / "board-1.tkb", 8, {2, 0, 0, 0});      // layout version
    Overwrite(dir / "board-2.tkb", 24, {99, 0, 0, 0});    // model
    Overwrite(dir / "board-3.tkb", 256, {200, 0, 0, 0});  // reply count
    std::ofstream(dir / "board-4.tkb") << "#!/bin/sh\necho hello\n";
    std::ofstream(dir / "board-5.tkb");

    const auto entries = folder_.List();
    ASSERT_EQ(entries.size(), 6u);
    const char* reasons[] = {"truncated", "layout 2",         "unknown model 99",
                             "damaged",   "not a board file", "empty"};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].board, nullptr);
        EXPECT_NE(entries[i].error.find(reasons[i]), std::string::npos) << entries[i].error;
        EXPECT_NE(entries[i].error.find("board-" + std::to_string(i) + ".tkb"), std::string::npos);
    }
    EXPECT_THROW(folder_.Open(3), tkbsim::Error);
    EXPECT_THROW(folder_.Open(9), tkbsim::Error);
    std::vector<std::string> paths;
    VirtualDriver(folder_.Path()).Enumerate(paths);
    EXPECT_TRUE(paths.empty());
}

TEST_F(BoardFolderTest, ToolAccessChecksItsRanges) {
    folder_.Create({NewBoard{FindModel("TKB-20")}});
    auto board = folder_.Open(0);
    EXPECT_THROW(board->ReadFlash(0xFFFFFF, 2), tkbsim::Error);
    EXPECT_THROW(board->WriteFlash(0xFFFFF0, Bytes(17)), tkbsim::Error);
    EXPECT_THROW(board->ReadI2C(0x3C, 0xFF, 2), tkbsim::Error);
    EXPECT_THROW(board->ReadI2C(0x34, 0, 1), tkbsim::Error) << "no HDMI receiver on a TKB-20";
    EXPECT_THROW(board->RemoveEndpoint(0x81), tkbsim::Error);
    EXPECT_THROW(board->FailNextCommands(1, 0), tkbsim::Error);
    board->WriteFpga(tkr::kRegIdentB, 'Q');
    EXPECT_EQ(board->ReadFpga(tkr::kRegIdentB), uint32_t{'Q'}) << "the tool reaches read-only registers";
}

TEST(BoardFileName, OnlyTheNamesTheFolderWrites) {
    uint32_t number = 0;
    EXPECT_TRUE(BoardFolder::ParseFileName("board-12.tkb", number));
    EXPECT_EQ(number, 12u);
    for (const char* name : {"board-.tkb", "board-012.tkb", "board-1.tkb.tmp", "board--1.tkb",
                             "board-99999999999.tkb", "Board-1.tkb", "board-1x.tkb"}) {
        EXPECT_FALSE(BoardFolder::ParseFileName(name, number)) << name;
    }
}

}  // namespace
}  // namespace tkbsim::test
