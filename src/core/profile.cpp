#include "core/profile.h"

#include <cctype>
#include <map>

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

// No config.ini: defaults only.
class NoProfile final : public Profile {
public:
    std::string ReadText(const char*, const char* defaultValue, int kept) override {
        std::string value = defaultValue;
        while (!value.empty() && value.back() == ' ') value.pop_back();
        return value.substr(0, static_cast<std::size_t>(kept > 0 ? kept : 0));
    }
    std::int32_t ReadInt(const char*, std::int32_t defaultValue) override { return defaultValue; }
    void WriteText(const char*, const std::string&) override {}
};

NoProfile noProfile;
Profile* installed = &noProfile;

}  // namespace

Profile& CurrentProfile() { return *installed; }

void SetProfile(Profile* profile) { installed = profile ? profile : &noProfile; }

std::string ReadProfileText(const char* key, const char* defaultValue, int kept) {
    if (auto value = ProfileOverride(key)) return value->substr(0, static_cast<std::size_t>(kept));
    return CurrentProfile().ReadText(key, defaultValue, kept);
}

std::int32_t ReadProfileInt(const char* key, std::int32_t defaultValue) {
    if (auto value = ProfileOverride(key)) return value->empty() ? defaultValue : ProfileTextToInt(*value);
    return CurrentProfile().ReadInt(key, defaultValue);
}

void WriteProfileText(const char* key, const std::string& value) { CurrentProfile().WriteText(key, value); }

void OverrideProfileValue(const char* key, const std::string& value) { overrides[key] = value; }

std::optional<std::string> ProfileOverride(const char* key) {
    const auto it = overrides.find(key);
    if (it == overrides.end()) return std::nullopt;
    return it->second;
}

std::int32_t ProfileTextToInt(const std::string& text) {
    const std::string s = text.substr(0, 29);
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        const char p = s[i + 1];
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10) i += 2;
    }
    std::uint32_t value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}
