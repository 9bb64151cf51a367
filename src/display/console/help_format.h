// Help texts of the programs fitted to the terminal: CLI11's layout, every line
// longer than the terminal wrapped at a space, an option's description continuing
// under itself.
#pragma once

#include <CLI/CLI.hpp>

class WrappingFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
};

// The text wrapped to `width` columns: a line that begins with blanks continues at
// its description (where its first run of two blanks after a word ends), or under
// its first word; any other line at its start.
std::string WrapToWidth(const std::string& text, std::size_t width);
