// Binding a dialog's controls to the wrappers that stand for them.
#pragma once

#include <windows.h>

class CWnd;

// One pass of DoDataExchange: which dialog, and in which direction.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate);
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Attaches `control` to the dialog's control `controlId` the first time; a
// wrapper already bound is left as it is. A dialog of ours detaches the
// wrapper again when its window is destroyed.
void DDX_Control(CDataExchange* dx, int controlId, CWnd& control);
