#include "app/cli/inspect.h"

#include <cctype>
#include <cstdarg>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "link/packet.h"
#include "link/section_kind.h"
#include "upload/urt_mode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Report {
public:
    explicit Report(std::FILE* out) : out_(out) {}
    void Note(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        std::fputs("  ", out_);
        std::vfprintf(out_, format, args);
        std::fputc('\n', out_);
        va_end(args);
    }
    void Problem(std::size_t offset, const std::string& text) {
        ++problems;
        std::fprintf(out_, "  offset %zu: %s\n", offset, text.c_str());
    }
    int problems = 0;

private:
    std::FILE* out_;
};

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::uint32_t PayloadSum(const std::uint8_t* packet, unsigned length) {
    std::uint32_t sum = 0;
    for (unsigned i = 0; i < length; ++i) sum += packet[4 + i];
    return sum;
}

std::uint32_t ChecksumField(const std::uint8_t* packet, unsigned length) {
    const std::uint8_t* f = packet + 4 + length;
    return std::uint32_t{f[0]} << 24 | std::uint32_t{f[1]} << 16 | std::uint32_t{f[2]} << 8 | f[3];
}

// ETX and checksum of a packet whose bytes [0, available) are in hand.
void CheckFrame(Report& report, const std::uint8_t* packet, std::size_t available, std::size_t offset,
                const std::string& what) {
    const unsigned length = PacketPayloadLength(packet);
    if (length + 8 >= available) return;  // reported by the caller as cut short
    if (packet[length + 8] != ETX)
        report.Problem(offset + length + 8, what + ": no ETX where its length puts it");
    if (!VerifyPacketChecksum(packet, length))
        report.Problem(offset + 4 + length, what + ": checksum " + Hex(ChecksumField(packet, length)) +
                                                " but the payload sums to " + Hex(PayloadSum(packet, length)));
}

std::optional<SectionKind> KindFromSuffix(const std::string& path) {
    if (path.size() < 3) return std::nullopt;
    std::string suffix = path.substr(path.size() - 3);
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (SectionKind kind : AllSections)
        if (suffix == SectionSuffix(kind)) return kind;
    return std::nullopt;
}

// A header packet at `start` and the data packets behind it.
void InspectSection(Report& report, const Bytes& bytes, std::size_t start, std::optional<SectionKind> kind) {
    if (bytes.size() < start + HeaderCountPositionOffset + 1) {
        report.Problem(start, "too short to hold a header packet's fields");
        return;
    }
    const std::uint8_t* header = bytes.data() + start;
    if (header[0] != STX) report.Problem(start, "the header packet does not start with STX");
    const unsigned length = PacketPayloadLength(header);
    const std::size_t size = length + PacketFramingSize;
    const std::size_t available = bytes.size() - start;
    const unsigned countAt = HeaderCountByteOffset(header);
    if (size > static_cast<std::size_t>(PacketBufferSize))
        report.Problem(start, "header packet of " + std::to_string(size) + " bytes, more than the " +
                                  std::to_string(PacketBufferSize) + " an upload can send");
    if (size > available) {
        report.Problem(start, "header packet of " + std::to_string(size) + " bytes, but only " +
                                  std::to_string(available) + " follow");
        return;
    }
    if (countAt >= available) {
        report.Problem(start + countAt, "the count byte lies beyond the end of the file");
        return;
    }
    const unsigned announced = HeaderPacketCount(header, kind);
    report.Note("header at offset %zu: %zu bytes, count position %u, count byte %u: %u data packets announced", start,
                size, header[HeaderCountPositionOffset], header[countAt], announced);
    if (countAt >= size) report.Problem(start + countAt, "the count byte lies outside the header packet");
    CheckFrame(report, header, size, start, "header packet");

    // Data packets as an upload takes them: from the next STX, 2069 bytes each.
    unsigned stored = 0;
    std::size_t pos = start + size;
    while (pos < bytes.size()) {
        std::size_t stx = pos;
        while (stx < bytes.size() && bytes[stx] != STX) ++stx;
        if (stx == bytes.size()) {
            report.Problem(pos, std::to_string(bytes.size() - pos) + " bytes after the last packet hold no STX");
            break;
        }
        ++stored;
        const std::string what = "data packet " + std::to_string(stored);
        if (stx > pos) report.Problem(pos, std::to_string(stx - pos) + " bytes before " + what + " are skipped");
        const std::size_t take = std::min<std::size_t>(DataPacketSize, bytes.size() - stx);
        const std::uint8_t* packet = bytes.data() + stx;
        if (take < static_cast<std::size_t>(DataPacketSize))
            report.Problem(stx, what + " cut short: " + std::to_string(take) + " of " +
                                    std::to_string(DataPacketSize) + " bytes (an upload pads it with 0xFF)");
        if (take >= 4) {
            const unsigned l = PacketPayloadLength(packet);
            if (l != static_cast<unsigned>(DataPayloadSize))
                report.Problem(stx + 2, what + ": payload length " + std::to_string(l) + ", not " +
                                            std::to_string(DataPayloadSize) + " (an upload sends " +
                                            std::to_string(DataPacketSize) + " bytes all the same)");
            CheckFrame(report, packet, take, stx, what);
        }
        pos = stx + DataPacketSize;
    }
    report.Note("%u data packets stored", stored);
    if (stored < announced)
        report.Problem(bytes.size(), "holds " + std::to_string(stored) + " of the " + std::to_string(announced) +
                                         " data packets announced: an upload ends in an error when the box asks for packet " +
                                         std::to_string(stored + 1));
    else if (stored > announced)
        report.Problem(bytes.size(), std::to_string(stored - announced) +
                                         " data packets more than announced: an upload never sends them");
}

bool ReadAll(const std::string& path, Bytes* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

int InspectIndex(const std::string& path, const Bytes& bytes, std::FILE* out);

int InspectOne(const std::string& path, std::FILE* out, bool fromIndex) {
    Bytes bytes;
    if (!ReadAll(path, &bytes)) {
        if (fromIndex) {  // a section left out of a download, or not wanted
            std::fprintf(out, "%s: not there (an upload with this section ticked ends with \"Could not open file\")\n",
                         path.c_str());
            return 0;
        }
        std::fprintf(out, "%s: cannot be read\n", path.c_str());
        return 1;
    }
    const bool urt = IsUrtFileName(path);
    if (!urt && !fromIndex && (bytes.empty() || bytes[0] != STX)) return InspectIndex(path, bytes, out);

    Report report(out);
    const auto kind = urt ? std::nullopt : KindFromSuffix(path);
    const std::string what = urt ? "URT file" : kind ? std::string(SectionName(*kind)) + " section file" : "section file";
    std::fprintf(out, "%s: %s, %zu bytes\n", path.c_str(), what.c_str(), bytes.size());
    InspectSection(report, bytes, urt ? UrtPrefixSize : 0, kind);
    if (report.problems == 0) report.Note("no problems");
    return report.problems;
}

int InspectIndex(const std::string& path, const Bytes& bytes, std::FILE* out) {
    Report report(out);
    std::fprintf(out, "%s: index file, %zu bytes\n", path.c_str(), bytes.size());
    std::vector<std::string> lines;
    std::string line;
    for (std::uint8_t b : bytes) {
        if (b == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(b);
        }
    }
    if (lines.size() != SectionCount || !line.empty())
        report.Problem(0, "not five lines each ended by LF: not an index file written by a download");
    for (const std::string& l : lines) report.Note("lists %s", l.c_str());
    std::fputc('\n', out);
    int problems = report.problems;
    // What an upload of this file sends: the section files beside it, by its own name.
    for (SectionKind kind : AllSections) {
        const std::string file = SectionFilePath(path, kind);
        problems += InspectOne(file, out, true);
        std::fputc('\n', out);
    }
    return problems;
}

}  // namespace

int InspectFile(const std::string& path, std::FILE* out) { return InspectOne(path, out, false); }
