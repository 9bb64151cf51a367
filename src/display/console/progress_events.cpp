#include "display/console/progress_events.h"

#include <cmath>

#include "display/console/json_text.h"

namespace {

Json Files(const std::vector<std::pair<std::string, std::string>>& files) {
    Json list = Json::array();
    for (const auto& [path, state] : files) list.push_back({{"path", ValidUtf8(path)}, {"state", state}});
    return list;
}

// A section's count, packet or position names its section, or the URT file.
std::string Progress(const ProgressEvent& e) { return e.section ? SectionName(*e.section) : "URT file"; }

Json AsJson(const ProgressEvent& e) {
    using Kind = ProgressEvent::Kind;
    switch (e.kind) {
    case Kind::Status: return {{"event", "status"}, {"text", e.text}};
    case Kind::Step:
        return {{"event", "step"}, {"step", TransferStepName(e.step)}, {"section", e.section ? SectionName(*e.section) : ""}};
    case Kind::Section: return {{"event", "section"}, {"section", Progress(e)}, {"announced", e.count}};
    case Kind::Packet:
        return {{"event", "packet"}, {"section", Progress(e)}, {"packet", e.count},
                {"bytes", static_cast<long long>(e.bytes)}, {"bytes_per_second", std::round(e.rate)}};
    case Kind::Position: return {{"event", "position"}, {"section", Progress(e)}, {"position", e.count}};
    case Kind::Unasked: return {{"event", "unasked"}, {"section", Progress(e)}, {"packet", e.count}};
    case Kind::Waiting: {
        Json event = {{"event", "waiting"}, {"for", e.text}, {"seconds", static_cast<long>(e.seconds)}};
        if (e.left >= 0) event["left"] = static_cast<long>(e.left);
        return event;
    }
    case Kind::Message:
        return {{"event", "message"}, {"id", MessageOf(e.message).name}, {"caption", ConsoleCaption(e.message)},
                {"text", e.text}};
    case Kind::Port: {
        Json event = {{"event", "port"}, {"state", e.text}};
        if (!e.by.empty()) event["by"] = ValidUtf8(e.by);
        return event;
    }
    case Kind::Unmatched: return {{"event", "unmatched"}, {"pattern", ValidUtf8(e.text)}};
    case Kind::BoxEnd:
    case Kind::End: break;
    }
    Json end = {{"event", e.kind == Kind::End ? "end" : "box-end"}, {"status", e.status},
                {"outcome", OutcomeName(e.outcome)}, {"message", ValidUtf8(e.text)}, {"files", Files(e.files)}};
    Json sections = Json::array();
    for (const SectionTally& t : e.sections)
        sections.push_back({{"section", t.section ? SectionName(*t.section) : "URT file"}, {"announced", t.announced},
                            {"packets", t.packets}});
    end["sections"] = sections;
    if (!e.ports.empty()) {
        Json ports = Json::array();
        for (const PortTally& p : e.ports)
            ports.push_back({{"port", ValidUtf8(p.port)}, {"done", p.done}, {"failed", p.failed},
                             {"cut_short", p.cutShort}, {"last_failure", ValidUtf8(p.lastFailure)},
                             {"never_served", ValidUtf8(p.neverServed)}});
        end["ports"] = ports;
        Json unmatched = Json::array();
        for (const std::string& pattern : e.unmatched) unmatched.push_back(ValidUtf8(pattern));
        end["unmatched"] = unmatched;
    }
    return end;
}

}  // namespace

void JsonEventWriter::Take(const ProgressEvent& event) {
    Json line = Json::object();
    if (!event.port.empty()) line["port"] = ValidUtf8(event.port);
    line.update(AsJson(event));
    const std::string text = line.dump() + "\n";
    const std::lock_guard<std::mutex> lock(writing_);
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

const char* ConsoleCaption(MessageId id) { return IsCompletion(id) ? "Status" : "Error"; }

ProgressEvent EndEvent(int status, OutcomeKind outcome, const std::string& message,
                       std::vector<std::pair<std::string, std::string>> files, const std::string& port) {
    ProgressEvent e;
    e.kind = ProgressEvent::Kind::End;
    e.port = port;
    e.status = status;
    e.outcome = outcome;
    e.text = message;
    e.files = std::move(files);
    return e;
}
