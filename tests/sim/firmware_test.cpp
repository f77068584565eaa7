// The board firmware, driven with the exact requests the library sends: command frames in, replies
// out, and what they do to the board's flash, FPGA registers and I2C devices.
#include <gtest/gtest.h>

#include "sim_test_support.h"
#include "tkbsim/error.h"
#include "tkbsim/fpga_registers.h"

namespace tkbsim::test {
namespace {

using tkbsim::BoardFolder;
using tkbsim::FindModel;
using tkbsim::NewBoard;
using tkbsim::VirtualDriver;

class FirmwareTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Create({NewBoard{FindModel("TKB-20U")}, NewBoard{FindModel("TKF-20")}});
        board_ = folder_.Open(0);
        client_ = std::make_unique<DriverClient>(driver_, VirtualDriver::DevicePath(0));
        ASSERT_EQ(client_->OpenError(), 0u);
    }

    Bytes Ok(const Bytes& data = {}) {
        Bytes reply = data;
        reply.insert(reply.begin(), 0);
        return reply;
    }

    TempFolder temp_{"firmware"};
    BoardFolder folder_{temp_.Str()};
    std::shared_ptr<tkbsim::Board> board_;
    VirtualDriver driver_{temp_.Str()};
    std::unique_ptr<DriverClient> client_;
};

TEST_F(FirmwareTest, I2CBlockWritesAndReadsWithBothSubAddressWidths) {
    EXPECT_EQ(client_->Exchange(I2CWrite8(0x3C, 0x10, {0x01, 0x02}), 1), Ok());
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x0F, 4), 5), Ok({0x00, 0x01, 0x02, 0x00}));
    EXPECT_EQ(client_->Exchange(I2CWrite16(0x10, 0x1234, {0xAB, 0xCD}), 1), Ok());
    EXPECT_EQ(client_->Exchange(I2CRead16(0x10, 0x1234, 2), 3), Ok({0xAB, 0xCD}));
    // The register pointer wraps at the end of an 8-bit device's file.
    EXPECT_EQ(client_->Exchange(I2CWrite8(0x3C, 0xFF, {0x11, 0x22}), 1), Ok());
    EXPECT_EQ(board_->ReadI2C(0x3C, 0xFF, 1), Bytes{0x11});
    EXPECT_EQ(board_->ReadI2C(0x3C, 0x00, 1), Bytes{0x22});
}

TEST_F(FirmwareTest, OneBlockWriteOfTheSubAddressSetsThePointerTheOneBlockReadUses) {
    EXPECT_EQ(client_->Exchange(I2COneBlockWrite(0x10, {0x30, 0x0A}), 1), Ok());
    EXPECT_EQ(client_->Exchange(I2COneBlockRead(0x10, 2), 3), Ok({0x56, 0x40}));
    // The pointer has moved on past what was read.
    board_->WriteI2C(0x10, 0x300C, {0x77});
    EXPECT_EQ(client_->Exchange(I2COneBlockRead(0x10, 1), 2), Ok({0x77}));
}

TEST_F(FirmwareTest, AbsentSlavesAndPoweredDownCamerasDoNotAcknowledge) {
    EXPECT_EQ(client_->Exchange(I2CWrite8(0x50, 0x00, {1}), 1), Bytes{tkbsim::kStatusNoAcknowledge});
    EXPECT_EQ(client_->Exchange(I2CRead8(0x34, 0x07, 1), 2), Bytes{tkbsim::kStatusNoAcknowledge})
        << "the TKB-20U has no HDMI receiver";

    ASSERT_EQ(client_->Exchange(I2CWrite8(0x3C, 0x20, {0x5A}), 1), Ok());
    ASSERT_EQ(client_->Exchange(FpgaWrite(tkr::kRegCameraControl, {0, 0, 1, 1}), 1), Ok());  // reset held
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x20, 1), 2), Bytes{tkbsim::kStatusNoAcknowledge});
    ASSERT_EQ(client_->Exchange(FpgaWrite(tkr::kRegCameraControl, {0, 0, 1, 0}), 1), Ok());
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x20, 1), 2), Ok({0x00})) << "the reset cleared the sensor";
    ASSERT_EQ(client_->Exchange(FpgaWrite(tkr::kRegCameraControl, {0, 0, 0, 0}), 1), Ok());  // power off
    EXPECT_EQ(client_->Exchange(I2CWrite16(0x10, 0x0000, {1}), 1), Bytes{tkbsim::kStatusNoAcknowledge});
}

TEST_F(FirmwareTest, HdmiReceiverReportsA1080pInput) {
    DriverClient tkf(driver_, VirtualDriver::DevicePath(1));
    const Bytes video = tkf.Exchange(I2CRead8(0x34, 0x07, 5), 6);
    ASSERT_EQ(video.size(), 6u);
    EXPECT_EQ((video[1] & 0x1F) * 256 + video[2], 1920);
    EXPECT_EQ((video[3] & 0x1F) * 256 + video[4], 1080);
    EXPECT_EQ(video[5] & 0xE0, 0) << "progressive, no deep colour";
    EXPECT_EQ(tkf.Exchange(I2CRead8(0x34, 0x53, 1), 2), Ok({tkbsim::kPowerOnHdmiFormat}));
    EXPECT_EQ(tkf.Exchange(I2CRead8(0x22, 0xF4, 1), 2), Ok({tkbsim::kPowerOnCscMode}));
}

TEST_F(FirmwareTest, LengthPrefixedI2CReadsWhenTheFeatureBitIsSet) {
    ASSERT_EQ(client_->Exchange(FpgaWrite(tkr::kRegFeatures, {0, 0, 0, 0x40}), 1), Ok());
    board_->WriteI2C(0x3C, 0xFC, {1, 2, 3, 4});
    ASSERT_EQ(client_->Exchange(I2COneBlockWrite(0x3C, {0xFC}), 1), Ok());
    // 255 asked: the prefix says how many follow, here up to the end of the 256-register file.
    EXPECT_EQ(client_->Exchange(I2COneBlockRead(0x3C, 255), 256), Ok({4, 1, 2, 3, 4}));
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x00, 3), 4), Ok({2, 0, 0}));
}

TEST_F(FirmwareTest, FpgaRegistersReadInRunsAndKeepReadOnlyValues) {
    const Bytes ident = client_->Exchange(FpgaRead(tkr::kRegIdentA, 16), 17);
    ASSERT_EQ(ident.size(), 17u);
    EXPECT_EQ(ident[4], 'T');
    EXPECT_EQ(ident[8], 'U');
    EXPECT_EQ(ident[12], 'K');
    EXPECT_EQ(ident[16], 'M');

    EXPECT_EQ(client_->Exchange(FpgaWrite(0x20000000, {1, 2, 3, 4, 5, 6, 7, 8}), 1), Ok());
    EXPECT_EQ(board_->ReadFpga(0x20000000), 0x01020304u);
    EXPECT_EQ(board_->ReadFpga(0x20000004), 0x05060708u);
    EXPECT_EQ(client_->Exchange(FpgaWrite(tkr::kRegIdentA, {0, 0, 0, 'X'}), 1), Ok());
    EXPECT_EQ(board_->ReadFpga(tkr::kRegIdentA), uint32_t{'T'}) << "identification is read-only";
    EXPECT_EQ(client_->Exchange(FpgaRead(0x30000000, 4), 5), Ok({0, 0, 0, 0})) << "never written";
}

TEST_F(FirmwareTest, DetectedResolutionRegistersDescribeA1080pInput) {
    const uint32_t a = FromBe32(client_->Exchange(FpgaRead(tkr::kRegTcbDepp, 4), 5).data() + 1);
    const uint32_t b = FromBe32(client_->Exchange(FpgaRead(tkr::kRegTcbDepr, 4), 5).data() + 1);
    const uint32_t c = FromBe32(client_->Exchange(FpgaRead(tkr::kRegVpbPf, 4), 5).data() + 1);
    const int factor = (c & 3) >= 2 ? 16 : (c & 3) == 1 ? 8 : 32;
    EXPECT_EQ(static_cast<int32_t>(a) * factor / 16, 1920);
    EXPECT_EQ(b, 1080u);
}

TEST_F(FirmwareTest, RestartRegisterRestoresPowerOnStateAndKeepsFlashAndConnection) {
    ASSERT_EQ(client_->Exchange(FpgaWrite(0x20000000, {9, 9, 9, 9}), 1), Ok());
    ASSERT_EQ(client_->Exchange(I2CWrite8(0x3C, 0x40, {0x12}), 1), Ok());
    ASSERT_EQ(client_->Exchange(SpiWrite(0x200000, {0xA5}), 1), Ok());
    ASSERT_EQ(client_->Exchange(FpgaWrite(tkr::kRegRestart, {0, 0, 0, 0x80}), 1), Ok());

    EXPECT_EQ(board_->Info().restarts, 1u);
    EXPECT_EQ(board_->ReadFpga(0x20000000), 0u);
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x40, 1), 2), Ok({0x00})) << "same handle still works";
    EXPECT_EQ(client_->Exchange(SpiRead(0x200000, 1), 2), Ok({0xA5}));

    ASSERT_EQ(client_->Exchange(FpgaWrite(tkr::kRegRestart, {0, 0, 0, 0x40}), 1), Ok());
    EXPECT_EQ(board_->Info().restarts, 1u) << "only 0x80 restarts";
    EXPECT_EQ(board_->ReadFpga(tkr::kRegRestart), 0u);
}

TEST_F(FirmwareTest, SettingsBlockWritesAndReadsBackOnlyTheBytesWritten) {
    const uint32_t address = tkbsim::FindModel("TKB-20U")->settingsAddress;
    const Bytes factory = board_->ReadFlash(address, 512);
    const Bytes block = Pattern(256, 1);
    EXPECT_EQ(client_->Exchange(SpiWrite(address, block), 1), Ok());
    EXPECT_EQ(client_->Exchange(SpiRead(address, 256), 257), Ok(block));
    EXPECT_EQ(board_->ReadFlash(address + 256, 256), Bytes(factory.begin() + 256, factory.end()));
}

TEST_F(FirmwareTest, FlashRangesPastTheEndAreRefused) {
    EXPECT_EQ(client_->Exchange(SpiWrite(0xFFFFFF, {1, 2}), 1), Bytes{tkbsim::kStatusOutOfRange});
    EXPECT_EQ(client_->Exchange(SpiRead(0xFFFFFF, 2), 3), Bytes{tkbsim::kStatusOutOfRange});
    EXPECT_EQ(client_->Exchange(SpiWrite(0xFFFFFF, {7}), 1), Ok());
    EXPECT_EQ(board_->ReadFlash(0xFFFFFF, 1), Bytes{7});
}

TEST_F(FirmwareTest, BootMemoryProgramAndReadRoundTrip) {
    const Bytes image = Pattern(3000, 2);
    EXPECT_EQ(client_->Exchange(BootProgramHeader(0x100000, 3000), 1), Ok());
    EXPECT_EQ(client_->Exchange(image, 1), Ok());
    ASSERT_EQ(client_->Write(BootRead(0x100000, 3000)), 0u);
    EXPECT_EQ(client_->Read(3000), image);
    EXPECT_EQ(client_->Read(1024), Ok()) << "the closing read";
    EXPECT_EQ(client_->Read(1024), Bytes{}) << "nothing more";
}

TEST_F(FirmwareTest, EmptyImageIsAnsweredTwiceWithoutDataPhase) {
    EXPECT_EQ(client_->Exchange(BootProgramHeader(0x100000, 0), 1), Ok());
    EXPECT_EQ(client_->Read(1), Ok());
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x0A, 1), 2), Ok({0x76}))
        << "the next frame is a command again";
}

TEST_F(FirmwareTest, RefusedImageIsSwallowedNotRunAsCommands) {
    // Image bytes that would be a valid FPGA write if the board ran them.
    const Bytes image = FpgaWrite(0x20000000, {1, 2, 3, 4});
    EXPECT_EQ(client_->Exchange(BootProgramHeader(0xFFFFFE, static_cast<uint32_t>(image.size())), 1),
              Bytes{tkbsim::kStatusOutOfRange});
    EXPECT_EQ(client_->Exchange(image, 1), Bytes{tkbsim::kStatusOutOfRange});
    EXPECT_EQ(board_->ReadFpga(0x20000000), 0u);
}

TEST_F(FirmwareTest, ImageLongerThanAnnouncedIsRefusedAtItsEnd) {
    EXPECT_EQ(client_->Exchange(BootProgramHeader(0x100000, 4), 1), Ok());
    EXPECT_EQ(client_->Exchange({1, 2, 3, 4, 5}, 1), Bytes{tkbsim::kStatusBadLength});
    EXPECT_EQ(board_->ReadFlash(0x100000, 5), (Bytes{1, 2, 3, 4, 0xFF}));
}

TEST_F(FirmwareTest, VersionBytesOfTheModel) {
    const Bytes reply = client_->Exchange(VersionRequest(12), 13);
    EXPECT_EQ(reply, Ok({35, 0x05, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(FirmwareTest, MalformedFramesAnswerAStatusAndChangeNothing) {
    EXPECT_EQ(client_->Exchange({0x03, 0x99, 0, 0, 0, 0, 1}, 2), Bytes{tkbsim::kStatusUnknownCommand});
    EXPECT_EQ(client_->Exchange({0x42}, 2), Bytes{tkbsim::kStatusBadLength});
    EXPECT_EQ(client_->Exchange({0x00, 0x78, 0x0A}, 2), Bytes{tkbsim::kStatusBadLength});
    Bytes longRead = I2CRead8(0x3C, 0x0A, 1);
    longRead.push_back(0);
    EXPECT_EQ(client_->Exchange(longRead, 2), Bytes{tkbsim::kStatusBadLength});
    Bytes shortWrite = FpgaWrite(0x20000000, {1, 2, 3, 4});
    shortWrite[8] = 8;  // announces 8 bytes, carries 4
    EXPECT_EQ(client_->Exchange(shortWrite, 1), Bytes{tkbsim::kStatusBadLength});
}

TEST_F(FirmwareTest, FramesAreCutByTheirLengthNotByTheirRequests) {
    const Bytes data = Pattern(2040, 3);
    const Bytes spi = SpiWrite(0x300000, data);  // 2048 bytes in two requests of 1024
    ASSERT_EQ(client_->WriteRequest(Bytes(spi.begin(), spi.begin() + 1024)), 0u);
    ASSERT_EQ(client_->WriteRequest(Bytes(spi.begin() + 1024, spi.end())), 0u);
    EXPECT_EQ(client_->Read(1), Ok());
    EXPECT_EQ(board_->ReadFlash(0x300000, 2040), data);

    // An I2C write has no length: the library's 960 + 64 split of 1024 bytes is still one frame.
    const Bytes registers = Pattern(1020, 4);
    EXPECT_EQ(client_->Exchange(I2CWrite16(0x10, 0x0000, registers), 1), Ok());
    EXPECT_EQ(board_->ReadI2C(0x10, 0x0000, 1020), registers);

    // A zero-length packet ends one; without it the second would be data of the first.
    ASSERT_EQ(client_->WriteRequest(I2CWrite8(0x3C, 0x20, {0x01})), 0u);
    ASSERT_EQ(client_->WriteRequest({}), 0u);
    ASSERT_EQ(client_->WriteRequest(I2CWrite8(0x3C, 0x30, {0x02})), 0u);
    EXPECT_EQ(client_->Read(1), Ok());
    EXPECT_EQ(board_->ReadI2C(0x3C, 0x20, 1), Bytes{0x01});
    EXPECT_EQ(board_->ReadI2C(0x3C, 0x30, 1), Bytes{0x02});

    // Two whole frames in one request: the second's start drops the first's unread reply.
    Bytes both = VersionRequest(1);
    const Bytes read = I2CRead8(0x3C, 0x0A, 1);
    both.insert(both.end(), read.begin(), read.end());
    EXPECT_EQ(client_->Exchange(both, 10), Ok({0x76}));
}

TEST_F(FirmwareTest, RepliesAreReadInPiecesAndAStartingFrameDropsUnreadOnes) {
    ASSERT_EQ(client_->Write(FpgaRead(tkr::kRegIdentA, 8)), 0u);
    EXPECT_EQ(client_->Read(3), (Bytes{0, 0, 0}));
    EXPECT_EQ(client_->Read(100), (Bytes{0, 'T', 0, 0, 0, 'U'})) << "a short read ends with the message";
    ASSERT_EQ(client_->Write(VersionRequest(2)), 0u);
    ASSERT_EQ(client_->Exchange(VersionRequest(1), 2), Ok({35})) << "the unread version reply was dropped";
}

TEST_F(FirmwareTest, StatusFaultRefusesTheNextCommandsThenClears) {
    board_->FailNextCommands(2, 0x05);
    EXPECT_EQ(client_->Exchange(I2CWrite8(0x3C, 0x30, {0x99}), 1), Bytes{0x05});
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x30, 1), 2), Bytes{0x05});
    EXPECT_EQ(client_->Exchange(I2CRead8(0x3C, 0x30, 1), 2), Ok({0x00})) << "the failed write did nothing";
    EXPECT_EQ(board_->Info().faults.statusCount, 0u);
}

TEST_F(FirmwareTest, RefusedCommandFailsEveryTimeWhileOthersWorkUntilCleared) {
    board_->WriteFlash(0x100000, {0x11, 0x22});
    board_->RefuseCommand(tkr::kCmdSpiWrite, 0x07);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(client_->Exchange(SpiWrite(0x100000, {0xAA, 0xBB}), 1), Bytes{0x07}) << attempt;
    }
    EXPECT_EQ(client_->Exchange(SpiRead(0x100000, 2), 3), Ok({0x11, 0x22}))
        << "the refused writes kept nothing";
    EXPECT_EQ(client_->Exchange(FpgaWrite(0x40000100, Be32(0x12)), 1), Ok());
    EXPECT_EQ(board_->ReadFpga(0x40000100), 0x12u);
    const BoardFaults faults = board_->Info().faults;
    EXPECT_TRUE(faults.refuseArmed);
    EXPECT_EQ(faults.refusedCommand, tkr::kCmdSpiWrite);
    EXPECT_EQ(faults.refusedStatus, 0x07);

    // A refused boot-memory header still swallows its image, which is then not programmed.
    board_->RefuseCommand(tkr::kCmdBootMemProgram, 0x09);
    EXPECT_EQ(client_->Exchange(BootProgramHeader(0x100000, 2), 1), Bytes{0x09});
    EXPECT_EQ(client_->Exchange({0xCC, 0xDD}, 1), Bytes{0x09});
    EXPECT_EQ(board_->ReadFlash(0x100000, 2), (Bytes{0x11, 0x22}));

    board_->ClearFaults();
    EXPECT_FALSE(board_->Info().faults.refuseArmed);
    EXPECT_EQ(client_->Exchange(SpiWrite(0x100000, {0xAA, 0xBB}), 1), Ok());
    EXPECT_EQ(board_->ReadFlash(0x100000, 2), (Bytes{0xAA, 0xBB}));
    EXPECT_THROW(board_->RefuseCommand(tkr::kCmdSpiRead, 0), tkbsim::Error);
}

TEST_F(FirmwareTest, BadFlashRegionAcknowledgesButKeepsOldContents) {
    board_->SetBadFlash(0x100010, 4);
    const Bytes image = Pattern(64, 4);
    EXPECT_EQ(client_->Exchange(BootProgramHeader(0x100000, 64), 1), Ok());
    EXPECT_EQ(client_->Exchange(image, 1), Ok());
    Bytes expected = image;
    std::fill(expected.begin() + 0x10, expected.begin() + 0x14, 0xFF);
    EXPECT_EQ(board_->ReadFlash(0x100000, 64), expected);
}

TEST_F(FirmwareTest, CutReplyFault) {
    board_->CutNextReply(2);
    EXPECT_EQ(client_->Exchange(VersionRequest(10), 11), Ok({35}));
    EXPECT_EQ(client_->Exchange(VersionRequest(2), 3), Ok({35, 0x05})) << "one reply only";
}

TEST_F(FirmwareTest, FrameLogKeepsEveryFrameWithItsSenderAndMarksImageData) {
    board_->ClearLog();
    client_->Exchange(I2CWrite8(0x3C, 0x10, {0x01, 0x02}), 1);
    client_->Exchange(BootProgramHeader(0x100000, 4096), 1);
    client_->Exchange(Pattern(4096, 5), 1);
    uint64_t overwritten = 1;
    const auto frames = board_->Log(overwritten);
    EXPECT_EQ(overwritten, 0u);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].head, (Bytes{0x01, 0x78, 0x10, 0x01, 0x02}));
    EXPECT_EQ(frames[0].length, 5u);
    EXPECT_FALSE(frames[0].imageData);
    EXPECT_EQ(frames[1].sequence, 1u);
    EXPECT_TRUE(frames[2].imageData);
    EXPECT_EQ(frames[2].length, 4096u);
    EXPECT_EQ(frames[2].head.size(), 48u);
    EXPECT_NE(frames[0].pid, 0u);
    EXPECT_EQ(frames[0].pid, frames[2].pid);
}

TEST_F(FirmwareTest, FrameLogRingKeepsTheNewestFrames) {
    board_->ClearLog();
    for (int i = 0; i < 4100; ++i) {
        client_->Exchange(I2CWrite8(0x3C, 0x00, {static_cast<uint8_t>(i)}), 1);
    }
    uint64_t overwritten = 0;
    const auto frames = board_->Log(overwritten);
    EXPECT_EQ(overwritten, 4u);
    ASSERT_EQ(frames.size(), 4096u);
    EXPECT_EQ(frames.front().sequence, 4u);
    EXPECT_EQ(frames.back().head.back(), static_cast<uint8_t>(4099));
}

TEST_F(FirmwareTest, BoardOfItsOwnFirmwareAnswersIdentificationThroughRestarts) {
    const uint32_t number = folder_
                                .Create({NewBoard{.model = FindModel("TKB-20"),
                                                  .version = {{150, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0x09}},
                                                  .letters = {{'O', 0, 'Z', 0}}}})
                                .at(0);
    DriverClient client(driver_, VirtualDriver::DevicePath(number));
    const auto letters = [&] { return client.Exchange(FpgaRead(tkr::kRegIdentA, 16), 17); };
    const Bytes expected = Ok({0, 0, 0, 'O', 0, 0, 0, 0, 0, 0, 0, 'Z', 0, 0, 0, 0});
    EXPECT_EQ(client.Exchange(VersionRequest(10), 11), Ok({150, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0x09}));
    EXPECT_EQ(letters(), expected);
    ASSERT_EQ(client.Exchange(FpgaWrite(tkr::kRegRestart, {0, 0, 0, 0x80}), 1), Ok());
    EXPECT_EQ(letters(), expected) << "the letters are the FPGA's power-on values";
    folder_.Open(number)->Unplug();
    folder_.Open(number)->Plug();
    const BoardInfo info = folder_.Open(number)->Info();
    EXPECT_EQ(info.letters, (std::array<char, 4>{'O', 0, 'Z', 0}));
    EXPECT_EQ(info.version[9], 0x09);

    // A board of the model's own firmware keeps the model's answers.
    EXPECT_EQ(board_->Info().letters, (std::array<char, 4>{'T', 'U', 'K', 'M'}));
    EXPECT_EQ(board_->ReadFpga(tkr::kRegIdentB), uint32_t{'U'});
}

}  // namespace
}  // namespace tkbsim::test
