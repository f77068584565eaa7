// The progress window, the board selection and the status report on their own.
#include <gtest/gtest.h>

#include "board_info/tkb_info_dlg.h"
#include "progress_window/msg_dialog.h"
#include "select_board/sel_board_dlg.h"
#include "status/status_report.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"
#include "ui/memory_view.h"

namespace tkbctl::test {
namespace {

const ui::TemplateDefinition kProgressTemplate = {{IDC_PROGRESS_MESSAGE, ui::ControlKind::Static, "Static"}};

ui::MemoryViewOptions WithStrings() {
    ui::MemoryViewOptions options;
    options.strings.english = {{12001, "Applying setting file into camera register."},
                               {12007, "Updating FX3."}};
    return options;
}

TEST(MsgDialog, EnterIsIgnoredEscapeAndCloseEndIt) {
    CMsgDialog dialog;
    ui::MemoryView view(dialog, kProgressTemplate, WithStrings());
    view.Open();
    EXPECT_EQ(dialog.ShowMessage(12007), 1);
    EXPECT_EQ(view.Text(IDC_PROGRESS_MESSAGE), "Updating FX3.");
    dialog.ShowMessage(99999);  // no such string: the text stays
    EXPECT_EQ(view.Text(IDC_PROGRESS_MESSAGE), "Updating FX3.");
    view.PressEnter();
    EXPECT_FALSE(view.HasEnded());
    view.PressEscape();
    EXPECT_TRUE(view.HasEnded());
    EXPECT_EQ(view.Result(), ui::kIdCancel);

    CMsgDialog closed;
    ui::MemoryView closedView(closed, kProgressTemplate);
    closedView.Open();
    closedView.CloseWindow();
    EXPECT_EQ(closedView.Result(), ui::kIdCancel);
}

// An owner whose modal child is the progress window.
class OwnerDialog : public ui::DialogImpl<OwnerDialog> {
public:
    OwnerDialog() : DialogImpl(102) {}
    static const ui::CommandTable<OwnerDialog>& Commands() {
        static const ui::CommandTable<OwnerDialog> table;
        return table;
    }
    ui::DialogView& OwnView() { return View(); }
};

TEST(MsgDialog, ACloseRequestedBeforeTheWindowExistsEndsItOnceItDoes) {
    OwnerDialog owner;
    ui::MemoryView ownerView(owner, {}, WithStrings());
    ownerView.Open();
    std::string shown;
    ownerView.DescribeChild(IDD_PROGRESS_MESSAGE, kProgressTemplate,
                            [&shown](ui::MemoryView& child) { shown = child.Text(IDC_PROGRESS_MESSAGE); });
    CMsgDialog progress;
    progress.PostClose();
    EXPECT_EQ(progress.RunModal(owner.OwnView(), 12001), ui::kIdCancel);
    EXPECT_EQ(shown, "Applying setting file into camera register.");
    EXPECT_EQ(progress.Message(), "Applying setting file into camera register.");
}

TEST(SelBoardDlg, ListsTheEntriesAndGivesTheChosenOne) {
    const ui::TemplateDefinition controls = {{IDC_BOARD_LIST, ui::ControlKind::ComboBox},
                                             {ui::kIdOk, ui::ControlKind::DefaultPushButton, "OK"}};
    CSelBoardDlg dialog({"0: TKB-20U (UVC) [ID=5]", "1: TKD-20", "2: TKB-20-MIPI (HDMI)"});
    ui::MemoryView view(dialog, controls);
    view.Open();
    ASSERT_EQ(view.ItemCount(IDC_BOARD_LIST), 3);
    EXPECT_EQ(view.ItemText(IDC_BOARD_LIST, 0), "0: TKB-20U (UVC) [ID=5]");
    EXPECT_EQ(view.Selection(IDC_BOARD_LIST), 0);
    view.ChooseItem(IDC_BOARD_LIST, 2);
    view.Click(ui::kIdOk);
    EXPECT_EQ(view.Result(), ui::kIdOk);
    EXPECT_EQ(dialog.Selected(), 2);

    CSelBoardDlg cancelled({"0: a", "1: b"});
    ui::MemoryView cancelledView(cancelled, controls);
    cancelledView.Open();
    cancelledView.ChooseItem(IDC_BOARD_LIST, 1);
    cancelledView.PressEscape();
    EXPECT_EQ(cancelledView.Result(), ui::kIdCancel);
    EXPECT_EQ(cancelled.Selected(), 0);
}

TEST(TKBInfoDlg, TheTimerRebuildsTheReportEverySecond) {
    VirtualBoards boards({"TKB-20U-MIPI"});
    BoardIdentity identity{"TKB-20U-MIPI", 1};
    RecordingMessages messages;
    CTkrUsbControl control(identity, messages);
    CTKBInfoDlg dialog(&control, identity);
    ui::MemoryView view(dialog, {{IDC_TKB_INFO_TEXT, ui::ControlKind::MultiLineEdit}});
    view.Open();
    EXPECT_EQ(view.TimerPeriod(TKB_INFO_TIMER_ID), 1000u);
    EXPECT_EQ(view.Text(IDC_TKB_INFO_TEXT), "");  // until the first tick

    ASSERT_TRUE(view.TickTimer(TKB_INFO_TIMER_ID));
    const std::string first = view.Text(IDC_TKB_INFO_TEXT);
    EXPECT_EQ(first, BuildStatusReport(control, identity));
    EXPECT_NE(first.find("LANE_CONTROL = "), std::string::npos);

    boards.Board(0)->WriteFpga(0x10000050, 1234);
    view.TickTimer(TKB_INFO_TIMER_ID);
    EXPECT_NE(view.Text(IDC_TKB_INFO_TEXT).find("TCB_DCK_CNT = 1234\r\n"), std::string::npos);

    view.CloseWindow();
    EXPECT_TRUE(view.HasEnded());
    EXPECT_FALSE(view.TimerPeriod(TKB_INFO_TIMER_ID));
}

TEST(TKBInfoDlg, WithoutAWrapperNothingIsRead) {
    BoardIdentity identity;
    CTKBInfoDlg dialog(nullptr, identity);
    ui::MemoryView view(dialog, {{IDC_TKB_INFO_TEXT, ui::ControlKind::MultiLineEdit}});
    view.Open();
    view.TickTimer(TKB_INFO_TIMER_ID);
    EXPECT_EQ(view.Text(IDC_TKB_INFO_TEXT), "");
}

}  // namespace
}  // namespace tkbctl::test
