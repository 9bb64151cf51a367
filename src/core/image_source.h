// Where an upload's files come from. The session names them (the chosen URT file, or
// the section files of the chosen path) and reads each as it sends it; the front end
// that runs the session owns them: the Windows program opens them as standard binary
// streams, the command line hands over the very bytes it checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// One stored file being read.
class SectionIn {
public:
    virtual ~SectionIn() = default;
    // Up to `size` bytes from where the reading stands: the count read (0 at the end).
    virtual std::size_t Read(std::uint8_t* bytes, std::size_t size) = 0;
    // The next byte, or -1 at the end.
    virtual int Next() = 0;
    // Back to the first byte.
    virtual void Rewind() = 0;
    // Where the reading stands, in bytes from the first.
    virtual long long Position() const = 0;
};

class ImageSource {
public:
    virtual ~ImageSource() = default;
    // A stored file opened for reading; none, with the system's error number in
    // `error`, when it cannot be.
    virtual std::unique_ptr<SectionIn> Open(const std::string& path, int* error) = 0;
};
