// Stored files of any content: the sender's reading (section and URT layouts), and
// what inspect and compare make of them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli/commands/compare.h"
#include "app/cli/commands/inspect.h"
#include "core/packet.h"
#include "app/files/stdio_image_files.h"
#include "core/transfer_event.h"
#include "link/session.h"
#include "stored/stored_section.h"
#include "upload/section_sender.h"

namespace {

// The sender reads its files only: a line it never uses.
class NoLine final : public SerialBackend {
public:
    OpenStatus Open(const std::string&, std::int32_t) override { return OpenStatus::CreateFailed; }
    void ApplyTimeouts(const LinkTimeouts&) override {}
    int Read(std::uint8_t*, int, std::uint32_t) override { return 0; }
    int Write(const std::uint8_t*, int) override { return 0; }
    void Close() override {}
};

std::string TempPath(const char* name) {
    return "/tmp/kv-fuzz-" + std::to_string(getpid()) + "-" + name;
}

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    NullObserver quiet;  // the sender's messages are not what is tested
    NoLine line;
    Session session(line, quiet);
    StdioImageSource files;
    const std::string section = TempPath("box.ur4"), urt = TempPath("box.urt"), other = TempPath("box.ur2");
    Write(section, data, size);
    Write(urt, data, size);

    // The sender's reading and the one reader of stored sections agree on every
    // input: the same header, the same packets, nothing more.
    for (bool urtMode : {false, true}) {
        session.settings.urt = urtMode;
        const std::size_t offset = urtMode ? UrtPrefixSize : 0;
        const std::optional<SectionKind> rule = urtMode ? std::nullopt : std::optional(SectionKind::EepromDatabase);
        const StoredSectionLayout layout = ReadStoredSection(data, size, offset, rule);
        int error = 0;
        session.in = files.Open(urtMode ? urt : section, &error);
        unsigned count = 0, length = 0;
        const bool usable = ReadStoredHeader(session, &count, &length, rule) == 0;
        if (usable != layout.headerUsable) __builtin_trap();
        if (usable) {
            if (count != layout.announced || length + PacketFramingSize != layout.headerSize) __builtin_trap();
            std::uint8_t buffer[PacketBufferSize];
            if (ReadStoredPacket(*session.in, length, buffer, static_cast<int>(offset)) != StoredRead::Packet) __builtin_trap();
            if (std::memcmp(buffer, data + offset, layout.headerSize) != 0) __builtin_trap();
            std::size_t n = 0;
            StoredRead read;
            for (; (read = ReadStoredPacket(*session.in, DataPayloadSize, buffer, 0)) == StoredRead::Packet; ++n) {
                if (n >= layout.packets.size()) __builtin_trap();
                const StoredPacketSpan& p = layout.packets[n];
                if (std::memcmp(buffer, data + p.offset, p.size) != 0) __builtin_trap();
                for (std::size_t i = p.size; i < static_cast<std::size_t>(DataPacketSize); ++i)
                    if (buffer[i] != 0xFF) __builtin_trap();  // only past the end of the file
            }
            if (n != layout.packets.size()) __builtin_trap();
            // What ends the packets: one cut short, or filler (0xFF after its first byte).
            bool cutShort = false;
            for (const StoredFinding& f : layout.problems) cutShort = cutShort || f.problem == StoredProblem::PacketCutShort;
            if ((read == StoredRead::CutShort) != cutShort) __builtin_trap();
            if (read == StoredRead::Filler)
                for (int i = 1; i < DataPacketSize; ++i)
                    if (buffer[i] != 0xFF) __builtin_trap();
        }
        session.in.reset();
    }

    InspectFiles({section, urt}, size % 2 == 0, sink);
    // The same bytes with one of them changed: compare must tell.
    if (size > 0) {
        std::string changed(reinterpret_cast<const char*>(data), size);
        changed[size / 2] = static_cast<char>(changed[size / 2] ^ 0x5A);
        Write(other, reinterpret_cast<const std::uint8_t*>(changed.data()), size);
        CompareImages(section, other, false, sink, sink);
    }
    if (CompareImages(section, section, false, sink, sink) == 1) __builtin_trap();  // a file differs from itself
    std::remove(section.c_str());
    std::remove(urt.c_str());
    std::remove(other.c_str());
    return 0;
}
