#include "framework/wnd.h"

CWnd::~CWnd() = default;

// One wrapper, one window: a wrapper already in use or a handle that names no
// window is refused.
BOOL CWnd::Attach(HWND hwnd) {
    if (m_hWnd != nullptr || hwnd == nullptr || !::IsWindow(hwnd)) return FALSE;
    m_hWnd = hwnd;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    m_hWnd = nullptr;
    return hwnd;
}

HWND CWnd::GetSafeHwnd() const { return m_hWnd; }

void CWnd::SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }

BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

// Timers without a callback: they arrive as WM_TIMER with the id in wParam.
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs) { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }

BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }

void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::RedrawWindow(UINT flags) { return ::RedrawWindow(m_hWnd, nullptr, nullptr, flags); }

HWND CWnd::GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
    return ::MessageBoxA(m_hWnd, text, caption, type);
}

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
