// `--log FILE` (or Log= in config.ini): after every transfer, one JSON line appended:
//   {"time", "command", "port", "adapter_serial", "image",
//    "files": [{"path", "section", "bytes", "packets", "sha256", "state"}, ...],
//    "sections": [{"section", "announced", "packets"}, ...], "status", "outcome", "message"}
// and for a station's box also "started" and "result", and "removed" where its failure
// removed what the port's previous failed box had left (the paths).
// "adapter_serial" is the USB serial number of the port's adapter, or null; "files"
// are the section files written, sent or compared, "packets" their data packets,
// "state" what became of them; "outcome" names how the transfer ended and "message"
// says it. Each line is one write on a file opened for appending, so processes may
// share the log.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/cli/image/stored_file.h"
#include "display/console/progress_events.h"

struct LoggedFile {
    StoredFile file;  // as read, its bytes in hand
    std::string state;
};

struct TransferRecord {
    TransferRecord(std::string command, std::string image, std::vector<LoggedFile> files)
        : command(std::move(command)), image(std::move(image)), files(std::move(files)) {}

    std::string command;  // download, upload, verify
    std::string port;
    std::string image;
    std::vector<LoggedFile> files;
    std::vector<SectionTally> sections;  // each section's data packets against its count announced
    int status = 0;
    std::string outcome;
    std::string message;
    // A station's box: when it began (UTC, as "time"), and its result (done, failed,
    // cancelled); both left out of the line when empty.
    std::string started;
    std::string result;
    std::vector<std::string> removed;  // a station's: what an earlier failed box of the port left, removed
};

// Now in UTC, as the log writes times: 2026-12-08T10:15:00Z.
std::string UtcNow();

// Appends the record; false, and why, when the log cannot be written.
bool AppendToLog(const std::string& logPath, const TransferRecord& record, std::string* why);
