// The main window on an in-memory view over virtual boards, with the program's services faked.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

#include "board_info/board_info_ids.h"
#include "main_window/tkrctl_dlg.h"
#include "progress_window/progress_window_ids.h"
#include "select_board/select_board_ids.h"
#include "support/virtual_boards.h"
#include "ui/memory_view.h"

namespace tkbctl::test {

// Records what the launch asks of the platform; `present`, `loads`, `exports` say what it finds.
class FakePluginLoader : public PluginLoader {
public:
    bool present = false;
    bool loads = true;
    bool exports = true;
    std::vector<std::string> found, loaded;
    int freed = 0;
    std::optional<PluginParameters> received;

    std::optional<std::string> FindFile(const std::string& path) override {
        found.push_back(path);
        if (!present)
            return std::nullopt;
        return std::string("PLUGIN.DLL");
    }
    Module Load(const std::string& path) override {
        loaded.push_back(path);
        return loads ? 0x1234 : 0;
    }
    ShowDialogEntry FindEntryPoint(Module module, const char* name) override {
        EXPECT_EQ(module, 0x1234u);
        if (!exports || std::string(name) != "ShowDialog")
            return {};
        return [this](PluginParameters* parameters) { received = *parameters; };
    }
    void Free(Module module) override {
        EXPECT_EQ(module, 0x1234u);
        ++freed;
    }
};

// The platform's image files and memory, without the pause after "Set".
class QuickSettingDialogServices : public SettingDialogServices {
public:
    int pauses = 0;
    std::unique_ptr<ImageFile> OpenImageFile(const std::string& path) override {
        return platform_.OpenImageFile(path);
    }
    std::unique_ptr<uint8_t[]> Allocate(size_t bytes) override { return platform_.Allocate(bytes); }
    void Pause(std::chrono::milliseconds) override { ++pauses; }

private:
    PlatformSettingDialogServices platform_;
};

class FakeServices : public MainWindowServices {
public:
    std::string directory;
    int32_t usbVersion = -1;
    int pauses = 0;
    FakePluginLoader plugins;
    QuickSettingDialogServices settingDialog;

    int32_t QueryUsbVersion(uint16_t vendorId, uint16_t productId) override {
        EXPECT_EQ(vendorId, 0x0525);
        EXPECT_EQ(productId, 0xA115);
        return usbVersion;
    }
    void Pause(std::chrono::milliseconds) override { ++pauses; }
    std::string ExecutableFileName() override { return directory + "/bin/TKBctl.exe"; }
    std::string CurrentDirectory() override { return directory; }
    void ShowMessageFromWorker(std::uintptr_t owner, const ui::Message& message) override {
        std::lock_guard lock(mutex_);
        workerMessages_.push_back({owner, message});
    }
    PluginLoader& Plugins() override { return plugins; }
    SettingDialogServices& SettingDialog() override { return settingDialog; }

    std::vector<int> WorkerMessageIds() {
        std::lock_guard lock(mutex_);
        std::vector<int> ids;
        for (const auto& shown : workerMessages_)
            ids.push_back(std::get<int>(shown.second.body));
        return ids;
    }
    std::vector<std::uintptr_t> WorkerOwners() {
        std::lock_guard lock(mutex_);
        std::vector<std::uintptr_t> owners;
        for (const auto& shown : workerMessages_)
            owners.push_back(shown.first);
        return owners;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::uintptr_t, ui::Message>> workerMessages_;
};

inline ui::TemplateDefinition MainWindowTemplate() {
    using K = ui::ControlKind;
    return {
        {IDC_SLAVE_ADDRESS, K::Edit},
        {IDC_SUB_ADDRESS, K::Edit},
        {IDC_WRITE_VALUE, K::Edit},
        {IDC_READ_COUNTS, K::Edit},
        {IDC_READ_VALUE, K::MultiLineEdit},
        {IDC_WORD_ADDRESS_MODE, K::CheckBox, "Word Address &Mode"},
        {IDC_RESTART_CONDITION, K::CheckBox, "Restart &Condition"},
        {IDC_CAMERA_POWER, K::CheckBox, "&Camera Power", true, false},
        {IDC_CAMERA_RESET, K::CheckBox, "Camera &Reset"},
        {IDC_F_GATE, K::CheckBox, "F-Gate (debug)", false},
        {IDC_SETTING_FILE_WRITE, K::PushButton, "Setting &File Write..."},
        {IDC_WRITE, K::PushButton, "&Write"},
        {IDC_READ, K::PushButton, "&Read"},
        {IDC_TKB_SETTING, K::DefaultPushButton, "TKB &Setting..."},
        {IDC_TKB_RESTART, K::PushButton, "TKB Restart"},
        {IDC_TKB_INFO, K::PushButton, "TKB &Info..."},
        {IDC_CLEAR, K::PushButton, "Clear"},
        {IDC_TEST, K::PushButton, "Test", false},
    };
}

// The ids of the message boxes shown on the window's own thread, in order.
inline std::vector<int> MessageIds(const ui::MemoryView& view) {
    std::vector<int> ids;
    for (const ui::ShownMessage& shown : view.Messages()) {
        if (const int* id = std::get_if<int>(&shown.message.body))
            ids.push_back(*id);
        else
            ids.push_back(0);
    }
    return ids;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class MainWindowTest : public ::testing::Test {
protected:
    void Start(const std::vector<const char*>& models) {
        boards_ = std::make_unique<VirtualBoards>(models);
        boardCount_ = models.size();
        services_.directory = boards_->Path().string();
        Open();
    }
    // A new main window, as at the program's next start.
    void Open() {
        view_.reset();
        dialog_.reset();
        dialog_ = std::make_unique<CTKRctlDlg>(services_);
        view_ = std::make_unique<ui::MemoryView>(
            *dialog_, MainWindowTemplate(),
            ui::MemoryViewOptions{ui::Language::English,
                                  {{{12001, "Applying setting file into camera register."}}, {}},
                                  "TKBctl"});
        view_->DescribeChild(IDD_TKB_INFO, {{IDC_TKB_INFO_TEXT, ui::ControlKind::MultiLineEdit}},
                             [](ui::MemoryView& child) { child.PressEscape(); });
        view_->DescribeChild(IDD_PROGRESS_MESSAGE, {{IDC_PROGRESS_MESSAGE, ui::ControlKind::Static}});
        view_->DescribeChild(IDD_SELECT_BOARD,
                             {{IDC_BOARD_LIST, ui::ControlKind::ComboBox}, {1, ui::ControlKind::PushButton}},
                             [this](ui::MemoryView& child) {
                                 selectionEntries_.clear();
                                 for (int i = 0; i < child.ItemCount(IDC_BOARD_LIST); ++i)
                                     selectionEntries_.push_back(child.ItemText(IDC_BOARD_LIST, i));
                                 preselected_ = child.Selection(IDC_BOARD_LIST);
                                 child.ChooseItem(IDC_BOARD_LIST, choose_);
                                 child.Click(1);
                             });
        if (!iniPrepared_.empty())
            std::ofstream(boards_->Path() / "TKBctl.ini", std::ios::binary) << iniPrepared_;
        view_->Open();
        if (boardCount_ > 0)
            boards_->Board(0)->ClearLog();
    }
    void Type(int id, const std::string& text) { ASSERT_TRUE(view_->TypeText(id, text)); }
    void Fields(const std::string& slave, const std::string& sub, const std::string& value) {
        Type(IDC_SLAVE_ADDRESS, slave);
        Type(IDC_SUB_ADDRESS, sub);
        Type(IDC_WRITE_VALUE, value);
    }

    FakeServices services_;
    std::unique_ptr<VirtualBoards> boards_;
    std::unique_ptr<CTKRctlDlg> dialog_;
    std::unique_ptr<ui::MemoryView> view_;
    std::string iniPrepared_;
    size_t boardCount_ = 0;
    int choose_ = 0;
    int preselected_ = -1;
    std::vector<std::string> selectionEntries_;
};

}  // namespace tkbctl::test
