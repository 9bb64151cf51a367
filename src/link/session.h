// One transfer's session as one value: the port it talks through and the port's
// state, the settings it runs with, the observer it reports to, how the user stops
// it, the section file it writes or reads, its packet buffers and, once it has
// ended, how. The download and upload sessions, the receiver and the sender are
// handed it, so nothing of a session lives at process scope and one process may run
// many. A front end builds it (the Windows program from its process-wide settings,
// the command line from its options) and reads its outcome afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/image_sink.h"
#include "core/image_source.h"
#include "core/link_settings.h"
#include "core/packet.h"
#include "core/priority_hook.h"
#include "core/session_outcome.h"
#include "core/transfer_event.h"
#include "link/serial_link.h"

struct SessionSettings {
    LinkSettingsRecord link;  // port name, line speed, upload time-out factor
    // The PacketLength setting a download's data reads use, asked at the start of each
    // section (the Windows program reads config.ini afresh there).
    std::function<std::int32_t()> packetLength = [] { return 2048; };
    std::array<bool, SectionCount> sections{true, true, true, true, true};  // what a section upload sends
    bool urt = false;                // an upload sends one URT file
    bool checkStoredPackets = true;  // false: damaged stored packets go out all the same
    // Seconds the box may keep a wait silent once the opening handshake is over (where
    // it should announce a section, answer a section's handshake or ask for a
    // header); 0 waits without end, as the Windows program does.
    double patience = 0;
    // A header request stops reading once a whole header packet is in, instead of
    // waiting out its read (the command line's --fast-header; not the Windows program's way).
    bool fastHeader = false;
};

struct Session {
    Session(SerialBackend& port, TransferObserver& reportTo) : backend(port), observer(reportTo) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    SerialBackend& backend;
    TransferObserver& observer;
    SessionSettings settings;
    // The user's Cancel, tested by every wait.
    std::function<bool()> stopRequested = [] { return false; };
    // Before every read of a wait: one event of the user interface (the Windows
    // dialog's message pump); nothing where there is none to keep alive.
    std::function<void()> pump = [] {};
    // Seconds on the clock the patience is measured by (the steady clock unless set).
    std::function<double()> clock;
    PriorityHook* priority = nullptr;  // none: scheduling is left alone
    // Told, after each successful open, what was done to the line.
    std::function<void(const std::string&)> lineNote;

    ImageSink* sink = nullptr;        // where a download's files go (the front end's)
    ImageSource* source = nullptr;    // where an upload's come from (the front end's)
    std::unique_ptr<SectionOut> out;  // the section file a download writes
    std::unique_ptr<SectionIn> in;    // the file an upload reads
    std::string filePath;             // the path of either
    std::array<std::uint8_t, PacketBufferSize> receive{}, header{}, packet{};
    SessionOutcome outcome;  // how it ended: its first failure, or done

    // The port's state.
    LinkTimeouts applied;       // the record applied last
    bool lossReported = false;  // "Lost connection to COM port" shown for this open

    // The watch on a silent box: when something last happened, and the section that
    // ended last with fewer packets than its count.
    double lastActivity = 0;
    std::optional<SectionKind> shortSection;
    int shortPackets = 0, shortCount = 0;
    int packetsThrough = 0;  // data packets of the section under way that went through
    TransferStep currentStep = TransferStep::PowerOn;

    double Now() const;
    // Something happened: the patience starts again.
    void Activity() { lastActivity = Now(); }
    // What happens, told to the observer.
    void Tell(const TransferEvent& event) { observer.Take(event); }
    // A status line.
    void Status(const char* text);
    // A message of the system's, in its own words or in `text` (one filled in).
    void Show(MessageId id, const char* text = nullptr);
    // The step the session is in, told.
    void Step(TransferStep step, std::optional<SectionKind> section = std::nullopt);
    // A section's header announced `count` data packets (an upload's: read from its
    // file); counted and told.
    void Counted(std::optional<SectionKind> section, int count, bool upload);
    // A section's next data packet went through (an upload's: sent `unasked`, as
    // `filler`); counted and told.
    void Through(std::optional<SectionKind> section, bool upload, bool unasked = false, bool filler = false);
    // True, the session ended out of patience, when nothing has happened for longer
    // than the patience while the box was to do something for `next`.
    bool OutOfPatience(std::optional<SectionKind> next);
    // A section ended with `packets` of the `count` data packets its header announced.
    void SectionEnded(std::optional<SectionKind> section, int packets, int count);
    // Records how the session ended, where it is seen, all at once; the first failure
    // stands whole.
    void End(OutcomeKind kind, const FailurePlace& at = {}, std::optional<MessageId> message = std::nullopt);
    // A failure recorded and its message shown (in `text`, when filled in).
    void Fail(OutcomeKind kind, MessageId message, const FailurePlace& at = {}, const char* text = nullptr) {
        End(kind, at, message);
        Show(message, text);
    }
};
