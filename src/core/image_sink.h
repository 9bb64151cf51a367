// Where a download's files go. The session names them (the index under the chosen
// path, the section files by their suffixes) and hands their bytes over; the front end
// that runs the session owns the files: the Windows program makes them as standard
// binary streams, the command line makes each one new where nothing stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// One section file being written.
class SectionOut {
public:
    virtual ~SectionOut() = default;
    // Appends `size` bytes in one write: 0, or the system's error number.
    virtual int Append(const std::uint8_t* bytes, std::size_t size) = 0;
    // Ends the file: 0, or the system's error number (what is written out last may fail).
    virtual int Close() = 0;
};

class ImageSink {
public:
    virtual ~ImageSink() = default;
    // The index file, made and written whole: 0, or the system's error number.
    virtual int WriteIndex(const std::string& path, const std::string& text) = 0;
    // A section file made empty for writing; none, with the system's error number in
    // `error`, when it cannot be made.
    virtual std::unique_ptr<SectionOut> CreateSection(const std::string& path, int* error) = 0;
    // Removes a section file this sink made.
    virtual void RemoveSection(const std::string& path) = 0;
};
