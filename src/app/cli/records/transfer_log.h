// `--log FILE` (or Log= in config.ini): after every transfer, one JSON line appended:
//   {"time", "command", "port", "adapter_serial", "image",
//    "files": [{"path", "section", "bytes", "packets", "sha256"}, ...],
//    "status", "message"}
// "adapter_serial" is the USB serial number of the port's adapter, or null; "files"
// are the section files written or sent, "packets" their data packets. Each line is
// one write on a file opened for appending, so processes may share the log.
#pragma once

#include <string>
#include <vector>

struct TransferRecord {
    std::string command;  // download, upload, verify
    std::string port;
    std::string image;
    std::vector<std::string> files;
    int status = 0;
    std::string message;
};

// Appends the record; false, and why, when the log cannot be written.
bool AppendToLog(const std::string& logPath, const TransferRecord& record, std::string* why);

// The SHA-256 of a file's bytes (by GNU Nettle), as 64 hex digits ("" when it cannot
// be read).
std::string FileSha256(const std::string& path);
