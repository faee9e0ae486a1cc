#include "console/log_text.h"

#include <sstream>

namespace {

constexpr char kReplacement = '?';

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

std::string Printable(const std::string& name) {
    std::string text;
    text.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        // C1 controls in UTF-8 are C2 80 to C2 9F: both bytes go.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(name[i + 1]) >= 0x80) {
            text.push_back(kReplacement);
            ++i;
        } else {
            text.push_back(IsControl(c) ? kReplacement : char(c));
        }
    }
    return text;
}

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

std::vector<std::string> WordLines(const std::string& text, size_t first, size_t rest) {
    std::istringstream words(text);
    std::vector<std::string> lines;
    std::string line;
    for (std::string word; words >> word;) {
        if (!line.empty() && line.size() + 1 + word.size() > (lines.empty() ? first : rest)) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string Wrapped(const std::string& text, size_t width, const std::string& indent) {
    std::string out;
    for (const std::string& line : WordLines(text, width, width - indent.size()))
        out += (out.empty() ? "" : indent) + line + "\n";
    return out.empty() ? "\n" : out;
}
