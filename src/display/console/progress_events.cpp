#include "display/console/progress_events.h"

#include <cmath>

void ProgressEvents::Packet(const std::string& section, int packet, double bytes, double bytesPerSecond) {
    Emit({{"event", "packet"}, {"section", section}, {"packet", packet}, {"bytes", static_cast<long long>(bytes)},
          {"bytes_per_second", std::round(bytesPerSecond)}});
}

void ProgressEvents::Emit(Json event) {
    Json line = {{"port", ValidUtf8(port_)}};
    line.update(event);
    std::fprintf(out_, "%s\n", line.dump().c_str());
    std::fflush(out_);
}
