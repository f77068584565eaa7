// Start-up and the status report against virtual boards of every model: what the boards' firmware
// answers is identified and reported as the real boards would be.
#include <gtest/gtest.h>

#include <optional>

#include "startup/startup.h"
#include "status/status_report.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"
#include "tkbsim/fpga_registers.h"

namespace tkbctl::test {
namespace {

class FixedHost : public StartupHost {
public:
    std::optional<int> selection;
    int32_t usbVersion = 0;
    std::vector<std::vector<std::string>> selections;

    std::optional<int> SelectBoard(const std::vector<std::string>& entries) override {
        selections.push_back(entries);
        return selection;
    }
    int32_t QueryUsbVersion(uint16_t, uint16_t) override { return usbVersion; }
    void Pause(std::chrono::milliseconds) override {}
};

class VirtualBoardTest : public ::testing::Test {
protected:
    BoardIdentity identity_;
    RecordingMessages messages_;
    CTkrUsbControl control_{identity_, messages_};
    FixedHost host_;
};

TEST_F(VirtualBoardTest, EveryModelIsIdentifiedAsItself) {
    for (const tkbsim::ModelInfo& model : tkbsim::kModels) {
        SCOPED_TRACE(model.name);
        VirtualBoards boards({model.name});
        host_.usbVersion = model.usbRelease;
        const StartupOutcome outcome = RunStartup(control_, identity_, host_);
        EXPECT_TRUE(outcome.deviceFound);
        EXPECT_EQ(identity_.modelName, model.name);
        EXPECT_EQ(identity_.boardType, model.boardType);
        EXPECT_EQ(outcome.title, WindowTitle(model.name, model.usbRelease));
        const bool rjq = std::string(model.name) == "RJQ-10";
        EXPECT_EQ(outcome.disabledControls.size(), rjq ? 2u : 0u);
        // Only boards whose FPGA carries them are asked for the identification registers.
        EXPECT_EQ(boards.FpgaReads(0).size(), rjq ? 0u : 4u);
    }
    EXPECT_TRUE(host_.selections.empty());
}

TEST_F(VirtualBoardTest, ThreeBoardsWithTheirIds) {
    VirtualBoards boards({"TKB-20U", "TKB-20", "TKF-20"});
    boards.Board(0)->WriteFlash(0x1F0000 + 138, {5, 0});
    boards.Board(1)->WriteFlash(0x1F0000 + 138, {0, 0});
    boards.Board(2)->WriteFlash(0x1F0000 + 138, {120, 0});
    host_.selection = 2;
    host_.usbVersion = 0x0300;

    const StartupOutcome outcome = RunStartup(control_, identity_, host_);
    ASSERT_EQ(host_.selections.size(), 1u);
    EXPECT_EQ(host_.selections[0], (std::vector<std::string>{"0: TKB-20U (UVC) [ID=5]", "1: TKB-20 (HDMI)",
                                                             "2: TKF-20 (HDMI-UVC)"}));
    EXPECT_EQ(control_.BoardIndex(), 2);
    EXPECT_EQ(identity_.modelName, "TKF-20");
    EXPECT_EQ(outcome.title, "TKBCtl [TKF-20](USB3.0)");
}

TEST_F(VirtualBoardTest, NoVirtualBoardMeansNoDevice) {
    VirtualBoards boards({});
    const StartupOutcome outcome = RunStartup(control_, identity_, host_);
    EXPECT_FALSE(outcome.deviceFound);
    EXPECT_EQ(outcome.title, "TKBCtl +[No Device]");
    EXPECT_EQ(outcome.disabledControls.size(), 7u);
}

TEST_F(VirtualBoardTest, StatusReportOfAnFpgaBoard) {
    VirtualBoards boards({"TKB-20U"});
    identity_ = {"TKB-20U", 1};
    boards.Board(0)->WriteFpga(tkr::kRegVpbErr, 0x12345);
    boards.Board(0)->WriteFpga(tkr::kRegCtrlStts, 0x80000000);
    EXPECT_EQ(BuildStatusReport(control_, identity_),
              "Custom Code = TUKM\r\n"
              "CTRL_STTS = -2147483648\r\n"
              "VPB_SYS = 0x0001\r\n"
              "VPB_PF = 0x0002\r\n"
              "VPB_ERR = 0x12345\r\n"
              "TCB_SYNC = 0x0003\r\n"
              "TCB_SYS = 0x0001\r\n"
              "TCB_DCK_CNT = 148500\r\n"
              "TCB_DEPP = 1920\r\n"
              "TCB_DEPR = 1080\r\n"
              "TCB_HSPP = 2200\r\n"
              "TCB_HSPR = 1125\r\n");
    EXPECT_EQ(boards.FpgaReads(0),
              (std::vector<uint32_t>{0xB0000000, 0xB0000004, 0xB0000008, 0x10000004, 0x10000010, 0x10000040,
                                     0x10000044, 0x10000048, 0x1000004C, 0x10000050, 0x080000D0, 0x080000D4,
                                     0x080000D8, 0x080000DC, 0x18000000}));
}

TEST_F(VirtualBoardTest, StatusReportOfAMipiBoard) {
    VirtualBoards boards({"TKB-20-MIPI"});
    identity_ = {"TKB-20-MIPI", 0};
    const std::string text = BuildStatusReport(control_, identity_);
    EXPECT_EQ(text.substr(0, text.find("VPB_SYS")),
              "Custom Code = RH\r\n"
              "LANE_CONTROL = 0x0004\r\n"
              "CSI2_DATA_TYPE = 0x1E\r\n"
              "CTRL_STTS = 1\r\n");
    EXPECT_EQ(boards.FpgaReads(0).size(), 17u);
}

TEST_F(VirtualBoardTest, StatusReportOfAnHdmiReceiverBoard) {
    VirtualBoards boards({"TKD-20"});
    identity_ = {"TKD-20", 0};
    EXPECT_EQ(BuildStatusReport(control_, identity_),
              "HDMI Width = 1920\r\n"
              "HDMI Height = 1080\r\n"
              "Format = YUV_709\r\n"
              "MAN_CP_CSC_EN = 0\r\n"
              "CSC Conversion = 709->RGB\r\n");
    EXPECT_EQ(boards.Board(0)->ReadFpga(tkr::kRegHdmiPath), 0x00000100u);

    // An interlaced deep-colour input with a manual conversion.
    boards.Board(0)->WriteI2C(tkr::kHdmiReceiverSlave, 0x0B, {0xE0});
    boards.Board(0)->WriteI2C(tkr::kHdmiReceiverSlave, 0x53, {0x0C});
    boards.Board(0)->WriteI2C(tkr::kHdmiCscSlave, 0x69, {0x10});
    boards.Board(0)->WriteI2C(tkr::kHdmiCscSlave, 0xF4, {0x20});
    identity_.modelName = "tkf-20";
    EXPECT_EQ(BuildStatusReport(control_, identity_),
              "HDMI Width = 1920\r\n"
              "HDMI Height = 1080\r\n"
              "[Warning] Interlaced Input!\r\n"
              "[Warning] Deep Color Mode Input! \r\n"
              "Format = \r\n"
              "MAN_CP_CSC_EN = 1\r\n"
              "CSC Conversion = \r\n");
}

}  // namespace
}  // namespace tkbctl::test
