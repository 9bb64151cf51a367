#include "box/virtual_link.h"

#include <algorithm>

namespace box {

SerialBackend::OpenStatus VirtualLink::Open(const std::string&, std::int32_t) {
    if (openResult != OpenStatus::Ok) return openResult;
    // What the box sent while nobody listened is gone.
    box_.DiscardOutputBefore(now_);
    open_ = true;
    log.push_back({Event::Opened, now_, {}});
    return OpenStatus::Ok;
}

void VirtualLink::ApplyTimeouts(const LinkTimeouts& t) {
    Event e{Event::Timeouts, now_, {}};
    e.readTotal = t.ReadTotalTimeoutConstant;
    e.writeTotal = t.WriteTotalTimeoutConstant;
    log.push_back(e);
}

int VirtualLink::Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) {
    if (!open_ || count <= 0 || Lost()) return 0;
    const Micros total = Micros{totalMs} * 1000;
    const Micros deadline = std::min(loseAt, now_ + (total > 0 ? total : unboundedReadLimit));
    int got = 0;
    while (got < count) {
        const auto next = box_.NextOutputTime();
        if (!next || *next > deadline) {
            now_ = deadline;
            unboundedReadGaveUp = unboundedReadGaveUp || (total == 0 && deadline < loseAt);
            break;
        }
        now_ = std::max(now_, *next);
        buffer[got++] = box_.TakeOutput();
    }
    Event e{Event::ReadBytes, now_, Bytes(buffer, buffer + got)};
    e.requested = count;
    log.push_back(std::move(e));
    return got;
}

int VirtualLink::Write(const std::uint8_t* buffer, int count) {
    if (!open_ || count <= 0 || Lost() || refuseWrites || (refuseWritesFrom > 0 && count >= refuseWritesFrom)) return 0;
    box_.Receive(buffer, static_cast<std::size_t>(count), now_ + byteTime * count);
    log.push_back({Event::Wrote, now_, Bytes(buffer, buffer + count)});
    return count;
}

void VirtualLink::Close() {
    if (!open_) return;
    open_ = false;
    log.push_back({Event::Closed, now_, {}});
}

std::vector<Micros> VirtualLink::WritesOf(std::uint8_t byte) const {
    std::vector<Micros> times;
    for (const Event& e : log)
        if (e.kind == Event::Wrote && e.bytes.size() == 1 && e.bytes[0] == byte) times.push_back(e.at);
    return times;
}

std::vector<std::string> VirtualLink::Profiles() const {
    std::vector<std::string> out;
    for (const Event& e : log) {
        if (e.kind != Event::Timeouts) continue;
        std::string p = std::to_string(e.readTotal);
        if (e.writeTotal) p += "/" + std::to_string(e.writeTotal);
        out.push_back(p);
    }
    return out;
}

int VirtualLink::Count(Event::Kind kind) const {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [kind](const Event& e) { return e.kind == kind; }));
}

}  // namespace box
