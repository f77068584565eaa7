// The program file's resources as Windows reads them: templates (size, style, font) and string
// tables in both languages, the icon's images, the version and the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "advanced_setting/advanced_setting_ids.h"
#include "board_info/board_info_ids.h"
#include "clipping_setting/clipping_setting_ids.h"
#include "dip_switch/dip_switch_ids.h"
#include "main_window/main_window_ids.h"
#include "messages/message_ids.h"
#include "program_process.h"
#include "progress_window/progress_window_ids.h"
#include "select_board/select_board_ids.h"
#include "setting_dialog/setting_dialog_ids.h"

namespace tkbctl::test {
namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(0x11, 0x01);
// The resource types, by number: this program is built without UNICODE, whose RT_ names are narrow.
const LPCWSTR kDialog = MAKEINTRESOURCEW(5);
const LPCWSTR kString = MAKEINTRESOURCEW(6);
const LPCWSTR kGroupIcon = MAKEINTRESOURCEW(14);
const LPCWSTR kVersion = MAKEINTRESOURCEW(16);
const LPCWSTR kManifest = MAKEINTRESOURCEW(24);

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW((DistFolder() / "TKBctl.exe").wstring().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_TRUE(module_);
    }
    void TearDown() override {
        if (module_)
            FreeLibrary(module_);
    }
    // The bytes of one resource in one language; empty when there is none.
    std::vector<uint8_t> Resource(LPCWSTR type, LPCWSTR name, LANGID language) const {
        const HRSRC found = FindResourceExW(module_, type, name, language);
        if (!found)
            return {};
        const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module_, found)));
        return std::vector<uint8_t>(data, data + SizeofResource(module_, found));
    }
    // String `id` of the table in `language`, read from its block of 16; nullopt when it is absent.
    std::optional<std::wstring> String(int id, LANGID language) const {
        const std::vector<uint8_t> block = Resource(kString, MAKEINTRESOURCEW(id / 16 + 1), language);
        if (block.empty())
            return std::nullopt;
        const auto* p = reinterpret_cast<const wchar_t*>(block.data());
        for (int i = 0; i < id % 16; ++i)
            p += 1 + *p;
        if (*p == 0)
            return std::nullopt;
        return std::wstring(p + 1, *p);
    }
    // The languages a resource is there in, in ascending order.
    std::vector<LANGID> Languages(LPCWSTR type, int id) const {
        std::vector<LANGID> languages;
        EnumResourceLanguagesW(module_, type, MAKEINTRESOURCEW(id), AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        std::sort(languages.begin(), languages.end());
        return languages;
    }
    static BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
        reinterpret_cast<std::vector<LANGID>*>(found)->push_back(language);
        return TRUE;
    }
    HMODULE module_ = nullptr;
};

// One control of an extended dialog template.
struct Item {
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    int32_t id = 0;
    uint16_t classOrdinal = 0;  // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box; 0 for others
    std::wstring text;
    uint16_t textOrdinal = 0;  // a resource named by number (a picture), else 0

    bool Visible() const { return (style & WS_VISIBLE) != 0; }
    bool Enabled() const { return (style & WS_DISABLED) == 0; }
};

// What an extended dialog template says of the dialog itself, and its controls.
struct Template {
    uint32_t style = 0;
    uint16_t controls = 0;
    int16_t cx = 0, cy = 0;
    std::wstring caption;
    uint16_t points = 0;
    std::wstring font;
    std::vector<Item> items;

    // The first control with this id; a test fails on a missing one.
    const Item& Control(int32_t id) const {
        for (const Item& item : items)
            if (item.id == id)
                return item;
        ADD_FAILURE() << "no control " << id;
        static const Item missing;
        return missing;
    }
};

const wchar_t* SkipNameOrOrdinal(const wchar_t* p) {
    if (*p == 0xFFFF)
        return p + 2;
    return p + wcslen(p) + 1;
}

Template ReadTemplate(const std::vector<uint8_t>& bytes) {
    Template t;
    if (bytes.size() < 26)
        return t;
    uint16_t signature = 0;
    std::memcpy(&signature, bytes.data() + 2, 2);
    if (signature != 0xFFFF)
        return t;
    std::memcpy(&t.style, bytes.data() + 12, 4);
    std::memcpy(&t.controls, bytes.data() + 16, 2);
    std::memcpy(&t.cx, bytes.data() + 22, 2);
    std::memcpy(&t.cy, bytes.data() + 24, 2);
    const auto* p = reinterpret_cast<const wchar_t*>(bytes.data() + 26);
    p = SkipNameOrOrdinal(p);  // menu
    p = SkipNameOrOrdinal(p);  // class
    t.caption = p;
    p += wcslen(p) + 1;
    if (t.style & DS_SETFONT) {
        t.points = static_cast<uint16_t>(*p);
        p += 3;  // points, weight, italic and character set
        t.font = p;
        p += wcslen(p) + 1;
    }
    const uint8_t* const end = bytes.data() + bytes.size();
    for (uint16_t i = 0; i < t.controls; ++i) {
        // Each control starts on a 4-byte boundary: help id, extended style, style, place, id.
        auto at = reinterpret_cast<const uint8_t*>(p);
        at = bytes.data() + ((at - bytes.data() + 3) & ~3);
        if (at + 24 > end)
            break;
        Item item;
        std::memcpy(&item.style, at + 8, 4);
        std::memcpy(&item.x, at + 12, 2);
        std::memcpy(&item.y, at + 14, 2);
        std::memcpy(&item.cx, at + 16, 2);
        std::memcpy(&item.cy, at + 18, 2);
        std::memcpy(&item.id, at + 20, 4);
        p = reinterpret_cast<const wchar_t*>(at + 24);
        if (*p == 0xFFFF) {
            item.classOrdinal = p[1];
            p += 2;
        } else {
            // A CONTROL statement may name a predefined class instead of giving its ordinal.
            const std::pair<const wchar_t*, uint16_t> predefined[] = {
                {L"button", 0x80}, {L"edit", 0x81}, {L"static", 0x82}, {L"combobox", 0x85}};
            for (const auto& [name, ordinal] : predefined)
                if (_wcsicmp(p, name) == 0)
                    item.classOrdinal = ordinal;
            p += wcslen(p) + 1;
        }
        if (*p == 0xFFFF) {
            item.textOrdinal = p[1];
            p += 2;
        } else {
            item.text = p;
            p += wcslen(p) + 1;
        }
        const uint16_t extra = *p;
        p = reinterpret_cast<const wchar_t*>(reinterpret_cast<const uint8_t*>(p + 1) + extra);
        t.items.push_back(item);
    }
    return t;
}

TEST_F(ProgramResources, EveryTemplateHasItsSizeStyleAndFontInBothLanguages) {
    struct Expected {
        int id;
        int16_t cx, cy;
        uint16_t controls;
        std::wstring caption;
    };
    const Expected expected[] = {{IDD_TKBCTL_DIALOG, 223, 260, 23, L"TKB20Uctl"},
                                 {IDD_PROGRESS_MESSAGE, 151, 76, 1, L""},
                                 {IDD_TKB_INFO, 167, 176, 1, L"TKB Info"},
                                 {IDD_SELECT_BOARD, 202, 26, 2, L"Select Board"},
                                 {IDD_TKB_SETTING, 286, 434, 66, L"TKB-20U Setting"},
                                 {IDD_DIP_SWITCH, 274, 140, 38, L"Dip SW Assignment"},
                                 {IDD_CLIPPING_SETTING, 338, 158, 16, L"Clipping Setting"},
                                 {IDD_ADVANCED_SETTING, 244, 116, 10, L"Advanced Setting"}};
    for (LANGID language : {kEnglish, kJapanese}) {
        for (const Expected& e : expected) {
            const Template t = ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(e.id), language));
            EXPECT_EQ(t.cx, e.cx) << e.id << " " << language;
            EXPECT_EQ(t.cy, e.cy) << e.id;
            EXPECT_EQ(t.controls, e.controls) << e.id;
            EXPECT_EQ(t.caption, e.caption) << e.id;
        }
        // The progress window: a caption bar, but no system menu and so no close box.
        const Template progress =
            ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(IDD_PROGRESS_MESSAGE), language));
        EXPECT_EQ(progress.style, 0x80C000C0u);
        EXPECT_EQ(progress.points, 9);
        EXPECT_EQ(progress.font, L"ＭＳ Ｐゴシック");
        const Template info = ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(IDD_TKB_INFO), language));
        EXPECT_EQ(info.points, 10);
        EXPECT_EQ(info.font, L"MS UI Gothic");
        const Template main = ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(IDD_TKBCTL_DIALOG), language));
        EXPECT_EQ(main.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
                  static_cast<uint32_t>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
        // The settings dialogs have the main window's font; the DIP switch chart, without buttons,
        // is closed with its close box.
        for (int id : {IDD_TKB_SETTING, IDD_DIP_SWITCH, IDD_CLIPPING_SETTING, IDD_ADVANCED_SETTING}) {
            const Template t = ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(id), language));
            EXPECT_EQ(t.points, main.points) << id;
            EXPECT_EQ(t.font, main.font) << id;
            EXPECT_EQ(t.style & (WS_CAPTION | WS_SYSMENU), static_cast<uint32_t>(WS_CAPTION | WS_SYSMENU))
                << id;
        }
        EXPECT_EQ(main.font, language == kEnglish ? L"MS Shell Dlg" : L"MS UI Gothic");
    }
    // Each in exactly the two languages, none marked neutral: a neutral one would win over the
    // user's language.
    for (const Expected& e : expected)
        EXPECT_EQ(Languages(kDialog, e.id), (std::vector<LANGID>{kEnglish, kJapanese})) << e.id;
    EXPECT_EQ(Languages(kString, IDS_READ_REGISTER_FAILED / 16 + 1),
              (std::vector<LANGID>{kEnglish, kJapanese}));
}

TEST_F(ProgramResources, EveryMessageIsInBothTablesAndTheEnglishTextsAreExact) {
    const int ids[] = {10000, 10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10009,
                       10010, 10011, 10012, 10013, 10016, 10017, 10018, 10019, 10020, 10021,
                       12001, 12004, 12005, 12006, 12007, 12008, 12009, 12010, 12011, 12012};
    for (int id : ids) {
        const auto english = String(id, kEnglish);
        const auto japanese = String(id, kJapanese);
        ASSERT_TRUE(english) << id;
        ASSERT_TRUE(japanese) << id;
        EXPECT_NE(*english, *japanese) << id;
        // Japanese text, not an English one copied: at least one character beyond ASCII.
        EXPECT_TRUE(std::any_of(japanese->begin(), japanese->end(), [](wchar_t c) { return c > 0x7F; }))
            << id;
    }
    EXPECT_EQ(*String(IDS_READ_COUNTS_INVALID, kEnglish), L"Error: Invalid Read Counts. ");
    EXPECT_EQ(*String(IDS_SUB_ADDRESS_EMPTY, kEnglish), L"Error: Invalid Sub Address");
    EXPECT_EQ(*String(IDS_WRITE_REGISTER_FAILED, kEnglish),
              L"Set camera register failed.\n Retry or restart the application and board.");
    EXPECT_EQ(
        *String(IDS_UPDATING_FX3, kEnglish),
        L"Updating FX3 firmware. Please wait for a while.\n\nDo not disconnect USB cable until next dialog "
        L"is shown.");
    // The settings block and the updates, every text as the board's engineers know it.
    const std::pair<int, const wchar_t*> updates[] = {
        {IDS_READ_SETTINGS_FAILED,
         L"Read setting from SPI-ROM failed.\nComfirm connection between board and PC."},
        {IDS_WRITE_SETTINGS_FAILED,
         L"Write setting from SPI-ROM failed.\nComfirm connection between board and PC."},
        {IDS_SETTING_FILE_NOT_OPENED, L"Failed to open setting file. Confirm whether the file exists."},
        {IDS_UPDATE_FX3_SUCCEEDED,
         L"Updating FX3 firmware succeeded.\nDisconnect USB cable to restart the board."},
        {IDS_UPDATING_FPGA,
         L"Updating FPGA. Please wait for a while.\n\nDo not disconnect USB cable until next dialog is "
         L"shown."},
        {IDS_UPDATE_FPGA_SUCCEEDED, L"Updating FPGA succeeded.\nDisconnect USB cable to restart the board."},
        {IDS_CONFIRM_UPDATE_FX3, L"Click OK to update FX3 Firmware."},
        {IDS_CONFIRM_UPDATE_FPGA, L"Click OK to update FPGA."},
        {IDS_UPDATE_FAILED, L"Update failed.\nRetry update without disconnecting the board."},
        {IDS_VERIFY_FX3_FAILED,
         L"Failed to verify FX3 update.\nRetry update without disconnecting the board."},
        {IDS_UPDATE_FPGA_FAILED, L"Failed to update FPGA.\nRetry update without disconnecting the board."},
        {IDS_VERIFY_FPGA_FAILED,
         L"Failed to verify FPGA update.\nRetry update without disconnecting the board."}};
    for (const auto& [id, text] : updates)
        EXPECT_EQ(*String(id, kEnglish), text) << id;
    // Ids the program does not use stay free.
    EXPECT_FALSE(String(10014, kEnglish));
    EXPECT_FALSE(String(12000, kEnglish));
}

// A control's state in a template: shown, shown but disabled, or neither.
enum class State { Shown, Disabled, Hidden };

State StateOf(const Item& item) {
    if (!item.Visible())
        return State::Hidden;
    return item.Enabled() ? State::Shown : State::Disabled;
}

struct ExpectedControl {
    int32_t id;
    const wchar_t* text;
    State state;
};

void ExpectControls(const Template& t, std::initializer_list<ExpectedControl> expected) {
    for (const ExpectedControl& e : expected) {
        const Item& item = t.Control(e.id);
        EXPECT_EQ(item.text, e.text) << e.id;
        EXPECT_EQ(StateOf(item), e.state) << e.id;
    }
}

// Each radio pair: the first button starts a group with a tab stop, the second follows in the same
// row without one, so that the arrow keys move within the pair only.
void ExpectRadioPair(const Template& t, int32_t first, int32_t second) {
    const Item& a = t.Control(first);
    const Item& b = t.Control(second);
    EXPECT_EQ(a.style & 0x0F, static_cast<uint32_t>(BS_AUTORADIOBUTTON)) << first;
    EXPECT_EQ(b.style & 0x0F, static_cast<uint32_t>(BS_AUTORADIOBUTTON)) << second;
    EXPECT_EQ(a.style & (WS_GROUP | WS_TABSTOP), static_cast<uint32_t>(WS_GROUP | WS_TABSTOP)) << first;
    EXPECT_EQ(b.style & (WS_GROUP | WS_TABSTOP), 0u) << second;
    EXPECT_EQ(a.y, b.y) << first;
    EXPECT_LT(a.x + a.cx, b.x + 1) << first;
}

TEST_F(ProgramResources, TheSettingsDialogHasEveryControlWithItsTextAndState) {
    for (LANGID language : {kEnglish, kJapanese}) {
        const Template t = ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(IDD_TKB_SETTING), language));
        ExpectControls(t, {{IDC_CKIN_54MHZ, L"54MHz", State::Shown},
                           {IDC_CKIN_48MHZ, L"48MHz", State::Shown},
                           {IDC_COLOR_SPACE_YUV, L"YUV", State::Hidden},
                           {IDC_COLOR_SPACE_RGB, L"RGB", State::Hidden},
                           {IDC_CKIN_DIVIDE_1_1, L"1/1", State::Shown},
                           {IDC_CKIN_DIVIDE_1_2, L"1/2", State::Shown},
                           {IDC_HDMI_RANGE_LABEL, L"HDMI Output Range", State::Disabled},
                           {IDC_HDMI_RANGE_LIMITED, L"Limited", State::Disabled},
                           {IDC_HDMI_RANGE_FULL, L"Full", State::Disabled},
                           {IDC_BT656_OFF, L"OFF", State::Shown},
                           {IDC_BT656_ON, L"ON", State::Shown},
                           {IDC_PIXEL_CLOCK_RISING, L"\u2191 (L -> H)", State::Shown},
                           {IDC_PIXEL_CLOCK_FALLING, L"\u2193 (H -> L)", State::Shown},
                           {IDC_HSYNC_LOW_ACTIVE, L"Low Active", State::Shown},
                           {IDC_HSYNC_HIGH_ACTIVE, L"High Active", State::Shown},
                           {IDC_VSYNC_LOW_ACTIVE, L"Low Active", State::Shown},
                           {IDC_VSYNC_HIGH_ACTIVE, L"High Active", State::Shown},
                           {IDC_DE_LOW_ACTIVE, L"Low Active", State::Shown},
                           {IDC_DE_HIGH_ACTIVE, L"High Active", State::Shown},
                           {IDC_DE_INPUT_OFF, L"OFF", State::Shown},
                           {IDC_DE_INPUT_ON, L"ON", State::Shown},
                           {IDC_DECIMATION_LABEL, L"Decimation", State::Shown},
                           {IDC_ENDIAN_MODE_LABEL, L"Endian Mode / Bit Shift", State::Shown},
                           {IDC_CLIPPING_LABEL, L"Clipping", State::Shown},
                           {IDC_CLIPPING_DETAIL, L"Detail...", State::Shown},
                           {IDC_ADVANCED_SETTING, L"Advanced Setting...", State::Shown},
                           {IDC_UVC_RESOLUTION_LABEL, L"UVC Resolution", State::Shown},
                           {IDC_UVC_FPS_LABEL, L"UVC FPS", State::Shown},
                           {IDC_UVC_COLOR_LABEL, L"UVC Color Space", State::Shown},
                           {IDC_UVC_BOARD_ID_LABEL, L"UVC Board ID", State::Shown},
                           {IDC_SHOW_DIP_SW, L"Show DIP SW...", State::Shown},
                           {IDC_SETTING_CANCEL, L"Cancel", State::Shown},
                           {IDC_SETTING_SET, L"Set", State::Shown},
                           {IDC_FX3_UPDATE, L"FX3 Update...", State::Shown},
                           {IDC_FPGA_UPDATE, L"FPGA Update...", State::Shown},
                           {IDC_MULTI_UPDATE, L"Multi Update...", State::Shown}});
        for (const auto& [first, second] : {std::pair{IDC_CKIN_54MHZ, IDC_CKIN_48MHZ},
                                            {IDC_CKIN_DIVIDE_1_1, IDC_CKIN_DIVIDE_1_2},
                                            {IDC_HDMI_RANGE_LIMITED, IDC_HDMI_RANGE_FULL},
                                            {IDC_BT656_OFF, IDC_BT656_ON},
                                            {IDC_PIXEL_CLOCK_RISING, IDC_PIXEL_CLOCK_FALLING},
                                            {IDC_HSYNC_LOW_ACTIVE, IDC_HSYNC_HIGH_ACTIVE},
                                            {IDC_VSYNC_LOW_ACTIVE, IDC_VSYNC_HIGH_ACTIVE},
                                            {IDC_DE_LOW_ACTIVE, IDC_DE_HIGH_ACTIVE},
                                            {IDC_DE_INPUT_OFF, IDC_DE_INPUT_ON}})
            ExpectRadioPair(t, first, second);
        // The "Set" button is the default one; the lists are drop-down lists; the clipping state
        // is shown, not typed.
        EXPECT_EQ(t.Control(IDC_SETTING_SET).style & 0x0F, static_cast<uint32_t>(BS_DEFPUSHBUTTON));
        for (int id : {IDC_DECIMATION, IDC_ENDIAN_MODE, IDC_BIT_SHIFT, IDC_UVC_COLOR, IDC_UVC_BOARD_ID}) {
            EXPECT_EQ(t.Control(id).classOrdinal, 0x85) << id;
            EXPECT_EQ(t.Control(id).style & 0x0F, static_cast<uint32_t>(CBS_DROPDOWNLIST)) << id;
        }
        for (int id : {IDC_UVC_WIDTH, IDC_UVC_HEIGHT, IDC_UVC_FPS, IDC_CLIPPING_STATE})
            EXPECT_EQ(t.Control(id).classOrdinal, 0x81) << id;
        EXPECT_NE(t.Control(IDC_CLIPPING_STATE).style & ES_READONLY, 0u);
        for (int id : {IDC_DLL_VERSION, IDC_FX3_VERSION, IDC_FPGA_VERSION})
            EXPECT_EQ(t.Control(id).classOrdinal, 0x82) << id;
    }
}

TEST_F(ProgramResources, TheAdvancedDipSwitchAndClippingDialogsHaveEveryControlWithItsTextAndState) {
    for (LANGID language : {kEnglish, kJapanese}) {
        const Template dip = ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(IDD_DIP_SWITCH), language));
        ExpectControls(dip,
                       {{IDC_DIP1_FUNCTION, L"8bit x 2CLKs Mode", State::Shown},
                        {IDC_DIP1_OFF, L"8bit \u00D7 2CLKs", State::Shown},
                        {IDC_DIP1_ON, L"16bit \u00D7 1CLK", State::Shown},
                        {IDC_DIP2_FUNCTION, L"Test Color Pattern Mode", State::Disabled},
                        {IDC_DIP2_OFF, L"Normal Mode", State::Disabled},
                        {IDC_DIP2_ON, L"8 Colors Bar(V)", State::Disabled},
                        {IDC_DIP3_OFF, L"8-16bit input", State::Shown},
                        {IDC_DIP3_ON, L"32bit input", State::Shown},
                        {IDC_DIP4_FUNCTION, L"HDMI Resolution 1", State::Disabled},
                        {IDC_DIP4_OFF, L"Normal Mode", State::Disabled},
                        {IDC_DIP4_ON, L"Custom Res.", State::Disabled},
                        {IDC_DIP5_FUNCTION, L"DVI Mode", State::Disabled},
                        {IDC_DIP5_OFF, L"HDMI", State::Disabled},
                        {IDC_DIP5_ON, L"DVI", State::Disabled},
                        {IDC_DIP6_FUNCTION, L"HDMI Resolution 2", State::Disabled},
                        {IDC_DIP6_OFF, L"1920 \u00D7 1080", State::Disabled},
                        {IDC_DIP6_ON, L"1280 \u00D7 720", State::Disabled},
                        {IDC_DIP7_NUMBER, L"7", State::Shown},
                        {IDC_DIP7_FUNCTION, L"Frame Rate for HDMI", State::Disabled},
                        {IDC_DIP7_OFF, L"60fps", State::Disabled},
                        {IDC_DIP7_ON, L"30fps", State::Disabled},
                        {IDC_DIP8_NUMBER, L"8", State::Shown},
                        {IDC_DIP8_FUNCTION, L"Startup Mode", State::Shown},
                        {IDC_DIP8_OFF, L"TKB-20", State::Shown},
                        {IDC_DIP8_ON, L"TKB-20U", State::Shown},
                        {IDC_DIP_POWER_ON_NOTE, L"*Valid only when power supply turns ON", State::Shown}});
        // A chart only: texts in a group box, nothing that takes the focus, no buttons.
        for (const Item& item : dip.items) {
            const bool groupBox = item.classOrdinal == 0x80 && (item.style & 0x0F) == BS_GROUPBOX;
            EXPECT_TRUE(item.classOrdinal == 0x82 || groupBox) << item.id;
        }

        const Template clipping =
            ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(IDD_CLIPPING_SETTING), language));
        ExpectControls(clipping, {{IDC_CLIPPING_ENABLE, L"Clipping Enable", State::Shown},
                                  {IDC_CENTERING, L"Centering", State::Shown},
                                  {IDC_CLIP_X0, L"", State::Disabled},
                                  {IDC_CLIP_WIDTH, L"", State::Disabled},
                                  {IDC_CLIP_Y0, L"", State::Disabled},
                                  {IDC_CLIP_HEIGHT, L"", State::Disabled},
                                  {IDOK, L"OK", State::Shown},
                                  {IDCANCEL, L"Cancel", State::Shown}});
        EXPECT_EQ(clipping.Control(IDC_CLIPPING_ENABLE).style & 0x0F, static_cast<uint32_t>(BS_AUTOCHECKBOX));
        EXPECT_NE(clipping.Control(IDC_DETECTED_RESOLUTION).style & ES_READONLY, 0u);
        // The picture is the program's bitmap, shown by a static control of the bitmap kind.
        const auto picture = std::find_if(clipping.items.begin(), clipping.items.end(),
                                          [](const Item& item) { return item.textOrdinal != 0; });
        ASSERT_NE(picture, clipping.items.end());
        EXPECT_EQ(picture->textOrdinal, IDB_CLIPPING_WINDOW);
        EXPECT_EQ(picture->classOrdinal, 0x82);
        EXPECT_EQ(picture->style & SS_TYPEMASK, static_cast<uint32_t>(SS_BITMAP));

        const Template advanced =
            ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(IDD_ADVANCED_SETTING), language));
        for (int id : {IDC_I2C_FREQUENCY, IDC_I2C_DELAY, IDC_SW1_FUNCTION, IDC_HDMI_INPUT_RANGE}) {
            EXPECT_EQ(advanced.Control(id).classOrdinal, 0x85) << id;
            EXPECT_EQ(advanced.Control(id).style & 0x0F, static_cast<uint32_t>(CBS_DROPDOWNLIST)) << id;
        }
        EXPECT_EQ(advanced.Control(IDOK).style & 0x0F, static_cast<uint32_t>(BS_DEFPUSHBUTTON));
        EXPECT_EQ(advanced.Control(IDCANCEL).text, L"Cancel");
    }
}

// Every template read as a layout: each shown control lies inside its dialog, no two of them share
// a spot, and none straddles the edge of a group box. (A drop-down list counts with its closed
// height; its template height is that of the open list.)
TEST_F(ProgramResources, NoShownControlOverlapsAnotherOrCrossesAGroupEdgeOrLeavesItsDialog) {
    struct Box {
        int left, top, right, bottom;
        bool Meets(const Box& o) const {
            return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
        }
        bool Holds(const Box& o) const {
            return left <= o.left && o.right <= right && top <= o.top && o.bottom <= bottom;
        }
    };
    const int ids[] = {IDD_TKBCTL_DIALOG, IDD_SELECT_BOARD, IDD_PROGRESS_MESSAGE, IDD_TKB_INFO,
                       IDD_TKB_SETTING,   IDD_DIP_SWITCH,   IDD_CLIPPING_SETTING, IDD_ADVANCED_SETTING};
    for (LANGID language : {kEnglish, kJapanese}) {
        for (int id : ids) {
            const Template t = ReadTemplate(Resource(kDialog, MAKEINTRESOURCEW(id), language));
            const Box dialog{0, 0, t.cx, t.cy};
            std::vector<std::pair<const Item*, Box>> controls, groups;
            for (const Item& item : t.items) {
                if (!item.Visible())
                    continue;
                const int height = item.classOrdinal == 0x85 ? 12 : item.cy;
                const Box box{item.x, item.y, item.x + item.cx, item.y + height};
                EXPECT_TRUE(dialog.Holds(box)) << id << " control " << item.id << " " << language;
                const bool group = item.classOrdinal == 0x80 && (item.style & 0x0F) == BS_GROUPBOX;
                (group ? groups : controls).push_back({&item, box});
            }
            for (size_t i = 0; i < controls.size(); ++i)
                for (size_t j = i + 1; j < controls.size(); ++j)
                    EXPECT_FALSE(controls[i].second.Meets(controls[j].second))
                        << id << ": " << controls[i].first->id << " \"" << controls[i].first->text
                        << "\" and " << controls[j].first->id << " \"" << controls[j].first->text << "\"";
            for (const auto& [group, edge] : groups)
                for (const auto& [item, box] : controls)
                    EXPECT_TRUE(edge.Holds(box) || !edge.Meets(box))
                        << id << ": " << item->id << " \"" << item->text << "\" crosses \"" << group->text
                        << "\"";
        }
    }
}

TEST_F(ProgramResources, TheClippingPictureIsABitmapOfItsSize) {
    ASSERT_FALSE(Resource(MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(IDB_CLIPPING_WINDOW), kEnglish).empty());
    // Loaded as the dialog's static control loads it, whatever the user's language.
    const HANDLE bitmap =
        LoadImageW(module_, MAKEINTRESOURCEW(IDB_CLIPPING_WINDOW), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_TRUE(bitmap);
    BITMAP info = {};
    ASSERT_TRUE(GetObjectW(bitmap, sizeof(info), &info));
    EXPECT_EQ(info.bmWidth, 220);
    EXPECT_EQ(info.bmHeight, 160);
    DeleteObject(bitmap);
}

TEST_F(ProgramResources, TheIconHasASmallAndALargeImage) {
    const std::vector<uint8_t> group = Resource(kGroupIcon, MAKEINTRESOURCEW(IDR_MAINFRAME), kEnglish);
    ASSERT_GE(group.size(), 6u);
    const uint16_t count = static_cast<uint16_t>(group[4] | group[5] << 8);
    ASSERT_EQ(count, 2);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i)
        sizes.push_back(group[6 + 14 * i]);
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32}));
    // Both load as icons of their size.
    for (int size : {16, 32}) {
        const HANDLE icon = LoadImageW(module_, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0);
        EXPECT_TRUE(icon) << size;
        if (icon)
            DestroyIcon(static_cast<HICON>(icon));
    }
}

TEST_F(ProgramResources, TheVersionIsTheProjectsAndTheManifestAsksForCommonControlsAndDpiAwareness) {
    const std::vector<uint8_t> version = Resource(kVersion, MAKEINTRESOURCEW(1), kEnglish);
    ASSERT_FALSE(version.empty());
    std::vector<uint8_t> copy = version;
    wchar_t* description = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\StringFileInfo\\040904b0\\FileDescription",
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_EQ(std::wstring(description), L"TKB Control Program");
    wchar_t* fileVersion = nullptr;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\StringFileInfo\\040904b0\\FileVersion",
                               reinterpret_cast<void**>(&fileVersion), &length));
    EXPECT_EQ(std::wstring(fileVersion), TKBCTL_EXPECTED_VERSION);
    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS,
              static_cast<DWORD>(TKBCTL_EXPECTED_MAJOR << 16 | TKBCTL_EXPECTED_MINOR));
    EXPECT_EQ(fixed->dwFileVersionLS >> 16, static_cast<DWORD>(TKBCTL_EXPECTED_PATCH));

    const std::vector<uint8_t> manifest = Resource(kManifest, MAKEINTRESOURCEW(1), kEnglish);
    const std::string text(manifest.begin(), manifest.end());
    EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(text.find(">true</dpiAware>"), std::string::npos);
}

}  // namespace
}  // namespace tkbctl::test
