// The main window's behaviour on virtual boards: start-up, field checks and their messages in order,
// the bytes that reach the board, the read display, the fields kept over a restart of the program.
#include <gtest/gtest.h>

#include "main_window/main_window_fixture.h"
#include "messages/message_ids.h"
#include "setting_dialog/setting_dialog_fixture.h"

namespace tkbctl::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSensor = 0x3C;

// The data bytes of the FPGA writes to `address` on board 0, in order.
std::vector<Bytes> FpgaWrites(VirtualBoards& boards, uint32_t address) {
    std::vector<Bytes> writes;
    for (const Bytes& head : boards.FramesOf(0, 0x08)) {
        const uint32_t at = uint32_t(head[2]) << 24 | head[3] << 16 | head[4] << 8 | head[5];
        if (at == address)
            writes.emplace_back(head.end() - 4, head.end());
    }
    return writes;
}

TEST_F(MainWindowTest, StartUpOnOneBoardAndOnNone) {
    services_.usbVersion = 0x0200;
    Start({"TKB-20U"});
    EXPECT_EQ(view_->Caption(), "TKBCtl [TKB-20U](USB2.0)");
    EXPECT_EQ(view_->IconId(), 128);
    EXPECT_TRUE(view_->ModalRuns().empty());
    EXPECT_EQ(dialog_->Identity().modelName, "TKB-20U");
    EXPECT_EQ(view_->Checked(IDC_CAMERA_POWER), 1);
    EXPECT_EQ(view_->Checked(IDC_RESTART_CONDITION), 1);  // "Restart" missing from the INI file

    boards_->Board(0)->Unplug();
    Open();
    EXPECT_EQ(view_->Caption(), "TKBCtl +[No Device]");
    for (int id : {IDC_TKB_SETTING, IDC_SETTING_FILE_WRITE, IDC_READ, IDC_WRITE, IDC_TKB_RESTART,
                   IDC_TKB_INFO, IDC_CAMERA_POWER})
        EXPECT_FALSE(view_->IsEnabled(id)) << id;
    for (int id : {IDC_CLEAR, IDC_WORD_ADDRESS_MODE, IDC_CAMERA_RESET, IDC_RESTART_CONDITION})
        EXPECT_TRUE(view_->IsEnabled(id)) << id;
    EXPECT_TRUE(view_->Messages().empty());
}

TEST_F(MainWindowTest, SelectionDialogListsTheBoardsAndOpensTheChosenOne) {
    choose_ = 1;
    boards_ = nullptr;
    Start({"TKB-20U", "TKD-20", "TKB-20-MIPI"});
    EXPECT_EQ(view_->ModalRuns(), std::vector<int>{IDD_SELECT_BOARD});
    EXPECT_EQ(selectionEntries_,
              (std::vector<std::string>{"0: TKB-20U (UVC)", "1: TKD-20", "2: TKB-20-MIPI (HDMI)"}));
    EXPECT_EQ(preselected_, 0);
    EXPECT_EQ(dialog_->Control().BoardIndex(), 1);
    EXPECT_EQ(view_->Caption(), "TKBCtl [TKD-20](USB?.?)");
}

TEST_F(MainWindowTest, WriteChecksEachFieldInOrderBeforeAnyDeviceAccess) {
    Start({"TKB-20U"});
    const struct {
        const char *slave, *sub, *value;
        int message;
    } cases[] = {
        {"", "10", "01", IDS_SLAVE_ADDRESS_EMPTY},      {" \t", "10", "01", IDS_SLAVE_ADDRESS_EMPTY},
        {"3C!", "", "", IDS_SLAVE_ADDRESS_INVALID},     {"3C", "", "01", IDS_SUB_ADDRESS_EMPTY},
        {"3C", "1 0", "01", IDS_SUB_ADDRESS_INVALID},   {"3C", "10", "  ", IDS_WRITE_VALUE_EMPTY},
        {"3C", "10", "12 34", IDS_WRITE_VALUE_INVALID}, {"3C", "10", "01;02", IDS_WRITE_VALUE_INVALID},
        {"8", "10000000", "ZZ", IDS_WRITE_VALUE_EMPTY},
    };
    std::vector<int> expected;
    for (const auto& c : cases) {
        Fields(c.slave, c.sub, c.value);
        ASSERT_TRUE(view_->Click(IDC_WRITE));
        expected.push_back(c.message);
    }
    EXPECT_EQ(MessageIds(*view_), expected);
    uint64_t overwritten = 0;
    EXPECT_TRUE(boards_->Board(0)->Log(overwritten).empty());
}

TEST_F(MainWindowTest, WriteSendsTheValueListToTheSlave) {
    Start({"TKB-20U"});
    Fields("3C", " 10 ", "01,02");
    view_->Click(IDC_WRITE);
    EXPECT_EQ(view_->Text(IDC_SUB_ADDRESS), " 10 ");  // stripped for use only
    Fields("3c", "20", ",,");                         // commas alone: the sub-address without data
    view_->Click(IDC_WRITE);
    Fields("3C", "30", "NONE");
    view_->Click(IDC_WRITE);
    Fields("3C", "40", "123,1G,ab");
    view_->Click(IDC_WRITE);
    EXPECT_EQ(boards_->FramesOf(0, 0x01), (std::vector<Bytes>{{0x01, 0x78, 0x10, 0x01, 0x02},
                                                              {0x01, 0x78, 0x20},
                                                              {0x01, 0x78, 0x30},
                                                              {0x01, 0x78, 0x40, 0x23, 0x01, 0xAB}}));
    EXPECT_EQ(boards_->Board(0)->ReadI2C(kSensor, 0x10, 2), (Bytes{0x01, 0x02}));
    EXPECT_TRUE(view_->Messages().empty());
}

TEST_F(MainWindowTest, FpgaWritesTakeFourBytes) {
    Start({"TKB-20U"});
    Fields("8", "28000000", "100");
    view_->Click(IDC_WRITE);
    Fields("8", "28000000", "1,2,3");  // too few: nothing, silently
    view_->Click(IDC_WRITE);
    Fields("8", "28000000", "1,2,3,4,5");
    view_->Click(IDC_WRITE);
    Fields("8", "28000000", "0xDEADBEEF");
    view_->Click(IDC_WRITE);
    Fields("8", "28000000", "none");  // the library refuses an FPGA write of no bytes
    view_->Click(IDC_WRITE);
    EXPECT_EQ(FpgaWrites(*boards_, 0x28000000),
              (std::vector<Bytes>{{0, 0, 1, 0}, {1, 2, 3, 4}, {0xDE, 0xAD, 0xBE, 0xEF}}));
    EXPECT_TRUE(view_->Messages().empty());
}

TEST_F(MainWindowTest, FailedWriteAndReadShowTheirMessages) {
    Start({"TKB-20U"});
    boards_->Board(0)->Unplug();
    Fields("3C", "10", "01");
    view_->Click(IDC_WRITE);
    Type(IDC_READ_COUNTS, "1");
    Type(IDC_READ_VALUE, "kept\r\n");
    view_->Click(IDC_READ);
    EXPECT_EQ(MessageIds(*view_), (std::vector<int>{IDS_WRITE_REGISTER_FAILED, IDS_READ_REGISTER_FAILED}));
    EXPECT_EQ(view_->Text(IDC_READ_VALUE), "kept\r\n");
}

TEST_F(MainWindowTest, ReadCountsAreCheckedBeforeAnyAllocationOrAccess) {
    Start({"TKB-20U"});
    Fields("3C", "10", "");
    const struct {
        const char *slave, *count;
        int message;
    } cases[] = {
        {"3C", "0", IDS_READ_COUNTS_NOT_POSITIVE}, {"3C", "-2", IDS_READ_COUNTS_NOT_POSITIVE},
        {"3C", "abc", IDS_READ_COUNTS_INVALID},    {"3C", "", IDS_READ_COUNTS_INVALID},
        {"3C", "256", IDS_READ_COUNTS_TOO_LARGE},  {"3C", "2000000000", IDS_READ_COUNTS_TOO_LARGE},
        {"8", "1024", IDS_READ_COUNTS_TOO_LARGE},  {"3C", "99999999999", IDS_READ_COUNTS_INVALID},
    };
    std::vector<int> expected;
    for (const auto& c : cases) {
        Type(IDC_SLAVE_ADDRESS, c.slave);
        Type(IDC_READ_COUNTS, c.count);
        view_->Click(IDC_READ);
        expected.push_back(c.message);
    }
    EXPECT_EQ(MessageIds(*view_), expected);
    uint64_t overwritten = 0;
    EXPECT_TRUE(boards_->Board(0)->Log(overwritten).empty());

    // The bounds themselves are read.
    Type(IDC_SLAVE_ADDRESS, "8");
    Type(IDC_SUB_ADDRESS, "10000000");
    Type(IDC_READ_COUNTS, "1023");
    view_->Click(IDC_READ);
    Type(IDC_SLAVE_ADDRESS, "3C");
    Type(IDC_SUB_ADDRESS, "0");
    Type(IDC_READ_COUNTS, "255");
    view_->Click(IDC_READ);
    EXPECT_EQ(view_->Messages().size(), expected.size());
    EXPECT_EQ(view_->LineCount(IDC_READ_VALUE), 3);
}

TEST_F(MainWindowTest, ReadAppendsOneLinePerReadAndScrollsToIt) {
    Start({"TKB-20U"});
    boards_->Board(0)->WriteI2C(kSensor, 0x10, {0x0A, 0xFF, 0x10});
    Fields("3C", "10", "");
    Type(IDC_READ_COUNTS, "3");
    view_->Click(IDC_READ);
    view_->Click(IDC_RESTART_CONDITION);  // a sub-address write and a separate read
    view_->Click(IDC_READ);
    EXPECT_EQ(view_->Text(IDC_READ_VALUE), "0A,FF,10\r\n0A,FF,10\r\n");
    EXPECT_EQ(view_->FirstVisibleLine(IDC_READ_VALUE) > 0, true);
    // Every read first asks the FPGA for its custom code.
    int codeReads = 0;
    for (const Bytes& head : boards_->FramesOf(0, 0x07))
        codeReads += head[5] == 0xD8 || head[5] == 0xDC;
    EXPECT_EQ(codeReads, 4);
    view_->Click(IDC_CLEAR);
    EXPECT_EQ(view_->Text(IDC_READ_VALUE), "");
}

TEST_F(MainWindowTest, LengthPrefixedReadShowsTheCountedBytes) {
    Start({"TKB-20U"});
    auto board = boards_->Board(0);
    board->WriteFpga(0x080000D8, 'K');
    board->WriteFpga(0x080000DC, 'M');
    board->WriteFpga(0x08000000, board->ReadFpga(0x08000000) | 0x40);
    Type(IDC_SLAVE_ADDRESS, "3C");
    Type(IDC_READ_COUNTS, "1");  // not used: the board counts the bytes it returns
    board->WriteI2C(kSensor, 0xFC, {0xAA, 0xBB, 0xCC, 0xDD});
    Type(IDC_SUB_ADDRESS, "FC");
    view_->Click(IDC_READ);
    std::vector<uint8_t> full(256);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = uint8_t(i);
    board->WriteI2C(kSensor, 0x00, full);
    Type(IDC_SUB_ADDRESS, "0");
    view_->Click(IDC_READ);

    const std::string text = view_->Text(IDC_READ_VALUE);
    const std::string first = "AA,BB,CC,DD\r\n";
    ASSERT_EQ(text.substr(0, first.size()), first);
    // A 255-byte read holds the count and at most 254 bytes after it.
    const std::string last = text.substr(first.size());
    EXPECT_EQ(last.substr(0, 9), "00,01,02,");
    EXPECT_EQ(last.size(), 254u * 3 - 1 + 2);
    EXPECT_EQ(last.substr(last.size() - 4), "FD\r\n");
    EXPECT_TRUE(view_->Messages().empty());

    // Slave 8 never takes the length-prefixed way.
    Type(IDC_SLAVE_ADDRESS, "8");
    Type(IDC_SUB_ADDRESS, "28000000");
    Type(IDC_READ_COUNTS, "4");
    view_->Click(IDC_READ);
    EXPECT_EQ(view_->LineCount(IDC_READ_VALUE), 4);
}

TEST_F(MainWindowTest, ControlRegistersByteForByte) {
    Start({"TKB-20U"});
    view_->Click(IDC_CAMERA_RESET);
    view_->Click(IDC_CAMERA_RESET);
    view_->Enable(IDC_CAMERA_POWER, true);
    view_->Click(IDC_CAMERA_POWER);
    view_->Show(IDC_F_GATE, true);
    view_->Click(IDC_F_GATE);
    view_->Click(IDC_F_GATE);
    EXPECT_EQ(FpgaWrites(*boards_, 0x10000000),
              (std::vector<Bytes>{{0, 0, 1, 1}, {0, 0, 1, 0}, {0, 0, 0, 0}}));
    EXPECT_EQ(FpgaWrites(*boards_, 0xB0000000), (std::vector<Bytes>{{0, 0, 0, 0}, {0, 0, 0, 1}}));
    EXPECT_TRUE(view_->Messages().empty());
}

TEST_F(MainWindowTest, FieldsAreSavedOnCloseOnlyAndLoadedAtTheNextStart) {
    Start({"TKB-20U"});
    Fields("3C", "10", "01,02");
    Type(IDC_READ_COUNTS, "4");
    view_->Click(IDC_WORD_ADDRESS_MODE);
    view_->Click(IDC_RESTART_CONDITION);
    ASSERT_TRUE(view_->CloseWindow());
    EXPECT_TRUE(view_->HasEnded());
    const std::string saved = ReadFile(boards_->Path() / "TKBctl.ini");
    EXPECT_NE(saved.find("[TKBctl]"), std::string::npos);
    EXPECT_NE(saved.find("SubAddress=10"), std::string::npos);

    Open();
    EXPECT_EQ(view_->Text(IDC_SLAVE_ADDRESS), "3C");
    EXPECT_EQ(view_->Text(IDC_SUB_ADDRESS), "10");
    EXPECT_EQ(view_->Text(IDC_WRITE_VALUE), "01,02");
    EXPECT_EQ(view_->Text(IDC_READ_COUNTS), "4");
    EXPECT_EQ(view_->Checked(IDC_WORD_ADDRESS_MODE), 1);
    EXPECT_EQ(view_->Checked(IDC_RESTART_CONDITION), 0);

    // Escape and TKB Restart end the program without saving; Enter does nothing.
    Type(IDC_SLAVE_ADDRESS, "50");
    ASSERT_TRUE(view_->PressEnter());
    EXPECT_FALSE(view_->HasEnded());
    ASSERT_TRUE(view_->PressEscape());
    EXPECT_TRUE(view_->HasEnded());
    Open();
    Type(IDC_SLAVE_ADDRESS, "51");
    ASSERT_TRUE(view_->Click(IDC_TKB_RESTART));
    EXPECT_TRUE(view_->HasEnded());
    EXPECT_EQ(view_->Result(), 0);
    EXPECT_EQ(FpgaWrites(*boards_, 0x08000084), (std::vector<Bytes>{{0, 0, 0, 0x80}}));
    EXPECT_EQ(ReadFile(boards_->Path() / "TKBctl.ini"), saved);
}

TEST_F(MainWindowTest, BoardSettingsReadTheBlockAndReportAFailedRead) {
    Start({"TKB-20U"});
    view_->DescribeChild(IDD_TKB_SETTING, SettingDialogTemplate(),
                         [](ui::MemoryView& settings) { settings.Click(IDC_SETTING_CANCEL); });
    ASSERT_TRUE(view_->Click(IDC_TKB_SETTING));
    EXPECT_TRUE(view_->Messages().empty());
    boards_->Board(0)->Unplug();
    view_->Click(IDC_TKB_SETTING);
    EXPECT_EQ(MessageIds(*view_), std::vector<int>{IDS_READ_SETTINGS_FAILED});
    // The settings dialog opened after the read only.
    EXPECT_EQ(view_->ModalRuns(), std::vector<int>{IDD_TKB_SETTING});
}

TEST_F(MainWindowTest, TestSweepWritesEveryValueButThoseEndingInThree) {
    Start({"TKB-20U"});
    Fields("3C", "10", "");
    view_->Show(IDC_TEST, true);
    Type(IDC_READ_VALUE, "old\r\n");
    view_->Click(IDC_TEST);
    const auto frames = boards_->FramesOf(0, 0x01);
    ASSERT_EQ(frames.size(), 192u);
    EXPECT_EQ(frames[3], (Bytes{0x01, 0x78, 0x10, 0x90, 0x07, 0x01, 0x04}));
    EXPECT_EQ(frames.back(), (Bytes{0x01, 0x78, 0x10, 0x90, 0x07, 0x01, 0xFE}));
    EXPECT_EQ(services_.pauses - 1, 192);  // one more at start-up
    EXPECT_EQ(view_->Text(IDC_WRITE_VALUE), "90,07,01,FE");
    EXPECT_EQ(view_->Text(IDC_READ_VALUE), "");
}

}  // namespace
}  // namespace tkbctl::test
