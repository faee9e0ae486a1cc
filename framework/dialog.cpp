#include "framework/dialog.h"

#include "framework/data_exchange.h"
#include "framework/win_app.h"

namespace {

// The messages whose dialog-procedure return value is the answer itself;
// every other answer travels in DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
    case WM_QUERYNEWPALETTE:
        return true;
    default:
        return false;
    }
}

INT_PTR Answer(HWND hwnd, UINT message, LRESULT result) {
    if (AnswersDirectly(message)) return INT_PTR(result);
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, LONG_PTR(result));
    return TRUE;
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

// The window must not outlive the object its procedure calls into. The bound
// wrappers are members of the derived class and already gone here, so they
// are only forgotten.
CDialog::~CDialog() {
    if (m_hWnd == nullptr) return;
    m_boundControls.clear();
    ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd != nullptr) return -1;
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
    INT_PTR result = ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), owner,
                                       DialogProc, reinterpret_cast<LPARAM>(this));
    ReleaseWindow();  // also when the dialog failed before WM_NCDESTROY could
    return result;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

const CDialog::MessageMapEntry* CDialog::GetMessageMap() const {
    static const MessageMapEntry empty[] = {{0, 0, 0, nullptr}};
    return empty;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

// The object arrives with WM_INITDIALOG and is kept in DWLP_USER; messages
// sent before it (WM_SETFONT, the creation messages) get the default handling.
INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    INT_PTR answer = self->Dispatch(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->ReleaseWindow();
    }
    return answer;
}

// Map rows first, in order; a row whose handler declines lets the search go
// on. Then OK and Cancel clicks; everything else gets the default handling.
INT_PTR CDialog::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MessageMapEntry* row = GetMessageMap(); row != nullptr && row->message != 0; ++row) {
        if (row->message != message || row->handler == nullptr) continue;
        if (message == WM_COMMAND && (row->code != HIWORD(wParam) || row->id != LOWORD(wParam))) continue;
        LRESULT result = 0;
        if (row->handler(this, wParam, lParam, &result)) return Answer(hwnd, message, result);
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return Answer(hwnd, message, 0);
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return Answer(hwnd, message, 0);
        }
    }
    return FALSE;
}

void CDialog::TrackControl(CWnd* control) { m_boundControls.push_back(control); }

// The window is gone: no wrapper may keep its handle or its controls' handles.
void CDialog::ReleaseWindow() {
    for (CWnd* control : m_boundControls) control->Detach();
    m_boundControls.clear();
    m_hWnd = nullptr;
}
