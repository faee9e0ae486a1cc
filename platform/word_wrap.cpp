#include "platform/word_wrap.h"

#include <algorithm>

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
