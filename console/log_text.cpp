#include "console/log_text.h"

std::string PlainText(const std::string& log) {
    std::string text;
    text.reserve(log.size());
    for (char c : log)
        if (c != '\r') text.push_back(c);
    return text;
}

std::vector<std::string> LastLines(const std::string& log, size_t count) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : PlainText(log) + "\n") {
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        if (!line.empty()) lines.push_back(line);
        line.clear();
    }
    if (lines.size() > count) lines.erase(lines.begin(), lines.end() - long(count));
    return lines;
}
