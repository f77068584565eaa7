// The program's entry point: everything happens in the application object.
#include <windows.h>

#include "app/tkrctl_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    tkbctl::CTKRctlApp app;
    return app.InitInstance();
}
