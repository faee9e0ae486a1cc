// Reads and drives the updater's window from outside, as a user would see
// and press it. Run under Wine beside the updater, on the same display:
//
//   korvane_driver state                  what the window shows now (text, bar
//                                         position, Close, message box, where)
//   korvane_driver wait-window SECS       until the window is there
//   korvane_driver wait-text TEXT SECS    until the log area's text holds TEXT
//   korvane_driver wait-settled SECS      until a verdict stands: Close enabled and
//                                         the text neither empty nor "Checking...\r\n"
//   korvane_driver wait-box SECS          until a message box of the window is up
//   korvane_driver wait-gone SECS         until the window has gone
//   korvane_driver count-windows          visible windows with the updater's caption
//   korvane_driver press-close            clicks Close
//   korvane_driver key escape|enter       presses the key in the window
//   korvane_driver close-box              the window's close box (system menu Close)
//   korvane_driver answer yes|no          answers the window's message box
//   korvane_driver hold-every-session SECS  holds the lock every session sees, as
//                                         a run in another session would
//   korvane_driver end-session            asks the window whether the session may
//                                         end; prints "allowed" or "refused"
//   korvane_driver end-session-console    asks the same of korvane-update's hidden
//                                         window; "no window" when there is none
//
// TEXT takes \r and \n escapes. A wait ends when two reads in a row agree
// that its condition holds, and prints the state it ends on.
// Exit status: 0 done, 1 timed out or no window, 2 bad command line.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "e2e/driver/text_escape.h"
#include "e2e/driver/update_window.h"
#include "platform/instance_mutex.h"
#include "platform/session_hold.h"

namespace {

constexpr DWORD kPollMs = 100;

void PrintState(const WindowState& s) {
    if (!s.found) {
        std::printf("window: none\n");
        return;
    }
    std::printf("window: %s\n", s.responding ? "responding" : "busy");
    if (!s.responding) return;
    std::printf("text: %s\n", Escape(s.text).c_str());
    std::printf("progress: %d\n", s.progress);
    std::printf("close: %s\n", s.closeEnabled ? "enabled" : "disabled");
    std::printf("msgbox: %s\n", s.messageBox ? Escape(s.messageText).c_str() : "none");
    std::printf("rect: %ld %ld %ld %ld\n", s.rect.left, s.rect.top, s.rect.right - s.rect.left,
                s.rect.bottom - s.rect.top);
    // Within the window's frame, so that it applies to a screenshot of it.
    std::printf("bar: %ld %ld %ld %ld\n", s.bar.left - s.rect.left, s.bar.top - s.rect.top,
                s.bar.right - s.bar.left, s.bar.bottom - s.bar.top);
}

bool ParseSeconds(const char* text, double* seconds) {
    char* end = nullptr;
    *seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && *seconds >= 0;
}

bool SameState(const WindowState& a, const WindowState& b) {
    return a.found == b.found && a.responding == b.responding && a.text == b.text &&
           a.progress == b.progress && a.closeEnabled == b.closeEnabled &&
           a.messageBox == b.messageBox && a.messageText == b.messageText;
}

// Polls the window until `done` holds on two reads in a row that agree, so
// that a state caught halfway through a change never counts; or until the
// time is up. Prints the last state.
int WaitFor(double seconds, const std::function<bool(const WindowState&)>& done) {
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(seconds * 1000);
    WindowState previous;
    bool previousMet = false;
    for (;;) {
        const WindowState state = ReadWindowState();
        const bool met = done(state);
        if ((met && previousMet && SameState(state, previous)) || GetTickCount64() >= deadline) {
            PrintState(state);
            return met ? 0 : 1;
        }
        previous = state;
        previousMet = met;
        Sleep(kPollMs);
    }
}

bool Settled(const WindowState& s) {
    return s.responding && s.closeEnabled && !s.text.empty() && s.text != "Checking...\r\n";
}

// Keys go where the window's thread has its focus, as typed keys would.
int PressKey(HWND window, WPARAM key) {
    HWND target = window;
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
        target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, LPARAM(0xC0000001u));
    return 0;
}

int Answer(HWND window, const std::string& answer) {
    HWND box = FindOwnedMessageBox(window);
    if (!box) {
        std::fprintf(stderr, "no message box is up\n");
        return 1;
    }
    HWND button = GetDlgItem(box, answer == "yes" ? IDYES : IDNO);
    if (!button) {
        std::fprintf(stderr, "the message box has no %s button\n", answer.c_str());
        return 1;
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
}

// The window answers at once; this covers a busy message loop.
constexpr UINT kEndSessionReplyMs = 2000;

// WM_QUERYENDSESSION, as Windows sends it at a log-off.
int AskEndSession(HWND window) {
    DWORD_PTR allowed = 0;
    if (!SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             kEndSessionReplyMs, &allowed))
        return 1;
    std::puts(allowed ? "allowed" : "refused");
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: korvane_driver state | count-windows | press-close | close-box |\n"
                 "       key escape|enter | answer yes|no | end-session | end-session-console |\n"
                 "       wait-window SECS | wait-text TEXT SECS | wait-settled SECS |\n"
                 "       wait-box SECS | wait-gone SECS | hold-every-session SECS\n");
    return 2;
}

// Commands that act on the window need it to be there.
int Act(const std::string& command, int argc, char** argv) {
    HWND window = FindUpdateWindow();
    if (!window) {
        std::fprintf(stderr, "no update window\n");
        return 1;
    }
    if (command == "press-close" && argc == 2)
        return PostMessageA(GetDlgItem(window, kCloseButton), BM_CLICK, 0, 0) ? 0 : 1;
    if (command == "close-box" && argc == 2)
        return PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
    if (command == "key" && argc == 3 && std::strcmp(argv[2], "escape") == 0)
        return PressKey(window, VK_ESCAPE);
    if (command == "key" && argc == 3 && std::strcmp(argv[2], "enter") == 0)
        return PressKey(window, VK_RETURN);
    if (command == "end-session" && argc == 2) return AskEndSession(window);
    if (command == "answer" && argc == 3 &&
        (std::strcmp(argv[2], "yes") == 0 || std::strcmp(argv[2], "no") == 0))
        return Answer(window, argv[2]);
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    // The texts carry their own escapes; no CR may be added on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    double seconds = 0;

    if (command == "state" && argc == 2) {
        const WindowState state = ReadWindowState();
        PrintState(state);
        return state.found ? 0 : 1;
    }
    if (command == "count-windows" && argc == 2) {
        std::printf("%d\n", CountUpdateWindows());
        return 0;
    }
    if (command == "wait-window" && argc == 3 && ParseSeconds(argv[2], &seconds))
        return WaitFor(seconds, [](const WindowState& s) { return s.found; });
    if (command == "wait-settled" && argc == 3 && ParseSeconds(argv[2], &seconds))
        return WaitFor(seconds, Settled);
    if (command == "wait-box" && argc == 3 && ParseSeconds(argv[2], &seconds))
        return WaitFor(seconds, [](const WindowState& s) { return s.messageBox; });
    if (command == "wait-gone" && argc == 3 && ParseSeconds(argv[2], &seconds))
        return WaitFor(seconds, [](const WindowState& s) { return !s.found; });
    if (command == "wait-text" && argc == 4 && ParseSeconds(argv[3], &seconds)) {
        const std::string wanted = Unescape(argv[2]);
        return WaitFor(seconds, [&wanted](const WindowState& s) {
            return s.responding && s.text.find(wanted) != std::string::npos;
        });
    }
    if (command == "hold-every-session" && argc == 3 && ParseSeconds(argv[2], &seconds)) {
        if (!CreateMutexA(nullptr, FALSE, kInstanceMutexEverySession)) return 1;
        std::puts("held");
        std::fflush(stdout);
        Sleep(DWORD(seconds * 1000));
        return 0;
    }
    if (command == "end-session-console" && argc == 2) {
        HWND hold = FindWindowA(kSessionHoldWindowClass, nullptr);
        if (!hold) {
            std::puts("no window");
            return 1;
        }
        return AskEndSession(hold);
    }
    if (command == "state" || command == "count-windows" || command.rfind("wait-", 0) == 0 ||
        command == "hold-every-session")
        return Usage();
    return Act(command, argc, argv);
}
