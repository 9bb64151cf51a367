// The record of a move: before a downloaded image is put in place, what stands under
// the image's names and what is to move there is written down and flushed; once the
// new image stands, the record goes. A record found later tells a command what an
// earlier one was doing when it stopped, so that the move is finished or taken back.
//
// Its text, one line each, names relative to the image's folder, fields split by TAB
// (a download's name holds no control bytes):
//   kestrivane move record 1
//   old <TAB> box.dat                       a file of the old image
//   new <TAB> box.incomplete.ur1 <TAB> box.ur1 <TAB> BYTES <TAB> SHA-256
//   end
// The new image is the section files that came down, each with its size and digest,
// so that whether it is whole can be told wherever each file stands; its index file
// is written under its name once they stand (its text follows from the name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/cli/image/disk.h"
#include "app/cli/image/image_names.h"

struct RecordedFile {
    std::string from, to;  // paths, as the image's names give them
    std::uint64_t bytes = 0;
    std::string sha256;
};

struct MoveRecord {
    std::vector<std::string> old;     // the old image's files that stood: its index, its section files
    std::vector<RecordedFile> moves;  // the new image's section files
};

std::string MoveRecordText(const MoveRecord& record);

enum class RecordRead { Absent, Ok, Unreadable };

// The largest record read: a few hundred bytes are written.
constexpr std::size_t MoveRecordLimit = 64 * 1024;

// Reads the image's record. Unreadable: cut short (written when the program stopped),
// naming files that are not this image's, beside a name the tool never gives an
// image, or not a small regular file; `why` says which.
RecordRead ReadMoveRecord(const ImageNames& names, Disk& disk, MoveRecord* record, std::string* why);

// The record's text read as this image's: false when it is cut short or names files
// that are not the image's.
bool ParseMoveRecord(const std::string& text, const ImageNames& names, MoveRecord* record);
