#include "core/whole_number.h"

bool ParseWholeNumber(const std::string& text, long low, long high, long* value) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
    if (i == text.size()) return false;
    long long n = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = n * 10 + (text[i] - '0');
        if (n > 1'000'000'000'000LL) return false;  // far beyond any bound asked for
    }
    if (negative) n = -n;
    if (n < low || n > high) return false;
    *value = static_cast<long>(n);
    return true;
}
