#include "messages/win32/message_box_sink.h"

#include <optional>

#include "ui/win32/strings.h"

namespace tkbctl {

namespace {

// Message boxes by id carry the program's name, as the executable is called without its folder
// and extension.
std::wstring ProgramName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name;
}

}  // namespace

std::optional<std::wstring> LoadMessageText(HINSTANCE module, UINT id, LANGID userLanguage) {
    const ui::Language language =
        PRIMARYLANGID(userLanguage) == LANG_JAPANESE ? ui::Language::Japanese : ui::Language::English;
    return ui::win32::LoadUserString(module, static_cast<int>(id), language);
}

bool Utf8ToWide(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty())
        return true;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0)
        return false;
    wide.resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
    return true;
}

MessageBoxSink::MessageBoxSink(HINSTANCE strings) : strings_(strings ? strings : GetModuleHandleW(nullptr)) {}

void MessageBoxSink::ShowMessage(int id) {
    const std::wstring text =
        LoadMessageText(strings_, static_cast<UINT>(id), GetThreadUILanguage())
            .value_or(L"Message " + std::to_wstring(id) + L" is missing from the program's resources.");
    MessageBoxW(GetActiveWindow(), text.c_str(), ProgramName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void MessageBoxSink::ShowText(const std::string& text, const std::string& caption) {
    std::wstring wideText, wideCaption;
    if (Utf8ToWide(text, wideText) && Utf8ToWide(caption, wideCaption)) {
        MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), MB_OK);
    } else {
        // Not UTF-8: most likely text in the system's code page, such as a file name.
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
    }
}

}  // namespace tkbctl
