#include "console/log_text.h"

#include <algorithm>

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

std::string WholeLines(const std::string& log) { return log.substr(0, log.rfind('\n') + 1); }

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

std::vector<std::string> WordLines(std::string text, size_t first, size_t rest) {
    for (char& c : text)
        if (c == '\n' || c == '\t') c = ' ';
    std::vector<std::string> lines;
    std::string line;
    const auto room = [&] { return std::max<size_t>(lines.empty() ? first : rest, 1); };
    // Each word with the spaces before it, kept within a line (columns
    // line up) and dropped where the line breaks.
    for (size_t at = 0, start; (start = text.find_first_not_of(' ', at)) != std::string::npos;) {
        const size_t end = std::min(text.find(' ', start), text.size());
        std::string gap = text.substr(at, start - at), word = text.substr(start, end - start);
        at = end;
        if (!line.empty() && line.size() + gap.size() + word.size() > room()) {
            lines.push_back(line);
            line.clear();
            gap.clear();
        }
        line += gap;
        // A word wider than a whole line is broken where the line ends.
        while (line.size() + word.size() > room() && line.size() < room()) {
            const size_t fits = room() - line.size();
            lines.push_back(line + word.substr(0, fits));
            word.erase(0, fits);
            line.clear();
        }
        line += word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string Wrapped(const std::string& text, size_t width, const std::string& indent) {
    std::string out;
    const size_t rest = width > indent.size() ? width - indent.size() : 1;
    for (const std::string& line : WordLines(text, width, rest))
        out += (out.empty() ? "" : indent) + line + "\n";
    return out.empty() ? "\n" : out;
}
