// A growing log handed on in whole lines: a reader never gets half a line
// that the writer is still adding to.
#pragma once

#include <cstddef>
#include <string>

// The lines of log that ended since *from, moving *from past them; "" when
// no line ended since.
inline std::string WholeLinesSince(const std::string& log, size_t* from) {
    const size_t end = log.rfind('\n');
    if (end == std::string::npos || end + 1 <= *from) return std::string();
    std::string lines = log.substr(*from, end + 1 - *from);
    *from = end + 1;
    return lines;
}

// Ends the log's last line where it is left open, so that what follows
// starts a line of its own.
inline void EndOpenLine(std::string& log) {
    if (!log.empty() && log.back() != '\n') log += "\r\n";
}
