#include "app/cli/terminal/say.h"

#include <cstdio>

#include "display/console/console_lines.h"
#include "display/console/help_format.h"
#include "display/console/json_text.h"
#include "display/console/terminal.h"

namespace {

std::mutex writing;  // standard error, a line at a time

class StandardErrorVoice final : public Voice {
protected:
    void Line(const std::string& line) override { SayLine("kestrivane: " + line); }
};

}  // namespace

void Voice::Say(const std::string& text) { Line(PrintableText(text)); }

int Voice::Refuse(const std::string& reason, Refusal kind) {
    Say(reason);
    Refused(PrintableText(reason), kind);
    return 2;
}

Voice& StandardError() {
    static StandardErrorVoice voice;
    return voice;
}

std::vector<std::string> LinesVoice::Lines() const {
    const std::lock_guard<std::mutex> lock(lines_);
    return said_;
}

void LinesVoice::Line(const std::string& line) {
    const std::lock_guard<std::mutex> lock(lines_);
    said_.push_back(line);
}

std::string LinesVoice::Refusal() const {
    const std::lock_guard<std::mutex> lock(lines_);
    return refusal_;
}

::Refusal LinesVoice::RefusalKind() const {
    const std::lock_guard<std::mutex> lock(lines_);
    return kind_;
}

void LinesVoice::Refused(const std::string& reason, ::Refusal kind) {
    const std::lock_guard<std::mutex> lock(lines_);
    refusal_ = reason;
    kind_ = kind;
}

void SayLine(const std::string& line) {
    // On a terminal a long line breaks between words, not inside one.
    const std::string shown =
        IsTerminal(stderr) ? WrapToWidth(line, static_cast<std::size_t>(TerminalWidth(stderr))) : line;
    const std::lock_guard<std::mutex> lock(writing);
    std::fprintf(stderr, "%s\n", shown.c_str());
}
