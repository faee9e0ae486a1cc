#include "console/help_text.h"

#include <vector>

#include "platform/word_wrap.h"

namespace {

constexpr size_t kHangingColumn = 6;
// Words narrower than this beside their term read badly: below it instead.
constexpr size_t kLeastWordsColumn = 24;

}  // namespace

std::string HelpItem(const std::string& term, const std::string& words, size_t column, size_t width) {
    std::string text = "  " + term;
    const bool beside = width >= column + kLeastWordsColumn && text.size() + 2 <= column;
    if (!beside) column = kHangingColumn;
    const std::vector<std::string> lines = WordLines(words, width - column, width - column);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 0 && beside) {
            text += std::string(column - text.size(), ' ') + lines[i] + "\n";
        } else {
            if (i == 0) text += "\n";
            text += std::string(column, ' ') + lines[i] + "\n";
        }
    }
    return lines.empty() ? text + "\n" : text;
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const {
    std::string text = "Usage: " + name + " [OPTIONS]\n\n" + Wrapped(app->get_description(), width_, "");
    text += "\nOptions:\n";
    for (const CLI::Option* option : app->get_options()) {
        std::string term = option->get_name(false, true);
        for (size_t at = 0; (at = term.find(',', at)) != std::string::npos; at += 2) term.replace(at, 1, ", ");
        if (option->get_type_size() != 0) term += " " + option->get_type_name();
        text += HelpItem(term, option->get_description(), 22, width_);
    }
    return text + app->get_footer();
}
