#include "app/config/ini_file.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "core/bounded_file.h"
#include "core/profile.h"

namespace {

struct Line {
    std::size_t begin;  // first byte of the line
    std::size_t end;    // one past its last byte before the line break
    std::size_t next;   // first byte of the next line
};

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(const std::string& s, std::size_t begin, std::size_t end) {
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // UTF-8 byte order mark
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        std::size_t next = end;
        if (next < text.size() && text[next] == '\r') ++next;
        if (next < text.size() && text[next] == '\n' && (next == end || text[end] == '\r')) ++next;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

// Position of the first `c` in the line, or the line's end.
std::size_t FindInLine(const std::string& text, const Line& line, char c) {
    std::size_t i = line.begin;
    while (i < line.end && text[i] != c) ++i;
    return i;
}

// The section name of a "[name]" line (text after ']' is ignored).
std::optional<std::string> SectionName(const std::string& text, const Line& line) {
    std::size_t b = line.begin;
    while (b < line.end && IsBlank(text[b])) ++b;
    if (b == line.end || text[b] != '[') return std::nullopt;
    const std::size_t close = FindInLine(text, line, ']');
    if (close == line.end) return std::nullopt;
    return Trim(text, b + 1, close);
}

struct Entry {
    std::size_t line;       // index of the key's line
    std::size_t valueBegin; // where the value starts (after '=' and its blanks)
};

struct Layout {
    std::vector<Line> lines;
    std::optional<std::size_t> section;  // line of the first matching section
    std::size_t sectionEnd = 0;          // first line after its last non-blank line
    std::optional<Entry> entry;          // first matching key in it
};

Layout Find(const std::string& text, const std::string& section, const std::string& key) {
    Layout layout;
    layout.lines = SplitLines(text);
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const Line& line = layout.lines[i];
        if (auto name = SectionName(text, line)) {
            if (layout.section) break;  // the section ends at the next one
            if (SameName(*name, section)) {
                layout.section = i;
                layout.sectionEnd = i + 1;
            }
            continue;
        }
        if (!layout.section) continue;
        if (!Trim(text, line.begin, line.end).empty()) layout.sectionEnd = i + 1;
        const std::size_t eq = FindInLine(text, line, '=');
        if (layout.entry || eq == line.end) continue;
        if (SameName(Trim(text, line.begin, eq), key)) {
            std::size_t v = eq + 1;
            while (v < line.end && IsBlank(text[v])) ++v;
            layout.entry = Entry{i, v};
        }
    }
    return layout;
}

// A file that is not a regular one, or larger than any settings file, reads as absent.
std::string ReadAll(const std::string& path, bool* exists) {
    std::string text, why;
    *exists = ReadBoundedFile(path, SettingsFileLimit, &text, &why) == FileRead::Ok;
    return text;
}

std::optional<std::string> Lookup(const std::string& path, const std::string& section, const std::string& key) {
    bool exists = false;
    const std::string text = ReadAll(path, &exists);
    if (!exists) return std::nullopt;
    const Layout layout = Find(text, section, key);
    if (!layout.entry) return std::nullopt;
    const Line& line = layout.lines[layout.entry->line];
    std::string value = Trim(text, layout.entry->valueBegin, line.end);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string Cut(std::string value, int size) {
    if (size <= 0) return std::string();
    if (value.size() > static_cast<std::size_t>(size - 1)) value.resize(static_cast<std::size_t>(size - 1));
    return value;
}

}  // namespace

std::string IniReadString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& defaultValue, int size) {
    if (auto value = Lookup(path, section, key)) return Cut(*value, size);
    std::string def = defaultValue;
    while (!def.empty() && def.back() == ' ') def.pop_back();
    return Cut(def, size);
}

std::int32_t IniReadInt(const std::string& path, const std::string& section, const std::string& key,
                        std::int32_t defaultValue) {
    const auto value = Lookup(path, section, key);
    if (!value || value->empty()) return defaultValue;
    return ProfileTextToInt(*value);
}

void IniWriteString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value) {
    bool exists = false;
    std::string text = ReadAll(path, &exists);
    const Layout layout = Find(text, section, key);
    // New lines follow the file's own line ends; a new file gets CR LF.
    const std::string eol = text.find('\n') != std::string::npos && text.find("\r\n") == std::string::npos ? "\n" : "\r\n";
    auto endsOpen = [&] { return !text.empty() && text.back() != '\n' && text.back() != '\r'; };

    if (layout.entry) {
        const Line& line = layout.lines[layout.entry->line];
        text.replace(layout.entry->valueBegin, line.end - layout.entry->valueBegin, value);
    } else if (layout.section) {
        const Line& last = layout.lines[layout.sectionEnd - 1];
        const std::string added = (last.next == last.end ? eol : "") + key + "=" + value + eol;
        text.insert(last.next, added);
    } else {
        if (endsOpen()) text += eol;
        text += "[" + section + "]" + eol + key + "=" + value + eol;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::vector<std::pair<std::string, std::string>> IniRepeatedKeys(const std::string& path, const std::string& section) {
    bool exists = false;
    const std::string text = ReadAll(path, &exists);
    std::vector<std::pair<std::string, std::string>> keys;  // each key's name and its first value
    std::vector<int> counts;
    bool inSection = false;
    for (const Line& line : SplitLines(text)) {
        if (auto name = SectionName(text, line)) {
            if (inSection) break;
            inSection = SameName(*name, section);
            continue;
        }
        const std::size_t eq = FindInLine(text, line, '=');
        if (!inSection || eq == line.end) continue;
        const std::string key = Trim(text, line.begin, eq);
        std::size_t k = 0;
        while (k < keys.size() && !SameName(keys[k].first, key)) ++k;
        if (k == keys.size()) {
            keys.push_back({key, Lookup(path, section, key).value_or("")});
            counts.push_back(0);
        }
        ++counts[k];
    }
    std::vector<std::pair<std::string, std::string>> repeated;
    for (std::size_t k = 0; k < keys.size(); ++k)
        if (counts[k] > 1) repeated.push_back(keys[k]);
    return repeated;
}
