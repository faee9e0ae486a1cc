// Wrappers for the standard controls the program binds in its dialog.
#pragma once

#include "framework/wnd.h"

class CEdit : public CWnd {
public:
    int GetLineCount() const;
    // Scrolls by whole lines down (negative: up) and by characters sideways.
    void LineScroll(int lines, int chars = 0);
};

class CButton : public CWnd {};
