// The delivered tkb.exe on a real Windows console, the way a person at the console meets it: Ctrl-C
// ends `status --watch` at once and leaves the board closed, and an update draws its bar on a
// console but plain lines into a pipe or a file. tkb runs over the simulated-boards library beside
// it, attached to a console of this test program's own.
//
// What Wine 8 does here (checked): a process Wine starts without a terminal has no working console,
// but FreeConsole and then AllocConsole give it a real one while a display is present (the Windows
// tests run under Xvfb); a screen buffer reads back with ReadConsoleOutputCharacterW, with carriage
// returns and line feeds applied. Ctrl+C typed into the console's input (WriteConsoleInputW) and
// GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) both reach every process of the console as CTRL_C_EVENT,
// on a thread of their own. GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, ...) fails with
// ERROR_INVALID_HANDLE for group 0 and for a process group alike, and CTRL_C_EVENT sent to a group
// other than 0 reaches nobody (as on Windows), so Ctrl-Break cannot be delivered here.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TKR50API.h"
#include "sim_test_support.h"
#include "tkbsim/board_folder.h"

namespace {

using namespace std::chrono_literals;
using tkbsim::test::Bytes;

// The folder of the simulated-boards deliverables, a Unix path of the build tree, through Wine's Z:.
std::filesystem::path SimDist() {
    return std::filesystem::path("Z:" TKB_SIM_DIST).make_preferred();
}

// A path as one argument of a command line.
std::string Quoted(const std::filesystem::path& path) {
    std::string quoted(1, '"');
    quoted.append(path.string()).push_back('"');
    return quoted;
}

class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr)
        : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~UniqueHandle() {
        if (handle_)
            CloseHandle(handle_);
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE get() const { return handle_; }
    void reset() {
        if (handle_)
            CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

SECURITY_ATTRIBUTES Inheritable() {
    return {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
}

// Polls `done` every 20 ms; false once `timeout` passed without it.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// One tkb.exe with the given standard handles, attached to this program's console. Ended by force
// if the test leaves it running.
class TkbProcess {
public:
    TkbProcess(const std::string& args, HANDLE in, HANDLE out, HANDLE err) {
        std::string commandLine = Quoted(SimDist() / "tkb.exe") + " " + args;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process_)) {
            ADD_FAILURE() << "cannot start " << commandLine << ": error " << GetLastError();
            process_ = {};
        }
        CloseHandle(process_.hThread);
    }
    ~TkbProcess() {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, INFINITE);
            CloseHandle(process_.hProcess);
        }
    }
    TkbProcess(const TkbProcess&) = delete;
    TkbProcess& operator=(const TkbProcess&) = delete;

    // The exit code once the process ended within `timeout`; -1 while it still runs.
    long WaitForExit(std::chrono::milliseconds timeout) {
        DWORD code = 0;
        const bool ended = WaitUntil(
            [&] { return !process_.hProcess || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; },
            timeout);
        if (!ended || !process_.hProcess || !GetExitCodeProcess(process_.hProcess, &code))
            return -1;
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION process_ = {};
};

// A file for a child's output, and the text it holds.
class OutputFile {
public:
    explicit OutputFile(std::filesystem::path path) : path_(std::move(path)) {
        SECURITY_ATTRIBUTES inherit = Inheritable();
        handle_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
    }
    ~OutputFile() { CloseHandle(handle_); }
    HANDLE handle() const { return handle_; }
    std::string Text() const { return ReadText(path_); }

private:
    std::filesystem::path path_;
    HANDLE handle_;
};

// A screen buffer of this program's console that a child writes to; read back as the lines a person
// would see, trailing blanks dropped.
class ScreenBuffer {
public:
    ScreenBuffer()
        : handle_(CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            &inherit_, CONSOLE_TEXTMODE_BUFFER, nullptr)) {
        EXPECT_NE(handle_.get(), nullptr) << "error " << GetLastError();
    }
    HANDLE handle() const { return handle_.get(); }

    // Text at the cursor, as another program of the console would write it.
    void Write(const std::wstring& text) const {
        DWORD written = 0;
        EXPECT_TRUE(
            WriteConsoleW(handle_.get(), text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr));
    }

    std::vector<std::string> Lines() const {
        CONSOLE_SCREEN_BUFFER_INFO info = {};
        GetConsoleScreenBufferInfo(handle_.get(), &info);
        std::vector<std::string> lines;
        std::vector<wchar_t> row(static_cast<size_t>(info.dwSize.X));
        for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
            DWORD got = 0;
            ReadConsoleOutputCharacterW(handle_.get(), row.data(), static_cast<DWORD>(row.size()),
                                        COORD{0, y}, &got);
            std::string line(row.begin(), row.begin() + got);  // tkb writes ASCII only
            line.erase(line.find_last_not_of(' ') + 1);
            lines.push_back(line);
        }
        return lines;
    }

private:
    SECURITY_ATTRIBUTES inherit_ = Inheritable();
    UniqueHandle handle_;
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// An export of the library file loaded at run time.
template <typename Function>
Function* Export(HMODULE library, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::atomic<int> interruptsSeen{0};

BOOL WINAPI KeepRunningOnInterrupt(DWORD event) {
    if (event != CTRL_C_EVENT)
        return FALSE;
    ++interruptsSeen;
    return TRUE;
}

// Holds the lock of a virtual board's file, which every driver request on the board takes (a byte
// far past the end of the file), so that a transfer waits for it.
class BoardFileLock {
public:
    explicit BoardFileLock(const std::filesystem::path& path)
        : file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr)) {
        OVERLAPPED range = {};
        range.OffsetHigh = kLockOffsetHigh;
        EXPECT_TRUE(LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range)) << GetLastError();
    }
    ~BoardFileLock() {
        OVERLAPPED range = {};
        range.OffsetHigh = kLockOffsetHigh;
        UnlockFileEx(file_.get(), 0, 1, 0, &range);
    }

private:
    static constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
    UniqueHandle file_;
};

class TkbOnConsole : public testing::Test {
protected:
    static void SetUpTestSuite() {
        FreeConsole();
        ASSERT_TRUE(AllocConsole()) << "error " << GetLastError();
        // Ctrl-C reaches every process of the console, this one too.
        SetConsoleCtrlHandler(KeepRunningOnInterrupt, TRUE);
    }

    TkbOnConsole()
        : folder_("tkb-console"),
          boards_(folder_.Str()),
          nul_(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit_,
                           OPEN_EXISTING, 0, nullptr)),
          conin_(CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit_, OPEN_EXISTING, 0, nullptr)) {
        board_ = boards_.Create({{tkbsim::FindModel("TKB-20")}}).at(0);
        SetEnvironmentVariableA("TKBSIM_DIR", folder_.Str().c_str());
        DWORD mode = 0;
        EXPECT_TRUE(GetConsoleMode(conin_.get(), &mode)) << "no working console: the tests need a display";
    }

    std::filesystem::path Image(const Bytes& bytes) const {
        const std::filesystem::path path = folder_.Path() / "fpga.bin";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }

    std::shared_ptr<tkbsim::Board> Board() const { return boards_.Open(board_); }

    // Types Ctrl+C at the console, key down and key up, as a person does.
    void TypeCtrlC() const {
        INPUT_RECORD keys[2] = {};
        for (int i = 0; i < 2; ++i) {
            KEY_EVENT_RECORD& key = keys[i].Event.KeyEvent;
            keys[i].EventType = KEY_EVENT;
            key.bKeyDown = i == 0;
            key.wRepeatCount = 1;
            key.wVirtualKeyCode = 'C';
            key.uChar.UnicodeChar = 3;
            key.dwControlKeyState = LEFT_CTRL_PRESSED;
        }
        DWORD written = 0;
        EXPECT_TRUE(WriteConsoleInputW(conin_.get(), keys, 2, &written));
    }

    // Types an answer and Enter at the console.
    void TypeAnswer(const std::wstring& answer) const {
        std::vector<INPUT_RECORD> keys;
        for (const wchar_t typed : answer + L"\r") {
            for (const BOOL down : {TRUE, FALSE}) {
                INPUT_RECORD key = {};
                key.EventType = KEY_EVENT;
                key.Event.KeyEvent.bKeyDown = down;
                key.Event.KeyEvent.wRepeatCount = 1;
                key.Event.KeyEvent.wVirtualKeyCode =
                    typed == L'\r' ? VK_RETURN : static_cast<WORD>(towupper(typed));
                key.Event.KeyEvent.uChar.UnicodeChar = typed;
                keys.push_back(key);
            }
        }
        DWORD written = 0;
        EXPECT_TRUE(WriteConsoleInputW(conin_.get(), keys.data(), static_cast<DWORD>(keys.size()), &written));
    }

    // The two ways a console interrupt comes: from the keyboard, and from a program of the console.
    std::vector<std::pair<const char*, std::function<void()>>> Interrupts() const {
        return {{"Ctrl+C typed at the console", [this] { TypeCtrlC(); }},
                {"GenerateConsoleCtrlEvent", [] { EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)); }}};
    }

    SECURITY_ATTRIBUTES inherit_ = Inheritable();
    tkbsim::test::TempFolder folder_;
    tkbsim::BoardFolder boards_;
    uint32_t board_ = 0;
    UniqueHandle nul_;
    UniqueHandle conin_;
};

TEST_F(TkbOnConsole, StatusWatchEndsAtOnceOnCtrlCAndLeavesTheBoardClosed) {
    // Loaded here for the whole test, the library file keeps its shared open flag alive between the
    // processes: a tkb that ended with the board open would leave it set.
    HMODULE library = LoadLibraryW((SimDist() / "TKR50API.dll").c_str());
    ASSERT_NE(library, nullptr);
    const auto init = Export<decltype(TKR50API_Init)>(library, "TKR50API_Init");
    const auto open = Export<decltype(TKR50API_Open)>(library, "TKR50API_Open");
    const auto close = Export<decltype(TKR50API_Close)>(library, "TKR50API_Close");
    const auto end = Export<decltype(TKR50API_End)>(library, "TKR50API_End");
    ASSERT_TRUE(init && open && close && end);

    for (const auto& [name, interrupt] : Interrupts()) {
        SCOPED_TRACE(name);
        const uint32_t opensBefore = Board()->Info().opens;
        OutputFile out(folder_.Path() / "watch.out");
        OutputFile err(folder_.Path() / "watch.err");
        TkbProcess watch("status --watch", nul_.get(), out.handle(), err.handle());
        // The first report is out: the program is in its one-second pause, or reading the next.
        ASSERT_TRUE(WaitUntil([&] { return out.Text().find("TCB_HSPR") != std::string::npos; }, 60s));
        interrupt();
        // The interrupt's default action would end it too, and under Wine 8 with status 0 (Windows
        // gives STATUS_CONTROL_C_EXIT): what tells the two apart is the update test below.
        EXPECT_EQ(watch.WaitForExit(10s), 0);
        EXPECT_EQ(err.Text(), "");
        EXPECT_GT(Board()->Info().opens, opensBefore);

        init();
        EXPECT_EQ(open(2, 0), TKRUSB20_RET_SUCCESS) << "tkb left the board marked open";
        close(2);
        end();
    }
    FreeLibrary(library);
}

// Each refresh replaces the last on the console: what stood on the screen before is gone, and no
// control sequence shows as text (a console without the virtual-terminal mode prints them as
// they are).
TEST_F(TkbOnConsole, StatusWatchRefreshesTheConsoleInPlace) {
    ScreenBuffer screen;
    screen.Write(L"earlier output\r\n");
    OutputFile err(folder_.Path() / "watch.err");
    TkbProcess watch("status --watch", nul_.get(), screen.handle(), err.handle());
    ASSERT_TRUE(WaitUntil([&] { return Joined(screen.Lines()).find("TCB_HSPR") != std::string::npos; }, 60s));
    const std::vector<std::string> report = screen.Lines();
    EXPECT_EQ(Joined(report).find("earlier output"), std::string::npos);
    EXPECT_EQ(Joined(report).find("[2J"), std::string::npos);
    // Written during the pause, the marker goes with the next refresh, which draws the same report.
    screen.Write(L"marker\r\n");
    EXPECT_TRUE(WaitUntil([&] { return screen.Lines() == report; }, 20s)) << Joined(screen.Lines());
    TypeCtrlC();
    EXPECT_EQ(watch.WaitForExit(10s), 0);
    EXPECT_EQ(err.Text(), "");
}

// The update is held inside a transfer (its board file locked) when Ctrl-C comes, and let go once
// the interrupt reached this process too. The interrupt's default action would end tkb then, the
// image half written, with status 0 under Wine 8.
TEST_F(TkbOnConsole, CtrlCDoesNotStopAnUpdateUnderWay) {
    const Bytes image = tkbsim::test::Pattern(0x80000, 9);
    const std::string update = "update fpga " + Quoted(Image(image));
    for (const auto& [name, interrupt] : Interrupts()) {
        SCOPED_TRACE(name);
        Board()->WriteFlash(0, Bytes(image.size(), 0xFF));
        ScreenBuffer console;
        OutputFile out(folder_.Path() / "update.out");
        // Asking, tkb has long taken over its interrupts.
        TkbProcess tkb(update, conin_.get(), out.handle(), console.handle());
        ASSERT_TRUE(
            WaitUntil([&] { return Joined(console.Lines()).find("[y/N]") != std::string::npos; }, 60s));
        {
            BoardFileLock held(folder_.Path() / tkbsim::BoardFolder::FileName(board_));
            TypeAnswer(L"y");
            interruptsSeen = 0;
            interrupt();
            ASSERT_TRUE(WaitUntil([] { return interruptsSeen > 0; }, 10s));
        }
        EXPECT_EQ(tkb.WaitForExit(60s), 0) << Joined(console.Lines());
        EXPECT_NE(out.Text().find("524288 bytes written and verified"), std::string::npos)
            << Joined(console.Lines());
        EXPECT_EQ(Board()->ReadFlash(0, 0x80000), image);
    }
}

TEST_F(TkbOnConsole, UpdateDrawsABarOnAConsoleAndPlainLinesOnAPipeOrAFile) {
    const Bytes image = tkbsim::test::Pattern(0x20000, 5);
    const std::string update = "update fpga " + Quoted(Image(image)) + " --yes";
    {
        SCOPED_TRACE("standard error on a console");
        ScreenBuffer console;
        OutputFile out(folder_.Path() / "console.out");
        TkbProcess tkb(update, nul_.get(), out.handle(), console.handle());
        ASSERT_EQ(tkb.WaitForExit(60s), 0) << Joined(console.Lines());
        const std::string shown = Joined(console.Lines());
        EXPECT_NE(shown.find("writing   [################] 131072/131072 bytes  "), std::string::npos)
            << shown;
        EXPECT_NE(shown.find("verifying [################] 131072/131072 bytes  "), std::string::npos)
            << shown;
        EXPECT_EQ(shown.find("writing: "), std::string::npos) << shown;
        EXPECT_NE(out.Text().find("written and verified"), std::string::npos);
        EXPECT_EQ(Board()->ReadFlash(0, 0x20000), image);
    }
    {
        SCOPED_TRACE("standard error into a pipe");
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        SECURITY_ATTRIBUTES inherit = Inheritable();
        ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
        UniqueHandle reader(readEnd), writer(writeEnd);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        OutputFile out(folder_.Path() / "pipe.out");
        TkbProcess tkb(update, nul_.get(), out.handle(), writer.get());
        writer.reset();
        // Read to the end while tkb writes, so that it never waits on a full pipe.
        std::string piped;
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
            piped.append(buffer, got);
        EXPECT_EQ(tkb.WaitForExit(60s), 0) << piped;
        EXPECT_NE(piped.find("writing: 131072 bytes\r\nwriting: done, 131072 bytes in "), std::string::npos)
            << piped;
        EXPECT_NE(piped.find("verifying: 131072 bytes\r\nverifying: done, 131072 bytes in "),
                  std::string::npos);
        EXPECT_EQ(piped.find('['), std::string::npos) << piped;
    }
    {
        SCOPED_TRACE("standard error into a file");
        OutputFile out(folder_.Path() / "file.out");
        OutputFile err(folder_.Path() / "file.err");
        TkbProcess tkb(update, nul_.get(), out.handle(), err.handle());
        EXPECT_EQ(tkb.WaitForExit(60s), 0) << err.Text();
        EXPECT_NE(err.Text().find("writing: 131072 bytes\r\nwriting: done"), std::string::npos) << err.Text();
        EXPECT_EQ(err.Text().find('['), std::string::npos);
    }
}

TEST_F(TkbOnConsole, UpdateAsksOnlyAtAConsole) {
    const Bytes before = Board()->ReadFlash(0, 64);
    const std::string update = "update fpga " + Quoted(Image(Bytes(64, 0x5A)));
    {
        SCOPED_TRACE("standard input from the null device, a character device but no console");
        OutputFile out(folder_.Path() / "no-console.out");
        OutputFile err(folder_.Path() / "no-console.err");
        TkbProcess tkb(update, nul_.get(), out.handle(), err.handle());
        EXPECT_EQ(tkb.WaitForExit(60s), 1);
        EXPECT_NE(err.Text().find("not a terminal"), std::string::npos) << err.Text();
        EXPECT_EQ(err.Text().find("[y/N]"), std::string::npos);
    }
    {
        SCOPED_TRACE("standard input and error on the console, answered no");
        ScreenBuffer console;
        OutputFile out(folder_.Path() / "asked.out");
        TkbProcess tkb(update, conin_.get(), out.handle(), console.handle());
        ASSERT_TRUE(
            WaitUntil([&] { return Joined(console.Lines()).find("[y/N]") != std::string::npos; }, 60s));
        TypeAnswer(L"n");
        EXPECT_EQ(tkb.WaitForExit(60s), 1);
        EXPECT_NE(Joined(console.Lines()).find("nothing was written"), std::string::npos)
            << Joined(console.Lines());
    }
    EXPECT_EQ(Board()->ReadFlash(0, 64), before);
}

}  // namespace
