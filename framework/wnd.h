// A thin wrapper around a window handle: the calls the program makes on its
// windows, each one a plain Win32 call on m_hWnd.
#pragma once

#include <windows.h>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();  // does not destroy the window
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    BOOL Attach(HWND hwnd);
    HWND Detach();
    HWND GetSafeHwnd() const;

    void SetWindowText(const char* text);
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs);
    BOOL KillTimer(UINT_PTR id);
    void Invalidate(BOOL erase = TRUE);
    void UpdateWindow();
    BOOL RedrawWindow(UINT flags);
    HWND GetDlgItem(int id) const;
    int MessageBox(const char* text, const char* caption, UINT type);
    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;
};
