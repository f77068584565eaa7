// The board settings dialog and its sub-dialogs on the in-memory view over a virtual board, with
// update image files held in memory and memory that can be made to run out.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "advanced_setting/advanced_setting_ids.h"
#include "clipping_setting/clipping_setting_ids.h"
#include "dip_switch/dip_switch_ids.h"
#include "ini/ini_handler.h"
#include "ini/program_paths.h"
#include "messages/message_ids.h"
#include "progress_window/progress_window_ids.h"
#include "setting_dialog/tkb_setting_dlg.h"
#include "sim_test_support.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"
#include "ui/memory_view.h"

namespace tkbctl::test {

using tkbsim::test::Bytes;
using tkbsim::test::Pattern;

// Image files by path, read as the platform would read them; allocations fail from a chosen one.
class FakeSettingDialogServices final : public SettingDialogServices {
public:
    std::map<std::string, Bytes> files;
    int allocationsLeft = -1;  // negative: every allocation succeeds
    int allocations = 0;
    int pauses = 0;
    bool openFiles = false;            // whether a file is still open
    std::function<void()> onAllocate;  // called before each allocation

    std::unique_ptr<ImageFile> OpenImageFile(const std::string& path) override {
        const auto found = files.find(path);
        if (found == files.end())
            return nullptr;
        return std::make_unique<File>(found->second, openFiles);
    }
    std::unique_ptr<uint8_t[]> Allocate(size_t bytes) override {
        ++allocations;
        if (onAllocate)
            onAllocate();
        if (allocationsLeft == 0)
            return nullptr;
        if (allocationsLeft > 0)
            --allocationsLeft;
        return std::unique_ptr<uint8_t[]>(new uint8_t[bytes]());
    }
    void Pause(std::chrono::milliseconds) override { ++pauses; }

private:
    class File final : public ImageFile {
    public:
        File(const Bytes& bytes, bool& open) : bytes_(bytes), open_(open) { open_ = true; }
        ~File() override { open_ = false; }
        uint64_t Size() override { return bytes_.size(); }
        bool ReadAll(std::span<uint8_t> buffer) override {
            std::copy(bytes_.begin(), bytes_.end(), buffer.begin());
            return true;
        }

    private:
        const Bytes& bytes_;
        bool& open_;
    };
};

inline ui::TemplateDefinition SettingDialogTemplate() {
    using K = ui::ControlKind;
    ui::TemplateDefinition controls;
    int group = 1;
    auto pair = [&](int zero, int one, bool enabled = true, bool visible = true) {
        controls.push_back({zero, K::RadioButton, "", visible, enabled, group});
        controls.push_back({one, K::RadioButton, "", visible, enabled, group});
        ++group;
    };
    pair(IDC_CKIN_54MHZ, IDC_CKIN_48MHZ);
    pair(IDC_COLOR_SPACE_YUV, IDC_COLOR_SPACE_RGB, false, false);
    pair(IDC_CKIN_DIVIDE_1_1, IDC_CKIN_DIVIDE_1_2);
    pair(IDC_HDMI_RANGE_LIMITED, IDC_HDMI_RANGE_FULL, false);
    pair(IDC_BT656_OFF, IDC_BT656_ON);
    pair(IDC_PIXEL_CLOCK_RISING, IDC_PIXEL_CLOCK_FALLING);
    pair(IDC_HSYNC_LOW_ACTIVE, IDC_HSYNC_HIGH_ACTIVE);
    pair(IDC_VSYNC_LOW_ACTIVE, IDC_VSYNC_HIGH_ACTIVE);
    pair(IDC_DE_LOW_ACTIVE, IDC_DE_HIGH_ACTIVE);
    pair(IDC_DE_INPUT_OFF, IDC_DE_INPUT_ON);
    for (const int id : {IDC_DECIMATION, IDC_ENDIAN_MODE, IDC_BIT_SHIFT, IDC_UVC_COLOR, IDC_UVC_BOARD_ID})
        controls.push_back({id, K::ComboBox});
    for (const int id : {IDC_UVC_FPS, IDC_UVC_WIDTH, IDC_UVC_HEIGHT, IDC_CLIPPING_STATE})
        controls.push_back({id, K::Edit});
    controls.push_back({IDC_HDMI_RANGE_LABEL, K::Static, "HDMI Output Range", true, false});
    controls.push_back({IDC_ENDIAN_MODE_LABEL, K::Static, "Endian Mode / Bit Shift"});
    controls.push_back({IDC_UVC_RESOLUTION_LABEL, K::Static, "UVC Resolution"});
    controls.push_back({IDC_UVC_FPS_LABEL, K::Static, "UVC FPS"});
    controls.push_back({IDC_UVC_COLOR_LABEL, K::Static, "UVC Color Space"});
    controls.push_back({IDC_UVC_BOARD_ID_LABEL, K::Static, "UVC Board ID"});
    for (const int id :
         {IDC_CLIPPING_LABEL, IDC_DECIMATION_LABEL, IDC_DLL_VERSION, IDC_FX3_VERSION, IDC_FPGA_VERSION})
        controls.push_back({id, K::Static});
    controls.push_back({IDC_SETTING_SET, K::DefaultPushButton, "Set"});
    for (const int id : {IDC_SETTING_CANCEL, IDC_FX3_UPDATE, IDC_FPGA_UPDATE, IDC_MULTI_UPDATE,
                         IDC_SHOW_DIP_SW, IDC_CLIPPING_DETAIL, IDC_ADVANCED_SETTING})
        controls.push_back({id, K::PushButton});
    return controls;
}

inline ui::TemplateDefinition AdvancedTemplate() {
    using K = ui::ControlKind;
    return {{IDC_I2C_FREQUENCY, K::ComboBox},  {IDC_I2C_DELAY, K::ComboBox},
            {IDC_SW1_FUNCTION, K::ComboBox},   {IDC_HDMI_INPUT_RANGE, K::ComboBox},
            {ui::kIdOk, K::DefaultPushButton}, {ui::kIdCancel, K::PushButton}};
}

// Rows 2 and 4 to 7 are disabled in the template.
inline ui::TemplateDefinition DipSwitchTemplate() {
    using K = ui::ControlKind;
    ui::TemplateDefinition controls;
    for (const int id :
         {IDC_DIP1_FUNCTION, IDC_DIP1_OFF, IDC_DIP1_ON, IDC_DIP3_OFF, IDC_DIP3_ON, IDC_DIP7_NUMBER,
          IDC_DIP8_NUMBER, IDC_DIP8_FUNCTION, IDC_DIP8_OFF, IDC_DIP8_ON, IDC_DIP_POWER_ON_NOTE})
        controls.push_back({id, K::Static, "text"});
    for (const int id : {IDC_DIP2_FUNCTION, IDC_DIP2_OFF, IDC_DIP2_ON, IDC_DIP4_FUNCTION, IDC_DIP4_OFF,
                         IDC_DIP4_ON, IDC_DIP5_FUNCTION, IDC_DIP5_OFF, IDC_DIP5_ON, IDC_DIP6_FUNCTION,
                         IDC_DIP6_OFF, IDC_DIP6_ON, IDC_DIP7_FUNCTION, IDC_DIP7_OFF, IDC_DIP7_ON})
        controls.push_back({id, K::Static, "text", true, false});
    return controls;
}

inline ui::TemplateDefinition ClippingTemplate() {
    using K = ui::ControlKind;
    return {{IDC_CLIPPING_ENABLE, K::CheckBox},      {IDC_CENTERING, K::PushButton},
            {IDC_CLIP_X0, K::Edit, "", true, false}, {IDC_CLIP_WIDTH, K::Edit, "", true, false},
            {IDC_CLIP_Y0, K::Edit, "", true, false}, {IDC_CLIP_HEIGHT, K::Edit, "", true, false},
            {IDC_DETECTED_RESOLUTION, K::Edit},      {ui::kIdOk, K::DefaultPushButton},
            {ui::kIdCancel, K::PushButton}};
}

// The program INI file the colour list is read from, in the virtual boards' folder made the
// working directory for the test's length.
class ProgramIniInFolder {
public:
    explicit ProgramIniInFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~ProgramIniInFolder() { std::filesystem::current_path(previous_); }
    void Write(const std::string& entries) {
        const std::string name = ProgramNameOf(ExecutableFileName());
        std::ofstream(ProgramIniPath(CurrentDirectory(), name), std::ios::binary) << "[" << name << "]\r\n"
                                                                                  << entries;
    }

private:
    std::filesystem::path previous_;
};

inline constexpr const char* kTwoColours =
    "ColorName0=YUY2\r\nColorGUID0=0x59,0x55,0x59,0x32,0,0,0x10,0,0x80,0,0,0xAA,0,0x38,0x9B,0x71\r\n"
    "ColorName1=NV12\r\nColorGUID1=0x4E,0x56,0x31,0x32,0,0,0x10,0,0x80,0,0,0xAA,0,0x38,0x9B,0x71\r\n";

// The settings dialog of board 0 of `model`, on a view whose children are the real sub-dialogs.
class SettingDialogTest : public ::testing::Test {
protected:
    void Board(const char* model, int boardType) {
        view_.reset();
        dialog_.reset();
        control_.reset();
        ini_.reset();
        boards_.reset();
        boards_ = std::make_unique<VirtualBoards>(std::vector<const char*>{model});
        identity_ = BoardIdentity{model, boardType};
        control_ = std::make_unique<CTkrUsbControl>(identity_, wrapperMessages_);
        ini_ = std::make_unique<ProgramIniInFolder>(boards_->Path());
        ini_->Write(kTwoColours);
    }
    // Opens the dialog on `record` (null: none) with the wrapper unless `withControl` is false.
    void Open(TKBSetting* record, bool withControl = true) {
        // The view goes before the dialog it was opened on.
        view_.reset();
        dialog_ = std::make_unique<TKBSettingDlg>(identity_, services_);
        dialog_->SetRecord(record);
        dialog_->SetControl(withControl ? control_.get() : nullptr);
        ui::MemoryViewOptions options;
        options.strings.english = {{12007, "Updating FX3 firmware."}, {12009, "Updating FPGA."}};
        options.programName = "TKBctl";
        view_ = std::make_unique<ui::MemoryView>(*dialog_, SettingDialogTemplate(), options);
        view_->DescribeChild(IDD_PROGRESS_MESSAGE, {{IDC_PROGRESS_MESSAGE, ui::ControlKind::Static}});
        view_->Open();
        boards_->Board(0)->ClearLog();
    }
    void InChild(int templateId, const ui::TemplateDefinition& controls,
                 std::function<void(ui::MemoryView&)> act) {
        view_->DescribeChild(templateId, controls, std::move(act));
    }
    // The message boxes the dialog showed, by string id (0 for a literal text).
    std::vector<int> MessageIds() const {
        std::vector<int> ids;
        for (const ui::ShownMessage& shown : view_->Messages()) {
            const int* id = std::get_if<int>(&shown.message.body);
            ids.push_back(id ? *id : 0);
        }
        return ids;
    }

    std::unique_ptr<VirtualBoards> boards_;
    std::unique_ptr<ProgramIniInFolder> ini_;
    BoardIdentity identity_;
    RecordingMessages wrapperMessages_;
    std::unique_ptr<CTkrUsbControl> control_;
    FakeSettingDialogServices services_;
    std::unique_ptr<TKBSettingDlg> dialog_;
    std::unique_ptr<ui::MemoryView> view_;
};

}  // namespace tkbctl::test
