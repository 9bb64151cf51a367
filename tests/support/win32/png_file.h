// Writes 24-bit RGB pictures as PNG files (uncompressed deflate blocks: the files
// are larger than they need be, and any viewer reads them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `rgb` holds height rows of width pixels, 3 bytes each, top row first.
bool WritePngFile(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);
