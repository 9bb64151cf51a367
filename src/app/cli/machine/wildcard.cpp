#include "app/cli/machine/wildcard.h"

#include <cctype>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool Same(char a, char b, bool caseless) {
    if (!caseless) return a == b;
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

bool FitsWildcard(const std::string& pattern, const std::string& text, bool caseless) {
    // The last * seen, and where in the text it stands for what follows: on a mismatch
    // it takes one character more (never a separator), as a greedy match backs off.
    std::size_t p = 0, t = 0, star = std::string::npos, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starText = t;
        } else if (p < pattern.size() && (pattern[p] == '?' ? !IsSeparator(text[t]) : Same(pattern[p], text[t], caseless))) {
            ++p;
            ++t;
        } else if (star != std::string::npos && !IsSeparator(text[starText])) {
            p = star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }
