#include "messages/win32/message_box_sink.h"

#include <gtest/gtest.h>

#include <string>

namespace tkbctl::test {
namespace {

// What a message box showed: caught through a hook when the box has initialised its window, read
// from that window, and closed at once so that the test never waits for a user.
struct SeenBox {
    int count = 0;
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
};

SeenBox* seen = nullptr;
HHOOK hook = nullptr;

LRESULT CALLBACK CatchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && seen && call->message == WM_INITDIALOG) {
        const HWND box = call->hwnd;
        wchar_t buffer[512] = {};
        GetWindowTextW(box, buffer, 512);
        seen->caption = buffer;
        // The message text is the static control with id 0xFFFF in message boxes.
        buffer[0] = 0;
        GetDlgItemTextW(box, 0xFFFF, buffer, 512);
        seen->text = buffer;
        seen->owner = GetWindow(box, GW_OWNER);
        ++seen->count;
        EndDialog(box, IDOK);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

class MessageBoxSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        seen = &seen_;
        hook = SetWindowsHookExW(WH_CALLWNDPROCRET, CatchMessageBox, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook);
        seen = nullptr;
    }

    SeenBox seen_;
};

TEST_F(MessageBoxSinkTest, Utf8TextsAreShownAsUnicode) {
    MessageBoxSink sink;
    sink.ShowText("Win32APIエラー：e0000005", "Error");
    ASSERT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.text, L"Win32API\u30a8\u30e9\u30fc\uff1ae0000005");
    EXPECT_EQ(seen_.caption, L"Error");
    EXPECT_EQ(seen_.owner, nullptr);
}

TEST_F(MessageBoxSinkTest, AsciiTextsPassUnchanged) {
    MessageBoxSink sink;
    sink.ShowText("Too large size!", "Error");
    ASSERT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.text, L"Too large size!");
}

TEST_F(MessageBoxSinkTest, TextThatIsNotUtf8IsShownInTheSystemCodePage) {
    MessageBoxSink sink;
    const std::string ansi = "caf\xe9";
    sink.ShowText(ansi, "Error");
    ASSERT_EQ(seen_.count, 1);
    wchar_t expected[16] = {};
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, expected, 16);
    EXPECT_EQ(seen_.text, expected);
}

TEST(Utf8ToWideTest, ConvertsOrRefuses) {
    std::wstring wide;
    EXPECT_TRUE(Utf8ToWide("正常終了", wide));
    EXPECT_EQ(wide, L"\u6b63\u5e38\u7d42\u4e86");
    EXPECT_TRUE(Utf8ToWide("", wide));
    EXPECT_TRUE(wide.empty());
    EXPECT_FALSE(Utf8ToWide("\xe3\x81", wide));  // cut off inside a character
}

std::wstring ExecutableBaseName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name.erase(0, name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

TEST_F(MessageBoxSinkTest, NumberedMessageComesFromTheStringTable) {
    MessageBoxSink sink;
    sink.ShowMessage(10009);
    ASSERT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.text, L"Set camera register failed.\n Retry or restart the application and board.");
    EXPECT_EQ(seen_.caption, ExecutableBaseName());
}

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

TEST(LoadMessageTextTest, UserLanguageThenEnglishThenWhatExists) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    EXPECT_EQ(LoadMessageText(module, 10009, kJapanese), L"\u30ab\u30e1\u30e9\u30ec\u30b8\u30b9\u30bf");
    EXPECT_EQ(LoadMessageText(module, 10009, kEnglish),
              L"Set camera register failed.\n Retry or restart the application and board.");
    EXPECT_EQ(LoadMessageText(module, 10009, kGerman),
              L"Set camera register failed.\n Retry or restart the application and board.");
    // Last string of its block, and a text that exists only in Japanese.
    EXPECT_EQ(LoadMessageText(module, 10015, kEnglish), L"last");
    EXPECT_EQ(LoadMessageText(module, 12001, kEnglish), L"\u65e5\u672c\u8a9e");
    // Absent from a block that exists, and from a block that does not.
    EXPECT_EQ(LoadMessageText(module, 10008, kEnglish), std::nullopt);
    EXPECT_EQ(LoadMessageText(module, 12999, kJapanese), std::nullopt);
}

TEST_F(MessageBoxSinkTest, NumberedMessageBelongsToTheActiveWindow) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                        100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    SetActiveWindow(window);
    ASSERT_EQ(GetActiveWindow(), window);
    MessageBoxSink sink;
    sink.ShowMessage(10009);
    DestroyWindow(window);
    ASSERT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.owner, window);
}

TEST_F(MessageBoxSinkTest, MissingMessageSaysWhichOne) {
    MessageBoxSink sink;
    sink.ShowMessage(12999);
    ASSERT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.text, L"Message 12999 is missing from the program's resources.");
}

}  // namespace
}  // namespace tkbctl::test
