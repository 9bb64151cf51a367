// An image's names as every command that touches them checks them first: the links
// that stand at them, and what an earlier run left under them, settled under the
// name's lock (a move cut short finished or taken back; a record the tool would
// never write left alone, and said). Each returns -1 to go on, or the exit status
// (after saying why).
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/image_lock.h"
#include "app/cli/image/image_names.h"
#include "app/cli/terminal/say.h"

// Every name a download of the image makes.
std::vector<std::string> NamesMade(const ImageNames& names);

// The links that stand at any of those names: never followed, never replaced.
int RefuseLinks(const ImageNames& names, Voice& voice);

// A move of the image that was cut short, finished or taken back, under its name's
// lock alone: `held` when the caller holds it, else taken here for the while.
int SettleMove(const ImageNames& names, bool held, Voice& voice);

// Before an image is read (upload, verify): every move cut short among the images
// whose section files `path` names, settled; then the name's lock shared into
// `lock`, to be held until the command ends.
int PrepareReading(const std::string& path, ImageLock* lock, Voice& voice);

// The images beside `path` that have a move record the tool trusts (their names are
// ones it gives images); those it does not trust, in `untrusted`.
std::vector<std::string> ImagesWithRecords(const std::string& folder, std::vector<std::string>* untrusted);

// Whether `a` and `b` name one file, as the system compares names.
bool SameName(const std::string& a, const std::string& b);
// Whether `a` and `b` name files of one image: their section files are the same.
bool OneImageFamily(const std::string& a, const std::string& b);

// Whether an image stands under the names (its index or a section file).
bool ImageExists(const ImageNames& names);

// What an earlier attempt left under the incomplete names goes, and is said.
int ClearEarlierAttempt(const ImageNames& names, Voice& voice);

// The name with .dat added when it has no extension.
void AddDatExtension(std::string* image);

// Paths as one line: "a, b and c".
std::string Listed(const std::vector<std::string>& paths);
