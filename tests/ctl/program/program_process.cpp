#include "program_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "window_driver.h"

namespace tkbctl::test {

namespace fs = std::filesystem;

fs::path WindowsPath(const std::string& path) {
    std::string windows = !path.empty() && path[0] == '/' ? "Z:" + path : path;
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    return fs::path(windows);
}

fs::path DistFolder() {
    const char* dir = std::getenv("TKBCTL_DIST_DIR");
    return dir ? WindowsPath(dir) : fs::path();
}

bool JapaneseExpected() {
    const char* language = std::getenv("UI_TEST_LANGUAGE");
    return language && std::string(language) == "ja";
}

ProgramFolder::ProgramFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "tkbctl-";
    name += info ? std::string(info->test_suite_name()) + "-" + info->name() : "run";
    name += JapaneseExpected() ? "-ja" : "-en";
    const fs::path root = fs::temp_directory_path() / name;
    fs::remove_all(root);
    work_ = root / "program";
    boards_ = root / "boards";
    fs::create_directories(work_);
    fs::create_directories(boards_);
    for (const char* file : {"TKBctl.exe", "TKR50API.dll", "tkbsim.exe"})
        fs::copy_file(DistFolder() / file, work_ / file);
}

std::vector<uint32_t> ProgramFolder::AddBoards(const std::vector<std::string>& models) const {
    std::vector<tkbsim::NewBoard> boards;
    for (const std::string& model : models)
        boards.push_back({tkbsim::FindModel(model), 0});
    return Boards().Create(boards);
}

void ProgramFolder::SetBoardId(uint32_t number, uint16_t id) const {
    const auto board = Boards().Open(number);
    board->WriteFlash(board->Model().settingsAddress + 138,
                      {static_cast<uint8_t>(id & 0xFF), static_cast<uint8_t>(id >> 8)});
}

fs::path ProgramFolder::WriteFile(const std::string& name, const std::string& bytes) const {
    const fs::path path = work_ / name;
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return path;
}

ProgramProcess::ProgramProcess(const ProgramFolder& folder) {
    // The child inherits the board folder through the environment, as a user's shell would give it.
    SetEnvironmentVariableW(L"TKBSIM_DIR", folder.boardsPath().wstring().c_str());
    std::wstring commandLine = L"\"" + (folder.work() / "TKBctl.exe").wstring() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    started_ = std::chrono::steady_clock::now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.work().wstring().c_str(), &startup, &process_))
        process_ = {};
}

ProgramProcess::~ProgramProcess() {
    if (!process_.hProcess)
        return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

namespace {

struct WindowSearch {
    DWORD process;
    const std::wstring* caption;
    bool prefix;
    bool messageBox = false;
    HWND found = nullptr;
};

BOOL CALLBACK MatchProgramWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != search->process || std::wstring(className) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    // A message box is the dialog with the static that holds its text.
    if (search->messageBox && !GetDlgItem(window, 0xFFFF))
        return TRUE;
    const std::wstring text = ui::test::WindowText(window);
    if (!search->caption->empty()) {
        if (search->prefix ? text.rfind(*search->caption, 0) != 0 : text != *search->caption)
            return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindProgramWindow(DWORD process, const std::wstring& caption, bool prefix, bool messageBox = false) {
    WindowSearch search{process, &caption, prefix, messageBox};
    EnumWindows(MatchProgramWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

HWND ProgramProcess::FindWindowOf(const std::wstring& caption) const {
    return FindProgramWindow(process_.dwProcessId, caption, false);
}

HWND ProgramProcess::WaitForWindow(const std::wstring& caption, std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    ui::test::WaitFor([&] { return (found = FindWindowOf(caption)) != nullptr; }, timeout);
    return found;
}

HWND ProgramProcess::WaitForMainWindow(std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    ui::test::WaitFor(
        [&] { return (found = FindProgramWindow(process_.dwProcessId, L"TKBCtl", true)) != nullptr; },
        timeout);
    return found;
}

HWND ProgramProcess::WaitForMessageBox(std::chrono::milliseconds timeout) const {
    static const std::wstring any;
    HWND found = nullptr;
    ui::test::WaitFor(
        [&] { return (found = FindProgramWindow(process_.dwProcessId, any, false, true)) != nullptr; },
        timeout);
    return found;
}

bool ProgramProcess::WaitForExit(std::chrono::milliseconds timeout) {
    return process_.hProcess &&
           WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD ProgramProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::wstring ControlText(HWND dialog, int id) {
    const HWND control = GetDlgItem(dialog, id);
    const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    SendDlgItemMessageW(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsChecked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsVisible(HWND dialog, int id) {
    return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Settle(HWND window, int markerEdit) {
    static WPARAM marker = 0x40000000;
    const HWND edit = GetDlgItem(window, markerEdit);
    const WPARAM limit = ++marker;
    PostMessageW(edit, EM_SETLIMITTEXT, limit, 0);
    ui::test::WaitFor([&] {
        DWORD_PTR current = 0;
        return SendMessageTimeoutW(edit, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 1000, &current) &&
               current == limit;
    });
}

void Dismiss(HWND box) {
    ui::test::PostClick(box, IDOK);
    ui::test::WaitFor([&] { return !IsWindow(box); });
}

void ChooseFile(HWND openDialog, const fs::path& path) {
    // Explorer-style dialogs name the file in a combo box (0x47C), older ones in an edit (0x480).
    HWND name = GetDlgItem(openDialog, 0x47C);
    if (!name || !IsWindowVisible(name))
        name = GetDlgItem(openDialog, 0x480);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.wstring().c_str()));
    ui::test::PostClick(openDialog, IDOK);
}

std::vector<std::wstring> ComboItems(HWND dialog, int id) {
    std::vector<std::wstring> items;
    const LRESULT count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, i, 0);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        items.push_back(text);
    }
    return items;
}

bool SaveWindowPicture(HWND window, const fs::path& path, Repaint repaint) {
    if (repaint == Repaint::kFirst) {
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        // Another process draws the window: once it has answered, what it painted is on its way.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    }
    RECT rect = {};
    if (!GetWindowRect(window, &rect) || !ui::test::SaveScreenArea(rect, path))
        return false;
    // A window that went meanwhile left the screen to whatever came after it.
    if (IsWindow(window))
        return true;
    std::error_code ignored;
    fs::remove(path, ignored);
    return false;
}

std::vector<std::string> FrameLog(const tkbsim::BoardFolder& boards, uint32_t number) {
    uint64_t overwritten = 0;
    std::vector<std::string> frames;
    for (const tkbsim::LoggedFrame& frame : boards.Open(number)->Log(overwritten)) {
        std::string text;
        for (uint8_t byte : frame.head) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "%02X", byte);
            if (!text.empty())
                text += ' ';
            text += hex;
        }
        frames.push_back(text);
    }
    return frames;
}

}  // namespace tkbctl::test
