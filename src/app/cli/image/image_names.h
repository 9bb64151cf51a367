// Every name of one image on the disk, worked out once from the name a command was
// given, and read by every step that touches the image's files: its index and section
// files; the incomplete names a download comes down under; the move record and the
// new index of a replace; and, for each file of the image, the name it waits under
// while a new image moves in. All of them stand in one folder.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/section_kind.h"

struct ImageNames {
    std::string image;   // the index file: box.dat
    std::string folder;  // the folder they all stand in ("." for a bare name)
    std::array<std::string, SectionCount> sections;  // box.ur1 .. box.ur5
    // Where a download comes down: box.incomplete.dat, box.incomplete.ur1 ..
    std::string incomplete;
    std::array<std::string, SectionCount> incompleteSections;
    // The record of a move (box.dat.kestrivane-move): written and flushed before an
    // image is put in place, removed once it stands.
    std::string record;
    // The new index, written in full before it takes the image's name.
    std::string newIndex;
    // The lock on the name: box.kestrivane-lock, one for every image whose section
    // files these are (box.dat, box.abc ..).
    std::string lock;

    // The image's own files (index, then sections) and the incomplete ones.
    std::vector<std::string> Files() const;
    std::vector<std::string> IncompleteFiles() const;
};

ImageNames NamesOf(const std::string& image);

// Where an image's file waits while a new image moves in: box.ur1.kestrivane-old.
std::string AsideName(const std::string& path);

// The lock of whatever image `path` is a file of (its index or a section file): the
// section files' stem, then kestrivane-lock.
std::string LockFileOf(const std::string& path);

// "" when the tool would keep an image under `image` (a name with a three-letter
// extension that is neither a section file's, a URT file's nor one the tool gives
// another image's files); else why not, in a few words.
std::string OwnNameProblem(const std::string& image);

// The suffix of a move record's name, after the image's name.
constexpr const char* MoveRecordSuffix = ".kestrivane-move";

// True when `image` ends in a three-letter extension, the three characters that its
// section files' suffixes (.ur1 .. .ur5) take the place of.
bool HasThreeLetterExtension(const std::string& image);

// The folder a path's file stands in ("." for a bare name).
std::string FolderOf(const std::string& path);
// The last part of a path.
std::string BaseName(const std::string& path);
