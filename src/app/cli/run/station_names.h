// The names a station gives each box's image: {port} the port's name, {n} the first
// number from 1 up whose image does not stand yet (whole, or incomplete from a box
// that failed) and is not taken by a box running on another port, {time} the local
// date and time (20261208-101500).
#pragma once

#include <set>
#include <string>

constexpr const char* NumberPlaceholder = "{n}";
constexpr const char* TimePlaceholder = "{time}";

// A download's name must give each box its own image.
bool NamesEachBox(const std::string& pattern);

// The name of the next box's image on `port` (.dat added to a name without an
// extension); `taken`: names of the boxes running now. "" when a name of {time}
// alone is not free yet (a second later it is another).
std::string NextImageName(const std::string& pattern, const std::string& port, const std::set<std::string>& taken);
