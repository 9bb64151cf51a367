#include "stored/urt_file_name.h"

#include <cctype>

bool IsUrtFileName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    const std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = title.rfind('.');
    if (dot == std::string::npos || title.size() < dot + 4) return false;
    auto is = [&](std::size_t i, char c) { return std::tolower(static_cast<unsigned char>(title[i])) == c; };
    return is(dot + 1, 'u') && is(dot + 2, 'r') && is(dot + 3, 't');
}
