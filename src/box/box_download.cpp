// The box's side of a download: announcements, header and data packets, and the
// download faults.
#include <algorithm>

#include "box/box.h"
#include "core/packet.h"

namespace box {

int Box::NextAnnouncedSection(int after) const {
    for (int i = after + 1; i < SectionCount; ++i) {
        if (!image_.sections[i]) continue;
        if (AllSections[i] == SectionKind::ApplicationSoftware && HasFault(FaultKind::NoApplication)) continue;
        return i;
    }
    return -1;
}

void Box::StartAnnouncing(int target, Micros at) {
    state_ = State::Announcing;
    target_ = target;
    nextPeriodic_ = at;
    noiseTurn_ = HasFault(FaultKind::Noise);  // with noise, a stray byte comes first
}

void Box::DownloadByte(std::uint8_t b, Micros at) {
    if (state_ == State::Announcing) {
        if (b == ACK && target_ < 0) {
            const int first = NextAnnouncedSection(-1);
            if (first < 0) {
                state_ = State::Done;
                finished_ = true;
            } else {
                StartAnnouncing(first, at);
            }
        } else if (b == ACK) {
            state_ = State::Serving;
            section_ = target_;
            next_ = -1;
        } else if (b == ETB && target_ < 0 && options_.mode == BoxMode::Auto) {
            // The tool announces instead of answering: it wants to upload.
            uploadSide_ = true;
            state_ = State::UpIdle;
            UploadByte(b, at);
        }
    } else if (state_ == State::Serving && b == ENQ) {
        ServeRequest(at);
    }
}

void Box::ServeRequest(Micros at) {
    const StoredSection& section = *image_.sections[section_];
    const SectionKind kind = AllSections[section_];
    const bool first = section_ == firstAnnounced_;

    if (next_ < 0) {
        if (FindFault(FaultKind::NoHeader, section_, first)) {
            state_ = State::Dead;
            return;
        }
        Bytes header = section.header;
        if (FindFault(FaultKind::HeaderNoStx, section_, first))
            std::replace(header.begin(), header.end(), std::uint8_t{STX}, std::uint8_t{0x00});
        if (FindFault(FaultKind::HeaderNoEtx, section_, first) && !header.empty()) header.back() = 0x00;
        const Micros end = Reply(header, at);
        announced_ = static_cast<int>(section.Announced(kind));
        served_ = std::min(announced_, static_cast<int>(section.packets.size()));
        next_ = 0;
        if (served_ == 0) SectionOver(end);
        return;
    }

    ++dataRequests_;
    const int number = next_ + 1;  // data packets count from 1
    if (FindFault(FaultKind::StopAfter, section_, first, next_)) {
        state_ = State::Dead;
        return;
    }
    Bytes packet = section.packets[next_];
    bool endsSection = false;
    if (FindFault(FaultKind::ShortReply, section_, first, number)) {
        packet.resize(packet.size() / 2);
        if (!packet.empty() && packet.back() == ETX) packet.back() = 0x00;
        endsSection = true;
    }
    if (FindFault(FaultKind::ReplyNoStx, section_, first, number) && !packet.empty()) packet[0] = 0x00;
    if (const Fault* f = FindFault(FaultKind::Length, section_, first, number); f && packet.size() >= 4) {
        packet[2] = static_cast<std::uint8_t>((packet[2] & 0xF0) | (f->value >> 8 & 0x0F));
        packet[3] = static_cast<std::uint8_t>(f->value & 0xFF);
        endsSection = f->value >= PacketBufferSize;
    }
    if (FindFault(FaultKind::BadChecksum, section_, first, number) && packet.size() >= 2)
        packet[packet.size() - 2] ^= 0x01;
    if (FindFault(FaultKind::BadEtx, section_, first, number) && !packet.empty()) packet.back() = 0x00;

    const Micros end = Reply(packet, at);
    ++next_;
    if (endsSection || next_ == served_) SectionOver(end);
}

void Box::SectionOver(Micros end) {
    if (FindFault(FaultKind::SilenceBetween, section_, section_ == firstAnnounced_)) {
        state_ = State::Dead;
        return;
    }
    const int next = NextAnnouncedSection(section_);
    if (next < 0) {
        state_ = State::Done;
        finished_ = true;
        return;
    }
    // The box takes a while before it announces the next section: longer than the
    // tool's one-second read, which a section that ended early (or a PacketLength
    // above 2048) makes it wait out.
    StartAnnouncing(next, end + options_.sectionGap);
}

}  // namespace box
