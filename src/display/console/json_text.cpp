#include "display/console/json_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at `i` (0 when the byte there starts none).
std::size_t Utf8Sequence(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    std::uint32_t point;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, point = lead & 0x1Fu;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, point = lead & 0x0Fu;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, point = lead & 0x07u;
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        point = point << 6 | (byte(i + k) & 0x3Fu);
    }
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    const bool outside = point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF);
    return overlong || outside ? 0 : length;
}

}  // namespace

std::string ValidUtf8(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t n = Utf8Sequence(bytes, i)) {
            out.append(bytes, i, n);  // UTF-8 stands as it is
            i += n - 1;
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);  // a byte no character is made of
            out += esc;
        }
    }
    return out;
}

std::string PrintableText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (const std::size_t n = c >= 0x80 ? Utf8Sequence(text, i) : 0) {
            out.append(text, i, n);
            i += n - 1;
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        }
    }
    return out;
}

namespace {

// `{"key": value, ...}` and `[a, b]` on one line, as people read them.
std::string OneLine(const Json& j) {
    std::string text;
    if (j.is_object()) {
        for (const auto& [key, value] : j.items())
            text += (text.empty() ? "" : ", ") + Json(key).dump() + ": " + OneLine(value);
        return "{" + text + "}";
    }
    if (j.is_array()) {
        for (const Json& e : j) text += (text.empty() ? "" : ", ") + OneLine(e);
        return "[" + text + "]";
    }
    return j.dump();
}

}  // namespace

std::string JsonReport(const Json& report) {
    std::string text;
    for (const auto& [key, value] : report.items()) {
        text += (text.empty() ? "{" : ", ") + Json(key).dump() + ": ";
        const bool listOfObjects = value.is_array() && !value.empty() && value.front().is_object();
        if (!listOfObjects) {
            text += OneLine(value);
            continue;
        }
        std::string items;
        for (const Json& e : value) items += (items.empty() ? "\n  " : ",\n  ") + OneLine(e);
        text += "[" + items + "\n]";
    }
    return (text.empty() ? "{" : text) + "}\n";
}
