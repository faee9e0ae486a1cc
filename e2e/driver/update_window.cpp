#include "e2e/driver/update_window.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT kReplyTimeoutMs = 300;
// The message text of a system message box is this static control.
constexpr int kMessageBoxText = 0xFFFF;

bool SendWithin(HWND window, UINT message, WPARAM w, LPARAM l, DWORD_PTR* result) {
    return SendMessageTimeoutA(window, message, w, l, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               kReplyTimeoutMs, result) != 0;
}

// The text may change between two messages, so no length is asked first:
// a buffer that came back full is taken for a cut text and doubled.
bool ReadText(HWND control, std::string* text) {
    for (size_t size = 1024; size <= 1024 * 1024; size *= 2) {
        std::vector<char> buffer(size, '\0');
        DWORD_PTR copied = 0;
        if (!SendWithin(control, WM_GETTEXT, size, LPARAM(buffer.data()), &copied)) return false;
        if (copied + 1 < size) {
            text->assign(buffer.data(), std::strlen(buffer.data()));
            return true;
        }
    }
    return false;
}

bool HasUpdateCaption(HWND window) {
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    return std::strcmp(caption, kUpdateWindowCaption) == 0;
}

BOOL CALLBACK CountOne(HWND window, LPARAM count) {
    if (IsWindowVisible(window) && HasUpdateCaption(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<OwnedSearch*>(search);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (window != s->owner && std::strcmp(cls, "#32770") == 0 &&
        GetWindow(window, GW_OWNER) == s->owner && IsWindowVisible(window)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindUpdateWindow() { return FindWindowA("#32770", kUpdateWindowCaption); }

int CountUpdateWindows() {
    int count = 0;
    EnumWindows(CountOne, reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND FindOwnedMessageBox(HWND window) {
    OwnedSearch search = {window, nullptr};
    EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

WindowState ReadWindowState() {
    WindowState state;
    HWND window = FindUpdateWindow();
    if (!window) return state;
    state.found = true;
    GetWindowRect(window, &state.rect);
    GetWindowRect(GetDlgItem(window, kProgressBar), &state.bar);

    DWORD_PTR position = 0;
    if (!ReadText(GetDlgItem(window, kLogArea), &state.text) ||
        !SendWithin(GetDlgItem(window, kProgressBar), PBM_GETPOS, 0, 0, &position))
        return state;
    state.responding = true;
    state.progress = int(position);
    state.closeEnabled = IsWindowEnabled(GetDlgItem(window, kCloseButton)) != FALSE;

    if (HWND box = FindOwnedMessageBox(window)) {
        state.messageBox = true;
        ReadText(GetDlgItem(box, kMessageBoxText), &state.messageText);
    }
    return state;
}
