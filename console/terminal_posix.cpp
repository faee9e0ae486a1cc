#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

#include "console/terminal.h"

namespace {

// Set by SIGWINCH: the width is read again at the next redraw.
std::atomic<bool> resized{true};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnResize(int) { resized.store(true); }

}  // namespace

bool IsTerminal(FILE* file) { return isatty(fileno(file)) != 0; }

int TerminalColumns(FILE* out) {
    static int columns = 0;
    static bool watching = false;
    if (!watching) {
        struct sigaction action = {};
        action.sa_handler = OnResize;
        sigemptyset(&action.sa_mask);
        // A resize must not break into a request to the camera or a question.
        action.sa_flags = SA_RESTART;
        sigaction(SIGWINCH, &action, nullptr);
        watching = true;
    }
    if (resized.exchange(false)) {
        winsize size = {};
        columns = ioctl(fileno(out), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
    }
    return columns;
}

void ClearToEndOfLine(FILE* out) { std::fputs("\x1b[K", out); }
