// The SHA-256 of bytes (by GNU Nettle; on Windows by the system), as 64 hex digits: what the log says of each
// file, and what a move record holds of each file it moves.
#pragma once

#include <string>

std::string Sha256(const std::string& bytes);
