// The delivered TKBctl.exe as a user starts it: from a copy of its deliverables folder, in a working
// folder of its own (where its INI file lies), on a folder of virtual boards named by TKBSIM_DIR.
// The test acts on its windows from this process, as a user would, through window messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tkbsim/board_folder.h"

namespace tkbctl::test {

// The folder of the deliverables under test, from TKBCTL_DIST_DIR (a Unix path of the build tree,
// reached through Wine's Z: drive).
std::filesystem::path DistFolder();

// A path as this Windows program names it: a Unix path (from the build or a script) through Wine's
// Z: drive, with backslashes.
std::filesystem::path WindowsPath(const std::string& path);

// Whether this run expects the Japanese texts (UI_TEST_LANGUAGE=ja, under a Japanese user locale).
bool JapaneseExpected();

// A working folder holding a copy of the deliverables, and a board folder beside it.
class ProgramFolder {
public:
    // A fresh folder named after the running test.
    ProgramFolder();
    const std::filesystem::path& work() const { return work_; }
    const std::filesystem::path& boardsPath() const { return boards_; }
    tkbsim::BoardFolder Boards() const { return tkbsim::BoardFolder(boards_.string()); }
    // Runs the program on this board folder instead of the fresh one.
    void UseBoards(const std::filesystem::path& boards) { boards_ = boards; }
    // Adds boards of these models; returns their board numbers.
    std::vector<uint32_t> AddBoards(const std::vector<std::string>& models) const;
    // Writes the settings block's board ID (offsets 138 and 139 of the block) of board `number`.
    void SetBoardId(uint32_t number, uint16_t id) const;
    std::filesystem::path IniFile() const { return work_ / "TKBctl.ini"; }
    // A file of the work folder with `bytes` as its whole content; returns its path.
    std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path work_;
    std::filesystem::path boards_;
};

// One run of the program. Ends it by force when the test did not, so that no window outlives it.
class ProgramProcess {
public:
    explicit ProgramProcess(const ProgramFolder& folder);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    // Time since the process was started.
    std::chrono::milliseconds SinceStart() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                     started_);
    }
    DWORD Id() const { return process_.dwProcessId; }

    // A visible top-level dialog-class window of the program with this caption (any caption when
    // empty); nullptr when there is none.
    HWND FindWindowOf(const std::wstring& caption = {}) const;
    HWND WaitForWindow(const std::wstring& caption,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // The main window: the program's visible dialog whose caption begins with "TKBCtl".
    HWND WaitForMainWindow(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // A visible message box of the program, whichever of its windows owns it.
    HWND WaitForMessageBox(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

    // Waits for the process to end; false when it still runs after the time-out.
    bool WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    DWORD ExitCode() const;

private:
    PROCESS_INFORMATION process_ = {};
    std::chrono::steady_clock::time_point started_;
};

// Reads and acts on controls of another process's window.
std::wstring ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::wstring& text);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsVisible(HWND dialog, int id);
// Waits until the window's thread has handled every message posted to it before (clicks, keys), so
// that what they started has run as far as it goes outside a modal loop of its own. A marker posted
// behind them to `markerEdit`, an edit control of the window, tells: its text limit, which nothing
// else sets, takes a new value when the marker is handled. (A sent message would not do: a thread
// takes sent messages before posted ones.)
void Settle(HWND window, int markerEdit);
// Presses a message box's OK and waits for the box to go.
void Dismiss(HWND box);
// Names `path` in the real Open dialog's file name field, then presses Open.
void ChooseFile(HWND openDialog, const std::filesystem::path& path);
// The items of a combo box.
std::vector<std::wstring> ComboItems(HWND dialog, int id);

// The window's pixels as a PNG-convertible 24-bit BMP file, cut from the screen; false on failure.
// A window whose thread is busy (the progress window of an update) is taken as it last painted
// itself, without asking it to paint again.
enum class Repaint { kFirst, kNo };
bool SaveWindowPicture(HWND window, const std::filesystem::path& path, Repaint repaint = Repaint::kFirst);

// The frames a virtual board received since its log was last cleared, each as the bytes it began
// with ("01 78 10 01 02").
std::vector<std::string> FrameLog(const tkbsim::BoardFolder& boards, uint32_t number);

}  // namespace tkbctl::test
