// The application object: one per program, found by WinMain, which calls
// InitInstance and ExitInstance on it.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // Registers itself as the one application object, unless one exists.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();  // base: TRUE
    virtual int ExitInstance();   // base: 0

    // Keeps a copy of the key name; nothing is ever written under it.
    void SetRegistryKey(const char* key);
    HICON LoadIcon(UINT id) const;  // from the program's module

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const char* m_pszRegistryKey = nullptr;
    const char* m_pszAppName = nullptr;  // the name given at construction, or null

private:
    std::string m_registryKey;
    std::string m_appName;
};

CWinApp* AfxGetApp();
// The program's module: the application's instance once WinMain has set it,
// the executable's module before that or without an application object.
HINSTANCE AfxGetInstanceHandle();
