#include "platform/terminal.h"

#include <cstdlib>

#include "platform/interrupts.h"

size_t LineWidth(FILE* out) {
    if (IsTerminal(out)) {
        const int columns = TerminalColumns(out);
        return columns > 0 ? size_t(columns) : kPipeColumns;
    }
    // As other programs do, a pipe's reader may say its width.
    const char* asked = std::getenv("COLUMNS");
    const long columns = asked ? std::strtol(asked, nullptr, 10) : 0;
    return columns >= long(kNarrowestColumns) && columns <= long(kWidestColumns) ? size_t(columns) : kPipeColumns;
}

bool ReadInputLine(std::string* line) {
    line->clear();
    for (char c;;) {
        if (Interrupted()) return false;
        const int got = ReadInputByte(&c);
        if (got < 0) return false;
        if (got == 0) continue;
        if (c == '\n') return true;
        if (c != '\r') line->push_back(c);
    }
}
