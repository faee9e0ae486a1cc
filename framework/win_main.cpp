// The program's entry: hands the module to the application object and runs it.
#include <windows.h>

#include "framework/win_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    app->m_hInstance = instance;
    // The program's one window runs modally inside InitInstance, so there is
    // no message loop here: whatever InitInstance answers, the program ends.
    app->InitInstance();
    return app->ExitInstance();
}
