// A paragraph broken into lines of a width, at spaces: for a terminal, a
// help text, a window that lays out its own lines.
#pragma once

#include <string>
#include <vector>

// The text's words as lines: the first of at most `first` columns, the
// others of at most `rest`, broken at spaces (line ends and tabs count as
// spaces); the spaces between words within a line kept, so that columns
// line up. A word wider than a whole line is broken where the line ends.
std::vector<std::string> WordLines(std::string text, size_t first, size_t rest);
// The text in lines of at most `width` columns, each line after the first
// begun with `indent`. Every line ended; "\n" for no words.
std::string Wrapped(const std::string& text, size_t width, const std::string& indent);
