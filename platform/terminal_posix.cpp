#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/terminal.h"

namespace {

// Set by SIGWINCH: the width is read again at the next redraw.
std::atomic<bool> resized{true};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnResize(int) { resized.store(true); }

// How long an interrupt at a question may go unseen: a person's Ctrl-C
// answered at once to the eye.
constexpr int kInterruptLookMs = 100;

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

// An interrupt that lands just before a read would not break into it: the
// input is waited for a slice at a time.
int ReadInputByte(char* c) {
    pollfd input = {0, POLLIN, 0};
    const int ready = poll(&input, 1, kInterruptLookMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) return 0;
    const ssize_t got = ready < 0 ? -1 : read(0, c, 1);
    if (got < 0 && errno == EINTR) return 0;
    return got > 0 ? 1 : -1;
}
