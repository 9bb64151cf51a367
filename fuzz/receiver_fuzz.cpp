// The section receiver fed any replies: the first bytes choose the section and the
// PacketLength setting, the rest is what the "box" answers to each read. Whatever
// it is given, the receiver stores only whole, valid data packets behind the header.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/packet.h"
#include "core/transfer_event.h"
#include "download/section_receiver.h"
#include "link/session.h"

namespace {

// Each read takes as many bytes as the next two input bytes say (at most what was
// asked for), or none when the input is over.
class FuzzLine final : public SerialBackend {
public:
    FuzzLine(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    OpenStatus Open(const std::string&, std::int32_t) override { return OpenStatus::Ok; }
    void ApplyTimeouts(const LinkTimeouts&) override {}
    int Read(std::uint8_t* buffer, int count, std::uint32_t) override {
        if (pos_ + 2 > size_) return 0;
        int n = (data_[pos_] << 8 | data_[pos_ + 1]) % (count + 1);
        pos_ += 2;
        n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), size_ - pos_));
        std::memcpy(buffer, data_ + pos_, static_cast<std::size_t>(n));
        pos_ += static_cast<std::size_t>(n);
        return n;
    }
    int Write(const std::uint8_t*, int count) override { return count; }
    void Close() override {}

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The section file, in memory.
class MemorySection final : public SectionOut {
public:
    explicit MemorySection(std::vector<std::uint8_t>* bytes) : bytes_(bytes) {}
    int Append(const std::uint8_t* bytes, std::size_t size) override {
        bytes_->insert(bytes_->end(), bytes, bytes + size);
        return 0;
    }
    int Close() override { return 0; }

private:
    std::vector<std::uint8_t>* bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    NullObserver display;
    const SectionKind section = AllSections[data[0] % SectionCount];
    const int lengths[] = {2048, 2500, 2979, 1000, 0, -7, 3000, 2069};
    const int packetLength = lengths[data[1] % 8];
    FuzzLine line(data + 2, size - 2);
    Session session(line, display);
    session.settings.packetLength = [packetLength] { return packetLength; };

    std::vector<std::uint8_t> stored;
    session.out = std::make_unique<MemorySection>(&stored);
    const int result = ReceiveSection(session, section);
    if (result != 0 && result != 1) __builtin_trap();
    // The file: a header packet, then whole, valid data packets only.
    if (!stored.empty()) {
        std::size_t pos = PacketPayloadLength(stored.data()) + PacketFramingSize;
        while (pos < stored.size()) {
            if (!StartsWithValidPacket(stored.data() + pos, static_cast<int>(stored.size() - pos))) __builtin_trap();
            pos += PacketPayloadLength(stored.data() + pos) + PacketFramingSize;
        }
        if (pos != stored.size()) __builtin_trap();
    }
    return 0;
}
