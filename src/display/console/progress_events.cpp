#include "display/console/progress_events.h"

#include <cmath>

#include "display/console/json_text.h"

namespace {

Json Files(const std::vector<std::pair<std::string, std::string>>& files) {
    Json list = Json::array();
    for (const auto& [path, state] : files) list.push_back({{"path", ValidUtf8(path)}, {"state", state}});
    return list;
}

Json AsJson(const ProgressEvent& e) {
    using Kind = ProgressEvent::Kind;
    switch (e.kind) {
    case Kind::Status: return {{"event", "status"}, {"text", e.text}};
    case Kind::Step: return {{"event", "step"}, {"step", e.step}, {"section", e.section}};
    case Kind::Section: return {{"event", "section"}, {"section", e.section}, {"announced", e.count}};
    case Kind::Packet:
        return {{"event", "packet"}, {"section", e.section}, {"packet", e.count},
                {"bytes", static_cast<long long>(e.bytes)}, {"bytes_per_second", std::round(e.rate)}};
    case Kind::Position: return {{"event", "position"}, {"section", e.section}, {"position", e.count}};
    case Kind::Unasked: return {{"event", "unasked"}, {"section", e.section}, {"packet", e.count}};
    case Kind::Waiting: {
        Json event = {{"event", "waiting"}, {"for", e.text}, {"seconds", static_cast<long>(e.seconds)}};
        if (e.left >= 0) event["left"] = static_cast<long>(e.left);
        return event;
    }
    case Kind::Message: return {{"event", "message"}, {"id", e.id}, {"caption", e.caption}, {"text", e.text}};
    case Kind::BoxEnd:
    case Kind::End: break;
    }
    return {{"event", e.kind == Kind::End ? "end" : "box-end"}, {"status", e.status}, {"outcome", e.outcome},
            {"message", ValidUtf8(e.text)}, {"files", Files(e.files)}};
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

ProgressEvent EndEvent(int status, const std::string& outcome, const std::string& message,
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
