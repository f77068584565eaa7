#include "board/tkr_usb_control.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "TKR50API.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"

namespace tkbctl::test {
namespace {

using Bytes = std::vector<uint8_t>;

// The wrapper goes by the identity it is given, not by what the board is: one board of any model
// serves, unless a test attaches others.
class WrapperTest : public ::testing::Test {
protected:
    void Attach(const std::vector<const char*>& models) { boards_.emplace(models); }
    std::vector<tkbsim::LoggedFrame> Log(size_t index) {
        uint64_t overwritten = 0;
        return boards_->Board(index)->Log(overwritten);
    }

    std::optional<VirtualBoards> boards_{std::in_place, std::vector<const char*>{"TKB-20"}};
    BoardIdentity identity_;
    RecordingMessages messages_;
};

TEST_F(WrapperTest, LastResultFollowsEachStoredCall) {
    CTkrUsbControl control(identity_, messages_);
    EXPECT_EQ(control.LastResult(), 0);

    ASSERT_TRUE(control.OpenBoard());
    EXPECT_EQ(control.LastResult(), 1);
    boards_->Board(0)->RefuseCommand(0x01, 0x05);
    const uint8_t data[1] = {0xAA};
    EXPECT_FALSE(control.I2CWrite(0x3C, 0x10, 1, data, false));
    EXPECT_EQ(control.LastResult(), static_cast<int32_t>(0xE0000005));
    EXPECT_TRUE(control.CloseBoard());
    EXPECT_EQ(control.LastResult(), 1);
}

TEST_F(WrapperTest, BracketClosesEvenAfterAFailedOpen) {
    CTkrUsbControl control(identity_, messages_);
    // Another holder has the shared open flag: the bracket's open fails, its close clears the flag.
    ASSERT_EQ(TKR50API_Open(2, 0), 1);
    const uint8_t data[2] = {0x01, 0x02};
    EXPECT_FALSE(control.WriteRegister(0x3C, 0x10, data, 2, false));
    EXPECT_EQ(control.LastResult(), 1);
    EXPECT_TRUE(Log(0).empty());
    EXPECT_TRUE(control.OpenBoard());
}

TEST_F(WrapperTest, BoardThatDoesNotOpenFailsEveryBracketedOperation) {
    boards_->Board(0)->StopOpeningAfter(0);
    CTkrUsbControl control(identity_, messages_);
    uint8_t buffer[16] = {};
    EXPECT_FALSE(control.ReadRegister(8, 0x10000000, buffer, 4, false, false));
    EXPECT_FALSE(control.ReadVersionInfo(10, buffer));
    EXPECT_FALSE(control.ReadSettingsFromBoard(16, buffer));
    EXPECT_FALSE(control.UpdateFX3(4, buffer));
    EXPECT_EQ(control.LastResult(), 1);
    EXPECT_TRUE(Log(0).empty());
}

TEST_F(WrapperTest, DestructionReleasesTheBoard) {
    {
        CTkrUsbControl control(identity_, messages_);
        ASSERT_TRUE(control.OpenBoard());
    }
    CTkrUsbControl next(identity_, messages_);
    EXPECT_TRUE(next.OpenBoard());
}

TEST_F(WrapperTest, OpensTheChosenBoardIndex) {
    Attach({"TKB-20", "TKB-20", "TKB-20"});
    CTkrUsbControl control(identity_, messages_);
    control.SetBoardIndex(2);
    uint8_t version[10];
    ASSERT_TRUE(control.ReadVersionInfo(10, version));
    EXPECT_EQ(boards_->Opens(2), 1u);
    EXPECT_EQ(boards_->Opens(0), 0u);
    EXPECT_TRUE(Log(0).empty());
    EXPECT_TRUE(Log(1).empty());
    EXPECT_EQ(boards_->Frames(2).at(0), (Bytes{0xF0, 0x0A, 0x00, 0x00, 0x00}));
}

TEST_F(WrapperTest, FpgaSlaveGoesToTheFpgaRegisterSpace) {
    CTkrUsbControl control(identity_, messages_);
    const uint8_t value[4] = {0x00, 0x00, 0x01, 0x00};
    EXPECT_TRUE(control.WriteRegister(8, 0x28000000, value, 4, false));
    boards_->Board(0)->WriteFpga(0x18000000, 0x11223344);
    uint8_t buffer[4] = {};
    EXPECT_TRUE(control.ReadRegister(8, 0x18000000, buffer, 4, true, true));
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0x11, 0x22, 0x33, 0x44}));

    const auto frames = boards_->Frames(0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0],
              (Bytes{0x08, 0x99, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(frames[1], (Bytes{0x07, 0x99, 0x18, 0x00, 0x00, 0x00, 0x00, 0x04}));
}

TEST_F(WrapperTest, FpgaAccessSucceedsEvenWhenTheBoardRefusesIt) {
    boards_->Board(0)->RefuseCommand(0x07, 0x03);
    CTkrUsbControl control(identity_, messages_);
    uint8_t buffer[4] = {0xA5, 0xA5, 0xA5, 0xA5};
    EXPECT_TRUE(control.ReadRegister(8, 0x10000004, buffer, 4, false, false));
    EXPECT_EQ(control.LastResult(), 1);  // the close's result
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0xA5, 0xA5, 0xA5, 0xA5}));

    boards_->Board(0)->RefuseCommand(0x08, 0x03);
    ASSERT_TRUE(control.OpenBoard());
    EXPECT_TRUE(control.WriteRegisterDirect(8, 0x28000000, buffer, 4, false));
    EXPECT_EQ(control.LastResult(), static_cast<int32_t>(0xE0000003));
    control.CloseBoard();
}

TEST_F(WrapperTest, I2CWritesCarrySlaveSubAddressAndData) {
    CTkrUsbControl control(identity_, messages_);
    const uint8_t data[2] = {0x01, 0x02};
    EXPECT_TRUE(control.WriteRegister(0x3C, 0x10, data, 2, false));
    EXPECT_TRUE(control.WriteRegister(0x10, 0x3012, data, 1, true));
    ASSERT_TRUE(control.OpenBoard());
    EXPECT_TRUE(control.WriteRegisterDirect(0x3C, 0x20, data + 1, 1, false));
    control.CloseBoard();

    const auto writes = boards_->FramesOf(0, 0x01);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], (Bytes{0x01, 0x78, 0x10, 0x01, 0x02}));
    EXPECT_EQ(writes[1], (Bytes{0x01, 0x20, 0x30, 0x12, 0x01}));
    EXPECT_EQ(writes[2], (Bytes{0x01, 0x78, 0x20, 0x02}));
}

TEST_F(WrapperTest, FailedI2CWriteFailsTheOperation) {
    boards_->Board(0)->RefuseCommand(0x01, 0x04);
    CTkrUsbControl control(identity_, messages_);
    const uint8_t data[1] = {0x01};
    EXPECT_FALSE(control.WriteRegister(0x3C, 0x10, data, 1, false));
    ASSERT_TRUE(control.OpenBoard());
    EXPECT_FALSE(control.WriteRegisterDirect(0x3C, 0x10, data, 1, false));
    EXPECT_EQ(control.LastResult(), static_cast<int32_t>(0xE0000004));
    control.CloseBoard();
}

TEST_F(WrapperTest, ReadWithoutRepeatedStartSetsThePointerFirst) {
    boards_->Board(0)->WriteI2C(0x3C, 0x10, {0x5A, 0x6B});
    CTkrUsbControl control(identity_, messages_);
    uint8_t buffer[2] = {};
    EXPECT_TRUE(control.ReadRegister(0x3C, 0x10, buffer, 2, false, false));
    EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0x5A, 0x6B}));
    EXPECT_TRUE(control.ReadRegister(0x10, 0x3012, buffer, 1, true, false));

    const auto frames = boards_->Frames(0);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], (Bytes{0x01, 0x78, 0x10}));
    EXPECT_EQ(frames[1], (Bytes{0x00, 0x79, 0x01, 0x02}));
    EXPECT_EQ(frames[2], (Bytes{0x01, 0x20, 0x30, 0x12}));
    EXPECT_EQ(frames[3], (Bytes{0x00, 0x21, 0x01, 0x01}));
}

TEST_F(WrapperTest, TwoStepReadSucceedsWhateverTheBusSays) {
    // The pointer write and the read that follows it both fail.
    boards_->Board(0)->FailNextCommands(2, 0x04);
    CTkrUsbControl control(identity_, messages_);
    uint8_t buffer[1] = {0x77};
    EXPECT_TRUE(control.ReadRegister(0x3C, 0x10, buffer, 1, false, false));
    EXPECT_EQ(buffer[0], 0x77);
    EXPECT_EQ(boards_->Frames(0).size(), 2u);
}

TEST_F(WrapperTest, RepeatedStartReadIsOneTransferAndReportsFailure) {
    boards_->Board(0)->WriteI2C(0x3C, 0x10, {0x5A});
    CTkrUsbControl control(identity_, messages_);
    uint8_t buffer[1] = {};
    EXPECT_TRUE(control.ReadRegister(0x3C, 0x10, buffer, 1, false, true));
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_EQ(boards_->Frames(0).at(0), (Bytes{0x00, 0x78, 0x10, 0x01}));

    boards_->Board(0)->RefuseCommand(0x00, 0x04);
    EXPECT_FALSE(control.ReadRegister(0x3C, 0x10, buffer, 1, false, true));
    EXPECT_EQ(control.LastResult(), 1);
}

// Where each board type keeps its settings block and images, seen in the frames that reach the board.
struct AddressCase {
    int boardType;
    const char* model;
    uint32_t settings;
    uint32_t fx3;
    uint32_t fpga;
};

class WrapperAddressTest : public WrapperTest, public ::testing::WithParamInterface<AddressCase> {};

uint32_t FlashAddressOf(const Bytes& frame) {
    return (frame[2] << 16) | (frame[3] << 8) | frame[4];
}

TEST_P(WrapperAddressTest, SettingsAndImagesGoToTheBoardTypesAddresses) {
    const AddressCase& c = GetParam();
    identity_ = {c.model, c.boardType};
    CTkrUsbControl control(identity_, messages_);
    const Bytes image(16, 0x5A);
    Bytes buffer(16);

    EXPECT_TRUE(control.WriteSettingsToBoard(16, image.data()));
    EXPECT_TRUE(control.ReadSettingsFromBoard(16, buffer.data()));
    EXPECT_EQ(buffer, image);
    EXPECT_TRUE(control.UpdateFX3(16, image.data()));
    EXPECT_TRUE(control.UpdateFPGA(16, image.data()));
    EXPECT_TRUE(control.UpdateMulti(16, image.data()));
    EXPECT_TRUE(control.ReadBackFX3(16, buffer.data()));
    EXPECT_TRUE(control.ReadBackFPGA(16, buffer.data()));
    EXPECT_TRUE(control.ReadBackMulti(16, buffer.data()));

    const auto settingsWrite = boards_->FramesOf(0, 0x04).at(0);
    EXPECT_EQ(
        Bytes(settingsWrite.begin(), settingsWrite.begin() + 8),
        (Bytes{0x04, 0xE7, uint8_t(c.settings >> 16), uint8_t(c.settings >> 8), 0x00, 0x00, 0x00, 0x10}));
    EXPECT_EQ(FlashAddressOf(boards_->FramesOf(0, 0x03).at(0)), c.settings);

    // Images: FX3, FPGA, then the whole-flash image at 0; read back in the same order.
    std::vector<uint32_t> written, read;
    for (const Bytes& frame : boards_->FramesOf(0, 0x05))
        written.push_back(FlashAddressOf(frame));
    for (const Bytes& frame : boards_->FramesOf(0, 0x06))
        read.push_back(FlashAddressOf(frame));
    EXPECT_EQ(written, (std::vector<uint32_t>{c.fx3, c.fpga, 0}));
    EXPECT_EQ(read, (std::vector<uint32_t>{c.fx3, c.fpga, 0}));
    EXPECT_TRUE(messages_.All().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryBoardType, WrapperAddressTest,
                         ::testing::Values(AddressCase{10, "TKR-90", 0xFF0000, 0x300000, 0x000000},
                                           AddressCase{1, "TKF-20", 0x1F0000, 0x100000, 0x080000},
                                           AddressCase{1, "TKB-20U", 0x1F0000, 0x180000, 0x080000},
                                           AddressCase{1, "tkf-20", 0x1F0000, 0x180000, 0x080000},
                                           AddressCase{1, "TKB-20U-MIPI", 0x1F0000, 0x180000, 0x080000},
                                           AddressCase{0, "TKB-20", 0x1F0000, 0x100000, 0x000000},
                                           AddressCase{2, "TKR-50U", 0x1F0000, 0x100000, 0x000000},
                                           AddressCase{4, "TKB-20W", 0x1F0000, 0x100000, 0x000000}));

TEST_F(WrapperTest, BoardTypeThreeRefusesUpdatesWithoutOpening) {
    identity_ = {"RJQ-10", 3};
    CTkrUsbControl control(identity_, messages_);
    const Bytes image(0x80001, 0x5A);
    EXPECT_FALSE(control.UpdateFX3(16, image.data()));
    EXPECT_FALSE(control.UpdateFPGA(0x80001, image.data()));  // the type is judged before the size
    EXPECT_FALSE(control.UpdateMulti(16, image.data()));
    EXPECT_EQ(boards_->Opens(0), 0u);
    const auto refusal = RecordingMessages::Text("Not inplemented yet.", "Error");
    EXPECT_EQ(messages_.All(), (std::vector<RecordingMessages::Shown>{refusal, refusal, refusal}));

    // It still reads back and keeps its settings at its own address.
    Bytes buffer(16);
    EXPECT_TRUE(control.ReadBackFX3(16, buffer.data()));
    EXPECT_TRUE(control.ReadBackFPGA(16, buffer.data()));
    EXPECT_TRUE(control.ReadSettingsFromBoard(16, buffer.data()));
    EXPECT_EQ(FlashAddressOf(boards_->FramesOf(0, 0x06).at(0)), 0x100000u);
    EXPECT_EQ(FlashAddressOf(boards_->FramesOf(0, 0x06).at(1)), 0x000000u);
    EXPECT_EQ(FlashAddressOf(boards_->FramesOf(0, 0x03).at(0)), 0x070000u);
}

TEST_F(WrapperTest, FpgaImageSizeLimit) {
    CTkrUsbControl control(identity_, messages_);
    const Bytes image(0x80001, 0x5A);
    EXPECT_FALSE(control.UpdateFPGA(0x80001, image.data()));
    EXPECT_EQ(boards_->Opens(0), 0u);
    EXPECT_EQ(messages_.All(),
              (std::vector<RecordingMessages::Shown>{RecordingMessages::Text("Too large size!", "Error")}));

    EXPECT_TRUE(control.UpdateFPGA(0x80000, image.data()));
    // The header, then the image as one data frame, whole in the flash where the header sent it.
    const std::vector<tkbsim::LoggedFrame> log = Log(0);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].head, (Bytes{0x05, 0xE7, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00}));
    EXPECT_EQ(log[0].length, 8u);
    EXPECT_TRUE(log[1].imageData);
    EXPECT_EQ(log[1].length, 0x80000u);
    EXPECT_EQ(boards_->Board(0)->ReadFlash(0, 0x80000), Bytes(image.begin(), image.begin() + 0x80000));
    // A whole-flash image has no limit.
    EXPECT_TRUE(control.UpdateMulti(0x80001, image.data()));
    EXPECT_EQ(messages_.All().size(), 1u);
}

TEST_F(WrapperTest, VersionRequestCountsOnceTheBoardOpened) {
    Attach({"TKR-50U"});  // version bytes 95, 0x15, 0x00
    CTkrUsbControl control(identity_, messages_);
    uint8_t version[10] = {};
    ASSERT_TRUE(control.ReadVersionInfo(10, version));
    EXPECT_EQ(version[0], 95);
    EXPECT_EQ(boards_->Frames(0).at(0), (Bytes{0xF0, 0x0A, 0x00, 0x00, 0x00}));

    // A refused request still counts; the buffer keeps what it held.
    boards_->Board(0)->RefuseCommand(0xF0, 0x01);
    uint8_t cleared[10] = {};
    EXPECT_TRUE(control.ReadVersionInfo(10, cleared));
    EXPECT_EQ(Bytes(cleared, cleared + 10), Bytes(10, 0));
}

TEST(ResultTextTest, LibraryCodes) {
    EXPECT_EQ(CTkrUsbControl::ResultText(1), "正常終了");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000001)),
              "TKR専用USB2.0ドライバをオープンできません");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000002)),
              "同じアプリケーションからは二重にオープンできません");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000003)),
              "ドライバがオープンされていません。");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000004)), "引数に間違いがあります");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000005)), "TKRUSB20_RET_ERROR_COM");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000006)), "TKRUSB20_RET_ERROR_NOIDLE");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000007)), "TKRUSB20_RET_ERROR_FMUPDATE_T");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000008)), "TKRUSB20_RET_ERROR_FPUPDATE_T");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF0000009)), "TKRUSB20_RET_ERROR_GSTS2_T");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF000000A)), "TKRUSB20_RET_ERROR_MDATA_T");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF1000000)), "TKRUSB20_RET_ERROR_TKR");
}

TEST(ResultTextTest, OtherCodesShowTheCodeInLowerCaseHex) {
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xE0000005)), "Win32APIエラー：e0000005");
    EXPECT_EQ(CTkrUsbControl::ResultText(static_cast<int32_t>(0xF000000B)), "Win32APIエラー：f000000b");
    EXPECT_EQ(CTkrUsbControl::ResultText(0), "Win32APIエラー：0");
    EXPECT_EQ(CTkrUsbControl::ResultText(-1), "Win32APIエラー：ffffffff");
}

}  // namespace
}  // namespace tkbctl::test
