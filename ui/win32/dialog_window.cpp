#include "ui/win32/dialog_window.h"

#include <commdlg.h>

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "ui/file_filter.h"
#include "ui/win32/strings.h"
#include "ui/win32/wait_cursor.h"

namespace ui::win32 {

namespace {

UINT MessageBoxStyle(const Message& message) {
    UINT style = 0;
    switch (message.buttons) {
        case MessageButtons::Ok:
            style = MB_OK;
            break;
        case MessageButtons::OkCancel:
            style = MB_OKCANCEL;
            break;
        case MessageButtons::YesNo:
            style = MB_YESNO;
            break;
        case MessageButtons::YesNoCancel:
            style = MB_YESNOCANCEL;
            break;
        case MessageButtons::RetryCancel:
            style = MB_RETRYCANCEL;
            break;
        case MessageButtons::AbortRetryIgnore:
            style = MB_ABORTRETRYIGNORE;
            break;
    }
    switch (message.icon) {
        case MessageIcon::None:
            break;
        case MessageIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
        case MessageIcon::Warning:
            style |= MB_ICONEXCLAMATION;
            break;
        case MessageIcon::Error:
            style |= MB_ICONHAND;
            break;
        case MessageIcon::Question:
            style |= MB_ICONQUESTION;
            break;
    }
    return style;
}

// The filter in the form the file dialog takes: each part ended by a zero, the list by another.
std::wstring NativeFilter(const std::string& filter) {
    std::wstring native;
    for (const FileFilter& entry : ParseFileFilter(filter)) {
        native += Widen(entry.description) + L'\0';
        native += Widen(entry.patterns) + L'\0';
    }
    return native + L'\0';
}

// Puts a dialog that its initialisation left where the template placed it at the centre of its
// owner (of the screen's work area without a visible owner), kept inside the work area, as the
// platform framework does: a child dialog then opens over the window it belongs to.
void CenterOnOwner(HWND window) {
    RECT own, area;
    GetWindowRect(window, &own);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    area = monitor.rcWork;
    RECT around = area;
    const HWND owner = GetWindow(window, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &around);
    const LONG width = own.right - own.left, height = own.bottom - own.top;
    LONG left = around.left + ((around.right - around.left) - width) / 2;
    LONG top = around.top + ((around.bottom - around.top) - height) / 2;
    left = std::max(area.left, std::min(left, area.right - width));
    top = std::max(area.top, std::min(top, area.bottom - height));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

enum class ListKind { None, Combo, List };

class Win32View final : public DialogView {
public:
    Win32View(Dialog& dialog, const Resources& resources, bool modal)
        : dialog_(dialog), resources_(resources), modal_(modal) {}

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::uintptr_t NativeHandle() override { return reinterpret_cast<std::uintptr_t>(window_); }
    std::string Caption() override { return WindowText(window_); }
    void SetCaption(const std::string& caption) override { SetWindowTextW(window_, Widen(caption).c_str()); }
    void SetIcon(int iconId) override;
    std::string Text(int id) override { return WindowText(Item(id)); }
    void SetText(int id, const std::string& text) override { SetWindowTextW(Item(id), Widen(text).c_str()); }
    int LineCount(int id) override { return static_cast<int>(SendMessageW(Item(id), EM_GETLINECOUNT, 0, 0)); }
    void ScrollLines(int id, int lines) override { SendMessageW(Item(id), EM_LINESCROLL, 0, lines); }
    int Checked(int id) override { return static_cast<int>(IsDlgButtonChecked(window_, id)); }
    void SetChecked(int id, int state) override { CheckDlgButton(window_, id, static_cast<UINT>(state)); }
    void ClearItems(int id) override;
    void AddItem(int id, const std::string& text) override;
    int ItemCount(int id) override;
    std::string ItemText(int id, int index) override;
    int Selection(int id) override;
    void Select(int id, int index) override;
    bool IsEnabled(int id) override { return IsWindowEnabled(Item(id)) != FALSE; }
    void Enable(int id, bool enabled) override { EnableWindow(Item(id), enabled); }
    bool IsVisible(int id) override { return (GetWindowLongW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    void Show(int id, bool visible) override { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); }
    void Focus(int id) override;
    void End(int result) override;
    Answer ShowMessage(const Message& message) override;
    std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
    Language UserLanguage() override { return win32::UserLanguage(); }
    std::optional<std::string> LoadText(int stringId) override {
        const std::optional<std::wstring> text = LoadUserString(resources_.module, stringId, UserLanguage());
        return text ? std::optional(Narrow(*text)) : std::nullopt;
    }
    void SetTimer(int timerId, unsigned milliseconds) override {
        ::SetTimer(window_, static_cast<UINT_PTR>(timerId), milliseconds, nullptr);
    }
    void KillTimer(int timerId) override { ::KillTimer(window_, static_cast<UINT_PTR>(timerId)); }
    void SetWaitCursor(bool on) override;
    int RunModal(Dialog& child) override { return win32::RunModal(child, resources_, window_); }
    bool CreateModeless(Dialog& child) override {
        return win32::CreateModeless(child, resources_, window_) != nullptr;
    }
    void ProcessPendingMessages() override;

private:
    // Handles one message while the dialog is bound; false leaves it to the dialog manager.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    static std::string WindowText(HWND window);
    ListKind KindOf(int id) const;
    // The message of `kind` for a list box or a combo box.
    LRESULT SendList(int id, UINT comboMessage, UINT listMessage, WPARAM wParam = 0, LPARAM lParam = 0);
    void Unbind();

public:
    // A modeless window that goes away while CreateModeless still waits for it leaves the view to
    // CreateModeless.
    bool creating_ = false;

private:
    Dialog& dialog_;
    const Resources resources_;
    const bool modal_;
    HWND window_ = nullptr;
    int waitCursorDepth_ = 0;
    std::optional<WaitCursor> waitCursor_;
};

INT_PTR CALLBACK Win32View::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* view = reinterpret_cast<Win32View*>(lParam);
        view->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
        view->dialog_.Attach(*view);
        RECT placed;
        GetWindowRect(window, &placed);
        // Commands from other threads travel as the window messages they stand for.
        const bool setFocus = view->dialog_.Initialize([window](const Command& command) {
            switch (command.kind) {
                case CommandKind::Control:
                    PostMessageW(window, WM_COMMAND, MAKEWPARAM(command.id, command.notification), 0);
                    break;
                case CommandKind::Close:
                    PostMessageW(window, WM_CLOSE, 0, 0);
                    break;
                case CommandKind::Timer:
                    PostMessageW(window, WM_TIMER, static_cast<WPARAM>(command.id), 0);
                    break;
            }
        });
        RECT now;
        if (IsWindow(window) && GetWindowRect(window, &now) && EqualRect(&now, &placed))
            CenterOnOwner(window);
        return setFocus ? TRUE : FALSE;
    }
    auto* view = reinterpret_cast<Win32View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!view)
        return FALSE;
    if (message == WM_DESTROY) {
        // The view of a modeless dialog belongs to its window and goes with it.
        view->Unbind();
        if (!view->modal_ && !view->creating_)
            delete view;
        return FALSE;
    }
    // Nothing of the view may be used after Dispatch: a handler may have destroyed the window.
    return view->Dispatch(message, wParam, lParam) ? TRUE : FALSE;
}

bool Win32View::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            dialog_.Handle(Command::Control(LOWORD(wParam), HIWORD(wParam)));
            return true;
        case WM_CLOSE:
            dialog_.Handle(Command::Close());
            return true;
        case WM_TIMER:
            dialog_.Handle(Command::Timer(static_cast<int>(wParam)));
            return true;
        case DM_GETDEFID:
            if (dialog_.EnterKeyRule() != EnterKey::RoutesAsOk)
                return false;
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, MAKELONG(IDOK, DC_HASDEFID));
            return true;
        case WM_SETCURSOR:
            // Moving the mouse would otherwise put the class cursor back while an operation runs.
            if (waitCursorDepth_ == 0)
                return false;
            SetCursor(WaitCursorShape());
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
            return true;
        default:
            return false;
    }
}

void Win32View::Unbind() {
    dialog_.Detach();
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
}

std::string Win32View::WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return Narrow(text);
}

ListKind Win32View::KindOf(int id) const {
    wchar_t name[32] = {};
    GetClassNameW(Item(id), name, 32);
    if (lstrcmpiW(name, L"ComboBox") == 0)
        return ListKind::Combo;
    if (lstrcmpiW(name, L"ListBox") == 0)
        return ListKind::List;
    return ListKind::None;
}

LRESULT Win32View::SendList(int id, UINT comboMessage, UINT listMessage, WPARAM wParam, LPARAM lParam) {
    switch (KindOf(id)) {
        case ListKind::Combo:
            return SendMessageW(Item(id), comboMessage, wParam, lParam);
        case ListKind::List:
            return SendMessageW(Item(id), listMessage, wParam, lParam);
        case ListKind::None:
            break;
    }
    return -1;
}

void Win32View::ClearItems(int id) {
    SendList(id, CB_RESETCONTENT, LB_RESETCONTENT);
}

void Win32View::AddItem(int id, const std::string& text) {
    const std::wstring wide = Widen(text);
    SendList(id, CB_ADDSTRING, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32View::ItemCount(int id) {
    const LRESULT count = SendList(id, CB_GETCOUNT, LB_GETCOUNT);
    return count < 0 ? 0 : static_cast<int>(count);
}

std::string Win32View::ItemText(int id, int index) {
    const LRESULT length = SendList(id, CB_GETLBTEXTLEN, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendList(id, CB_GETLBTEXT, LB_GETTEXT, static_cast<WPARAM>(index),
                                    reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return Narrow(text);
}

int Win32View::Selection(int id) {
    const LRESULT selection = SendList(id, CB_GETCURSEL, LB_GETCURSEL);
    return selection < 0 ? -1 : static_cast<int>(selection);
}

void Win32View::Select(int id, int index) {
    // A combo box clears its selection for an index it lacks, a list box keeps the old one: both
    // are given -1 for such an index, so that neither shows an item the dialog did not choose.
    const bool present = index >= 0 && index < ItemCount(id);
    SendList(id, CB_SETCURSEL, LB_SETCURSEL, static_cast<WPARAM>(present ? index : -1));
}

void Win32View::Focus(int id) {
    // Through the dialog manager, which also moves the default-button look where it belongs.
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
    wchar_t name[16] = {};
    GetClassNameW(Item(id), name, 16);
    if (lstrcmpiW(name, L"Edit") == 0)
        SendMessageW(Item(id), EM_SETSEL, 0, -1);
}

void Win32View::SetIcon(int iconId) {
    for (const auto& [which, width, height] :
         {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}, std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
        const HANDLE icon = LoadImageW(resources_.module, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                       GetSystemMetrics(width), GetSystemMetrics(height), LR_SHARED);
        SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

void Win32View::End(int result) {
    if (modal_) {
        EndDialog(window_, result);
        return;
    }
    // WM_DESTROY unbinds the dialog and deletes this view: nothing of it may be used afterwards.
    DestroyWindow(window_);
}

Answer Win32View::ShowMessage(const Message& message) {
    std::wstring text;
    if (const int* id = std::get_if<int>(&message.body)) {
        text =
            LoadUserString(resources_.module, *id, UserLanguage())
                .value_or(L"Message " + std::to_wstring(*id) + L" is missing from the program's resources.");
    } else {
        text = Widen(std::get<std::string>(message.body));
    }
    const std::wstring caption = message.caption ? Widen(*message.caption) : resources_.programName;
    return static_cast<Answer>(MessageBoxW(window_, text.c_str(), caption.c_str(), MessageBoxStyle(message)));
}

std::optional<std::string> Win32View::OpenFile(const FileDialogOptions& options) {
    const std::wstring filter = NativeFilter(options.filter);
    const std::wstring title = Widen(options.title);
    // Room for any path the file system takes, not only MAX_PATH characters.
    std::vector<wchar_t> path(32768, L'\0');
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = window_;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrTitle = title.empty() ? nullptr : title.c_str();
    request.Flags = options.flags | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&request))
        return std::nullopt;
    return Narrow(path.data());
}

void Win32View::SetWaitCursor(bool on) {
    if (on) {
        if (waitCursorDepth_++ == 0)
            waitCursor_.emplace();
    } else if (waitCursorDepth_ > 0 && --waitCursorDepth_ == 0) {
        waitCursor_.reset();
    }
}

void Win32View::ProcessPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The modal loop that owns the thread must see it too.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        // This window may have been destroyed by a message just handled.
        if (IsWindow(window_) && IsDialogMessageW(window_, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

Resources ProgramResources() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    name.erase(0, name.find_last_of(L"\\/") + 1);
    if (const size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return Resources{GetModuleHandleW(nullptr), name};
}

int RunModal(Dialog& dialog, const Resources& resources, HWND owner) {
    Win32View view(dialog, resources, true);
    const INT_PTR result = DialogBoxParamW(resources.module, MAKEINTRESOURCEW(dialog.TemplateId()), owner,
                                           &Win32View::Procedure, reinterpret_cast<LPARAM>(&view));
    // A window that failed part-way through its creation leaves no dialog bound to this view.
    if (dialog.HasWindow())
        dialog.Detach();
    return static_cast<int>(result);
}

HWND CreateModeless(Dialog& dialog, const Resources& resources, HWND owner) {
    auto* view = new Win32View(dialog, resources, false);
    view->creating_ = true;
    const HWND window = CreateDialogParamW(resources.module, MAKEINTRESOURCEW(dialog.TemplateId()), owner,
                                           &Win32View::Procedure, reinterpret_cast<LPARAM>(view));
    view->creating_ = false;
    if (!window) {
        if (dialog.HasWindow())
            dialog.Detach();
        delete view;
        return nullptr;
    }
    ShowWindow(window, SW_SHOW);
    return window;
}

}  // namespace ui::win32
