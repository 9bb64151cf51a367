#include <cctype>
#include <map>

#include "app/config/profile.h"

namespace {

// Keys compare without regard to case, as in the file.
struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const {
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
            const int x = std::tolower(static_cast<unsigned char>(a[i]));
            const int y = std::tolower(static_cast<unsigned char>(b[i]));
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

std::map<std::string, std::string, CaseInsensitiveLess> overrides;  // the process's stand-in values

}  // namespace

void OverrideProfileValue(const char* key, const std::string& value) { overrides[key] = value; }

std::optional<std::string> ProfileOverride(const char* key) {
    const auto it = overrides.find(key);
    if (it == overrides.end()) return std::nullopt;
    return it->second;
}
