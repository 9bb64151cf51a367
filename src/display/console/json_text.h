// JSON for --json and the other reports for scripts: objects are built with the
// JSON library, keys in the order written; text that comes from file names or
// files is made valid UTF-8 first.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

using Json = nlohmann::ordered_json;

// The text as valid UTF-8: UTF-8 characters as they stand, every byte that is no
// part of one written as the four characters \xNN.
std::string ValidUtf8(const std::string& bytes);

// Text as a terminal shows it safely, file names included: UTF-8 characters and
// printable ASCII stand as they are; control bytes, DEL and bytes no character is
// made of as \xNN (as in the JSON reports, where control bytes are escaped too).
std::string PrintableText(const std::string& text);

// A report object as the commands print it: one line, but a list of objects one
// object a line; ends with a line break.
std::string JsonReport(const Json& report);
