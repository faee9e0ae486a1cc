// The window and edit wrappers against the windows they stand for.
#include <gtest/gtest.h>

#include <string>

#include "tests/framework/scripted_dialog.h"

namespace {

std::string TextOf(HWND hwnd) {
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

TEST(Wnd, AttachTakesOnlyAWindowAndOnlyOnce) {
    CWnd wnd;
    EXPECT_FALSE(wnd.Attach(nullptr));
    EXPECT_FALSE(wnd.Attach(HWND(0x1234)));
    EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
    HWND desktop = ::GetDesktopWindow();
    EXPECT_TRUE(wnd.Attach(desktop));
    EXPECT_FALSE(wnd.Attach(desktop));
    EXPECT_EQ(wnd.GetSafeHwnd(), desktop);
    EXPECT_EQ(wnd.Detach(), desktop);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(Wnd, CallsActOnTheWrappedWindow) {
    ScriptedDialog dialog({[](ScriptedDialog& d) {
        d.second.SetWindowText("Renamed");
        EXPECT_EQ(TextOf(d.GetDlgItem(IDC_SECOND)), "Renamed");
        EXPECT_EQ(TextOf(d.GetDlgItem(IDC_FIRST)), "First");

        EXPECT_FALSE(d.first.EnableWindow(FALSE));  // answers whether it was disabled before
        EXPECT_FALSE(::IsWindowEnabled(d.GetDlgItem(IDC_FIRST)));
        EXPECT_FALSE(d.first.IsWindowEnabled());
        EXPECT_TRUE(d.second.IsWindowEnabled());
        EXPECT_TRUE(d.first.EnableWindow());
        EXPECT_TRUE(::IsWindowEnabled(d.GetDlgItem(IDC_FIRST)));

        RECT mine, theirs;
        d.GetClientRect(&mine);
        ::GetClientRect(d.m_hWnd, &theirs);
        EXPECT_TRUE(::EqualRect(&mine, &theirs));
        d.text.GetClientRect(&mine);
        ::GetClientRect(d.GetDlgItem(IDC_TEXT), &theirs);
        EXPECT_TRUE(::EqualRect(&mine, &theirs));

        EXPECT_FALSE(d.IsIconic());
        ::ShowWindow(d.m_hWnd, SW_MINIMIZE);
        EXPECT_TRUE(d.IsIconic());
        ::ShowWindow(d.m_hWnd, SW_RESTORE);
        EXPECT_FALSE(d.IsIconic());
        d.EndDialog(0);
    }});
    EXPECT_EQ(dialog.DoModal(), 0);
}

TEST(Wnd, InvalidateAndRedrawPaintTheWindow) {
    ScriptedDialog dialog({[](ScriptedDialog& d) {
        d.UpdateWindow();  // nothing left to paint from the opening
        RECT dirty;
        EXPECT_FALSE(::GetUpdateRect(d.m_hWnd, &dirty, FALSE));
        const int before = d.Count("paint");
        d.Invalidate();
        EXPECT_TRUE(::GetUpdateRect(d.m_hWnd, &dirty, FALSE));
        d.UpdateWindow();
        EXPECT_EQ(d.Count("paint"), before + 1);
        EXPECT_TRUE(d.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW));
        EXPECT_EQ(d.Count("paint"), before + 2);
        EXPECT_FALSE(::GetUpdateRect(d.m_hWnd, &dirty, FALSE));
        d.EndDialog(0);
    }});
    dialog.DoModal();
}

TEST(Edit, CountsAndScrollsLines) {
    ScriptedDialog dialog({[](ScriptedDialog& d) {
        std::string lines;
        for (int i = 1; i <= 30; ++i) lines += "line " + std::to_string(i) + "\r\n";
        d.text.SetWindowText(lines.c_str());
        EXPECT_EQ(d.text.GetLineCount(), 31);  // the empty line after the last break counts
        HWND edit = d.GetDlgItem(IDC_TEXT);
        EXPECT_EQ(::SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        d.text.LineScroll(5);
        EXPECT_EQ(::SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 5);
        d.text.LineScroll(-2);
        EXPECT_EQ(::SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 3);
        d.text.SetWindowText("one line");
        EXPECT_EQ(d.text.GetLineCount(), 1);
        d.EndDialog(0);
    }});
    dialog.DoModal();
}

// The box answers "No" by itself, from a timer that the box's own modal
// loop dispatches; it notes who owns the box and what it says.
struct BoxSeen {
    HWND owner = nullptr;
    std::string caption;
};
BoxSeen boxSeen;

BOOL CALLBACK AnswerNo(HWND hwnd, LPARAM dialog) {
    char className[16] = {};
    ::GetClassNameA(hwnd, className, sizeof(className));
    if (hwnd == HWND(dialog) || !::IsWindowVisible(hwnd) || std::string(className) != "#32770") return TRUE;
    boxSeen = {::GetWindow(hwnd, GW_OWNER), TextOf(hwnd)};
    ::PostMessageA(hwnd, WM_COMMAND, IDNO, 0);
    return FALSE;
}

void CALLBACK FindBox(HWND dialog, UINT, UINT_PTR id, DWORD) {
    if (!::EnumThreadWindows(::GetCurrentThreadId(), AnswerNo, LPARAM(dialog))) ::KillTimer(dialog, id);
}

TEST(Wnd, MessageBoxIsOwnedByTheWindow) {
    boxSeen = {};
    int answer = 0;
    HWND dialogWindow = nullptr;
    ScriptedDialog dialog({[&](ScriptedDialog& d) {
        dialogWindow = d.m_hWnd;
        ::SetTimer(d.m_hWnd, 50, 20, FindBox);
        answer = d.MessageBox("Go on?", "Question", MB_YESNO);
        d.EndDialog(0);
    }});
    EXPECT_EQ(dialog.DoModal(), 0);
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(boxSeen.caption, "Question");
    EXPECT_NE(dialogWindow, nullptr);
    EXPECT_EQ(boxSeen.owner, dialogWindow);
}

}  // namespace
