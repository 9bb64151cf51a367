#include "display/console/progress_events.h"

#include <cmath>

void ProgressEvents::Packet(const std::string& section, int packet, double bytes, double bytesPerSecond) {
    Emit({{"event", "packet"}, {"section", section}, {"packet", packet}, {"bytes", static_cast<long long>(bytes)},
          {"bytes_per_second", std::round(bytesPerSecond)}});
}

void ProgressEvents::End(int status, const std::string& outcome, const std::string& message,
                         const std::vector<std::pair<std::string, std::string>>& files) {
    Json list = Json::array();
    for (const auto& [path, state] : files) list.push_back({{"path", ValidUtf8(path)}, {"state", state}});
    Emit({{"event", "end"}, {"status", status}, {"outcome", outcome}, {"message", ValidUtf8(message)}, {"files", list}});
}

void ProgressEvents::Emit(Json event) {
    Json line = Json::object();
    if (!port_.empty()) line["port"] = ValidUtf8(port_);  // (the end of several boxes' command has none)
    line.update(event);
    std::fprintf(out_, "%s\n", line.dump().c_str());
    std::fflush(out_);
}
