#include <windows.h>
#include <io.h>

#include <cerrno>

#include "platform/terminal.h"

namespace {

HANDLE ConsoleOf(FILE* out) { return HANDLE(_get_osfhandle(_fileno(out))); }

}  // namespace

bool IsTerminal(FILE* file) { return _isatty(_fileno(file)) != 0; }

// The console window's visible width, read afresh: a resize needs no signal.
int TerminalColumns(FILE* out) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(ConsoleOf(out), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

// Not every console takes escape sequences: the buffer's cells are cleared
// through the console itself.
void ClearToEndOfLine(FILE* out) {
    std::fflush(out);
    CONSOLE_SCREEN_BUFFER_INFO info;
    const HANDLE console = ConsoleOf(out);
    if (!GetConsoleScreenBufferInfo(console, &info)) return;
    const DWORD cells = DWORD(info.dwSize.X - info.dwCursorPosition.X);
    DWORD written = 0;
    FillConsoleOutputCharacterA(console, ' ', cells, info.dwCursorPosition, &written);
    FillConsoleOutputAttribute(console, info.wAttributes, cells, info.dwCursorPosition, &written);
}

int ReadInputByte(char* c) {
    const int got = _read(0, c, 1);
    if (got < 0 && errno == EINTR) return 0;
    return got > 0 ? 1 : -1;
}
