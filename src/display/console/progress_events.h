// A transfer's progress as the command line shows it: typed events, one value each,
// made by the events view of each box's session from the session's own. The bars,
// the boards of several boxes and of the station read them as they are; the JSON
// writer (--progress=json) alone turns them into text, one object a line. Nothing
// parses them back. In JSON, each with its port:
//   {"event": "status", "text"}           a status line
//   {"event": "step", "step", "section"}  what the session does now: "power-on" (the box is to be
//                                          switched on), "announcement", "handshake", "header-request",
//                                          "packets", "closing", "complete"
//   {"event": "section", "section", "announced"}   a section's bar set to its count
//   {"event": "packet", "section", "packet", "bytes", "bytes_per_second"}
//   {"event": "position", "section", "position"}   a bar filled when a section ends early
//   {"event": "unasked", "section", "packet"}       a packet sent without the box's request
//   {"event": "waiting", "for", "seconds", "left"}  the box keeps the transfer waiting ("left": seconds
//                                                    the session still waits for the box to be switched on)
//   {"event": "message", "id", "caption", "text"}   a message (a failure, or the completion)
//   {"event": "end", "status", "outcome", "message", "files": [{"path", "state"}, ...],
//    "sections": [{"section", "announced", "packets"}, ...]}
//                                                    the command's exit status and its last word, once;
//                                                    a station's also "ports": [{"port", "done", "failed",
//                                                    "cut_short", "last_failure", "never_served"}, ...] and
//                                                    "unmatched": [patterns]
//   {"event": "port", "state", "by"}                 a station's port joins, comes back, goes, or is held
//                                                    (by whom)
//   {"event": "unmatched", "pattern"}                a station's pattern that matches no port
// "bytes" counts the data packets of the whole transfer so far; "section" is the
// section's name, or "URT file". Several boxes' command passes on each box's events,
// its end as {"event": "box-end", ...}, and ends with its own end, without a port.
#pragma once

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/session_outcome.h"
#include "core/transfer_event.h"

// A section of a transfer that ended: the data packets its header announced, and
// those that went through.
struct SectionTally {
    std::optional<SectionKind> section;  // none: the URT file
    int announced = 0, packets = 0;
};

// A station's port at the end: its boxes, its latest failure, why it never served one.
struct PortTally {
    std::string port;
    int done = 0, failed = 0, cutShort = 0;
    std::string lastFailure, neverServed;
};

struct ProgressEvent {
    enum class Kind { Status, Step, Section, Packet, Position, Unasked, Waiting, Message, Port, Unmatched, BoxEnd, End };
    Kind kind = Kind::Status;
    std::string port;     // the box's port ("" for a whole command's end)
    std::string text;     // status: its text; waiting: what is awaited; message, ends: the message; port: its
                          // state ("joined", "back", "gone", "held"); unmatched: the pattern
    std::string by;       // port: who holds it
    TransferStep step = TransferStep::PowerOn;  // step
    // The section concerned: a step's (none: the opening or the closing), or that of a
    // section's count, packet or position (none: the URT file).
    std::optional<SectionKind> section;
    int count = 0;        // section: announced; packet, unasked: the packet; position: the position
    double bytes = 0;     // packet: the whole transfer's so far
    double rate = 0;      // packet: bytes a second (never more than the line carries)
    double seconds = 0;   // waiting: how long so far
    double left = -1;     // waiting: what the session still waits (negative: no limit to tell)
    MessageId message = MessageId::DownloadComplete;  // message
    int status = 0;                                   // ends
    OutcomeKind outcome = OutcomeKind::Done;
    std::vector<std::pair<std::string, std::string>> files;  // ends: path, state
    std::vector<SectionTally> sections;                      // ends: the sections that began
    std::vector<PortTally> ports;                            // a station's end
    std::vector<std::string> unmatched;                      // a station's end: patterns that matched nothing
};

// Where a box's events go: the console's bars, the JSON writer, or a board. The bars
// also draw between events, and end their live lines.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void Take(const ProgressEvent& event) = 0;
    // Between two reads of a wait: a redraw where one is due; `stopping`: the user
    // asked to stop.
    virtual void Redraw(bool /*stopping*/) {}
    // Ends the live lines, so that what follows stands on its own lines.
    virtual void EndLines() {}
};

// The word a console puts before a message of that kind: "Status" for a completion,
// "Error" for any other.
const char* ConsoleCaption(MessageId id);

// Each event as one JSON line on `out`, whole, whichever thread it comes from.
class JsonEventWriter final : public EventSink {
public:
    explicit JsonEventWriter(std::FILE* out) : out_(out) {}
    void Take(const ProgressEvent& event) override;

private:
    std::FILE* out_;
    std::mutex writing_;
};

// A command's end, for `sink`: its status, how it ended and its last word, and each file.
ProgressEvent EndEvent(int status, OutcomeKind outcome, const std::string& message,
                       std::vector<std::pair<std::string, std::string>> files, const std::string& port = "");
