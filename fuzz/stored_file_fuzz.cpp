// Stored files of any content: the sender's reading (section and URT layouts), and
// what inspect and compare make of them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/cli/compare.h"
#include "app/cli/inspect.h"
#include "display/progress_display.h"
#include "link/current_file.h"
#include "link/packet.h"
#include "upload/section_sender.h"
#include "upload/urt_mode.h"

namespace {

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
    const std::string section = TempPath("box.ur4"), urt = TempPath("box.urt"), other = TempPath("box.ur2");
    Write(section, data, size);
    Write(urt, data, size);

    for (bool urtMode : {false, true}) {
        UrtMode = urtMode;
        CurrentSectionFile = std::fopen((urtMode ? urt : section).c_str(), "r+b");
        unsigned count = 0, length = 0;
        if (ReadStoredHeader(&count, &length, urtMode ? std::nullopt : std::optional(SectionKind::EepromDatabase)) == 0) {
            // As the sender reads them: the header, then data packets while there are any.
            std::uint8_t buffer[PacketBufferSize];
            if (ReadStoredPacket(length, buffer, urtMode ? UrtPrefixSize : 0))
                for (unsigned i = 0; i < count && ReadStoredPacket(DataPayloadSize, buffer, 0); ++i) {
                }
        }
        std::fclose(CurrentSectionFile);
        CurrentSectionFile = nullptr;
    }
    UrtMode = false;

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
