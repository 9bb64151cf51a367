// A port's short name, and {port} in file names: each box's image, trace or log of
// its own when several are served.
#pragma once

#include <string>

// Stands for the port's name in an image's, a trace's or a log's name.
constexpr const char* PortPlaceholder = "{port}";

// The port's name as a box's line and {port} show it: /dev/ttyUSB0 gives ttyUSB0.
std::string PortBaseName(const std::string& port);

// `text` with each `placeholder` made `value` (a value that holds the placeholder
// stays as it is).
std::string WithPlaceholder(std::string text, const std::string& placeholder, const std::string& value);

// `text` with each {port} made the port's name.
std::string WithPort(const std::string& text, const std::string& port);
