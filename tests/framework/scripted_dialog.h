// A dialog that plays a script inside its own modal loop. Each step runs on
// one tick of a timer, so whatever a step posts is handled before the next
// step; a callback timer, outside the message map, ends a stuck dialog.
// The map's handlers write what reached them into `seen`.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "tests/framework/test_resource.h"

class ScriptedDialog : public CDialog {
public:
    using Step = std::function<void(ScriptedDialog&)>;
    static constexpr INT_PTR kTimedOut = -77;
    static constexpr UINT kAsk = WM_APP + 1;  // three map rows: declines, answers 0x1234, never reached

    explicit ScriptedDialog(std::vector<Step> steps, UINT templateId = IDD_SCRIPTED, CWnd* parent = nullptr);

    void Record(const std::string& entry) { seen.push_back(entry); }
    int Count(const std::string& entry) const;

    std::vector<std::string> seen;
    bool okEnds = true;  // whether OnOK goes on to the base's EndDialog(IDOK)
    CEdit text;
    CButton first;
    CButton second;

    using CDialog::UpdateData;

protected:
    const MessageMapEntry* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void RunNextStep();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool inStep_ = false;  // a step that runs a nested modal loop sees ticks
};

std::string Hex(UINT_PTR value);

// Dispatches the dialog's timer messages from inside a step until `done`
// answers true or `ms` milliseconds have passed.
void PumpTimers(ScriptedDialog& dialog, DWORD ms, const std::function<bool()>& done);
