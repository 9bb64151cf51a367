// A port's short name, and {port} in file names: each box's image, trace or log of
// its own when several are served.
#pragma once

#include <string>
#include <vector>

// Stands for the port's name in an image's, a trace's or a log's name.
constexpr const char* PortPlaceholder = "{port}";

// The port's name as {port} gives it in a file's name: /dev/ttyUSB0 gives ttyUSB0.
std::string PortBaseName(const std::string& port);

// The shortest names that tell `ports` apart, in their order, as the boards show
// them: the adapter's serial number and interface of a /dev/serial/by-id name
// ("A50285B1-if00"), the device's own name of another ("ttyUSB3"); where two would be
// one, as much more of their paths as tells them apart ("l1/com1").
std::vector<std::string> ShortPortNames(const std::vector<std::string>& ports);

// Natural order: the numbers in two names compared by their value (kv2 before kv10).
bool NaturalLess(const std::string& a, const std::string& b);

// `text` with each `placeholder` made `value` (a value that holds the placeholder
// stays as it is).
std::string WithPlaceholder(std::string text, const std::string& placeholder, const std::string& value);

// `text` with each {port} made the port's name.
std::string WithPort(const std::string& text, const std::string& port);
