#include "box/box.h"

#include <algorithm>

#include "core/packet.h"

namespace box {

Box::Box(Image image, BoxOptions options) : image_(std::move(image)), options_(std::move(options)) {
    firstAnnounced_ = NextAnnouncedSection(-1);
}

bool Box::HasFault(FaultKind kind) const {
    return std::any_of(options_.faults.begin(), options_.faults.end(),
                       [kind](const Fault& f) { return f.kind == kind; });
}

const Fault* Box::FindFault(FaultKind kind, int section, bool firstSection, int packet) const {
    for (const Fault& f : options_.faults) {
        if (f.kind != kind) continue;
        const bool sectionMatches = f.section ? SectionIndex(*f.section) == section : firstSection;
        if (sectionMatches && (packet < 0 || f.packet == packet)) return &f;
    }
    return nullptr;
}

void Box::PowerOn(Micros at) {
    powerOnAt_ = at;
    lineFree_ = std::max(lineFree_, at);
    if (HasFault(FaultKind::Silent)) {
        state_ = State::Dead;
    } else if (options_.mode == BoxMode::Upload) {
        uploadSide_ = true;
        state_ = State::UpIdle;
        if (HasFault(FaultKind::Noise)) {
            state_ = State::Booting;
            bootEnd_ = at + options_.bootTime;
            nextPeriodic_ = at;
        }
    } else {
        StartAnnouncing(-1, at);
    }
}

void Box::Receive(const std::uint8_t* data, std::size_t count, Micros at) {
    Commit(at);
    if (at < powerOnAt_) return;  // switched off: the bytes fall on deaf ears
    for (std::size_t i = 0; i < count; ++i) {
        if (uploadSide_) UploadByte(data[i], at);
        else DownloadByte(data[i], at);
    }
}

Micros Box::ByteTime(const Burst& burst, std::size_t index) const {
    if (options_.baud > 0) return burst.start + static_cast<Micros>(index) * 10'000'000 / options_.baud;
    return burst.start + static_cast<Micros>(index) * options_.byteTime;
}

std::optional<Micros> Box::NextOutputTime() const {
    std::optional<Micros> next;
    if (!line_.empty()) next = ByteTime(line_.front(), line_.front().taken);
    if (auto timed = NextTimedEvent(); timed && (!next || timed->output < *next)) next = timed->output;
    return next;
}

std::uint8_t Box::TakeOutput() {
    const auto when = NextOutputTime();
    if (!when) return 0;
    Commit(*when);
    Burst& burst = line_.front();
    const std::uint8_t b = burst.bytes[burst.taken++];
    if (burst.taken == burst.bytes.size()) line_.pop_front();
    return b;
}

void Box::TakeOutputUntil(Micros t, Bytes* out) {
    Commit(t);
    while (!line_.empty()) {
        Burst& burst = line_.front();
        // The burst's bytes on the line by `t`, found by halving (a burst is in time order).
        std::size_t low = burst.taken, high = burst.bytes.size();
        while (low < high) {
            const std::size_t mid = (low + high) / 2;
            if (ByteTime(burst, mid) <= t)
                low = mid + 1;
            else
                high = mid;
        }
        out->insert(out->end(), burst.bytes.begin() + static_cast<std::ptrdiff_t>(burst.taken),
                    burst.bytes.begin() + static_cast<std::ptrdiff_t>(low));
        burst.taken = low;
        if (low < burst.bytes.size()) break;
        line_.pop_front();
    }
}

Micros Box::QueuedOutputEnd() const {
    return line_.empty() ? 0 : ByteTime(line_.back(), line_.back().bytes.size() - 1);
}

void Box::DiscardOutputBefore(Micros t) {
    Commit(t - 1);
    while (!line_.empty()) {
        Burst& burst = line_.front();
        while (burst.taken < burst.bytes.size() && ByteTime(burst, burst.taken) < t) ++burst.taken;
        if (burst.taken < burst.bytes.size()) break;
        line_.pop_front();
    }
}

std::optional<Box::TimedEvent> Box::NextTimedEvent() const {
    const bool periodic = state_ == State::Announcing || (state_ == State::Booting && nextPeriodic_ < bootEnd_);
    if (periodic) {
        const Micros t = std::max(nextPeriodic_, lineFree_);
        return TimedEvent{t, t};
    }
    if ((state_ == State::UpHeader || state_ == State::UpData) && !rx_.empty())
        return TimedEvent{rxDeadline_, std::max(rxDeadline_ + options_.replyDelay, lineFree_)};
    return std::nullopt;
}

void Box::Commit(Micros t) {
    for (auto next = NextTimedEvent(); next && next->fire <= t; next = NextTimedEvent()) FireTimedEvent(next->fire);
}

void Box::FireTimedEvent(Micros when) {
    if (state_ == State::UpHeader || state_ == State::UpData) {
        Refuse(when);  // the packet stopped arriving
    } else if (state_ == State::Booting) {
        Emit({NoiseByte()}, when);
        nextPeriodic_ += options_.noisePeriod;
    } else {
        // Announcing: ETB every period; with noise, a stray byte ahead of each.
        const bool noise = HasFault(FaultKind::Noise);
        Emit({noise && noiseTurn_ ? NoiseByte() : std::uint8_t{ETB}}, when);
        nextPeriodic_ = when + (noise ? options_.etbPeriod / 2 : options_.etbPeriod);
        noiseTurn_ = noise && !noiseTurn_;
    }
}

Micros Box::Emit(const Bytes& bytes, Micros at) {
    if (bytes.empty()) return std::max(at, lineFree_);
    // A busy line takes the bytes at the end of the burst on it; a free one starts a burst.
    if (at < lineFree_ && !line_.empty()) {
        Bytes& tail = line_.back().bytes;
        tail.insert(tail.end(), bytes.begin(), bytes.end());
    } else {
        line_.push_back({std::max(at, lineFree_), bytes});
    }
    const Burst& burst = line_.back();
    lineFree_ = ByteTime(burst, burst.bytes.size());
    return lineFree_;
}

std::uint8_t Box::NoiseByte() {
    // Boot chatter: text and line ends, XON/XOFF and filler, but none of the bytes
    // that mean something on this link.
    static const std::uint8_t chatter[] = {'B', 'O', 'O', 'T', '\r', '\n', 0x00, 0x11, 0x13, 0xFF, 0x80, '4', '7'};
    return chatter[noiseIndex_++ % sizeof chatter];
}

Image Box::ReceivedImage() const {
    Image image;
    for (const ReceivedSection& r : received_) {
        if (!r.complete || !r.kind) continue;
        image[*r.kind] = ParseStoredSection(r.bytes, 0);
    }
    return image;
}

}  // namespace box
