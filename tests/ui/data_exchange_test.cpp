#include <gtest/gtest.h>

#include "test_dialog.h"
#include "ui/data_exchange.h"

namespace ui::test {
namespace {

TEST(ParseDialogIntTest, ReadsAsTheDialogManagerDoes) {
    EXPECT_EQ(ParseDialogInt("0"), 0);
    EXPECT_EQ(ParseDialogInt("42"), 42);
    EXPECT_EQ(ParseDialogInt("-42"), -42);
    EXPECT_EQ(ParseDialogInt("  7"), 7);
    EXPECT_EQ(ParseDialogInt("\t7 "), 7);
    EXPECT_EQ(ParseDialogInt("007"), 7);
    EXPECT_EQ(ParseDialogInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseDialogInt("-2147483648"), INT32_MIN);
    for (const char* refused : {"", " ", "-", "abc", "12a", "1 2", "+5", "- 5", "0x10", "2147483648",
                                "-2147483649", "99999999999999999999999"}) {
        EXPECT_EQ(ParseDialogInt(refused), std::nullopt) << '"' << refused << '"';
    }
}

TEST(DataExchangeTest, MembersGoToTheControlsAndComeBack) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate());
    view.Open();
    EXPECT_EQ(view.Text(kName), "board");
    EXPECT_EQ(view.Checked(kEnabled), 1);
    EXPECT_EQ(view.Checked(kFirst), 0);
    EXPECT_EQ(view.Checked(kSecond), 1);
    EXPECT_EQ(view.ItemCount(kChoices), 2);
    EXPECT_EQ(view.Text(kChoices), "1/1");
    EXPECT_EQ(view.Text(kCount), "3");
    EXPECT_EQ(view.Text(kWidth), "1280");

    view.TypeText(kName, "camera");
    view.Click(kEnabled);
    view.Click(kFirst);
    view.ChooseItem(kChoices, 1);
    view.TypeText(kCount, " -5 ");
    view.TypeText(kWidth, "8192");
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.name, "camera");
    EXPECT_EQ(dialog.enabled, 0);
    EXPECT_EQ(dialog.which, 0);
    EXPECT_EQ(dialog.choice, 1);
    EXPECT_EQ(dialog.count, -5);
    EXPECT_EQ(dialog.width, 8192);
    EXPECT_TRUE(view.Messages().empty());
}

TEST(DataExchangeTest, NoRadioCheckedReadsAsMinusOne) {
    TestDialog dialog;
    dialog.which = -1;
    MemoryView view(dialog, TestTemplate());
    view.Open();
    EXPECT_EQ(view.Checked(kFirst) + view.Checked(kSecond), 0);
    dialog.which = 0;
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.which, -1);
}

TEST(DataExchangeTest, AValueOutOfRangeIsShownAndKeepsTheDialogOpen) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate(), {.programName = "TKBctl"});
    view.Open();
    view.TypeText(kWidth, "8193");
    view.TypeText(kName, "changed");
    EXPECT_FALSE(dialog.UpdateData(true));
    ASSERT_EQ(view.Messages().size(), 1u);
    const ShownMessage& shown = view.Messages()[0];
    EXPECT_EQ(shown.text, "Enter an integer between 1 and 8192.");
    EXPECT_EQ(shown.caption, "TKBctl");
    EXPECT_EQ(shown.message.icon, MessageIcon::Warning);
    EXPECT_EQ(shown.ownerTemplate, 100);
    EXPECT_EQ(view.FocusedControl(), kWidth);
    // Members read before the refused one took their new values; the refused one kept its own.
    EXPECT_EQ(dialog.name, "changed");
    EXPECT_EQ(dialog.width, 1280);

    view.TypeText(kWidth, "1");
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.width, 1);
    view.TypeText(kWidth, "0");
    EXPECT_FALSE(dialog.UpdateData(true));
    EXPECT_EQ(view.Messages().back().text, "Enter an integer between 1 and 8192.");
}

TEST(DataExchangeTest, OnlyTheFirstRefusedValueIsReported) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate());
    view.Open();
    view.TypeText(kCount, "three");
    view.TypeText(kWidth, "0");
    EXPECT_FALSE(dialog.UpdateData(true));
    ASSERT_EQ(view.Messages().size(), 1u);
    EXPECT_EQ(view.Messages()[0].text, "Enter an integer.");
    EXPECT_EQ(view.FocusedControl(), kCount);
    EXPECT_EQ(dialog.count, 3);
}

TEST(DataExchangeTest, MessagesComeInTheUsersLanguage) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate(), {.language = Language::Japanese});
    view.Open();
    view.TypeText(kWidth, "-1");
    EXPECT_FALSE(dialog.UpdateData(true));
    view.TypeText(kWidth, "");
    EXPECT_FALSE(dialog.UpdateData(true));
    ASSERT_EQ(view.Messages().size(), 2u);
    EXPECT_EQ(view.Messages()[0].text, "1 から 8192 までの整数を入力してください。");
    EXPECT_EQ(view.Messages()[1].text, "整数を入力してください。");
    EXPECT_EQ(IntegerRangeMessage(Language::English, -2147483647 - 1, 0),
              "Enter an integer between -2147483648 and 0.");
}

}  // namespace
}  // namespace ui::test
