// The transfer log (CR LF lines) as text for a terminal or a file.
#pragma once

#include <string>
#include <vector>

// The text with its carriage returns taken out.
std::string PlainText(const std::string& log);
// Its last `count` non-empty lines, oldest first.
std::vector<std::string> LastLines(const std::string& log, size_t count);
