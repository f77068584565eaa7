// A stand-in for a capture application that hosts the filter: it loads the module named on its
// command line, opens the options window through ShowModelessDialog and serves its messages, as a
// capture application's user-interface thread does, until it is told to quit.
#include <windows.h>

#include <shellapi.h>

using ShowModelessDialogFunction = int(WINAPI*)(INT_PTR, HWND, int);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2) {
        return 2;
    }
    HMODULE module = LoadLibraryW(arguments[1]);
    LocalFree(arguments);
    if (module == nullptr) {
        return 3;
    }
    auto show = reinterpret_cast<ShowModelessDialogFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "ShowModelessDialog")));
    if (show == nullptr) {
        return 4;
    }
    show(0, nullptr, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND dialog = GetAncestor(message.hwnd, GA_ROOT);
        if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
