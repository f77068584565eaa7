#include "startup/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "main_window/main_window_ids.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"

namespace tkbctl::test {
namespace {

std::vector<int> Sorted(std::vector<int> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

VersionInfo Version(uint8_t fx3, uint8_t fpgaMinor, uint8_t fpgaMajor) {
    return {fx3, fpgaMinor, fpgaMajor};
}

TEST(IdentificationTest, FpgaVersionAboveZeroPointZeroOneQualifies) {
    EXPECT_FALSE(FpgaVersionQualifies(Version(0, 0x00, 0)));
    EXPECT_FALSE(FpgaVersionQualifies(Version(0, 0x01, 0)));
    EXPECT_TRUE(FpgaVersionQualifies(Version(0, 0x02, 0)));
    EXPECT_TRUE(FpgaVersionQualifies(Version(0, 0x00, 1)));
    EXPECT_TRUE(FpgaVersionQualifies(Version(0, 0x01, 1)));
}

struct RowCase {
    uint8_t fx3;
    uint8_t fpgaMinor;
    char a;
    char b;
    int row;
    const char* model;
    int boardType;
};

class IdentificationRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(IdentificationRowTest, FirstMatchingRowWins) {
    const RowCase& c = GetParam();
    const IdentificationRow& row = MatchIdentification(Version(c.fx3, c.fpgaMinor, 0), c.a, c.b);
    EXPECT_EQ(row.row, c.row);
    EXPECT_EQ(row.model.name, c.model);
    EXPECT_EQ(row.model.boardType, c.boardType);
}

INSTANTIATE_TEST_SUITE_P(
    TableAndItsOrder, IdentificationRowTest,
    ::testing::Values(RowCase{150, 2, 'K', 'U', 1, "TKR-90", 10},
                      RowCase{150, 2, 'S', 'U', 2, "TKB-20U-MIPI", 1},
                      RowCase{150, 2, 'R', 'U', 2, "TKB-20U-MIPI", 1},
                      RowCase{150, 2, 'R', 'W', 3, "TKB-20-MIPI", 0},
                      RowCase{150, 2, 'S', 0, 3, "TKB-20-MIPI", 0},
                      RowCase{150, 2, 'O', 'W', 4, "TKB-20W", 4}, RowCase{150, 2, 0, 'W', 4, "TKB-20W", 4},
                      // 'O' with 'U' is a TKB-20U: the B = 'U' row comes before the A = 'O' rows.
                      RowCase{150, 2, 'O', 'U', 5, "TKB-20U", 1}, RowCase{150, 2, 'T', 'U', 5, "TKB-20U", 1},
                      RowCase{150, 2, 'O', 'V', 6, "TKF-20", 1}, RowCase{150, 2, 'O', 'M', 7, "TKD-20", 0},
                      RowCase{150, 2, 'O', 0, 7, "TKD-20", 0}, RowCase{95, 2, 'T', 'M', 8, "TKB-20", 0},
                      // No known letter: the FX3 version decides, at the edges of its ranges.
                      RowCase{89, 2, 'X', 'Y', 11, "TKB-20U", 1}, RowCase{90, 2, 0, 0, 9, "TKR-50U", 2},
                      RowCase{95, 2, 0, 0, 9, "TKR-50U", 2}, RowCase{99, 2, 0, 0, 9, "TKR-50U", 2},
                      RowCase{100, 2, 0, 0, 10, "TKB-20", 0}, RowCase{150, 2, 0, 0, 10, "TKB-20", 0},
                      RowCase{199, 2, 0, 0, 10, "TKB-20", 0}, RowCase{200, 2, 0, 0, 11, "TKB-20U", 1},
                      RowCase{0, 2, 0, 0, 11, "TKB-20U", 1},
                      // FPGA 0.01 and below: no identification registers, whatever the FX3 says.
                      RowCase{95, 1, 0, 0, 12, "RJQ-10", 3}, RowCase{150, 0, 0, 0, 12, "RJQ-10", 3}));

TEST(WindowTitleTest, UsbVersionAfterTheModelName) {
    EXPECT_EQ(WindowTitle("TKB-20U", 0x0300), "TKBCtl [TKB-20U](USB3.0)");
    EXPECT_EQ(WindowTitle("TKB-20", 0x0200), "TKBCtl [TKB-20](USB2.0)");
    EXPECT_EQ(WindowTitle("TKB-20", 0x0310), "TKBCtl [TKB-20](USB3.16)");
    EXPECT_EQ(WindowTitle("TKB-20", 101), "TKBCtl [TKB-20](USB0.101)");
    EXPECT_EQ(WindowTitle("TKB-20", 100), "TKBCtl [TKB-20](USB?.?)");
    EXPECT_EQ(WindowTitle("TKB-20", -1), "TKBCtl [TKB-20](USB?.?)");
    EXPECT_EQ(WindowTitle("TKB-20", -2), "TKBCtl [TKB-20](USB?.?)");
}

// The windows around start-up: a scripted selection and USB answer, and a log of what was asked.
class ScriptedHost : public StartupHost {
public:
    std::optional<int> selection;
    int32_t usbVersion = 0x0200;

    std::vector<std::vector<std::string>> selections;
    int usbQueries = 0;
    std::vector<std::chrono::milliseconds> pauses;

    std::optional<int> SelectBoard(const std::vector<std::string>& entries) override {
        selections.push_back(entries);
        return selection;
    }
    int32_t QueryUsbVersion(uint16_t vendorId, uint16_t productId) override {
        EXPECT_EQ(vendorId, 0x0525);
        EXPECT_EQ(productId, 0xA115);
        ++usbQueries;
        return usbVersion;
    }
    void Pause(std::chrono::milliseconds duration) override { pauses.push_back(duration); }
};

// A board of firmware no model carries: these version bytes, and letters A and B.
tkbsim::NewBoard BoardAnswering(VersionInfo version, char a, char b) {
    return {.model = tkbsim::FindModel("TKB-20"), .version = version, .letters = {{a, b, 0, 0}}};
}

// A board whose FPGA version (1.02) qualifies, with letters A and B.
tkbsim::NewBoard WithLetters(uint8_t fx3, char a, char b) {
    return BoardAnswering(Version(fx3, 0x02, 0x01), a, b);
}

class StartupTest : public ::testing::Test {
protected:
    VirtualBoards& Attach(std::initializer_list<tkbsim::NewBoard> boards) { return boards_.emplace(boards); }
    StartupOutcome Run() { return RunStartup(control_, identity_, host_); }
    // The UVC_BoardID field of a board's settings block at the first board type's address.
    void SetBoardId(size_t index, uint16_t id) {
        boards_->Board(index)->WriteFlash(0x1F0000 + 138,
                                          {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8)});
    }

    BoardIdentity identity_;
    RecordingMessages messages_;
    CTkrUsbControl control_{identity_, messages_};
    ScriptedHost host_;
    std::optional<VirtualBoards> boards_;
};

TEST_F(StartupTest, OneBoardIsUsedWithoutASelection) {
    host_.usbVersion = 0x0300;
    Attach({WithLetters(35, 'T', 'U')});
    const StartupOutcome outcome = Run();
    EXPECT_TRUE(outcome.deviceFound);
    EXPECT_TRUE(host_.selections.empty());
    EXPECT_EQ(outcome.title, "TKBCtl [TKB-20U](USB3.0)");
    EXPECT_TRUE(outcome.disabledControls.empty());
    EXPECT_EQ(identity_.modelName, "TKB-20U");
    EXPECT_EQ(identity_.boardType, 1);
    EXPECT_EQ(control_.BoardIndex(), 0);
    EXPECT_EQ(host_.pauses, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(100)}));
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(StartupTest, ThreeBoardsAreListedAndOnlyIdsUpTo99Shown) {
    host_.selection = std::nullopt;  // the selection is closed without OK
    Attach({WithLetters(35, 'T', 'U'), WithLetters(150, 0, 0), WithLetters(60, 'K', 'R')});
    SetBoardId(0, 5);
    SetBoardId(1, 0);
    SetBoardId(2, 120);
    Run();
    ASSERT_EQ(host_.selections.size(), 1u);
    EXPECT_EQ(host_.selections[0],
              (std::vector<std::string>{"0: TKB-20U (UVC) [ID=5]", "1: TKB-20 (?)", "2: TKR-90 (UVC)"}));
    EXPECT_EQ(control_.BoardIndex(), 0);
    EXPECT_EQ(identity_.modelName, "TKB-20U");
}

TEST_F(StartupTest, BoardIdLimitsAndUnreadableSettings) {
    const tkbsim::NewBoard board = WithLetters(120, 'T', 'M');
    Attach({board, board, board, board, board});
    SetBoardId(0, 1);
    SetBoardId(1, 99);
    SetBoardId(2, 100);
    SetBoardId(3, 7);
    boards_->Board(3)->RefuseCommand(0x03, 0x03);  // its settings cannot be read
    SetBoardId(4, 0x0105);
    Run();
    ASSERT_EQ(host_.selections.size(), 1u);
    EXPECT_EQ(host_.selections[0],
              (std::vector<std::string>{"0: TKB-20 (HDMI) [ID=1]", "1: TKB-20 (HDMI) [ID=99]",
                                        "2: TKB-20 (HDMI)", "3: TKB-20 (HDMI)", "4: TKB-20 (HDMI)"}));
}

TEST_F(StartupTest, SettingsBlockIsReadAtTheFirstBoardTypesAddress) {
    // An RJQ-10 keeps its block elsewhere, but its type is not known yet while the list is built.
    Attach({BoardAnswering(Version(12, 0x01, 0), 0, 0)});
    boards_->Board(0)->WriteFlash(0x070000 + 138, {9, 0});
    SetBoardId(0, 4);
    Run();
    EXPECT_EQ(boards_->FramesOf(0, 0x03).at(0),
              (std::vector<uint8_t>{0x03, 0xE7, 0x1F, 0x00, 0x00, 0x02, 0x00}));
}

TEST_F(StartupTest, TheChosenBoardIsIdentified) {
    host_.selection = 2;
    host_.usbVersion = 0x0310;
    Attach({WithLetters(35, 'T', 'U'), WithLetters(150, 0, 0), WithLetters(50, 'O', 'V')});
    const StartupOutcome outcome = Run();
    EXPECT_EQ(control_.BoardIndex(), 2);
    EXPECT_EQ(identity_.modelName, "TKF-20");
    EXPECT_EQ(identity_.boardType, 1);
    EXPECT_EQ(outcome.title, "TKBCtl [TKF-20](USB3.16)");
    // Identification asks every board while listing, and the chosen one once more after the choice:
    // its version, then its letters last of all.
    EXPECT_EQ(boards_->FramesOf(0, 0xF0).size(), 1u);
    EXPECT_EQ(boards_->FramesOf(1, 0xF0).size(), 1u);
    EXPECT_EQ(boards_->FramesOf(2, 0xF0).size(), 2u);
    EXPECT_EQ(boards_->FpgaReads(2), (std::vector<uint32_t>{0x080000D0, 0x080000D4, 0x080000D0, 0x080000D4}));
    EXPECT_EQ(boards_->Frames(2).back()[0], 0x07);
}

TEST_F(StartupTest, SelectionOutsideTheListFallsBackToBoardZero) {
    host_.selection = 7;
    Attach({WithLetters(35, 'T', 'U'), WithLetters(50, 'O', 'V')});
    Run();
    EXPECT_EQ(control_.BoardIndex(), 0);
    EXPECT_EQ(identity_.modelName, "TKB-20U");
}

TEST_F(StartupTest, BoardsBehindAGapAreNeverOffered) {
    Attach({WithLetters(35, 'T', 'U'), WithLetters(50, 'O', 'V'), WithLetters(150, 0, 0)});
    boards_->Board(1)->StopOpeningAfter(0);
    Run();
    EXPECT_TRUE(host_.selections.empty());
    EXPECT_EQ(boards_->Opens(2), 0u);
    EXPECT_EQ(identity_.modelName, "TKB-20U");
}

TEST_F(StartupTest, RjqBoardDisablesInfoAndCameraPowerWithoutReadingLetters) {
    Attach({BoardAnswering(Version(95, 0x01, 0), 'K', 'U')});  // letters present but not to be read
    const StartupOutcome outcome = Run();
    EXPECT_TRUE(outcome.deviceFound);
    EXPECT_EQ(identity_.modelName, "RJQ-10");
    EXPECT_EQ(identity_.boardType, 3);
    EXPECT_EQ(Sorted(outcome.disabledControls), (std::vector<int>{IDC_TKB_INFO, IDC_CAMERA_POWER}));
    EXPECT_TRUE(boards_->FramesOf(0, 0x07).empty());
    EXPECT_EQ(outcome.title, "TKBCtl [RJQ-10](USB2.0)");
}

TEST_F(StartupTest, FailedLetterReadsLeaveTheLettersAtZero) {
    Attach({WithLetters(150, 'K', 'R')});
    boards_->Board(0)->RefuseCommand(0x07, 0x03);
    Run();
    EXPECT_EQ(boards_->FramesOf(0, 0x07).size(), 4u);  // two per identification
    EXPECT_EQ(identity_.modelName, "TKB-20");
    EXPECT_EQ(identity_.boardType, 0);
}

TEST_F(StartupTest, RefusedVersionRequestIsJudgedOnZeros) {
    Attach({WithLetters(150, 'T', 'U')});
    boards_->Board(0)->RefuseCommand(0xF0, 0x01);
    const StartupOutcome outcome = Run();
    EXPECT_TRUE(outcome.deviceFound);
    EXPECT_EQ(identity_.modelName, "RJQ-10");
}

void ExpectNoDevice(const StartupOutcome& outcome, const BoardIdentity& identity, const ScriptedHost& host) {
    EXPECT_FALSE(outcome.deviceFound);
    EXPECT_EQ(outcome.title, "TKBCtl +[No Device]");
    EXPECT_EQ(Sorted(outcome.disabledControls), (std::vector<int>{1001, 1002, 1003, 1004, 1080, 1081, 1125}));
    EXPECT_EQ(identity.modelName, "(Unknown Device)");
    EXPECT_EQ(identity.boardType, 0);
    EXPECT_EQ(host.usbQueries, 0);
}

TEST_F(StartupTest, NoBoardAtAllGivesTheNoDeviceState) {
    identity_ = {"TKF-20", 1};
    Attach({});
    const StartupOutcome outcome = Run();
    EXPECT_TRUE(host_.selections.empty());
    EXPECT_EQ(control_.BoardIndex(), 0);
    ExpectNoDevice(outcome, identity_, host_);
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(StartupTest, BoardThatOpensOnlyForThePresenceTestIsUnknown) {
    Attach({WithLetters(150, 0, 0), WithLetters(35, 'T', 'U')});
    boards_->Board(1)->StopOpeningAfter(1);
    host_.selection = 1;
    const StartupOutcome outcome = Run();
    ASSERT_EQ(host_.selections.size(), 1u);
    EXPECT_EQ(host_.selections[0], (std::vector<std::string>{"0: TKB-20 (?)", "1: Unknown board"}));
    EXPECT_EQ(control_.BoardIndex(), 1);
    ExpectNoDevice(outcome, identity_, host_);
}

}  // namespace
}  // namespace tkbctl::test
