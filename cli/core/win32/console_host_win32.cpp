#include <windows.h>

#include "../console_host.h"

namespace tkbctl::cli {

namespace {

std::atomic<bool>* interruptFlag = nullptr;

// The system calls this on a thread of its own. The C runtime's SIGINT emulation is not used: it
// puts the default action back before each call, so a second Ctrl-C right after the first would end
// the process, and it lets Ctrl-Break end the process at once, in the middle of a flash write too.
// Closing the console window or logging off still end the process, as the system insists.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    interruptFlag->store(true);
    return TRUE;
}

DWORD StandardHandleId(StandardStream stream) {
    switch (stream) {
        case StandardStream::kInput:
            return STD_INPUT_HANDLE;
        case StandardStream::kOutput:
            return STD_OUTPUT_HANDLE;
        case StandardStream::kError:
            break;
    }
    return STD_ERROR_HANDLE;
}

}  // namespace

// A console's input or screen buffer is the only handle with a console mode. The C runtime's
// _isatty would also take the null device for a terminal (any character device), so that
// `tkb update ... < NUL` asked its question and read an end of file for the answer.
bool IsTerminal(StandardStream stream) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(StandardHandleId(stream)), &mode) != 0;
}

// Through the console's own functions: a console takes control sequences only in the
// virtual-terminal mode, which older consoles and Wine's lack, and prints them as they are otherwise.
void ClearOutputTerminal() {
    const HANDLE screen = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (!GetConsoleScreenBufferInfo(screen, &info))
        return;
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    const COORD origin = {0, 0};
    DWORD written = 0;
    FillConsoleOutputCharacterW(screen, L' ', cells, origin, &written);
    FillConsoleOutputAttribute(screen, info.wAttributes, cells, origin, &written);
    SetConsoleCursorPosition(screen, origin);
}

void DeliverInterruptsTo(std::atomic<bool>& interrupted) {
    interruptFlag = &interrupted;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace tkbctl::cli
