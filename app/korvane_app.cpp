#include "app/korvane_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/korvane_dlg.h"
#include "update/update_run.h"

namespace {

// The wizard's default key name, in code page 950; nothing is stored there.
constexpr const char* kRegistryKey =
    "\xA5\xBB\xBE\xF7 AppWizard \xA9\xD2\xB2\xA3\xA5\xCD\xAA\xBA\xC0\xB3\xA5\xCE\xB5{\xA6\xA1";

}  // namespace

CKorvaneApp theApp;

CKorvaneApp::CKorvaneApp() = default;

CKorvaneApp::~CKorvaneApp() = default;

BOOL CKorvaneApp::InitInstance() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    CWinApp::InitInstance();

    // Held for the life of the process, never closed: a second instance
    // finds it and ends before showing anything. A lock the system would
    // not make holds nothing back.
    RunVerdict refused;
    if (!TakeRunLock("korvane.exe", &refused) && refused.end == RunEnd::AnotherUpdate) return FALSE;

    SetRegistryKey(kRegistryKey);

    CKorvaneDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
