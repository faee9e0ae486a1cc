#include "framework/data_exchange.h"

#include "framework/dialog.h"

CDataExchange::CDataExchange(CWnd* dialog, BOOL saveAndValidate)
    : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

void DDX_Control(CDataExchange* dx, int controlId, CWnd& control) {
    if (dx == nullptr || dx->m_pDlgWnd == nullptr || control.m_hWnd != nullptr) return;
    if (!control.Attach(::GetDlgItem(dx->m_pDlgWnd->m_hWnd, controlId))) return;
    if (auto* dialog = dynamic_cast<CDialog*>(dx->m_pDlgWnd)) dialog->TrackControl(&control);
}
