// --help laid out for the terminal it is read on: every line within the
// width, each option's words in a column of their own, wrapped there.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

// Help wider than this is hard to read even on a wide terminal; a pipe
// gets it too.
constexpr size_t kHelpWidest = 80;
// Narrower than this, every term gets a line of its own.
constexpr size_t kHelpNarrowest = 40;

// "  term    words…": the words from `column`, wrapped within `width`; on
// their own lines below the term, from column 6, when the term is too long
// or the column leaves too little room.
std::string HelpItem(const std::string& term, const std::string& words, size_t column, size_t width);

class HelpFormatter final : public CLI::Formatter {
public:
    explicit HelpFormatter(size_t width) : width_(width) {}
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;

private:
    size_t width_;
};
