#include "app/korvane_dlg.h"

#include <commctrl.h>
#include <dbt.h>
#include <objbase.h>

#include "app/resource.h"
#include "framework/data_exchange.h"
#include "framework/win_app.h"
#include "platform/power_state.h"

namespace {

// Video capture devices come and go under this interface class.
constexpr GUID kKsCategoryVideo = {0x6994AD05, 0x93EF, 0x11D0,
                                   {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// The progress bar's background: red 255, green 238, blue 0.
constexpr COLORREF kProgressBackground = 0x0000EEFF;

CKorvaneDlg* Self(CDialog* dialog) { return static_cast<CKorvaneDlg*>(dialog); }

}  // namespace

const CDialog::MessageMapEntry CKorvaneDlg::messageMap[] = {
    {WM_PAINT, 0, 0,
     [](CDialog* d, WPARAM, LPARAM, LRESULT* result) {
         *result = 0;
         return Self(d)->OnPaint();
     }},
    {WM_QUERYDRAGICON, 0, 0,
     [](CDialog* d, WPARAM, LPARAM, LRESULT* result) {
         *result = LRESULT(Self(d)->OnQueryDragIcon());
         return true;
     }},
    // The Download button is hidden and never pressed; its row stays so
    // that the window keeps the template's full behaviour.
    {WM_COMMAND, BN_CLICKED, IDC_DOWNLOAD,
     [](CDialog* d, WPARAM, LPARAM, LRESULT* result) {
         *result = 0;
         Self(d)->StartDownload();
         return true;
     }},
    {WM_DEVICECHANGE, 0, 0,
     [](CDialog* d, WPARAM w, LPARAM l, LRESULT* result) {
         *result = Self(d)->OnDeviceChange(UINT(w), DWORD_PTR(l));
         return true;
     }},
    // Activation is left to the default handling.
    {WM_ACTIVATE, 0, 0, [](CDialog*, WPARAM, LPARAM, LRESULT*) { return false; }},
    {WM_TIMER, 0, 0,
     [](CDialog* d, WPARAM w, LPARAM, LRESULT* result) {
         *result = 0;
         return Self(d)->OnTimer(UINT_PTR(w));
     }},
    // Logging off or shutting down cuts a download and leaves a camera that
    // no longer starts: refused while one runs, as the window's own close is.
    {WM_QUERYENDSESSION, 0, 0,
     [](CDialog* d, WPARAM, LPARAM, LRESULT* result) {
         *result = Self(d)->busy ? FALSE : TRUE;
         return true;
     }},
    {WM_COMMAND, BN_CLICKED, IDC_CLOSE,
     [](CDialog* d, WPARAM, LPARAM, LRESULT* result) {
         *result = 0;
         Self(d)->OnCancel();
         return true;
     }},
    {0, 0, 0, nullptr},
};

CKorvaneDlg::CKorvaneDlg() : CDialog(IDD_KORVANE_DIALOG, nullptr) {
    icon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr;
}

CKorvaneDlg::~CKorvaneDlg() = default;

const CDialog::MessageMapEntry* CKorvaneDlg::GetMessageMap() const { return messageMap; }

void CKorvaneDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_LOG_AREA, logArea);
    DDX_Control(dx, IDC_DOWNLOAD, downloadButton);
    DDX_Control(dx, IDC_CLOSE, closeButton);
}

BOOL CKorvaneDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, LPARAM(icon));
    SendMessage(WM_SETICON, ICON_SMALL, LPARAM(icon));
    imageBuffer.reset();
    forceUpdate = 0;

    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kKsCategoryVideo;
    if (!RegisterDeviceNotificationA(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE)) return FALSE;

    CoInitialize(nullptr);
    progressBar = GetDlgItem(IDC_PROGRESS);
    ::SendMessage(progressBar, PBM_SETBKCOLOR, 0, LPARAM(kProgressBackground));

    const PowerState power = ReadPowerState();
    StartUp(power.known, power.acLineStatus);
    return TRUE;
}

void CKorvaneDlg::OnCancel() {
    if (!CloseRequested()) return;
    EndDialog(IDCANCEL);
}

// The window has no OK action: Enter never ends it, download or not.
void CKorvaneDlg::OnOK() {}

bool CKorvaneDlg::OnPaint() {
    if (!IsIconic()) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, WPARAM(dc), 0);
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    DrawIcon(dc, (rect.right - rect.left - cx + 1) / 2, (rect.bottom - rect.top - cy + 1) / 2, icon);
    EndPaint(m_hWnd, &paint);
    return true;
}

HCURSOR CKorvaneDlg::OnQueryDragIcon() { return HCURSOR(icon); }

// Registered for, and answered, but a camera coming or going changes
// nothing: the check runs once, and a download in flight finds out itself.
BOOL CKorvaneDlg::OnDeviceChange(UINT, DWORD_PTR) { return FALSE; }

bool CKorvaneDlg::OnTimer(UINT_PTR id) {
    if (id == kCheckTimer) {
        RunUpdateCheck();
        return true;
    }
    if (id == kProgressTimer) {
        ProgressTick();
        return true;
    }
    return false;
}
