#include "box/box.h"

#include <algorithm>

#include "link/packet.h"

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

std::optional<Micros> Box::NextOutputTime() const {
    std::optional<Micros> next;
    if (!line_.empty()) next = line_.front().first;
    if (auto timed = NextTimedEvent(); timed && (!next || timed->output < *next)) next = timed->output;
    return next;
}

std::uint8_t Box::TakeOutput() {
    const auto when = NextOutputTime();
    if (!when) return 0;
    Commit(*when);
    const std::uint8_t b = line_.front().second;
    line_.pop_front();
    return b;
}

void Box::DiscardOutputBefore(Micros t) {
    Commit(t - 1);
    while (!line_.empty() && line_.front().first < t) line_.pop_front();
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
    Micros t = std::max(at, lineFree_);
    for (std::uint8_t b : bytes) {
        line_.emplace_back(t, b);
        t += options_.byteTime;
    }
    lineFree_ = t;
    return t;
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
