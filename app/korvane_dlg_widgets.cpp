// The window's widgets as the update's course drives them: the status
// text, the one question, the timers, the buttons and the bar.
#include "app/korvane_dlg.h"

#include <commctrl.h>

namespace {

// What Windows shows for the window when a log-off or shut-down waits on it.
constexpr wchar_t kSessionBlockReason[] =
    L"Updating the camera's firmware. Ending the session now leaves the camera unusable.";

}  // namespace

void CKorvaneDlg::ShowStatus() { logArea.SetWindowText(statusText.c_str()); }

int CKorvaneDlg::AskUser(const char* text, const char* caption, UINT style) {
    return MessageBox(text, caption, style);
}

void CKorvaneDlg::StartTimer(UINT_PTR id, UINT periodMs) { SetTimer(id, periodMs); }

void CKorvaneDlg::StopTimer(UINT_PTR id) { KillTimer(id); }

// Close is off exactly while a download runs; for that long a session end
// names the reason it is refused (the run keeps the machine awake).
void CKorvaneDlg::EnableCloseButton(bool enable) {
    closeButton.EnableWindow(enable);
    if (!enable && !holdingSession) {
        ShutdownBlockReasonCreate(m_hWnd, kSessionBlockReason);
        holdingSession = true;
    } else if (enable && holdingSession) {
        ShutdownBlockReasonDestroy(m_hWnd);
        holdingSession = false;
    }
}

void CKorvaneDlg::EnableDownloadButton(bool enable) { downloadButton.EnableWindow(enable); }

int CKorvaneDlg::ProgressPosition() { return int(::SendMessage(progressBar, PBM_GETPOS, 0, 0)); }

void CKorvaneDlg::SetProgressPosition(int position) {
    ::SendMessage(progressBar, PBM_SETPOS, WPARAM(position), 0);
}

void CKorvaneDlg::RedrawNow() { RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

void CKorvaneDlg::ScrollLogToEnd() { logArea.LineScroll(logArea.GetLineCount()); }
