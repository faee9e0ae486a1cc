#include "console/screen.h"

#include <mutex>

#include "platform/terminal.h"
#include "platform/word_wrap.h"

namespace {

std::mutex lock;
FILE* openOn = nullptr;  // where the bar's line is open

void EndOpenLineLocked() {
    if (!openOn) return;
    std::fputc('\n', openOn);
    std::fflush(openOn);
    openOn = nullptr;
}

}  // namespace

std::string WrappedFor(FILE* out, const std::string& text, size_t indent) {
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

void Say(FILE* out, const std::string& text, size_t indent) { SayLines(out, WrappedFor(out, text, indent)); }

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
