// The updater's window as another process sees it: found by its caption,
// read through messages with a time limit, so that a window whose thread
// is busy (the update check blocks it for seconds) reads as busy instead
// of hanging the reader.
#pragma once

#include <windows.h>

#include <string>

constexpr const char* kUpdateWindowCaption = "Webcam auto update tool";

// Control identifiers of the update window.
constexpr int kLogArea = 1000;
constexpr int kProgressBar = 1010;
constexpr int kCloseButton = 1019;

struct WindowState {
    bool found = false;
    bool responding = false;  // false while its thread is busy; the fields below are then unread
    std::string text;         // control 1000
    int progress = 0;         // control 1010
    bool closeEnabled = false;
    bool messageBox = false;  // a message box owned by the window is up
    std::string messageText;
    RECT rect = {0, 0, 0, 0};  // the window's frame on the screen
    RECT bar = {0, 0, 0, 0};   // the progress bar, on the screen
};

HWND FindUpdateWindow();
// Visible top-level windows with the updater's caption.
int CountUpdateWindows();
// A message box (dialog class) owned by `window`, or null.
HWND FindOwnedMessageBox(HWND window);
WindowState ReadWindowState();
