// The initialisation-file reader and writer on any file: reads never fail, and a
// write changes only the value of the key written (every other line kept byte for
// byte), after which the key reads back as written.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "app/config/ini_file.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // First byte: the key's length; then the key, the value, the file.
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t keyLength = 1 + static_cast<std::uint8_t>(input[0]) % 12;
    if (size < 2 + keyLength) return 0;
    std::string key = input.substr(1, keyLength);
    const std::size_t valueLength = static_cast<std::uint8_t>(input[1 + keyLength]) % 16;
    std::string value = input.substr(2 + keyLength, valueLength);
    const std::string file = input.size() > 2 + keyLength + valueLength ? input.substr(2 + keyLength + valueLength) : "";
    // Names and values as a settings dialog writes them: one line, no '=' or ']' in a key.
    for (char& c : key)
        if (c == '\n' || c == '\r' || c == '=' || c == '[' || c == ']' || c == '\0') c = 'k';
    for (char& c : value)
        if (c == '\n' || c == '\r' || c == '\0') c = 'v';
    if (static_cast<unsigned char>(key.front()) <= ' ' || static_cast<unsigned char>(key.back()) <= ' ') return 0;

    const std::string path = "/tmp/kv-fuzz-ini-" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary) << file;
    (void)IniReadString(path, "OPTIONS", key, "default", 260);
    (void)IniReadInt(path, "OPTIONS", key, 7);

    IniWriteString(path, "OPTIONS", key, value);
    const std::string after = ReadAll(path);
    // One stretch of the old file replaced; the part taken out lies within one line.
    std::size_t prefix = 0;
    while (prefix < file.size() && prefix < after.size() && file[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < file.size() - prefix && suffix < after.size() - prefix &&
           file[file.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::string removed = file.substr(prefix, file.size() - prefix - suffix);
    if (removed.find_first_of("\r\n") != std::string::npos) __builtin_trap();

    // Read back as the profile functions read: blanks (every character up to ' ') and
    // matching quotes trimmed.
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::string trimmed = value;
    while (!trimmed.empty() && blank(trimmed.back())) trimmed.pop_back();
    while (!trimmed.empty() && blank(trimmed.front())) trimmed.erase(0, 1);
    if (trimmed.size() >= 2 && (trimmed[0] == '"' || trimmed[0] == '\'') && trimmed.back() == trimmed[0])
        trimmed = trimmed.substr(1, trimmed.size() - 2);
    if (IniReadString(path, "OPTIONS", key, "default", 260) != trimmed) __builtin_trap();
    std::remove(path.c_str());
    return 0;
}
