// The names a station gives each box's image, and what a failed box left under them.
// The names: {port} the port's name, {n} the first number from 1 up whose image does
// not stand yet (whole, or incomplete from a box that failed) and whose name no other
// box holds (of this station, or of another program writing into the same folder),
// {time} the local date and time (20261208-101500).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/cli/image/image_lock.h"

constexpr const char* NumberPlaceholder = "{n}";
constexpr const char* TimePlaceholder = "{time}";

// A download's name must give each box its own image.
bool NamesEachBox(const std::string& pattern);

// The name of the next box's image on `port` (.dat added to a name without an
// extension), its lock taken alone into `lock` (where it can be made: where it
// cannot, the box's download says why); `taken`: names of the boxes running now.
// "" when a name of {time} alone is not free yet (a second later it is another).
std::string NextImageName(const std::string& pattern, const std::string& port, const std::set<std::string>& taken,
                          ImageLock* lock);

// What a failed download left under the incomplete names of `image`, removed under
// its name's lock (left as it is while something reads it): the paths removed.
std::vector<std::string> RemoveFailedBox(const std::string& image);
