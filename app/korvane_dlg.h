// The update window: a modal dialog that shows one status text, a progress
// bar and a Close button, and steps the update run from its timers.
#pragma once

#include <windows.h>

#include "app/update_window.h"
#include "framework/controls.h"
#include "framework/dialog.h"

class CKorvaneDlg : public CDialog, public CUpdateWindow {
public:
    CKorvaneDlg();
    ~CKorvaneDlg() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

    // The widgets behind the update window's course.
    void ShowStatus() override;
    int AskUser(const char* text, const char* caption, UINT style) override;
    void StartTimer(UINT_PTR id, UINT periodMs) override;
    void StopTimer(UINT_PTR id) override;
    void EnableCloseButton(bool enable) override;
    void EnableDownloadButton(bool enable) override;
    int ProgressPosition() override;
    void SetProgressPosition(int position) override;
    void RedrawNow() override;
    void ScrollLogToEnd() override;

private:
    bool OnPaint();
    HCURSOR OnQueryDragIcon();
    BOOL OnDeviceChange(UINT event, DWORD_PTR data);
    bool OnTimer(UINT_PTR id);

    static const MessageMapEntry messageMap[];

    HICON icon = nullptr;
    CEdit logArea;
    CButton downloadButton;
    CButton closeButton;
    HWND progressBar = nullptr;
    bool holdingSession = false;  // a session end refused, while a download runs
};
