// A dialog for the layer's tests: records the commands its table routes, and exchanges a few
// members of every kind.
#pragma once

#include <string>
#include <vector>

#include "ui/command.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/memory_view.h"

namespace ui::test {

// Control ids of the test template.
constexpr int kName = 1000;
constexpr int kCount = 1001;
constexpr int kWidth = 1002;
constexpr int kLog = 1003;
constexpr int kEnabled = 1010;
constexpr int kFirst = 1011;
constexpr int kSecond = 1012;
constexpr int kChoices = 1020;
constexpr int kApply = 1030;
constexpr int kSettings = 1031;  // the template's default push button
constexpr int kTimer = 7;

inline TemplateDefinition TestTemplate() {
    return {
        {kName, ControlKind::Edit},
        {kCount, ControlKind::Edit},
        {kWidth, ControlKind::Edit},
        {kLog, ControlKind::MultiLineEdit},
        {kEnabled, ControlKind::CheckBox, "Enabled"},
        {kFirst, ControlKind::RadioButton, "First", true, true, 1},
        {kSecond, ControlKind::RadioButton, "Second", true, true, 1},
        {kChoices, ControlKind::ComboBox},
        {kApply, ControlKind::PushButton, "Apply"},
        {kSettings, ControlKind::DefaultPushButton, "Settings..."},
        {kIdOk, ControlKind::PushButton, "OK"},
    };
}

class TestDialog : public DialogImpl<TestDialog> {
public:
    explicit TestDialog(EnterKey enterKey = EnterKey::ClicksDefaultButton) : DialogImpl(100, enterKey) {}

    static const CommandTable<TestDialog>& Commands() {
        static const auto table = CommandTable<TestDialog>()
                                      .OnClicked(kApply, &TestDialog::OnApply)
                                      .OnClicked(kSettings, &TestDialog::OnSettings)
                                      .OnClicked(kEnabled, &TestDialog::OnEnabled)
                                      .OnNotify(kName, kEditChanged, &TestDialog::OnNameChanged)
                                      .OnNotify(kChoices, kSelectionChanged, &TestDialog::OnChoice)
                                      .OnTimer(kTimer, &TestDialog::OnTick);
        return table;
    }

    void DoDataExchange(DataExchange& exchange) override {
        exchange.Text(kName, name);
        exchange.Check(kEnabled, enabled);
        exchange.Radio({kFirst, kSecond}, which);
        exchange.Items(kChoices, choices);
        exchange.Selection(kChoices, choice);
        exchange.Int(kCount, count);
        exchange.IntRange(kWidth, width, 1, 8192);
    }

    using Dialog::UpdateData;
    using Dialog::View;

    std::vector<std::string> calls;
    std::string name = "board";
    int enabled = 1;
    int which = 1;
    std::vector<std::string> choices{"1/1", "1/2"};
    int choice = 0;
    int32_t count = 3;
    int32_t width = 1280;

private:
    void OnApply() { calls.push_back("apply"); }
    void OnSettings() { calls.push_back("settings"); }
    void OnEnabled() { calls.push_back("enabled=" + std::to_string(View().Checked(kEnabled))); }
    void OnNameChanged() { calls.push_back("name=" + View().Text(kName)); }
    void OnChoice() { calls.push_back("choice=" + View().Text(kChoices)); }
    void OnTick() { calls.push_back("tick"); }
};

}  // namespace ui::test
