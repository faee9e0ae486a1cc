// The transfer log (CR LF lines, growing as the camera protocol writes
// them) handed on in whole lines, and as text a person reads: a reader
// never gets half a line that the writer is still adding to.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// A line of this program's own words: never glued onto a line the camera
// protocol left open.
inline void AppendLine(std::string& log, const std::string& line) {
    EndOpenLine(log);
    log += line;
}

// The log's lines that ended: a last line still open left out.
inline std::string WholeLines(const std::string& log) { return log.substr(0, log.rfind('\n') + 1); }

// The text with its carriage returns taken out and any other control
// character but line feed and tab replaced, as Printable does.
std::string PlainText(const std::string& log);
// Its last `count` non-empty lines, oldest first, as PlainText gives them.
std::vector<std::string> LastLines(const std::string& log, size_t count);
