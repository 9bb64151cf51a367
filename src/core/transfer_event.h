// What happens in a transfer, as its session tells it: one typed event at a time, in
// the transfer's own terms (its steps, sections, packet counts and messages), to one
// observer. The Windows dialogs map each to their controls, titles and repaints;
// the command line's bars, JSON events, boards and records read the same events.
#pragma once

#include <optional>

#include "core/messages.h"
#include "core/section_kind.h"

// What a session is doing: what it waits for the box to do, or that packets flow.
enum class TransferStep {
    PowerOn,        // the opening handshake: the box is to be switched on
    Announcement,   // download: the box is to announce the section
    Handshake,      // upload: the box is to answer the section's handshake
    HeaderRequest,  // upload: the box is to ask for the section's header
    Packets,        // the section's packets go, one on each request
    Closing,        // upload: after the last section, the box's answer and the closing ENQ
    Complete,
};

// The step's name as scripts read it: "power-on", "announcement", "handshake",
// "header-request", "packets", "closing", "complete".
const char* TransferStepName(TransferStep step);

struct TransferEvent {
    enum class Kind {
        Begun,     // the session begins: an upload (`upload`) of a URT file (`urt`), or a download
        Checked,   // an upload's files are checked: the port opens next
        Status,    // a status line, `text`
        Step,      // the session moves on to `step`, about `section`
        Answered,  // the box answered the opening handshake: its sections follow (`urt`: one URT file)
        Counted,   // `section`'s header announces `count` data packets
        Packet,    // data packet `count` of `section` went through; `unasked`: sent without the box's request
        Filled,    // `section` ended with nothing more from the box, and stands as done (`count` of its count)
        Missing,   // the box has no `section` (an empty Application Software): none is received
        Resent,    // `count` packets of the section were asked for again (none ever is)
        Message,   // message `message`, in the words `text`
    };
    Kind kind = Kind::Status;
    TransferStep step = TransferStep::PowerOn;
    std::optional<SectionKind> section;  // none: the opening or the closing, or a URT file
    int count = 0;
    bool upload = false;
    bool urt = false;
    bool unasked = false;
    const char* text = "";
    MessageId message = MessageId::DownloadComplete;
};

// Whoever a session tells what happens.
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void Take(const TransferEvent& event) = 0;
};

// An observer that shows nothing.
class NullObserver final : public TransferObserver {
public:
    void Take(const TransferEvent&) override {}
};
