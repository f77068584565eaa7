// A library named like a plug-in that lacks the entry point ShowDialog.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall ShowWindowOfPlugin(void*) {
    return 0;
}
