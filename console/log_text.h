// The transfer log (CR LF lines) and names from the device or the system,
// as text for a terminal or a file.
#pragma once

#include <string>
#include <vector>

// The text with its carriage returns taken out and any other control
// character but line feed and tab replaced, as Printable does.
std::string PlainText(const std::string& log);
// The log's lines that ended: a last line still open left out.
std::string WholeLines(const std::string& log);
// Its last `count` non-empty lines, oldest first.
std::vector<std::string> LastLines(const std::string& log, size_t count);
// A name a device or the system gave (a USB product string, a friendly
// name, a moniker): every control character, C0, DEL or C1 (in UTF-8),
// replaced by '?', so that no name can send the terminal escape sequences.
std::string Printable(const std::string& name);
// The text's words as lines: the first of at most `first` columns, the
// others of at most `rest`, broken at spaces (line ends and tabs count as
// spaces); the spaces between words within a line kept, so that columns
// line up. A word wider than a whole line is broken where the line ends.
// The one wrapper.
std::vector<std::string> WordLines(std::string text, size_t first, size_t rest);
// The text in lines of at most `width` columns, broken at spaces, each
// line after the first begun with `indent`, as WordLines breaks them.
// Every line ended.
std::string Wrapped(const std::string& text, size_t width, const std::string& indent);
