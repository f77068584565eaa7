// A library that is no plug-in: it lacks ShowDialog.
#include <windows.h>

extern "C" __declspec(dllexport) int NotTheEntryPoint() {
    return 1;
}
