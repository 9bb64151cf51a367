// The files the GUI tests look at: whole files, and what the emulated box recorded
// of an upload (DIR\recorded.ur1 .. ur5, written once the port has closed).
#pragma once

#include <string>
#include <utility>
#include <vector>

using FileBytes = std::vector<char>;

// The file's bytes (none when it cannot be read).
FileBytes ReadWholeFile(const std::string& path);
// Writes `bytes` as the whole of the file at `path`.
void WriteWholeFile(const std::string& path, const FileBytes& bytes);

// The sections recorded in the folder `dir` (a Windows path), by suffix, in order.
std::vector<std::pair<std::string, FileBytes>> RecordedSections(const std::string& dir);
void ClearRecordedSections(const std::string& dir);
// Waits (up to 5 s) until at least `count` sections are recorded, and returns them.
std::vector<std::pair<std::string, FileBytes>> WaitForRecordedSections(const std::string& dir, std::size_t count);
