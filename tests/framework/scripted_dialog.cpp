#include "tests/framework/scripted_dialog.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "framework/data_exchange.h"

namespace {

constexpr UINT_PTR kStepTimer = 1;
constexpr UINT_PTR kWatchdogTimer = 2;

ScriptedDialog* Self(CDialog* dialog) { return static_cast<ScriptedDialog*>(dialog); }

// Rows that only note the message, then handle it or leave it to the default.
bool Handles(CDialog* dialog, const std::string& entry) {
    Self(dialog)->Record(entry);
    return true;
}

bool Declines(CDialog* dialog, const std::string& entry) {
    Self(dialog)->Record(entry);
    return false;
}

void CALLBACK Watchdog(HWND hwnd, UINT, UINT_PTR, DWORD) { ::EndDialog(hwnd, ScriptedDialog::kTimedOut); }

}  // namespace

std::string Hex(UINT_PTR value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%#lx", static_cast<unsigned long>(value));
    return text;
}

void PumpTimers(ScriptedDialog& dialog, DWORD ms, const std::function<bool()>& done) {
    const DWORD start = ::GetTickCount();
    while (!done() && ::GetTickCount() - start < ms) {
        MSG msg;
        if (::PeekMessageA(&msg, dialog.m_hWnd, WM_TIMER, WM_TIMER, PM_REMOVE)) ::DispatchMessageA(&msg);
        else ::Sleep(1);
    }
}

ScriptedDialog::ScriptedDialog(std::vector<Step> steps, UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), steps_(std::move(steps)) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
}

int ScriptedDialog::Count(const std::string& entry) const {
    return int(std::count(seen.begin(), seen.end(), entry));
}

const CDialog::MessageMapEntry* ScriptedDialog::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_TIMER, 0, 0,
         [](CDialog* d, WPARAM w, LPARAM, LRESULT*) {
             if (w == kStepTimer) Self(d)->RunNextStep();
             else Self(d)->Record("timer " + Hex(w));
             return true;
         }},
        {WM_COMMAND, BN_CLICKED, IDC_FIRST,
         [](CDialog* d, WPARAM w, LPARAM l, LRESULT*) {
             const bool fromButton = HWND(l) == d->GetDlgItem(IDC_FIRST);
             return Handles(d, "first " + Hex(w) + (fromButton ? " button" : " elsewhere"));
         }},
        {WM_COMMAND, BN_CLICKED, IDC_SECOND,
         [](CDialog* d, WPARAM w, LPARAM, LRESULT*) { return Handles(d, "second " + Hex(w)); }},
        {WM_DEVICECHANGE, 0, 0,
         [](CDialog* d, WPARAM w, LPARAM, LRESULT* result) {
             *result = w == DBT_DEVICEQUERYREMOVE ? BROADCAST_QUERY_DENY : FALSE;
             return Handles(d, "devicechange");
         }},
        {WM_QUERYDRAGICON, 0, 0,
         [](CDialog*, WPARAM, LPARAM, LRESULT* result) {
             *result = LRESULT(::LoadIconA(nullptr, IDI_WARNING));
             return true;
         }},
        {WM_CTLCOLORDLG, 0, 0,
         [](CDialog*, WPARAM, LPARAM, LRESULT* result) {
             *result = LRESULT(::GetStockObject(GRAY_BRUSH));
             return true;
         }},
        {kAsk, 0, 0, [](CDialog* d, WPARAM, LPARAM, LRESULT*) { return Declines(d, "declined"); }},
        {kAsk, 0, 0,
         [](CDialog* d, WPARAM, LPARAM, LRESULT* result) {
             *result = 0x1234;
             return Handles(d, "answered");
         }},
        {kAsk, 0, 0, [](CDialog* d, WPARAM, LPARAM, LRESULT*) { return Handles(d, "never"); }},
        {WM_SETTEXT, 0, 0, [](CDialog* d, WPARAM, LPARAM, LRESULT*) { return Declines(d, "settext"); }},
        {WM_SETFONT, 0, 0, [](CDialog* d, WPARAM, LPARAM, LRESULT*) { return Declines(d, "setfont"); }},
        {WM_PAINT, 0, 0, [](CDialog* d, WPARAM, LPARAM, LRESULT*) { return Declines(d, "paint"); }},
        {WM_DESTROY, 0, 0,
         [](CDialog* d, WPARAM, LPARAM, LRESULT*) {
             const bool live = d->m_hWnd != nullptr && ::IsWindow(d->m_hWnd);
             return Declines(d, live ? "destroy with window" : "destroy without window");
         }},
        {0, 0, 0, nullptr},
    };
    return map;
}

void ScriptedDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_TEXT, text);
    DDX_Control(dx, IDC_FIRST, first);
    DDX_Control(dx, IDC_SECOND, second);
}

BOOL ScriptedDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    Record("init");
    next_ = 0;  // each run plays the whole script
    SetTimer(kStepTimer, 10);
    ::SetTimer(m_hWnd, kWatchdogTimer, 10000, Watchdog);
    return TRUE;
}

void ScriptedDialog::OnOK() {
    Record("ok");
    if (okEnds) CDialog::OnOK();
}

void ScriptedDialog::OnCancel() {
    Record("cancel");
    CDialog::OnCancel();
}

void ScriptedDialog::RunNextStep() {
    if (inStep_) return;
    if (next_ == steps_.size()) {
        KillTimer(kStepTimer);
        return;
    }
    inStep_ = true;
    steps_[next_++](*this);
    inStep_ = false;
}
