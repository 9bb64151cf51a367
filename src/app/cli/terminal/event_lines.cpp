#include "app/cli/terminal/event_lines.h"

#include <cstddef>

#include "app/cli/machine/clock.h"

namespace {

constexpr double ProgressEvery = 5;  // seconds between a box's progress lines

}  // namespace

void EventLines::Event(const std::string& name, const Json& event) {
    Box& box = boxes_[name];
    const std::string kind = event.value("event", "");
    std::string line;
    std::FILE* stream = err_;
    if (kind == "status") {
        line = event.value("text", "");
    } else if (kind == "section") {
        box.section = event.value("section", "");
        box.announced = event.value("announced", 0);
        box.lastProgress = SteadySeconds();
    } else if (kind == "packet" && SteadySeconds() - box.lastProgress >= ProgressEvery) {
        box.lastProgress = SteadySeconds();
        line = box.section + ": " + std::to_string(event.value("packet", 0)) + " of " + std::to_string(box.announced) +
               " data packets";
    } else if (kind == "waiting") {
        line = "waiting for " + event.value("for", "") + ": " + std::to_string(event.value("seconds", 0L)) + " s";
    } else if (kind == "message") {
        line = event.value("caption", "") + ": " + event.value("text", "");
        if (event.value("caption", "") == "Status") stream = out_;
    }
    if (line.empty()) return;
    for (char& c : line)
        if (c == '\n') c = ' ';
    std::fprintf(stream, "%s: %s\n", name.c_str(), line.c_str());
    std::fflush(stream);
}
