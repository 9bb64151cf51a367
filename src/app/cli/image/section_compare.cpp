#include "app/cli/image/section_compare.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::size_t ListedDifferences = 5;

// First differing byte of two ranges (each cut to the bytes its file holds), or none.
std::optional<std::size_t> FirstDifference(const std::string& a, std::size_t at, std::size_t an, const std::string& b,
                                           std::size_t bt, std::size_t bn) {
    at = std::min(at, a.size());
    bt = std::min(bt, b.size());
    an = std::min(an, a.size() - at);
    bn = std::min(bn, b.size() - bt);
    const std::size_t n = std::min(an, bn);
    for (std::size_t i = 0; i < n; ++i)
        if (a[at + i] != b[bt + i]) return i;
    if (an != bn) return n;
    return std::nullopt;
}

}  // namespace

std::vector<std::string> SectionDifferences(const StoredFile& a, const StoredFile& b) {
    std::vector<std::string> out;
    if (!a.present || !b.present) {
        out.push_back(std::string(a.present ? "B" : "A") + " has no such file (" +
                      (a.present ? b.readError : a.readError) + ")");
        return out;
    }
    if (auto d = FirstDifference(a.bytes, a.headerOffset, a.headerSize, b.bytes, b.headerOffset, b.headerSize))
        out.push_back("header packet differs from its byte " + std::to_string(*d));
    std::size_t differing = 0;
    const std::size_t common = std::min(a.packets.size(), b.packets.size());
    for (std::size_t k = 0; k < common; ++k) {
        const StoredPacket& pa = a.packets[k];
        const StoredPacket& pb = b.packets[k];
        const auto d = FirstDifference(a.bytes, pa.offset, pa.size, b.bytes, pb.offset, pb.size);
        if (!d) continue;
        if (++differing <= ListedDifferences)
            out.push_back("data packet " + std::to_string(k + 1) + " differs from its byte " + std::to_string(*d) +
                          " (A offset " + std::to_string(pa.offset) + ", B offset " + std::to_string(pb.offset) + ")");
    }
    if (differing > ListedDifferences)
        out.push_back("and " + std::to_string(differing - ListedDifferences) + " more data packets differ");
    if (a.packets.size() != b.packets.size())
        out.push_back("A holds " + std::to_string(a.packets.size()) + " data packets, B " +
                      std::to_string(b.packets.size()));
    return out;
}
