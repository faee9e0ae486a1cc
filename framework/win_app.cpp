#include "framework/win_app.h"

namespace {

CWinApp* theOneApp = nullptr;

}  // namespace

CWinApp::CWinApp(const char* appName) {
    if (appName != nullptr) {
        m_appName = appName;
        m_pszAppName = m_appName.c_str();
    }
    if (theOneApp == nullptr) theOneApp = this;
}

CWinApp::~CWinApp() {
    if (theOneApp == this) theOneApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(const char* key) {
    if (key == nullptr) {
        m_registryKey.clear();
        m_pszRegistryKey = nullptr;
        return;
    }
    m_registryKey = key;
    m_pszRegistryKey = m_registryKey.c_str();
}

HICON CWinApp::LoadIcon(UINT id) const {
    HINSTANCE module = m_hInstance != nullptr ? m_hInstance : ::GetModuleHandleA(nullptr);
    return ::LoadIconA(module, MAKEINTRESOURCEA(id));
}

CWinApp* AfxGetApp() { return theOneApp; }

HINSTANCE AfxGetInstanceHandle() {
    if (theOneApp != nullptr && theOneApp->m_hInstance != nullptr) return theOneApp->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}
