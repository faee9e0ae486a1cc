#include <windows.h>

#include <new>

#include "platform/session_hold.h"

struct SessionHold {
    HANDLE letGo = nullptr;  // set by Release: the window goes, the thread ends
    HANDLE ready = nullptr;  // set by the thread once its window refuses
    HANDLE thread = nullptr;
    std::string failure;     // the thread's reason, when it ends without a window
};

namespace {

// What Windows shows beside the program while a session end waits on it.
constexpr wchar_t kBlockReason[] =
    L"Writing the camera's firmware: a camera cut off now no longer starts.";

// Making a window takes milliseconds; a thread not ready by then is stuck in
// the system, and the write goes on without the hold.
constexpr DWORD kWindowReadyMs = 5000;
// The thread only destroys its window once told; one not ended by then is
// stuck, and is left to the process's end rather than waited on longer.
constexpr DWORD kThreadEndMs = 5000;

LRESULT CALLBACK HoldProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The window lives exactly while the hold is on.
    if (message == WM_QUERYENDSESSION) return FALSE;
    // Closed by Release alone, never by a WM_CLOSE from another program.
    if (message == WM_CLOSE) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterHoldClass() {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HoldProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kSessionHoldWindowClass;
    // A second hold in the same process finds the class made.
    return RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Wine without a display refuses a window and sets no error.
std::string Failed(const char* call) {
    const DWORD error = GetLastError();
    return std::string(call) + " failed" + (error ? " (error " + std::to_string(error) + ")" : "");
}

// Owns the window from its making to its end: the window's messages, those
// sent from other processes among them, are answered on this thread alone.
DWORD WINAPI RunHold(LPVOID parameter) {
    SessionHold* hold = static_cast<SessionHold*>(parameter);
    if (!RegisterHoldClass()) {
        hold->failure = Failed("RegisterClassEx");
        return 1;
    }
    // Top-level and never shown: a message-only window is not asked.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kSessionHoldWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        hold->failure = Failed("CreateWindowEx");
        return 1;
    }
    // Without its reason the window still refuses; Windows then names none.
    ShutdownBlockReasonCreate(window, kBlockReason);
    SetEvent(hold->ready);
    for (;;) {
        const DWORD woken =
            MsgWaitForMultipleObjectsEx(1, &hold->letGo, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    ShutdownBlockReasonDestroy(window);
    DestroyWindow(window);
    return 0;
}

void FreeHold(SessionHold* hold) {
    if (hold->thread) CloseHandle(hold->thread);
    if (hold->ready) CloseHandle(hold->ready);
    if (hold->letGo) CloseHandle(hold->letGo);
    delete hold;
}

}  // namespace

SessionHold* TakeSessionHold(std::string* why) {
    SessionHold* hold = new (std::nothrow) SessionHold;
    if (!hold) {
        *why = "no memory for the session end's hold";
        return nullptr;
    }
    hold->letGo = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hold->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!hold->letGo || !hold->ready) {
        *why = Failed("CreateEvent");
        FreeHold(hold);
        return nullptr;
    }
    hold->thread = CreateThread(nullptr, 0, RunHold, hold, 0, nullptr);
    if (!hold->thread) {
        *why = Failed("CreateThread");
        FreeHold(hold);
        return nullptr;
    }
    const HANDLE either[] = {hold->ready, hold->thread};
    const DWORD woken = WaitForMultipleObjects(2, either, FALSE, kWindowReadyMs);
    if (woken == WAIT_OBJECT_0) return hold;
    if (woken == WAIT_OBJECT_0 + 1) {
        *why = hold->failure;
        FreeHold(hold);
        return nullptr;
    }
    *why = "the session end's window did not come up";
    ReleaseSessionHold(hold);
    return nullptr;
}

void ReleaseSessionHold(SessionHold* hold) {
    if (!hold) return;
    SetEvent(hold->letGo);
    // A thread still running owns the hold's memory: left, not freed.
    if (WaitForSingleObject(hold->thread, kThreadEndMs) == WAIT_OBJECT_0) FreeHold(hold);
}
