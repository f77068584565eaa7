#include "options_window_support.h"

namespace qdflip::test {
namespace {
BOOL CALLBACK FindInProcess(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    char caption[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (process == GetCurrentProcessId() && std::string(className) == "#32770" &&
        std::string(caption) == "Filter Option") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindOptionsWindow() {
    HWND found = nullptr;
    EnumWindows(FindInProcess, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND WaitForOptionsWindow(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    HWND found = FindOptionsWindow();
    while (found == nullptr && GetTickCount64() < end) {
        PumpMessages();
        Sleep(50);
        found = FindOptionsWindow();
    }
    return found;
}

void ChooseListItem(HWND dialog, int listId, int index) {
    HWND list = GetDlgItem(dialog, listId);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void TypeText(HWND dialog, int editId, const char* text) {
    SendMessageA(GetDlgItem(dialog, editId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string ControlText(HWND dialog, int id) {
    char text[256] = {};
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

int ListSelection(HWND dialog, int listId) {
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, listId), CB_GETCURSEL, 0, 0));
}

void LeaveWindowsUnmanaged() {
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Managed", REG_SZ, "N", 2);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string OwnIniPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string ini(path);
    return ini.substr(0, ini.find_last_of('.')) + ".ini";
}

std::string IniValue(const std::string& path, const char* key) {
    char value[128] = {};
    GetPrivateProfileStringA("QDRawDLL", key, "<none>", value, sizeof value, path.c_str());
    return value;
}

}  // namespace qdflip::test
