// The update buttons of the settings dialog against virtual boards: where each image goes, the
// questions, every failure's message, and that nothing reaches the board before the user agreed.
#include "setting_dialog_fixture.h"

namespace tkbctl::test {
namespace {

constexpr uint8_t kBootMemProgram = 0x05;

// The flash address and length of each image write the board received.
std::vector<std::pair<uint32_t, uint32_t>> FlashWrites(VirtualBoards& boards) {
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    for (const Bytes& head : boards.FramesOf(0, kBootMemProgram))
        writes.emplace_back(uint32_t(head[2]) << 16 | head[3] << 8 | head[4],
                            uint32_t(head[5]) << 16 | head[6] << 8 | head[7]);
    return writes;
}

class UpdateProcedureTest : public SettingDialogTest {
protected:
    // Opens the dialog on a default record and presses `button` with `image` chosen in the file
    // dialog and the first button of the question.
    void Press(int button, const Bytes& image) {
        Open(&record_);
        services_.files["image"] = image;
        view_->AnswerNextFileDialog("image");
        ASSERT_TRUE(view_->Click(button));
    }
    Bytes Flash(uint32_t address, size_t length) {
        return boards_->Board(0)->ReadFlash(address, static_cast<uint32_t>(length));
    }
    // What is left after any procedure: no window, no file, no wait cursor.
    void ExpectAllReleased() {
        EXPECT_EQ(view_->ModelessChild(IDD_PROGRESS_MESSAGE), nullptr);
        EXPECT_FALSE(services_.openFiles);
        EXPECT_EQ(view_->WaitCursorDepth(), 0);
    }

    TKBSetting record_;
};

TEST_F(UpdateProcedureTest, EachImageGoesToItsFlashRegionByBoardType) {
    struct Case {
        const char* model;
        int type;
        int button;
        uint32_t address;
    };
    for (const Case& c :
         {Case{"TKB-20", 0, IDC_FX3_UPDATE, 0x100000}, Case{"TKB-20U", 1, IDC_FX3_UPDATE, 0x180000},
          Case{"TKR-90", 10, IDC_FX3_UPDATE, 0x300000}, Case{"TKF-20", 1, IDC_FX3_UPDATE, 0x100000},
          Case{"TKB-20", 0, IDC_FPGA_UPDATE, 0}, Case{"TKB-20U", 1, IDC_FPGA_UPDATE, 0x080000},
          Case{"TKR-50U", 2, IDC_FPGA_UPDATE, 0}, Case{"TKB-20U", 1, IDC_MULTI_UPDATE, 0},
          Case{"TKB-20W", 4, IDC_MULTI_UPDATE, 0}}) {
        SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.button));
        Board(c.model, c.type);
        const Bytes image = Pattern(0x1234, c.type + 1);
        Press(c.button, image);
        EXPECT_EQ(FlashWrites(*boards_), (std::vector<std::pair<uint32_t, uint32_t>>{{c.address, 0x1234}}));
        EXPECT_EQ(Flash(c.address, image.size()), image);
        const bool fx3 = c.button == IDC_FX3_UPDATE;
        EXPECT_EQ(MessageIds(), (std::vector<int>{fx3 ? 12011 : 12012, fx3 ? 12008 : 12010}));
        EXPECT_EQ(view_->Messages()[1].message.icon, ui::MessageIcon::Information);
        EXPECT_TRUE(view_->HasEnded());
        EXPECT_EQ(view_->Result(), 0);
        ExpectAllReleased();
        EXPECT_TRUE(wrapperMessages_.All().empty());
    }
}

TEST_F(UpdateProcedureTest, FileDialogQuestionAndProgressWindowAsTheProcedureAsks) {
    Board("TKB-20U", 1);
    std::string progress;
    int waitCursor = 0;
    // The buffers are had with the progress window up and the wait cursor shown.
    services_.onAllocate = [&] {
        if (ui::MemoryView* window = view_->ModelessChild(IDD_PROGRESS_MESSAGE))
            progress = window->Text(IDC_PROGRESS_MESSAGE);
        waitCursor = view_->WaitCursorDepth();
    };
    Press(IDC_FX3_UPDATE, Pattern(100, 1));
    const ui::FileDialogOptions& asked = view_->FileDialogs().at(0);
    EXPECT_EQ(asked.title, "Open File");
    EXPECT_EQ(asked.filter, "Update File (*.img)|*.img|");
    EXPECT_EQ(asked.flags, 0x100Eu);
    const ui::Message& question = view_->Messages().at(0).message;
    EXPECT_EQ(question.buttons, ui::MessageButtons::YesNo);
    EXPECT_EQ(std::get<int>(question.body), 12011);
    EXPECT_EQ(progress, "Updating FX3 firmware.");
    EXPECT_EQ(waitCursor, 1);
    ExpectAllReleased();

    Press(IDC_FPGA_UPDATE, Pattern(100, 2));
    EXPECT_EQ(view_->FileDialogs().back().filter, "Update File (*.bin)|*.bin|");
    EXPECT_EQ(view_->Messages().front().message.buttons, ui::MessageButtons::OkCancel);
    EXPECT_EQ(progress, "Updating FPGA.");
}

TEST_F(UpdateProcedureTest, FpgaImageSizeLimit) {
    Board("TKB-20", 0);
    const Bytes exact = Pattern(0x80000, 5);
    Press(IDC_FPGA_UPDATE, exact);
    EXPECT_EQ(Flash(0, exact.size()), exact);
    EXPECT_EQ(MessageIds().back(), 12010);

    Press(IDC_FPGA_UPDATE, Pattern(0x80001, 6));
    EXPECT_EQ(wrapperMessages_.All(), std::vector{RecordingMessages::Text("Too large size!", "Error")});
    EXPECT_EQ(MessageIds(), (std::vector<int>{12012, 10017}));
    EXPECT_TRUE(FlashWrites(*boards_).empty());
    EXPECT_FALSE(view_->HasEnded());
    ExpectAllReleased();
}

TEST_F(UpdateProcedureTest, ReadBackDifferingInTheLastByteOnly) {
    for (const int button : {IDC_FX3_UPDATE, IDC_FPGA_UPDATE}) {
        Board("TKB-20", 0);
        const Bytes image = Pattern(0x20000, 7);
        const uint32_t address = button == IDC_FX3_UPDATE ? 0x100000 : 0;
        boards_->Board(0)->WriteFlash(address + 0x1FFFF, {static_cast<uint8_t>(~image.back())});
        boards_->Board(0)->SetBadFlash(address + 0x1FFFF, 1);
        Press(button, image);
        EXPECT_EQ(MessageIds().back(), button == IDC_FX3_UPDATE ? 10016 : 10018);
        EXPECT_FALSE(view_->HasEnded());
        ExpectAllReleased();
    }
}

TEST_F(UpdateProcedureTest, FailedWriteAndAWriteTheBoardIgnored) {
    // A board that cannot be opened fails the write itself.
    Board("TKB-20U", 1);
    boards_->Board(0)->Unplug();
    Press(IDC_FX3_UPDATE, Pattern(0x100, 1));
    EXPECT_EQ(MessageIds(), (std::vector<int>{12011, 10013}));
    EXPECT_FALSE(view_->HasEnded());
    ExpectAllReleased();

    // The image exports report success whatever the board did: a board that refuses the program
    // command is caught by the comparison.
    Board("TKB-20U", 1);
    boards_->Board(0)->RefuseCommand(kBootMemProgram, 0x01);
    Press(IDC_MULTI_UPDATE, Pattern(0x100, 2));
    EXPECT_EQ(MessageIds(), (std::vector<int>{12012, 10018}));
    EXPECT_FALSE(view_->HasEnded());
    ExpectAllReleased();
}

TEST_F(UpdateProcedureTest, BoardWithoutAnUpdatePathIsRefusedByTheWrapper) {
    Board("RJQ-10", 3);
    Press(IDC_FX3_UPDATE, Pattern(0x100, 1));
    EXPECT_EQ(wrapperMessages_.All(), std::vector{RecordingMessages::Text("Not inplemented yet.", "Error")});
    EXPECT_EQ(MessageIds(), (std::vector<int>{12011, 10013}));
    EXPECT_TRUE(FlashWrites(*boards_).empty());
}

TEST_F(UpdateProcedureTest, EmptyImageSendsOnlyTheHeader) {
    Board("TKB-20", 0);
    Press(IDC_FPGA_UPDATE, {});
    EXPECT_EQ(FlashWrites(*boards_), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 0}}));
    EXPECT_EQ(MessageIds().back(), 12010);
    EXPECT_EQ(view_->Result(), 0);
}

TEST_F(UpdateProcedureTest, NothingIsWrittenUntilTheUserAgreed) {
    Board("TKB-20", 0);
    Open(&record_);
    view_->AnswerNextFileDialog(std::nullopt);
    view_->Click(IDC_FX3_UPDATE);
    EXPECT_TRUE(view_->Messages().empty());

    services_.files["x"] = Pattern(10, 1);
    for (const auto& [button, answer] :
         {std::pair{IDC_FX3_UPDATE, ui::Answer::No}, std::pair{IDC_FPGA_UPDATE, ui::Answer::Cancel},
          std::pair{IDC_MULTI_UPDATE, ui::Answer::Cancel}}) {
        view_->AnswerNextFileDialog("x");
        view_->AnswerNextMessage(answer);
        view_->Click(button);
    }
    // A file that does not open: 12005 before any question.
    view_->AnswerNextFileDialog("missing");
    view_->Click(IDC_FPGA_UPDATE);
    EXPECT_EQ(MessageIds(), (std::vector<int>{12011, 12012, 12012, 12005}));
    EXPECT_TRUE(boards_->Frames(0).empty());
    EXPECT_EQ(services_.allocations, 0);
    EXPECT_FALSE(view_->HasEnded());
    ExpectAllReleased();
    EXPECT_EQ(view_->WaitCursorShows(), 0);

    // Without the wrapper the buttons do nothing.
    Open(&record_, false);
    view_->Click(IDC_FX3_UPDATE);
    EXPECT_TRUE(view_->FileDialogs().empty());
}

TEST_F(UpdateProcedureTest, ImageLargerThanItsFlashRegionIsRefusedBeforeTheQuestion) {
    struct Case {
        const char* model;
        int type;
        int button;
        size_t room;
    };
    // The upper FX3 image ends at the settings block; a multi image is bounded by a 24-bit length.
    for (const Case& c :
         {Case{"TKB-20U", 1, IDC_FX3_UPDATE, 0x70000}, Case{"TKB-20", 0, IDC_FX3_UPDATE, 0xF0000},
          Case{"TKB-20", 0, IDC_MULTI_UPDATE, 0xFFFFFF}, Case{"TKB-20", 0, IDC_FPGA_UPDATE, 0xFFFFFF}}) {
        SCOPED_TRACE(c.model);
        Board(c.model, c.type);
        Press(c.button, Bytes(c.room + 1, 0xA5));
        EXPECT_EQ(MessageIds(), std::vector<int>{IDS_IMAGE_TOO_LARGE_FOR_FLASH});
        EXPECT_TRUE(boards_->Frames(0).empty());
        EXPECT_EQ(services_.allocations, 0);
        ExpectAllReleased();
    }
    Board("TKB-20U", 1);
    const Bytes fits = Pattern(0x70000, 9);
    Press(IDC_FX3_UPDATE, fits);
    EXPECT_EQ(MessageIds().back(), 12008);
    EXPECT_EQ(Flash(0x180000, fits.size()), fits);
}

TEST_F(UpdateProcedureTest, MemoryThatCannotBeHadIsAMessageAndTheBoardIsNotTouched) {
    for (const int allocationsLeft : {0, 1}) {
        SCOPED_TRACE(allocationsLeft);
        Board("TKB-20", 0);
        services_.allocationsLeft = allocationsLeft;
        Press(IDC_FPGA_UPDATE, Pattern(0x1000, 1));
        EXPECT_EQ(MessageIds(), (std::vector<int>{12012, IDS_UPDATE_OUT_OF_MEMORY}));
        EXPECT_TRUE(boards_->Frames(0).empty());
        EXPECT_FALSE(view_->HasEnded());
        ExpectAllReleased();
    }
}

}  // namespace
}  // namespace tkbctl::test
