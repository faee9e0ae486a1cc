#include "update/log_lines.h"

#include "platform/printable.h"

std::string PlainText(const std::string& log) {
    std::string text;
    text.reserve(log.size());
    std::string line;
    for (char c : log) {
        if (c == '\r') continue;
        if (c != '\n' && c != '\t') {
            line.push_back(c);
            continue;
        }
        text += Printable(line);
        text.push_back(c);
        line.clear();
    }
    return text + Printable(line);
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
