#include <gtest/gtest.h>

#include <stdexcept>

#include "test_dialog.h"
#include "ui/command.h"
#include "ui/memory_view.h"

namespace ui::test {
namespace {

struct Target {
    std::vector<std::string> calls;
    void A() { calls.push_back("a"); }
    void B() { calls.push_back("b"); }
};

TEST(CommandTableTest, OnlyTheExactCommandRunsItsHandler) {
    const auto table = CommandTable<Target>()
                           .OnClicked(1001, &Target::A)
                           .OnNotify(1001, kEditChanged, &Target::B)
                           .OnTimer(1, &Target::B);
    Target target;
    EXPECT_TRUE(table.Dispatch(target, Command::Control(1001)));
    EXPECT_TRUE(table.Dispatch(target, Command::Control(1001, kEditChanged)));
    EXPECT_FALSE(table.Dispatch(target, Command::Control(1001, kEditKillFocus)));
    EXPECT_FALSE(table.Dispatch(target, Command::Control(1002)));
    // Timer 1 is not the command with id 1 (IDOK), nor is a close request.
    EXPECT_FALSE(table.Dispatch(target, Command::Control(kIdOk)));
    EXPECT_FALSE(table.Dispatch(target, Command::Close()));
    EXPECT_TRUE(table.Dispatch(target, Command::Timer(1)));
    EXPECT_EQ(target.calls, (std::vector<std::string>{"a", "b", "b"}));
}

TEST(CommandTableTest, ACommandBoundTwiceIsRefused) {
    CommandTable<Target> table;
    table.OnClicked(1001, &Target::A);
    EXPECT_THROW(table.OnClicked(1001, &Target::B), std::logic_error);
    EXPECT_THROW(table.On(Command::Control(1001, kClicked), &Target::B), std::logic_error);
    EXPECT_THROW(table.OnClose(nullptr), std::logic_error);
    EXPECT_NO_THROW(table.OnNotify(1001, kEditChanged, &Target::B));
}

// A main window's rules: Enter does nothing, the close box saves first, Escape ends unsaved.
class MainLikeDialog : public DialogImpl<MainLikeDialog> {
public:
    MainLikeDialog() : DialogImpl(102, EnterKey::RoutesAsOk) {}
    static const CommandTable<MainLikeDialog>& Commands() {
        static const auto table = CommandTable<MainLikeDialog>()
                                      .OnClicked(kIdOk, &MainLikeDialog::OnEnter)
                                      .OnClose(&MainLikeDialog::OnClose);
        return table;
    }
    int saves = 0;

private:
    void OnEnter() {}
    void OnClose() {
        ++saves;
        DefaultCommand(Command::Close());
    }
};

TEST(DialogRoutingTest, EnterEscapeAndCloseGoThroughTheTable) {
    const TemplateDefinition controls = {{kSettings, ControlKind::DefaultPushButton},
                                         {kName, ControlKind::Edit}};
    {
        MainLikeDialog dialog;
        MemoryView view(dialog, controls);
        view.Open();
        EXPECT_TRUE(view.PressEnter());
        EXPECT_FALSE(view.HasEnded());
        EXPECT_TRUE(view.CloseWindow());
        EXPECT_TRUE(view.HasEnded());
        EXPECT_EQ(view.Result(), kIdCancel);
        EXPECT_EQ(dialog.saves, 1);
    }
    {
        MainLikeDialog dialog;
        MemoryView view(dialog, controls);
        view.Open();
        view.PressEscape();
        EXPECT_TRUE(view.HasEnded());
        EXPECT_EQ(view.Result(), kIdCancel);
        EXPECT_EQ(dialog.saves, 0);
    }
}

TEST(DialogRoutingTest, DefaultsEndWithOkOnlyWhenTheDataIsAccepted) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate());
    view.Open();
    view.TypeText(kWidth, "0");
    EXPECT_TRUE(view.Click(kIdOk));
    EXPECT_FALSE(view.HasEnded());
    view.TypeText(kWidth, "640");
    view.Click(kIdOk);
    EXPECT_TRUE(view.HasEnded());
    EXPECT_EQ(view.Result(), kIdOk);
    EXPECT_EQ(dialog.width, 640);
    // An ended dialog receives nothing more.
    dialog.calls.clear();
    EXPECT_FALSE(view.Click(kApply));
    view.SetText(kName, "late");
    EXPECT_TRUE(dialog.calls.empty());
}

}  // namespace
}  // namespace ui::test
