// Commands a dialog receives, and the table that binds each to a typed handler of the dialog.
//
// Button clicks, list and edit notifications, the Enter and Escape keys (as the commands IDOK and
// IDCANCEL, as the dialog manager sends them), the window's close request and timer ticks all arrive
// as a Command and go through one table, so a dialog decides for each of them alone: a main window
// can make Enter do nothing by binding IDOK to an empty handler, and save its fields on close.
#pragma once

#include <stdexcept>
#include <vector>

namespace ui {

// Command ids the dialog manager gives the Enter and Escape keys (the values of IDOK and IDCANCEL).
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Notification codes, with the Win32 values the controls send them with.
constexpr int kClicked = 0;            // BN_CLICKED
constexpr int kSelectionChanged = 1;   // CBN_SELCHANGE and LBN_SELCHANGE
constexpr int kEditKillFocus = 0x200;  // EN_KILLFOCUS
constexpr int kEditChanged = 0x300;    // EN_CHANGE

enum class CommandKind { Control, Close, Timer };

struct Command {
    CommandKind kind = CommandKind::Control;
    int id = 0;            // control id or timer id; 0 for Close
    int notification = 0;  // Control only

    static constexpr Command Control(int id, int notification = kClicked) {
        return Command{CommandKind::Control, id, notification};
    }
    // The window's close box or a close request (WM_CLOSE).
    static constexpr Command Close() { return Command{CommandKind::Close, 0, 0}; }
    static constexpr Command Timer(int timerId) { return Command{CommandKind::Timer, timerId, 0}; }

    friend constexpr bool operator==(const Command&, const Command&) = default;
};

// Binds commands to member functions of dialog class D. Built once, for instance in a static
// function of D, and consulted for every command:
//
//     static const ui::CommandTable<MyDlg>& Commands() {
//         static const auto table = ui::CommandTable<MyDlg>()
//             .OnClicked(1001, &MyDlg::OnWrite)
//             .OnClicked(ui::kIdOk, &MyDlg::OnEnter)
//             .OnClose(&MyDlg::OnClose);
//         return table;
//     }
template <class D>
class CommandTable {
public:
    using Handler = void (D::*)();

    // A command bound twice is a mistake in the table: the second binding would silently never run.
    CommandTable& On(const Command& command, Handler handler) {
        if (!handler)
            throw std::logic_error("ui::CommandTable: empty handler");
        for (const Entry& entry : entries_) {
            if (entry.command == command)
                throw std::logic_error("ui::CommandTable: command bound twice");
        }
        entries_.push_back(Entry{command, handler});
        return *this;
    }
    CommandTable& OnClicked(int controlId, Handler handler) {
        return On(Command::Control(controlId), handler);
    }
    CommandTable& OnNotify(int controlId, int notification, Handler handler) {
        return On(Command::Control(controlId, notification), handler);
    }
    CommandTable& OnClose(Handler handler) { return On(Command::Close(), handler); }
    CommandTable& OnTimer(int timerId, Handler handler) { return On(Command::Timer(timerId), handler); }

    // Runs the handler bound to `command`; false when there is none.
    bool Dispatch(D& dialog, const Command& command) const {
        for (const Entry& entry : entries_) {
            if (entry.command == command) {
                (dialog.*entry.handler)();
                return true;
            }
        }
        return false;
    }

private:
    struct Entry {
        Command command;
        Handler handler;
    };
    std::vector<Entry> entries_;
};

}  // namespace ui
