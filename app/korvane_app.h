// The application object: one instance at a time, one update window.
#pragma once

#include "framework/win_app.h"

class CKorvaneApp : public CWinApp {
public:
    CKorvaneApp();
    ~CKorvaneApp() override;
    BOOL InitInstance() override;
};
