// A modal dialog from a template resource, whose messages go to handlers
// through a table (the message map) and to a few virtual operations.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog until EndDialog and returns its value; -1 when the
    // dialog could not be made.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

protected:
    // One row per message the dialog handles; WM_COMMAND rows also name the
    // notification code and control id. The table ends with a row whose message is 0.
    // handler: returns true when it handled the message and sets *result.
    struct MessageMapEntry {
        UINT message;
        UINT code;
        UINT id;
        bool (*handler)(CDialog* self, WPARAM wParam, LPARAM lParam, LRESULT* result);
    };

    virtual const MessageMapEntry* GetMessageMap() const;  // base: an empty map
    virtual void DoDataExchange(CDataExchange* dx);        // base: nothing
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual BOOL OnInitDialog();  // base: UpdateData(FALSE), returns TRUE
    virtual void OnOK();          // base: EndDialog(IDOK)
    virtual void OnCancel();      // base: EndDialog(IDCANCEL)

private:
    friend void DDX_Control(CDataExchange* dx, int controlId, CWnd& control);

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void TrackControl(CWnd* control);
    void ReleaseWindow();

    UINT m_templateId;
    CWnd* m_pParentWnd;
    std::vector<CWnd*> m_boundControls;  // wrappers DDX_Control attached
};
