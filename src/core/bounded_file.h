// Reading a whole file the tool was pointed at, safely: only a regular file, and
// only up to a size limit, so that a directory, a FIFO, a device or a huge file is
// refused with a reason instead of throwing, blocking or filling memory.
#pragma once

#include <cstddef>
#include <string>

// Largest files of each kind the tool reads.
constexpr std::size_t SettingsFileLimit = 64 * 1024;            // config.ini
constexpr std::size_t ImageFileLimit = 16 * 1024 * 1024;        // index, section and URT files

enum class FileRead { Ok, Missing, Refused };

// Reads the file into `bytes`. On Missing or Refused, `why` says so in a few words
// ("no such file", "is a directory", "is a FIFO, not a regular file",
// "is larger than 65536 bytes", or the system's reason).
FileRead ReadBoundedFile(const std::string& path, std::size_t limit, std::string* bytes, std::string* why);
