#include "status/status_report.h"

#include <gtest/gtest.h>

#include "support/recording_messages.h"
#include "support/virtual_boards.h"
#include "tkbsim/board.h"

namespace tkbctl::test {
namespace {

class StatusReportTest : public ::testing::Test {
protected:
    std::string Report(const std::string& model) {
        identity_.modelName = model;
        return BuildStatusReport(control_, identity_);
    }
    tkbsim::Board& Board() { return *board_; }

    // A board with an HDMI receiver, so that both report paths have a board to read.
    VirtualBoards boards_{{"TKD-20"}};
    std::shared_ptr<tkbsim::Board> board_ = boards_.Board(0);
    BoardIdentity identity_;
    RecordingMessages messages_;
    CTkrUsbControl control_{identity_, messages_};
};

void PutFpgaStatus(tkbsim::Board& board) {
    board.WriteFpga(0xB0000000, 0x1);
    board.WriteFpga(0xB0000004, 0xABCDE);
    board.WriteFpga(0xB0000008, 0x0);
    board.WriteFpga(0x10000004, 0x3);
    board.WriteFpga(0x10000010, 0x1);
    board.WriteFpga(0x10000040, 1920);
    board.WriteFpga(0x10000044, 1080);
    board.WriteFpga(0x10000048, 2200);
    board.WriteFpga(0x1000004C, 1125);
    board.WriteFpga(0x10000050, 148500);
    board.WriteFpga(0x18000000, 0xFFFFFFFE);
    // Only the low byte of each custom-code register counts.
    board.WriteFpga(0x080000D0, 0x54000041);
    board.WriteFpga(0x080000D4, 0x00000042);
    board.WriteFpga(0x080000D8, 0x00000043);
    board.WriteFpga(0x080000DC, 0x00000044);
    board.WriteFpga(0x10000064, 0x3);
    board.WriteFpga(0x1000005C, 0x2B);
}

TEST_F(StatusReportTest, FpgaPathReportsEveryStatusRegister) {
    PutFpgaStatus(Board());
    EXPECT_EQ(Report("TKB-20U"),
              "Custom Code = ABCD\r\n"
              "CTRL_STTS = -2\r\n"
              "VPB_SYS = 0x0001\r\n"
              "VPB_PF = 0xABCDE\r\n"
              "VPB_ERR = 0x0000\r\n"
              "TCB_SYNC = 0x0003\r\n"
              "TCB_SYS = 0x0001\r\n"
              "TCB_DCK_CNT = 148500\r\n"
              "TCB_DEPP = 1920\r\n"
              "TCB_DEPR = 1080\r\n"
              "TCB_HSPP = 2200\r\n"
              "TCB_HSPR = 1125\r\n");

    // 15 reads, each in its own connection, in the order the registers are named.
    const auto reads = boards_.FramesOf(0, 0x07);
    ASSERT_EQ(reads.size(), 15u);
    auto address = [](const std::vector<uint8_t>& f) {
        return uint32_t(f[2]) << 24 | f[3] << 16 | f[4] << 8 | f[5];
    };
    const std::vector<uint32_t> expected{0xB0000000, 0xB0000004, 0xB0000008, 0x10000004, 0x10000010,
                                         0x10000040, 0x10000044, 0x10000048, 0x1000004C, 0x10000050,
                                         0x080000D0, 0x080000D4, 0x080000D8, 0x080000DC, 0x18000000};
    std::vector<uint32_t> actual;
    for (const auto& frame : reads)
        actual.push_back(address(frame));
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(Board().Info().opens, 15u);
}

TEST_F(StatusReportTest, MipiBoardsShowLaneControlAndDataType) {
    PutFpgaStatus(Board());
    for (const char* model : {"TKB-20U-MIPI", "TKB-20-MIPI"}) {
        const std::string text = Report(model);
        EXPECT_EQ(text.substr(0, text.find("VPB_SYS")),
                  "Custom Code = ABCD\r\n"
                  "LANE_CONTROL = 0x0003\r\n"
                  "CSI2_DATA_TYPE = 0x2B\r\n"
                  "CTRL_STTS = -2\r\n")
            << model;
    }
    EXPECT_EQ(boards_.FramesOf(0, 0x07).size(), 34u);
    // The MIPI test is exact: another spelling is an ordinary FPGA board.
    const std::string other = Report("tkb-20-mipi");
    EXPECT_EQ(other.find("LANE_CONTROL"), std::string::npos);
}

TEST_F(StatusReportTest, CustomCodeEndsAtTheFirstZeroByte) {
    Board().WriteFpga(0x080000D0, 0x41);
    Board().WriteFpga(0x080000D4, 0x42);
    Board().WriteFpga(0x080000D8, 0x100);  // low byte 0
    Board().WriteFpga(0x080000DC, 0x44);
    EXPECT_EQ(Report("TKB-20").substr(0, 18), "Custom Code = AB\r\n");
    // The registers behind the zero byte are read all the same.
    EXPECT_EQ(boards_.FramesOf(0, 0x07).size(), 15u);
}

TEST_F(StatusReportTest, FailedFpgaReadsShowZero) {
    PutFpgaStatus(Board());
    Board().RefuseCommand(0x07, 0x03);
    const std::string text = Report("TKR-50U");
    EXPECT_EQ(text.substr(0, text.find("TCB_SYS")),
              "Custom Code = \r\n"
              "CTRL_STTS = 0\r\n"
              "VPB_SYS = 0x0000\r\n"
              "VPB_PF = 0x0000\r\n"
              "VPB_ERR = 0x0000\r\n"
              "TCB_SYNC = 0x0000\r\n");
}

void PutReceiver(tkbsim::Board& board, uint8_t r07, uint8_t r08, uint8_t r09, uint8_t r0a, uint8_t r0b,
                 uint8_t r53, uint8_t r69, uint8_t rf4) {
    board.WriteI2C(0x34, 0x07, {r07});
    board.WriteI2C(0x34, 0x08, {r08});
    board.WriteI2C(0x34, 0x09, {r09});
    board.WriteI2C(0x34, 0x0A, {r0a});
    board.WriteI2C(0x34, 0x0B, {r0b});
    board.WriteI2C(0x34, 0x53, {r53});
    board.WriteI2C(0x22, 0x69, {r69});
    board.WriteI2C(0x22, 0xF4, {rf4});
}

TEST_F(StatusReportTest, ReceiverPathReportsTheDetectedInput) {
    PutReceiver(Board(), 0xE7, 0x80, 0x04, 0x38, 0x00, 0x03, 0x10, 0x30);
    EXPECT_EQ(Report("TKD-20"),
              "HDMI Width = 1920\r\n"
              "HDMI Height = 1080\r\n"
              "Format = YUV_709\r\n"
              "MAN_CP_CSC_EN = 1\r\n"
              "CSC Conversion = 709->RGB\r\n");

    // The path write first, then each register as a pointer write and a separate one-byte read.
    const auto frames = boards_.Frames(0);
    ASSERT_EQ(frames.size(), 17u);
    EXPECT_EQ(frames[0], (std::vector<uint8_t>{0x08, 0x99, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00,
                                               0x00, 0x01, 0x00}));
    const std::vector<std::pair<uint8_t, uint8_t>> registers{{0x34, 0x07}, {0x34, 0x08}, {0x34, 0x09},
                                                             {0x34, 0x0A}, {0x34, 0x0B}, {0x34, 0x53},
                                                             {0x22, 0x69}, {0x22, 0xF4}};
    for (size_t i = 0; i < registers.size(); ++i) {
        const auto [slave, reg] = registers[i];
        EXPECT_EQ(frames[1 + 2 * i], (std::vector<uint8_t>{0x01, uint8_t(slave << 1), reg})) << i;
        EXPECT_EQ(frames[2 + 2 * i], (std::vector<uint8_t>{0x00, uint8_t((slave << 1) + 1), 0x01, 0x01}))
            << i;
    }
}

TEST_F(StatusReportTest, ReceiverWarningsInOrderAndUnnamedValues) {
    PutReceiver(Board(), 0x00, 0x00, 0x00, 0x00, 0xE0, 0xFC, 0xEF, 0x2F);
    EXPECT_EQ(Report("tkf-20"),
              "HDMI Width = 0\r\n"
              "HDMI Height = 0\r\n"
              "[Warning] Interlaced Input!\r\n"
              "[Warning] Deep Color Mode Input! \r\n"
              "Format = \r\n"
              "MAN_CP_CSC_EN = 0\r\n"
              "CSC Conversion = \r\n");

    PutReceiver(Board(), 0x1F, 0xFF, 0x1F, 0xFF, 0x40, 0x0A, 0x00, 0xF0);
    EXPECT_EQ(Report("TKF-20"),
              "HDMI Width = 8191\r\n"
              "HDMI Height = 8191\r\n"
              "[Warning] Deep Color Mode Input! \r\n"
              "Format = Adobe_RGB\r\n"
              "MAN_CP_CSC_EN = 0\r\n"
              "CSC Conversion = Manual Mode\r\n");
}

}  // namespace
}  // namespace tkbctl::test
