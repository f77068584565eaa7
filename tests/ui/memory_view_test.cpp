#include <gtest/gtest.h>

#include <stdexcept>

#include "test_dialog.h"
#include "ui/file_filter.h"
#include "ui/memory_view.h"
#include "ui/wait_cursor.h"

namespace ui::test {
namespace {

class MemoryViewTest : public ::testing::Test {
protected:
    TestDialog dialog_;
    MemoryView view_{dialog_, TestTemplate()};
    void SetUp() override {
        view_.Open();
        dialog_.calls.clear();
    }
};

TEST(MemoryViewOpenTest, FillingAnEditNotifiesItsChangeAsOnWindows) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate());
    view.Open();
    EXPECT_EQ(dialog.calls, std::vector<std::string>{"name=board"});
}

TEST_F(MemoryViewTest, AControlTheTemplateLacksIsAFault) {
    EXPECT_THROW(view_.Text(4242), std::out_of_range);
    EXPECT_THROW(view_.Click(4242), std::out_of_range);
    EXPECT_THROW(view_.Checked(kName), std::logic_error);
    EXPECT_THROW(view_.AddItem(kName, "x"), std::logic_error);
    EXPECT_THROW(MemoryView(dialog_, {{1, ControlKind::Edit}, {1, ControlKind::Static}}), std::logic_error);
}

TEST_F(MemoryViewTest, UsersCannotActOnDisabledOrHiddenControls) {
    view_.Enable(kApply, false);
    EXPECT_FALSE(view_.Click(kApply));
    view_.Enable(kApply, true);
    view_.Show(kApply, false);
    EXPECT_FALSE(view_.Click(kApply));
    view_.Show(kApply, true);
    EXPECT_TRUE(view_.Click(kApply));
    EXPECT_EQ(dialog_.calls, (std::vector<std::string>{"apply"}));
}

TEST_F(MemoryViewTest, HandlersSeeTheStateTheUserLeft) {
    view_.Click(kEnabled);
    view_.Click(kEnabled);
    view_.TypeText(kName, "3C");
    view_.ChooseItem(kChoices, 1);
    EXPECT_FALSE(view_.ChooseItem(kChoices, 2));
    EXPECT_EQ(dialog_.calls, (std::vector<std::string>{"enabled=0", "enabled=1", "name=3C", "choice=1/2"}));
    view_.Click(kFirst);
    EXPECT_EQ(view_.Checked(kFirst), 1);
    EXPECT_EQ(view_.Checked(kSecond), 0);
}

TEST_F(MemoryViewTest, SelectingAMissingItemLeavesNoSelection) {
    view_.Select(kChoices, 1);
    EXPECT_EQ(view_.Selection(kChoices), 1);
    view_.Select(kChoices, 5);
    EXPECT_EQ(view_.Selection(kChoices), -1);
    EXPECT_EQ(view_.Text(kChoices), "");
    view_.ClearItems(kChoices);
    EXPECT_EQ(view_.ItemCount(kChoices), 0);
    view_.Select(kChoices, 0);
    EXPECT_EQ(view_.Selection(kChoices), -1);
}

TEST(EnterKeyTest, ClicksTheDefaultButtonOrRoutesAsOk) {
    {
        TestDialog dialog;
        MemoryView view(dialog, TestTemplate());
        view.Open();
        dialog.calls.clear();
        view.PressEnter();
        EXPECT_EQ(dialog.calls, (std::vector<std::string>{"settings"}));
        view.Enable(kSettings, false);
        view.PressEnter();
        EXPECT_EQ(dialog.calls.size(), 1u);
        EXPECT_FALSE(view.HasEnded());
    }
    {
        // The default button keeps its place in the template, yet Enter reaches IDOK, whose
        // default handling ends the dialog.
        TestDialog dialog(EnterKey::RoutesAsOk);
        MemoryView view(dialog, TestTemplate());
        view.Open();
        dialog.calls.clear();
        view.PressEnter();
        EXPECT_TRUE(dialog.calls.empty());
        EXPECT_TRUE(view.HasEnded());
        EXPECT_EQ(view.Result(), kIdOk);
    }
}

TEST(MessageBoxTest, TextsByIdInTheUsersLanguageWithFallback) {
    const StringTable strings{{{10008, "Read camera register failed."}, {10010, "only English"}},
                              {{10008, "カメラレジスタの読み出しに失敗しました。"}, {12001, "日本語のみ"}}};
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate(),
                    {.language = Language::Japanese, .strings = strings, .programName = "TKBctl"});
    view.Open();
    view.ShowMessage(Message::FromId(10008));
    view.ShowMessage(Message::FromId(10010));
    view.ShowMessage(Message::FromId(99));
    ASSERT_EQ(view.Messages().size(), 3u);
    EXPECT_EQ(view.Messages()[0].text, "カメラレジスタの読み出しに失敗しました。");
    EXPECT_EQ(view.Messages()[0].caption, "TKBctl");
    EXPECT_EQ(view.Messages()[1].text, "only English");
    EXPECT_EQ(view.Messages()[2].text, "");
    EXPECT_EQ(view.LoadText(10010), "only English");
    EXPECT_EQ(view.LoadText(99), std::nullopt);

    TestDialog english;
    MemoryView englishView(english, TestTemplate(), {.strings = strings});
    englishView.Open();
    englishView.ShowMessage(Message::FromId(12001));
    EXPECT_EQ(englishView.Messages()[0].text, "日本語のみ");
}

TEST_F(MemoryViewTest, MessageBoxesAreAnsweredInOrderElseWithTheirFirstButton) {
    view_.AnswerNextMessage(Answer::No);
    Message question = Message::FromText("Overwrite?", "Confirm");
    question.buttons = MessageButtons::YesNo;
    EXPECT_EQ(view_.ShowMessage(question), Answer::No);
    EXPECT_EQ(view_.ShowMessage(question), Answer::Yes);
    question.buttons = MessageButtons::RetryCancel;
    EXPECT_EQ(view_.ShowMessage(question), Answer::Retry);
    EXPECT_EQ(view_.Messages()[0].caption, "Confirm");
    EXPECT_EQ(view_.Messages()[0].answer, Answer::No);
}

TEST_F(MemoryViewTest, FileDialogRecordsItsOptionsAndGivesTheAnswer) {
    const FileDialogOptions options{"Open File", "Text (*.txt)|*.txt|ALL File (*.*)|*.*|",
                                    kFileMustExist | kHideReadOnly};
    view_.AnswerNextFileDialog("C:\\setting.txt");
    EXPECT_EQ(view_.OpenFile(options), "C:\\setting.txt");
    EXPECT_EQ(view_.OpenFile(options), std::nullopt);
    ASSERT_EQ(view_.FileDialogs().size(), 2u);
    EXPECT_EQ(view_.FileDialogs()[0].title, "Open File");
    EXPECT_EQ(view_.FileDialogs()[0].flags, kFileMustExist | kHideReadOnly);
    EXPECT_THROW(view_.OpenFile({"Open File", "Text (*.txt)|*.txt|ALL File (*.*)|", 0}),
                 std::invalid_argument);
}

TEST(FileFilterTest, PairsUpToTheFirstEmptyPart) {
    const std::vector<FileFilter> expected{{"Text and Initialize File (*.txt,*.ini)", "*.txt;*.ini"},
                                           {"ALL File (*.*)", "*.*"}};
    EXPECT_EQ(ParseFileFilter("Text and Initialize File (*.txt,*.ini)|*.txt;*.ini|ALL File (*.*)|*.*|"),
              expected);
    EXPECT_EQ(ParseFileFilter("Text and Initialize File (*.txt,*.ini)|*.txt;*.ini|ALL File (*.*)|*.*||"),
              expected);
    EXPECT_EQ(ParseFileFilter("Text and Initialize File (*.txt,*.ini)|*.txt;*.ini|ALL File (*.*)|*.*"),
              expected);
    EXPECT_EQ(ParseFileFilter("A|*.a||B|*.b|").size(), 1u);
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_THROW(ParseFileFilter("A|*.a|B|"), std::invalid_argument);
}

TEST_F(MemoryViewTest, TimersTickOnlyWhileSet) {
    EXPECT_FALSE(view_.TickTimer(kTimer));
    view_.SetTimer(kTimer, 1000);
    EXPECT_EQ(view_.TimerPeriod(kTimer), 1000u);
    EXPECT_TRUE(view_.TickTimer(kTimer));
    view_.KillTimer(kTimer);
    EXPECT_FALSE(view_.TickTimer(kTimer));
    EXPECT_EQ(dialog_.calls, (std::vector<std::string>{"tick"}));
}

TEST_F(MemoryViewTest, MultiLineEditCountsAndScrollsLines) {
    EXPECT_EQ(view_.LineCount(kLog), 1);
    view_.SetText(kLog, "0A,FF\r\n01\r\n");
    EXPECT_EQ(view_.LineCount(kLog), 3);
    view_.ScrollLines(kLog, 10);
    EXPECT_EQ(view_.FirstVisibleLine(kLog), 2);
    view_.ScrollLines(kLog, -5);
    EXPECT_EQ(view_.FirstVisibleLine(kLog), 0);
    EXPECT_THROW(view_.ScrollLines(kName, 1), std::logic_error);
}

TEST_F(MemoryViewTest, WaitCursorIsTakenBackOnEveryWayOut) {
    try {
        WaitCursor outer(view_);
        WaitCursor inner(view_);
        EXPECT_EQ(view_.WaitCursorDepth(), 2);
        throw std::runtime_error("write failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(view_.WaitCursorDepth(), 0);
    EXPECT_EQ(view_.WaitCursorShows(), 1);
    EXPECT_THROW(view_.SetWaitCursor(false), std::logic_error);
}

// A child that asks for a number, as a settings sub-dialog does.
class ChildDialog : public DialogImpl<ChildDialog> {
public:
    ChildDialog() : DialogImpl(142) {}
    static const CommandTable<ChildDialog>& Commands() {
        static const CommandTable<ChildDialog> table;
        return table;
    }
    void DoDataExchange(DataExchange& exchange) override { exchange.IntRange(1116, height, 1, 8191); }
    int32_t height = 720;
};

TEST_F(MemoryViewTest, ModalChildRunsTheUsersActionsAndReturnsItsResult) {
    view_.DescribeChild(142, {{1116, ControlKind::Edit}, {kIdOk, ControlKind::PushButton}},
                        [](MemoryView& child) {
                            child.TypeText(1116, "8192");
                            child.Click(kIdOk);  // refused: stays open
                            child.TypeText(1116, "1080");
                            child.Click(kIdOk);
                        });
    ChildDialog child;
    EXPECT_EQ(view_.RunModal(child), kIdOk);
    EXPECT_EQ(child.height, 1080);
    EXPECT_FALSE(child.HasWindow());
    ASSERT_EQ(view_.Messages().size(), 1u);
    EXPECT_EQ(view_.Messages()[0].text, "Enter an integer between 1 and 8191.");
    EXPECT_EQ(view_.Messages()[0].ownerTemplate, 142);
    EXPECT_EQ(view_.ModalRuns(), std::vector<int>{142});
}

TEST(ModalChildTest, AChildThatNeverEndsFailsTheTest) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate(), {.modalTimeout = std::chrono::milliseconds(20)});
    view.Open();
    view.DescribeChild(142, {{1116, ControlKind::Edit}});
    ChildDialog child;
    EXPECT_THROW(view.RunModal(child), std::runtime_error);
    TestDialog undescribed;
    EXPECT_THROW(view.RunModal(undescribed), std::out_of_range);
}

TEST_F(MemoryViewTest, ModelessChildLivesUntilItEnds) {
    view_.DescribeChild(142, {{1116, ControlKind::Edit}});
    ChildDialog child;
    ASSERT_TRUE(view_.CreateModeless(child));
    MemoryView* shown = view_.ModelessChild(142);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Text(1116), "720");
    shown->PressEscape();
    EXPECT_EQ(view_.ModelessChild(142), nullptr);
    EXPECT_FALSE(child.HasWindow());
}

}  // namespace
}  // namespace ui::test
