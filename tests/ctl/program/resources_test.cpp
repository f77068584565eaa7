// The program file's resources as Windows reads them: templates (size, style, font) and string
// tables in both languages, the icon's images, the version and the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "board_info/board_info_ids.h"
#include "main_window/main_window_ids.h"
#include "messages/message_ids.h"
#include "program_process.h"
#include "progress_window/progress_window_ids.h"
#include "select_board/select_board_ids.h"

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

// What an extended dialog template says of the dialog itself.
struct Template {
    uint32_t style = 0;
    uint16_t controls = 0;
    int16_t cx = 0, cy = 0;
    std::wstring caption;
    uint16_t points = 0;
    std::wstring font;
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
                                 {IDD_SELECT_BOARD, 202, 26, 2, L"Select Board"}};
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
                       10010, 10011, 10012, 10013, 10016, 10017, 10018, 10019, 12001, 12004,
                       12005, 12006, 12007, 12008, 12009, 12010, 12011, 12012};
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
    EXPECT_EQ(*String(IDS_READ_SETTINGS_FAILED, kEnglish),
              L"Read setting from SPI-ROM failed.\nComfirm connection between board and PC.");
    // Ids the program does not use stay free.
    EXPECT_FALSE(String(10014, kEnglish));
    EXPECT_FALSE(String(12000, kEnglish));
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
