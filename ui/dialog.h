// The base of every dialog: its template, its commands, its data exchange and its life.
//
// A dialog is bound to its template id. A binding (ui/win32, or the in-memory view of the tests)
// creates the window, attaches its view, calls Initialize, feeds it commands and detaches it before
// the window goes away. The dialog's behaviour lives in the derived class and reaches the window only
// through View(), so it runs the same on a real window and under test.
//
// Defaults follow the dialog manager: Close is handled as IDCANCEL; IDOK reads and checks the
// dialog's data and ends with IDOK when that succeeds; IDCANCEL ends with IDCANCEL. A derived dialog
// replaces any of them by binding the command in its table, and calls DefaultCommand to chain.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "ui/command.h"
#include "ui/dialog_view.h"

namespace ui {

class DataExchange;

// What the Enter key does while the focus is in a control that does not take it: it clicks the
// template's default push button (the dialog manager's rule), or it sends IDOK through the command
// table, so that a dialog may ignore it while one of its buttons keeps the default-button look.
enum class EnterKey { ClicksDefaultButton, RoutesAsOk };

class Dialog {
public:
    explicit Dialog(int templateId, EnterKey enterKey = EnterKey::ClicksDefaultButton)
        : templateId_(templateId), enterKey_(enterKey) {}
    // A dialog whose window still exists (a modeless one not ended) ends it first, so the window
    // never calls into a destroyed dialog.
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int TemplateId() const { return templateId_; }
    EnterKey EnterKeyRule() const { return enterKey_; }
    // Between Attach and Detach.
    bool HasWindow() const { return view_ != nullptr; }

    // Any thread, at any time: `command` reaches the dialog on its own thread. A command posted
    // while the dialog has no window (not yet created, or initialising) is kept and delivered once
    // OnInitDialog has returned, so it is never lost; the window is never touched after it is
    // destroyed, since the binding stops taking commands before that.
    void PostCommand(const Command& command);
    void PostClose() { PostCommand(Command::Close()); }
    // Forgets kept commands: a dialog object run again must not receive what was posted for its
    // previous window after that window had gone (WorkerThread::Start calls it).
    void DiscardPending();

    // The binding's side. `post` queues a command for the dialog's thread; it must be safe to call
    // from any thread while the window exists.
    void Attach(DialogView& view);
    bool Initialize(std::function<void(const Command&)> post);
    void Handle(const Command& command);
    void Detach();

protected:
    // Default: the data exchange fills the controls; true lets the dialog manager set the focus.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& exchange) {}
    // Consults the derived dialog's command table (DialogImpl); true when a handler ran.
    virtual bool Route(const Command& command) { return false; }
    void DefaultCommand(const Command& command);

    // Runs DoDataExchange towards the controls (saveAndValidate false) or from them (true); false
    // when a value was refused, after its message was shown and its control given the focus.
    bool UpdateData(bool saveAndValidate);
    DialogView& View() { return *view_; }
    void End(int result) { view_->End(result); }

private:
    const int templateId_;
    const EnterKey enterKey_;
    DialogView* view_ = nullptr;

    std::mutex postMutex_;
    std::function<void(const Command&)> post_;  // set while commands can reach the window
    std::vector<Command> pending_;              // posted before that
};

// The base a concrete dialog derives from, naming itself: its static Commands() table routes its
// commands.
template <class D>
class DialogImpl : public Dialog {
public:
    using Dialog::Dialog;

protected:
    bool Route(const Command& command) override {
        return D::Commands().Dispatch(static_cast<D&>(*this), command);
    }
};

}  // namespace ui
