// Reading the box back: `kestrivane verify IMAGE`, `upload --verify` and
// `download --verify`. The box's image comes down into a folder of its own under the
// system's temporary folder, which is removed again (nothing is written beside the
// image), and is compared with the stored sections section by section and packet by
// packet, as compare does.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/stored_image.h"
#include "app/cli/run/box_job.h"
#include "app/cli/run/transfer_outcome.h"

// What a read of the box is compared with: the image's files that are there (section
// files, or one URT file, found by the section whose header it holds), and the
// sections the image lacks.
struct VerifyTarget {
    std::string image;
    std::vector<StoredFile> files;
    std::vector<SectionKind> lacking;
};

// The target of IMAGE as an upload takes it; no files, and why, when there are none.
VerifyTarget VerifyTargetOf(const StoredImage& image, std::string* why);

// Reads the box and compares it with the target. The outcome: done when the box holds
// every file (the sections compared and those the image lacks are named), Differs
// (each differing section named, with its first differing packets and their
// offsets), or the read's own failure. Its Status() is 2 when the box could not be
// read.
TransferOutcome VerifyAgainstBox(const VerifyTarget& target, const BoxJob& job);

// The status of a read-back that follows a transfer: the box was written (or read)
// already, so a read that fails is a failure (1), not a box that could not be used.
int StatusAfterTransfer(const TransferOutcome& verified);
