// What a stored file holds, read as an upload reads it: its kind, the header
// packet's fields, and every data packet with its offset. Problems are what would
// go wrong, or be sent wrong, on upload; notes are worth knowing and harmless.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/section_kind.h"

enum class StoredKind { Section, Urt, Index, Unknown };

struct Finding {
    std::size_t offset;
    std::string text;
};

struct StoredPacket {
    std::size_t offset;  // of its STX
    std::size_t size;    // bytes an upload takes from there (2069, fewer at the end of the file)
};

struct StoredFile {
    std::string path;
    StoredKind kind = StoredKind::Unknown;
    std::optional<SectionKind> section;  // a section file's, by its extension
    bool present = false;
    bool absent = false;                 // no file of that name
    // An Application Software section file absent beside the four others: the box's
    // section was empty when it was downloaded, which leaves no file. Not a problem.
    bool leftEmpty = false;
    std::string readError;               // why it could not be read
    std::string bytes;

    // Section and URT files.
    bool headerUsable = false;           // an upload can send it
    std::size_t headerOffset = 0, headerSize = 0;
    unsigned countPosition = 0, countByte = 0, announced = 0;
    std::vector<StoredPacket> packets;

    std::vector<std::string> indexLines;  // an index file's lines, made printable
    std::vector<Finding> problems, notes;
};

// Reads and looks through one file.
StoredFile AnalyseStoredFile(const std::string& path);

// The section a stored file holds, by name: "Flash Database" .., "URT file", or
// "section" when neither its name nor its kind says.
std::string StoredSectionName(const StoredFile& file);

// "Flash Database section file", "URT file", "index file", "file of unknown content".
std::string DescribeKind(const StoredFile& file);

// The files an index file stands for: the section files an upload of it sends.
std::vector<std::string> SectionFilesOf(const std::string& indexPath);
// Those five files, each read and looked through (present or not); an absent
// Application Software file beside the four others is marked left empty, with a note.
// `known`, when one of them, is taken as it was read.
std::vector<StoredFile> AnalyseSectionFiles(const std::string& indexPath, const StoredFile* known = nullptr);

// A file an image needs that is not there (not one left empty).
inline bool MissingFromImage(const StoredFile& f) { return !f.present && !f.leftEmpty; }
// Whether any of them is there.
bool AnyPresent(const std::vector<StoredFile>& files);

// Whether a named file stands for the section files beside it, as an upload takes an
// image: an index file, or a name whose index file is missing or empty (but neither a
// URT file nor a section file by its name).
bool StandsForSectionFiles(const StoredFile& named);

// A file name (or any text) as the tool prints it: control bytes, DEL and bytes no
// character is made of as \xNN.
std::string Printable(const std::string& text);
