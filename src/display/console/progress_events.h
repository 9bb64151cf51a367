// `--progress=json`: instead of the bars, one JSON object a line on standard output
// for every event the display receives, each with the port it concerns:
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
//   {"event": "end", "status", "outcome", "message", "files": [{"path", "state"}, ...]}
//                                                    the command's exit status and its last word, once
// "bytes" counts the data packets of the whole transfer so far; "section" is the
// section's name, or "URT file". Several boxes' command passes on each box's events,
// its end as {"event": "box-end", ...}, and ends with its own end, without a port.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/messages.h"
#include "display/console/json_text.h"

class ProgressEvents {
public:
    ProgressEvents(std::FILE* out, std::string port) : out_(out), port_(std::move(port)) {}

    void Status(const std::string& text) { Emit({{"event", "status"}, {"text", text}}); }
    // The step the session is in, and the section it concerns ("" for none).
    void Step(const std::string& step, const std::string& section) {
        Emit({{"event", "step"}, {"step", step}, {"section", section}});
    }
    void Section(const std::string& section, int announced) {
        Emit({{"event", "section"}, {"section", section}, {"announced", announced}});
    }
    void Packet(const std::string& section, int packet, double bytes, double bytesPerSecond);
    void Position(const std::string& section, int position) {
        Emit({{"event", "position"}, {"section", section}, {"position", position}});
    }
    void Unasked(const std::string& section, int packet) {
        Emit({{"event", "unasked"}, {"section", section}, {"packet", packet}});
    }
    // `left`: seconds the session still waits (negative: no limit to tell).
    void Waiting(const std::string& awaited, double seconds, double left = -1) {
        Json event = {{"event", "waiting"}, {"for", awaited}, {"seconds", static_cast<long>(seconds)}};
        if (left >= 0) event["left"] = static_cast<long>(left);
        Emit(event);
    }
    void ShownMessage(const Message& m) {
        Emit({{"event", "message"}, {"id", m.name}, {"caption", m.caption}, {"text", m.text}});
    }
    // The command's end, once, last: its status, the outcome's name and sentence, and
    // each file (path, state).
    void End(int status, const std::string& outcome, const std::string& message,
             const std::vector<std::pair<std::string, std::string>>& files);

private:
    void Emit(Json event);

    std::FILE* out_;
    std::string port_;
};
