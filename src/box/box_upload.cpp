// The box's side of an upload: handshakes, packet requests, checks, the record of
// what arrived, and the upload faults.
#include <algorithm>

#include "box/box.h"
#include "box/synthetic_image.h"
#include "core/packet.h"

namespace box {

void Box::UploadByte(std::uint8_t b, Micros at) {
    if (state_ == State::Booting) {
        if (at < bootEnd_) return;  // still busy starting up
        state_ = State::UpIdle;
    }
    switch (state_) {
    case State::UpIdle:
        if (b == ETB) {
            Reply({ACK, ENQ}, at);  // answered, and the header asked for
            state_ = State::UpHeader;
            rx_.clear();
            quiet_ = false;
        } else if (b == ENQ) {
            state_ = State::UpDone;  // the closing ENQ: the box goes on to boot
            finished_ = true;
        }
        break;
    case State::UpHeader:
        if (rx_.empty() && b != STX) break;  // nothing ahead of the header's STX counts
        rx_.push_back(b);
        rxDeadline_ = at + options_.packetTimeout;
        if (rx_.size() >= 4 && rx_.size() == PacketPayloadLength(rx_.data()) + PacketFramingSize) HeaderComplete(at);
        break;
    case State::UpData:
        rx_.push_back(b);
        rxDeadline_ = at + options_.packetTimeout;
        if (rx_.size() == static_cast<std::size_t>(DataPacketSize)) DataComplete(at);
        break;
    default:
        break;
    }
}

namespace {

// Erased memory standing for a packet the tool's file did not hold: a first byte
// that is no STX, then 0xFF. Taken as it comes, as a box takes it.
bool IsFiller(const Bytes& packet) {
    return packet.size() == static_cast<std::size_t>(DataPacketSize) && packet[0] != STX &&
           std::all_of(packet.begin() + 1, packet.end(), [](std::uint8_t b) { return b == 0xFF; });
}

bool WellFramed(const Bytes& packet) {
    if (packet.size() < PacketFramingSize || packet[0] != STX) return false;
    const unsigned l = PacketPayloadLength(packet.data());
    return l + PacketFramingSize <= packet.size() && packet[l + 8] == ETX && VerifyPacketChecksum(packet.data(), l);
}

}  // namespace

void Box::HeaderComplete(Micros at) {
    ReceivedSection section;
    section.bytes = rx_;
    // The header says which section it is; failing that, sections come in order.
    if (rx_.size() > HeaderSectionIdOffset && rx_[HeaderSectionIdOffset] >= 1 &&
        rx_[HeaderSectionIdOffset] <= SectionCount)
        section.kind = AllSections[rx_[HeaderSectionIdOffset] - 1];
    else
        section.kind = AllSections[sequence_ % SectionCount];
    const bool first = sequence_ == 0;
    ++sequence_;
    received_.push_back(section);
    rx_.clear();

    const int index = SectionIndex(*section.kind);
    if (!WellFramed(section.bytes) || FindFault(FaultKind::Nak, index, first, 0)) {
        received_.back().refused = true;
        Refuse(at);
        return;
    }
    const auto& bytes = received_.back().bytes;
    const bool countInside = bytes.size() > HeaderCountPositionOffset && bytes.size() > HeaderCountByteOffset(bytes.data());
    received_.back().announced = countInside ? HeaderPacketCount(bytes.data(), section.kind) : 0;
    dataIndex_ = 0;
    if (received_.back().announced == 0) {
        received_.back().complete = true;
        SectionReceived();
        return;
    }
    state_ = State::UpData;
    ReplyAfter(0, at);
}

void Box::DataComplete(Micros at) {
    ReceivedSection& section = received_.back();
    const int index = SectionIndex(*section.kind);
    const bool first = sequence_ == 1;
    const int number = dataIndex_ + 1;
    const bool last = section.packets + 1 == section.announced;
    if ((!WellFramed(rx_) && !IsFiller(rx_)) || FindFault(FaultKind::Nak, index, first, number) ||
        (last && FindFault(FaultKind::NakLast, index, first))) {
        section.refused = true;
        Refuse(at);
        return;
    }
    section.bytes.insert(section.bytes.end(), rx_.begin(), rx_.end());
    rx_.clear();
    ++section.packets;
    ++dataIndex_;
    if (section.packets == section.announced) {
        section.complete = true;
        SectionReceived();
        return;
    }
    ReplyAfter(number, at);
}

void Box::SectionReceived() {
    // Waits for the next section's ETB or the closing ENQ; with silence-between,
    // answers nothing ever again.
    const int index = SectionIndex(*received_.back().kind);
    state_ = FindFault(FaultKind::SilenceBetween, index, sequence_ == 1) ? State::Dead : State::UpIdle;
}

void Box::ReplyAfter(int packet, Micros at) {
    if (quiet_) return;
    const int index = SectionIndex(*received_.back().kind);
    const bool first = sequence_ == 1;
    if (FindFault(FaultKind::EnqSilence, index, first, packet)) {
        quiet_ = true;  // keeps reading, asks for nothing more
    } else if (FindFault(FaultKind::OtherSilence, index, first, packet)) {
        Reply({ACK}, at);  // neither ENQ nor NAK, then nothing: the section is over
        state_ = State::UpIdle;
    } else {
        Reply({ENQ}, at);
    }
}

void Box::Refuse(Micros at) {
    if (state_ == State::UpData) received_.back().refused = true;
    rx_.clear();
    rxDeadline_ = kNever;
    Reply({NAK}, at);
    state_ = State::UpIdle;
}

}  // namespace box
