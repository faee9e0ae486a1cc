// Which handler a message reaches, and what the sender gets back.
#include "tests/framework/scripted_dialog.h"

#include <dbt.h>
#include <gtest/gtest.h>

namespace {

struct Route {
    const char* name;
    std::function<void(ScriptedDialog&)> act;
    std::vector<std::string> reaches;  // what the handlers note, in order
};

TEST(MessageMap, EachMessageReachesItsOwnRow) {
    const std::vector<Route> routes = {
        {"click on First", [](ScriptedDialog& d) { d.first.SendMessage(BM_CLICK); }, {"first 0x44d button"}},
        {"click on Second", [](ScriptedDialog& d) { d.second.SendMessage(BM_CLICK); }, {"second 0x44e"}},
        {"other notification code from First",
         [](ScriptedDialog& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FIRST, BN_DOUBLECLICKED)); }, {}},
        {"BN_CLICKED from a control without a row",
         [](ScriptedDialog& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TEXT, BN_CLICKED)); }, {}},
        {"timer", [](ScriptedDialog& d) { d.SendMessage(WM_TIMER, 7); }, {"timer 0x7"}},
        {"device change", [](ScriptedDialog& d) { d.SendMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED); },
         {"devicechange"}},
        {"declined row, then the next one", [](ScriptedDialog& d) { d.SendMessage(ScriptedDialog::kAsk); },
         {"declined", "answered"}},
        {"message without a row", [](ScriptedDialog& d) { d.SendMessage(WM_APP + 9); }, {}},
    };
    ScriptedDialog dialog({[&](ScriptedDialog& d) {
        for (const Route& route : routes) {
            SCOPED_TRACE(route.name);
            const std::size_t before = d.seen.size();
            route.act(d);
            EXPECT_EQ(std::vector<std::string>(d.seen.begin() + before, d.seen.end()), route.reaches);
        }
        d.EndDialog(1);
    }});
    EXPECT_EQ(dialog.DoModal(), 1);
}

TEST(MessageMap, RealTimerArrivesWithItsIdUntilKilled) {
    int whileArmed = 0;
    ScriptedDialog dialog({
        [](ScriptedDialog& d) { EXPECT_EQ(d.SetTimer(7, 1), 7u); },
        [&](ScriptedDialog& d) {
            PumpTimers(d, 2000, [&] { return d.Count("timer 0x7") > 0; });
            whileArmed = d.Count("timer 0x7");
            EXPECT_TRUE(d.KillTimer(7));
            EXPECT_FALSE(d.KillTimer(7));
        },
        [](ScriptedDialog& d) { PumpTimers(d, 50, [] { return false; }); },
        [](ScriptedDialog& d) { d.EndDialog(0); },
    });
    dialog.DoModal();
    EXPECT_GE(whileArmed, 1);
    EXPECT_EQ(dialog.Count("timer 0x7"), whileArmed);
}

TEST(MessageMap, HandlersAnswerTheSender) {
    HDC dc = ::GetDC(nullptr);
    ScriptedDialog dialog({[&](ScriptedDialog& d) {
        // Answers through DWLP_MSGRESULT ...
        EXPECT_EQ(d.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL), FALSE);
        EXPECT_EQ(d.SendMessage(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE), BROADCAST_QUERY_DENY);
        EXPECT_EQ(d.SendMessage(ScriptedDialog::kAsk), 0x1234);
        // ... and the ones that are the procedure's own return value.
        EXPECT_EQ(HICON(d.SendMessage(WM_QUERYDRAGICON)), ::LoadIconA(nullptr, IDI_WARNING));
        EXPECT_EQ(HGDIOBJ(d.SendMessage(WM_CTLCOLORDLG, WPARAM(dc), LPARAM(d.m_hWnd))),
                  ::GetStockObject(GRAY_BRUSH));
        d.EndDialog(0);
    }});
    dialog.DoModal();
    ::ReleaseDC(nullptr, dc);
    EXPECT_EQ(dialog.Count("never"), 0);
}

// Without a row, the dialog's default handling answers: this is what the
// rows above must differ from.
TEST(MessageMap, BareDialogLeavesEverythingToTheDefault) {
    struct Bare : CDialog {
        Bare() : CDialog(IDD_SCRIPTED) {}
        BOOL OnInitDialog() override {
            deviceChange = SendMessage(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE);
            dragIcon = SendMessage(WM_QUERYDRAGICON);
            ask = SendMessage(ScriptedDialog::kAsk);
            EndDialog(2);
            return TRUE;
        }
        LRESULT deviceChange = -1, dragIcon = -1, ask = -1;
    } bare;
    EXPECT_EQ(bare.DoModal(), 2);
    EXPECT_NE(bare.deviceChange, BROADCAST_QUERY_DENY);
    EXPECT_NE(bare.dragIcon, -1);
    EXPECT_NE(HICON(bare.dragIcon), ::LoadIconA(nullptr, IDI_WARNING));
    EXPECT_EQ(bare.ask, 0);
}

TEST(MessageMap, DeclinedMessageStillGetsTheDefault) {
    ScriptedDialog dialog({[](ScriptedDialog& d) {
        EXPECT_TRUE(d.SendMessage(WM_SETTEXT, 0, LPARAM("Renamed")));
        char caption[32] = {};
        ::GetWindowTextA(d.m_hWnd, caption, sizeof(caption));
        EXPECT_STREQ(caption, "Renamed");
        d.EndDialog(0);
    }});
    dialog.DoModal();
    EXPECT_EQ(dialog.Count("settext"), 1);
}

// WM_SETFONT comes before WM_INITDIALOG (the template has DS_SETFONT): no
// object yet, so its row must not run then; afterwards it does.
TEST(MessageMap, NothingReachesTheObjectBeforeInitDialog) {
    ScriptedDialog dialog({[](ScriptedDialog& d) {
        EXPECT_EQ(d.Count("setfont"), 0);
        d.SendMessage(WM_SETFONT, WPARAM(::GetStockObject(DEFAULT_GUI_FONT)));
        d.EndDialog(0);
    }});
    dialog.DoModal();
    ASSERT_FALSE(dialog.seen.empty());
    EXPECT_EQ(dialog.seen.front(), "init");
    EXPECT_EQ(dialog.Count("setfont"), 1);
}

}  // namespace
