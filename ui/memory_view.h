// A dialog view without a window, for tests: the controls of a template held in memory, the user's
// actions as calls, and a record of everything the dialog showed.
//
// The test declares the template's controls, opens the dialog on the view, then acts as a user
// would (type, click, choose, press Enter or Escape, close, let a timer tick) and answers in advance
// what the dialog will ask (the next message box, the next file dialog, what happens in a child
// dialog). A control the template does not have is a fault of the dialog's code, not a quiet no-op
// as on Windows: every access to an unknown id throws std::out_of_range.
//
// Threads: the test's thread is the dialog's thread. Text and Checked may be called from a worker
// meanwhile; commands the worker posts are delivered on the test's thread by DeliverPosted, by
// ProcessPendingMessages, and by the loop of a modal child while it waits to end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/dialog_view.h"

namespace ui {

enum class ControlKind {
    Static,
    Edit,
    MultiLineEdit,
    PushButton,
    DefaultPushButton,
    CheckBox,     // auto check box: a click toggles it
    RadioButton,  // auto radio button: a click checks it and clears the others of its group
    ComboBox,     // drop-down list
    ListBox,
};

struct ControlDefinition {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string text{};
    bool visible = true;
    bool enabled = true;
    // Auto radio buttons with the same group number exclude each other.
    int radioGroup = 0;
};

// The controls of one dialog template.
using TemplateDefinition = std::vector<ControlDefinition>;

// Texts of the program's string table, by language, for message boxes by id.
struct StringTable {
    std::map<int, std::string> english{};
    std::map<int, std::string> japanese{};
};

struct ShownMessage {
    Message message{};
    std::string text{};     // as the user saw it; empty for an id the string table lacks
    std::string caption{};  // the program's name unless the message gave one
    int ownerTemplate = 0;
    Answer answer = Answer::None;
};

struct MemoryViewOptions {
    Language language = Language::English;
    StringTable strings{};
    std::string programName = "program";
    // How long a modal child may wait for posted commands before the test fails.
    std::chrono::milliseconds modalTimeout{10000};
};

class MemoryView final : public DialogView {
public:
    using Options = MemoryViewOptions;

    MemoryView(Dialog& dialog, const TemplateDefinition& controls, Options options = {});
    ~MemoryView() override;
    MemoryView(const MemoryView&) = delete;
    MemoryView& operator=(const MemoryView&) = delete;

    // Creates the "window": attaches the dialog and runs its initialisation. Returns what
    // OnInitDialog returned.
    bool Open();

    // --- The user's actions. Each returns false, doing nothing, where a user could not act:
    // a hidden or disabled control, or a window that has ended.
    bool TypeText(int id, const std::string& text);  // replaces the text; the edit notifies a change
    bool Click(int id);                              // toggles auto check boxes, checks radio buttons
    bool ChooseItem(int id, int index);              // selects and notifies the selection change
    bool PressEnter();                               // by the dialog's Enter rule
    bool PressEscape();
    bool CloseWindow();           // the close box
    bool TickTimer(int timerId);  // only a timer that is set
    // Delivers the commands posted from any thread so far; answers how many.
    int DeliverPosted();
    // Waits up to `timeout` until at least one command was posted; true when one was.
    bool WaitForPosted(std::chrono::milliseconds timeout);

    // --- What the dialog will ask next. Without an answer, a message box is answered with its
    // first button and a file dialog is cancelled.
    void AnswerNextMessage(Answer answer);
    void AnswerNextFileDialog(std::optional<std::string> path);
    // Describes a child dialog's template and what the user does in it once it is open. A modal
    // child without an ending action waits for posted commands to end it (up to modalTimeout).
    void DescribeChild(int templateId, const TemplateDefinition& controls,
                       std::function<void(MemoryView&)> action = nullptr);

    // --- What was shown.
    bool HasEnded() const { return ended_; }
    int Result() const { return result_; }
    // Message boxes and file dialogs of this view and all its children, in order.
    const std::vector<ShownMessage>& Messages() const { return journal_->messages; }
    const std::vector<FileDialogOptions>& FileDialogs() const { return journal_->fileDialogs; }
    // Templates of the modal children run so far, in order.
    const std::vector<int>& ModalRuns() const { return journal_->modalRuns; }
    // The modeless child of that template, while it exists.
    MemoryView* ModelessChild(int templateId);
    std::optional<unsigned> TimerPeriod(int timerId) const;
    int WaitCursorDepth() const { return waitCursorDepth_; }
    // How often the wait cursor was put up (nesting counts once).
    int WaitCursorShows() const { return waitCursorShows_; }
    int FirstVisibleLine(int id);
    int FocusedControl() const { return focused_; }
    int IconId() const { return icon_; }

    // --- DialogView.
    std::uintptr_t NativeHandle() override { return reinterpret_cast<std::uintptr_t>(this); }
    std::string Caption() override { return caption_; }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void SetIcon(int iconId) override { icon_ = iconId; }
    std::string Text(int id) override;
    void SetText(int id, const std::string& text) override;
    int LineCount(int id) override;
    void ScrollLines(int id, int lines) override;
    int Checked(int id) override;
    void SetChecked(int id, int state) override;
    void ClearItems(int id) override;
    void AddItem(int id, const std::string& text) override;
    int ItemCount(int id) override;
    std::string ItemText(int id, int index) override;
    int Selection(int id) override;
    void Select(int id, int index) override;
    bool IsEnabled(int id) override;
    void Enable(int id, bool enabled) override;
    bool IsVisible(int id) override;
    void Show(int id, bool visible) override;
    void Focus(int id) override;
    void End(int result) override;
    Answer ShowMessage(const Message& message) override;
    std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
    Language UserLanguage() override { return journal_->options.language; }
    std::optional<std::string> LoadText(int stringId) override;
    void SetTimer(int timerId, unsigned milliseconds) override;
    void KillTimer(int timerId) override;
    void SetWaitCursor(bool on) override;
    int RunModal(Dialog& child) override;
    bool CreateModeless(Dialog& child) override;
    void ProcessPendingMessages() override { DeliverPosted(); }

private:
    struct Control {
        ControlDefinition definition;
        std::string text{};
        int checked = 0;
        std::vector<std::string> items{};
        int selection = -1;
        int firstVisibleLine = 0;
    };
    // Shared by a view and its children: answers to give and what was shown.
    struct Journal {
        Options options;
        std::deque<Answer> answers;
        std::deque<std::optional<std::string>> files;
        std::map<int, std::pair<TemplateDefinition, std::function<void(MemoryView&)>>> children;
        std::vector<ShownMessage> messages;
        std::vector<FileDialogOptions> fileDialogs;
        std::vector<int> modalRuns;
    };

    MemoryView(Dialog& dialog, const TemplateDefinition& controls, std::shared_ptr<Journal> journal);
    // The caller holds mutex_. An unknown id, or a control of another kind, is a fault.
    Control& Find(int id);
    Control& Find(int id, bool (*isKind)(ControlKind), const char* what);
    bool CanAct(int id);
    void Route(const Command& command);
    void Post(const Command& command);
    std::unique_ptr<MemoryView> MakeChild(Dialog& child);

    Dialog& dialog_;
    std::shared_ptr<Journal> journal_;
    std::mutex mutex_;  // controls, for reads from a worker
    std::map<int, Control> controls_;
    std::string caption_;
    int icon_ = 0;
    bool open_ = false;
    bool attached_ = false;
    bool modeless_child_ = false;
    bool ended_ = false;
    int result_ = 0;
    int focused_ = 0;
    int waitCursorDepth_ = 0;
    int waitCursorShows_ = 0;
    std::map<int, unsigned> timers_;

    std::mutex postedMutex_;
    std::condition_variable postedChanged_;
    std::deque<Command> posted_;

    std::map<int, std::unique_ptr<MemoryView>> modeless_;
};

}  // namespace ui
