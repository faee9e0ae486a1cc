#include "console/verdict_text.h"

#include "console/screen.h"
#include "platform/terminal.h"
#include "platform/word_wrap.h"

namespace {

// A command stands out under the words; its continued lines further in.
constexpr size_t kCommandIndent = 4;
constexpr size_t kContinuedIndent = 6;
constexpr const char* kContinued = " \\";

// The command within the width, each broken line ended " \", which a
// shell reads as one command pasted whole.
std::string CommandLines(const std::string& command, size_t width) {
    const size_t room = width > kContinuedIndent + 12 ? width - std::string(kContinued).size() : width;
    const std::vector<std::string> lines =
        WordLines(command, room - kCommandIndent, room - kContinuedIndent);
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += std::string(i ? kContinuedIndent : kCommandIndent, ' ') + lines[i] +
                (i + 1 < lines.size() ? kContinued : "") + "\n";
    return text;
}

}  // namespace

void SayVerdict(FILE* said, const std::string& words, const std::string& command) {
    Say(said, words);
    if (!command.empty()) SayLines(said, CommandLines(command, LineWidth(said)));
}

void SayLogTail(const std::vector<std::string>& tail) {
    if (tail.empty()) return;
    Say(stderr, "Transfer log, last lines:");
    for (const std::string& line : tail) Say(stderr, "  " + line, 4);
}
