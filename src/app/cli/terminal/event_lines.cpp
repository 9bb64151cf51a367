#include "app/cli/terminal/event_lines.h"

#include "app/cli/machine/clock.h"

namespace {

constexpr double ProgressEvery = 5;  // seconds between a box's progress lines

}  // namespace

void EventLines::Event(const std::string& name, const ProgressEvent& event) {
    using Kind = ProgressEvent::Kind;
    const std::lock_guard<std::mutex> lock(writing_);
    Box& box = boxes_[name];
    std::string line;
    std::FILE* stream = err_;
    if (event.kind == Kind::Status) {
        line = event.text;
    } else if (event.kind == Kind::Section) {
        box.section = event.section ? SectionName(*event.section) : "URT file";
        box.announced = event.count;
        box.lastProgress = SteadySeconds();
    } else if (event.kind == Kind::Packet && SteadySeconds() - box.lastProgress >= ProgressEvery) {
        box.lastProgress = SteadySeconds();
        line = box.section + ": " + std::to_string(event.count) + " of " + std::to_string(box.announced) +
               " data packets";
    } else if (event.kind == Kind::Waiting) {
        line = "waiting for " + event.text + ": " + std::to_string(static_cast<long>(event.seconds)) + " s";
    } else if (event.kind == Kind::Message && IsCompletion(event.message)) {
        line = std::string(ConsoleCaption(event.message)) + ": " + event.text;  // a failure: said by its outcome
        stream = out_;
    }
    if (line.empty()) return;
    for (char& c : line)
        if (c == '\n') c = ' ';
    std::fprintf(stream, "%s: %s\n", name.c_str(), line.c_str());
    std::fflush(stream);
}
