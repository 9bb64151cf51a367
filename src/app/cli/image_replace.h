// Replacing an image is all or nothing: the new one comes down under names that say
// it is incomplete, beside the old one, and takes the old one's place only once it
// is whole (its section files first, its index file last).
#pragma once

#include <string>

// True when `image` ends in a three-letter extension, the three characters that its
// section files' suffixes (.ur1 .. .ur5) take the place of.
bool HasThreeLetterExtension(const std::string& image);

// The name the new image comes down under: box.dat gives box.incomplete.dat (whose
// section files are box.incomplete.ur1 ..).
std::string IncompleteImageName(const std::string& image);

// Puts the image downloaded as `incomplete` in the place of `image`: each section
// file it has replaces the old one, then the index file is written for `image` and
// the incomplete one removed. False, and why, when a file could not be moved.
bool PutImageInPlace(const std::string& incomplete, const std::string& image, std::string* why);
