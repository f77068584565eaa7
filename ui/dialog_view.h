// What dialog behaviour needs of a window: the seam between a dialog's logic and the platform.
//
// A dialog's code reads and changes its controls only through this interface, so the same code runs
// on a real Win32 dialog (ui/win32) and on the in-memory view the tests drive (memory_view.h).
// Controls are named by their template ids. Texts are UTF-8 in both directions.
//
// Threads: every call belongs to the thread that runs the dialog, except Text and Checked, which a
// worker may call while that thread runs a modal loop (the Win32 binding then sends the request to
// the dialog's thread, as the Win32 control messages do).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <variant>

namespace ui {

class Dialog;

// The answers of a message box, with the values the Win32 API gives them.
enum class Answer { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MessageIcon { None, Information, Warning, Error, Question };

// The languages the program ships its texts in.
enum class Language { English, Japanese };

// One message box, owned by the dialog that shows it.
struct Message {
    // A string-table id (shown in the user's language) or a literal UTF-8 text.
    std::variant<int, std::string> body;
    // Empty: the program's name, as message boxes of the program's own messages carry.
    std::optional<std::string> caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;

    static Message FromId(int stringId, MessageIcon icon = MessageIcon::None) {
        return Message{stringId, std::nullopt, MessageButtons::Ok, icon};
    }
    static Message FromText(std::string text, std::optional<std::string> caption = std::nullopt,
                            MessageIcon icon = MessageIcon::None) {
        return Message{std::move(text), std::move(caption), MessageButtons::Ok, icon};
    }
};

// Flags of the file-open dialog, with the values of the Win32 OFN_ flags.
enum FileDialogFlag : unsigned {
    kReadOnly = 0x1,
    kOverwritePrompt = 0x2,
    kHideReadOnly = 0x4,
    kNoChangeDir = 0x8,
    kPathMustExist = 0x800,
    kFileMustExist = 0x1000,
};

struct FileDialogOptions {
    std::string title;
    // Pairs of a description and its patterns, each part ended by '|', the whole by an extra '|':
    // "Text File (*.txt)|*.txt|ALL File (*.*)|*.*||" (see file_filter.h).
    std::string filter;
    unsigned flags = 0;
};

class DialogView {
public:
    virtual ~DialogView() = default;

    // The platform's handle of the window (an HWND on Windows), for what must hand it to code
    // outside the program, such as a plug-in; the in-memory view gives a token of its own.
    virtual std::uintptr_t NativeHandle() = 0;

    // The window's caption.
    virtual std::string Caption() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // The big and the small window icon, from an icon resource.
    virtual void SetIcon(int iconId) = 0;

    // Texts of edits, statics and buttons. Setting an edit's text makes it notify kEditChanged,
    // as a user's typing does.
    virtual std::string Text(int id) = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    // Lines of a multi-line edit, and scrolling it by lines (positive: towards the end).
    virtual int LineCount(int id) = 0;
    virtual void ScrollLines(int id, int lines) = 0;

    // Check boxes and radio buttons: 0 unchecked, 1 checked, 2 indeterminate.
    virtual int Checked(int id) = 0;
    virtual void SetChecked(int id, int state) = 0;

    // Items of a list box or combo box. Select with an index the list does not have (-1 among
    // them) leaves it without a selection; Selection then answers -1.
    virtual void ClearItems(int id) = 0;
    virtual void AddItem(int id, const std::string& text) = 0;
    virtual int ItemCount(int id) = 0;
    virtual std::string ItemText(int id, int index) = 0;
    virtual int Selection(int id) = 0;
    virtual void Select(int id, int index) = 0;

    virtual bool IsEnabled(int id) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsVisible(int id) = 0;
    virtual void Show(int id, bool visible) = 0;
    // Input focus to a control; an edit's text is then selected whole, so the user can retype it.
    virtual void Focus(int id) = 0;

    // Ends a modal dialog with `result` (the modal run returns it), or destroys a modeless one.
    virtual void End(int result) = 0;

    // A message box owned by this dialog; returns the button the user pressed.
    virtual Answer ShowMessage(const Message& message) = 0;
    // The file-open dialog owned by this dialog: the chosen full path, or nothing on cancel.
    virtual std::optional<std::string> OpenFile(const FileDialogOptions& options) = 0;
    // The language of the user's texts (string tables and the dialog layer's own messages).
    virtual Language UserLanguage() = 0;
    // String `stringId` of the program's string table in the user's language, else in the other
    // shipped language; nothing when neither has it.
    virtual std::optional<std::string> LoadText(int stringId) = 0;

    // Timer `timerId` delivers a timer command (Command::Timer) every `milliseconds` until killed;
    // setting it again restarts it with the new period.
    virtual void SetTimer(int timerId, unsigned milliseconds) = 0;
    virtual void KillTimer(int timerId) = 0;

    // The wait cursor while an operation blocks the dialog's thread (see wait_cursor.h).
    virtual void SetWaitCursor(bool on) = 0;

    // Runs `child` modally, owned by this dialog, and returns its result.
    virtual int RunModal(Dialog& child) = 0;
    // Creates `child` modeless, owned by this dialog; false when its window cannot be created.
    virtual bool CreateModeless(Dialog& child) = 0;

    // Handles the messages waiting for the dialog's thread, so a long loop keeps the window alive.
    virtual void ProcessPendingMessages() = 0;
};

// Replaces the items of list `id` with `items` and selects the first, as a window fills its fixed
// lists when it opens.
inline void FillList(DialogView& view, int id, std::initializer_list<const char*> items) {
    view.ClearItems(id);
    for (const char* item : items)
        view.AddItem(id, item);
    view.Select(id, 0);
}

}  // namespace ui
