#include "app/cli/options/suggest.h"

#include <algorithm>

namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// Whether `typed` is a short form of `name`: its first letter, and the rest of its
// letters in their order ("dl" of "download").
bool ShortFormOf(const std::string& typed, const std::string& name) {
    if (typed.size() < 2 || typed.size() >= name.size() || typed[0] != name[0]) return false;
    std::size_t at = 1;
    for (std::size_t i = 1; i < typed.size(); ++i) {
        at = name.find(typed[i], at);
        if (at == std::string::npos) return false;
        ++at;
    }
    return true;
}

}  // namespace

std::string NearestName(const std::string& typed, const std::vector<std::string>& known) {
    std::string best;
    std::size_t bestDistance = 3;
    for (const std::string& name : known) {
        const std::size_t d = EditDistance(typed, name);
        if (d < bestDistance && d < name.size()) {
            bestDistance = d;
            best = name;
        }
    }
    if (!best.empty()) return best;
    // Else the one name it is a short form of.
    for (const std::string& name : known) {
        if (!ShortFormOf(typed, name)) continue;
        if (!best.empty()) return {};
        best = name;
    }
    return best;
}
