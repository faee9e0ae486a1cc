// The modal run: how it ends, what DoModal returns, control binding and what
// is left of the window afterwards.
#include <gtest/gtest.h>

#include "tests/framework/scripted_dialog.h"

namespace {

void Key(HWND target, WPARAM key) {
    ::PostMessageA(target, WM_KEYDOWN, key, 1);
    ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

struct Ending {
    const char* name;
    int focus;  // control that has the focus when the step acts
    std::function<void(ScriptedDialog&)> act;
    INT_PTR result;
    const char* handler;
};

TEST(Dialog, OkAndCancelReachTheirVirtuals) {
    const std::vector<Ending> endings = {
        {"Escape in the multi-line edit", IDC_TEXT, [](ScriptedDialog&) { Key(::GetFocus(), VK_ESCAPE); },
         IDCANCEL, "cancel"},
        {"Escape on a button", IDC_FIRST, [](ScriptedDialog&) { Key(::GetFocus(), VK_ESCAPE); }, IDCANCEL,
         "cancel"},
        {"close box", IDC_FIRST, [](ScriptedDialog& d) { ::PostMessageA(d.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); },
         IDCANCEL, "cancel"},
        {"Cancel button", IDC_FIRST,
         [](ScriptedDialog& d) { ::SendMessageA(d.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0); }, IDCANCEL, "cancel"},
        {"Enter on the default button", IDOK, [](ScriptedDialog&) { Key(::GetFocus(), VK_RETURN); }, IDOK, "ok"},
        {"OK button", IDC_FIRST, [](ScriptedDialog& d) { ::SendMessageA(d.GetDlgItem(IDOK), BM_CLICK, 0, 0); },
         IDOK, "ok"},
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.name);
        ScriptedDialog dialog({
            [&](ScriptedDialog& d) { ::SetFocus(d.GetDlgItem(ending.focus)); },
            [&](ScriptedDialog& d) {
                EXPECT_EQ(::GetFocus(), d.GetDlgItem(ending.focus));
                ending.act(d);
            },
        });
        EXPECT_EQ(dialog.DoModal(), ending.result);
        EXPECT_EQ(dialog.Count("ok") + dialog.Count("cancel"), 1);
        EXPECT_EQ(dialog.Count(ending.handler), 1);
    }
}

TEST(Dialog, OnOkThatDoesNothingKeepsTheDialogOpen) {
    ScriptedDialog dialog({
        [](ScriptedDialog& d) { ::SendMessageA(d.GetDlgItem(IDOK), BM_CLICK, 0, 0); },
        [](ScriptedDialog& d) {
            EXPECT_EQ(d.Count("ok"), 1);
            EXPECT_TRUE(::IsWindowVisible(d.m_hWnd));
            d.EndDialog(5);
        },
    });
    dialog.okEnds = false;
    EXPECT_EQ(dialog.DoModal(), 5);
}

TEST(Dialog, DoModalReturnsTheValueGivenToEndDialog) {
    for (int value : {0, 3, 1000, 0x7FFFFFFF, -5}) {
        ScriptedDialog dialog({[&](ScriptedDialog& d) { d.EndDialog(value); }});
        EXPECT_EQ(dialog.DoModal(), value);
    }
}

TEST(Dialog, MissingTemplateFailsWithoutAWindow) {
    ScriptedDialog dialog({}, IDD_MISSING);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_TRUE(dialog.seen.empty());
}

// Run twice on one object: the second run must bind to the new window's
// controls, not keep the first run's dead handles.
TEST(Dialog, DataExchangeBindsWrappersForTheLifeOfTheWindow) {
    std::vector<HWND> handles;
    ScriptedDialog dialog({[&](ScriptedDialog& d) {
        const std::pair<CWnd*, int> bound[] = {{&d.text, IDC_TEXT}, {&d.first, IDC_FIRST}, {&d.second, IDC_SECOND}};
        for (const auto& [wrapper, id] : bound) {
            EXPECT_NE(wrapper->m_hWnd, nullptr);
            EXPECT_EQ(wrapper->m_hWnd, ::GetDlgItem(d.m_hWnd, id));
            EXPECT_EQ(::GetDlgCtrlID(wrapper->m_hWnd), id);
        }
        EXPECT_TRUE(d.UpdateData(TRUE));  // a second exchange leaves the binding as it is
        EXPECT_EQ(d.first.m_hWnd, ::GetDlgItem(d.m_hWnd, IDC_FIRST));
        handles = {d.m_hWnd, d.text.m_hWnd, d.first.m_hWnd, d.second.m_hWnd};
        d.EndDialog(1);
    }});
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        handles.clear();
        EXPECT_EQ(dialog.DoModal(), 1);
        ASSERT_EQ(handles.size(), 4u);
        for (HWND hwnd : handles) EXPECT_FALSE(::IsWindow(hwnd));
        EXPECT_EQ(dialog.m_hWnd, nullptr);
        EXPECT_EQ(dialog.text.m_hWnd, nullptr);
        EXPECT_EQ(dialog.first.m_hWnd, nullptr);
        EXPECT_EQ(dialog.second.m_hWnd, nullptr);
    }
    EXPECT_EQ(dialog.Count("destroy with window"), 2);
    EXPECT_EQ(dialog.Count("destroy without window"), 0);
}

TEST(Dialog, ParentOwnsTheDialog) {
    HWND outerOwner = HWND(1), innerOwner = nullptr, parentWindow = nullptr;
    ScriptedDialog outer({[&](ScriptedDialog& parent) {
        outerOwner = ::GetWindow(parent.m_hWnd, GW_OWNER);
        parentWindow = parent.m_hWnd;
        ScriptedDialog inner({[&](ScriptedDialog& d) {
                                 innerOwner = ::GetWindow(d.m_hWnd, GW_OWNER);
                                 d.EndDialog(9);
                             }},
                             IDD_SCRIPTED, &parent);
        EXPECT_EQ(inner.DoModal(), 9);
        parent.EndDialog(0);
    }});
    EXPECT_EQ(outer.DoModal(), 0);
    EXPECT_EQ(outerOwner, nullptr);
    EXPECT_NE(parentWindow, nullptr);
    EXPECT_EQ(innerOwner, parentWindow);
}

}  // namespace
