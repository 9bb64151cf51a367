// Reading the box back: `kestrivane verify IMAGE`, `upload --verify` and
// `download --verify`. The box's image comes down into a folder of its own under the
// system's temporary folder, which is removed again (nothing is written beside the
// image), and is compared with the stored sections section by section and packet by
// packet, as compare does.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/stored_file.h"
#include "app/cli/run/before_the_box.h"

// Reads the box and compares it with `expected` (section files, or one URT file,
// found by the section whose header it holds). Returns 0 when the box holds them, 1
// when it differs (each differing section named, with its first differing packets
// and their offsets), 2 when the box could not be read.
int VerifyAgainstBox(const std::string& image, const std::vector<StoredFile>& expected, const TransferOptions& options);

// The stored sections IMAGE stands for, as an upload takes it (present ones only);
// empty, and why, when there are none.
std::vector<StoredFile> SectionsToVerify(const std::string& image, std::string* why);
