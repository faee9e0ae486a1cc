#include "console/screen.h"

#include <mutex>
#include <vector>

#include "platform/terminal.h"
#include "platform/word_wrap.h"

namespace {

// A command stands out under the words; its continued lines further in.
constexpr size_t kCommandIndent = 4;
constexpr size_t kContinuedIndent = 6;
constexpr const char* kContinued = " \\";

std::mutex lock;
FILE* openOn = nullptr;  // where the bar's line is open

void EndOpenLineLocked() {
    if (!openOn) return;
    std::fputc('\n', openOn);
    std::fflush(openOn);
    openOn = nullptr;
}

std::string WrappedFor(FILE* out, const std::string& text, size_t indent = 0) {
    std::string said;
    const size_t width = LineWidth(out);
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        said += Wrapped(text.substr(from, end - from), width, std::string(indent, ' '));
        from = end + 1;
    }
    return said.empty() ? "\n" : said;
}

}  // namespace

void Say(FILE* out, const std::string& text, size_t indent) { SayLines(out, WrappedFor(out, text, indent)); }

void SayCommand(FILE* out, const std::string& command) {
    const size_t width = LineWidth(out);
    const size_t room = width > kContinuedIndent + 12 ? width - std::string(kContinued).size() : width;
    const std::vector<std::string> lines = WordLines(command, room - kCommandIndent, room - kContinuedIndent);
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += std::string(i ? kContinuedIndent : kCommandIndent, ' ') + lines[i] +
                (i + 1 < lines.size() ? kContinued : "") + "\n";
    SayLines(out, text);
}

void Ask(FILE* out, const std::string& question) {
    const std::string lines = WrappedFor(out, question);
    SayLines(out, lines.substr(0, lines.size() - 1) + " ");
}

void SayLines(FILE* out, const std::string& lines) {
    const std::lock_guard<std::mutex> hold(lock);
    EndOpenLineLocked();
    std::fputs(lines.c_str(), out);
    std::fflush(out);
}

void Redraw(FILE* out, const std::string& line) {
    const std::lock_guard<std::mutex> hold(lock);
    if (openOn != out) EndOpenLineLocked();
    std::fputs(("\r" + line).c_str(), out);
    ClearToEndOfLine(out);
    std::fflush(out);
    openOn = out;
}

void EndBarLine() {
    const std::lock_guard<std::mutex> hold(lock);
    EndOpenLineLocked();
}
