#include "app/cli/run/transfer_outcome.h"

#include <cerrno>
#include <cstring>

#include "app/cli/machine/serial_ports.h"
#include "app/cli/run/signals.h"
#include "display/console/console_lines.h"

namespace {

std::string NameOf(std::optional<SectionKind> section) { return section ? SectionName(*section) : "URT file"; }

// A message's words on one line.
std::string OneLine(const char* text) {
    std::string line;
    for (const char* c = text; *c; ++c) {
        if (*c != '\n') line += *c;
        else if (line.empty() || line.back() != ' ') line += line.empty() || line.back() == '.' ? " " : ". ";
    }
    return line;
}

std::string Shown(MessageId id) { return OneLine(TextElsewhere(MessageOf(id))); }

// Why the port could not be used, in this platform's words, with what to do.
std::string PortProblem(const std::string& port, MessageId shown, const OpenFailure& failure) {
    const std::string why = failure.systemError ? WhyPortFailed(port, failure.systemError, failure.busy)
                                                : std::string(MessageOf(shown).text);
    return "cannot use the port " + port + ": " + why;
}

// The box stayed silent past the patience: what it did not do, within how long, and
// where it may have stopped.
std::string OutOfPatience(const SessionOutcome& o) {
    const std::string within = " within " + WholeSeconds(o.waited) + " (" + NameOf(o.next) + " was next)";
    std::string said = o.step == TransferStep::Announcement ? "the box announced no further section" + within
                       : o.step == TransferStep::Handshake  ? "the box answered no section handshake" + within
                                                            : "the box asked for no header" + within;
    if (o.shortCount > 0 && o.section)
        said = std::string(SectionName(*o.section)) + " ended after data packet " + std::to_string(o.shortPackets) +
               " of " + std::to_string(o.shortCount) + ", and " + said;
    return said;
}

std::string Failed(const SessionOutcome& o, bool download) {
    const std::string where = o.section ? std::string(" of ") + SectionName(*o.section) : std::string();
    const MessageId id = *o.message;
    switch (id) {
    case MessageId::DataError:
        if (download)
            return "data packet " + std::to_string(o.packet) + where +
                   " arrived damaged (its ETX or checksum is wrong); nothing after it was stored";
        return "the box refused " + (o.packet > 0 ? "data packet " + std::to_string(o.packet) : "the header packet") +
               (o.section ? where : " of the URT file");
    case MessageId::PacketLengthWrong:
        return "data packet " + std::to_string(o.packet) + where + " came with a length of 3000 bytes or more (" +
               MessageOf(id).text + "): the section was cut there";
    case MessageId::PartitionWrongSize:
        return "data packet " + std::to_string(o.packet) + where + " came without its STX (" + Shown(id) + ")";
    case MessageId::IndexFileNotCreated:
    case MessageId::SectionFileNotCreated:
    case MessageId::SectionFileNotWritten:
        if (!o.file.empty() && o.systemError)
            return std::string(id == MessageId::SectionFileNotWritten ? "cannot write " : "cannot create ") + o.file +
                   ": " + std::strerror(o.systemError) + " (" + MessageOf(id).text + ")";
        break;
    case MessageId::HeaderNotReceived:
        return "the box did not answer the request for the header" + where + " (" + Shown(id) + ")";
    case MessageId::HeaderInvalid:
        return "the header" + where + " came broken: no STX, or its ETX or count byte missing (" + Shown(id) + ")";
    case MessageId::StoredFileDamaged:
        return o.file + " cannot be sent: its data packet " + std::to_string(o.packet) + " is damaged (offset " +
               std::to_string(o.offset) + "); nothing was sent to the box";
    default: break;
    }
    return (o.section ? std::string(SectionName(*o.section)) + ": " : std::string()) + Shown(id);
}

}  // namespace

int TransferOutcome::Status() const {
    if (kind == OutcomeKind::Done) return 0;
    if (kind == OutcomeKind::Cancelled && signal > 0) return 128 + signal;
    if (kind == OutcomeKind::PortUnusable || (readBack && kind != OutcomeKind::Differs)) return 2;
    return 1;
}

TransferOutcome Failure(OutcomeKind kind, const std::string& sentence) {
    TransferOutcome outcome;
    outcome.kind = kind;
    outcome.sentence = sentence;
    return outcome;
}

void FailAfter(TransferOutcome& outcome, OutcomeKind kind, const std::string& sentence) {
    if (!outcome.Ok()) return;
    outcome.kind = kind;
    outcome.sentence = sentence;
    outcome.message.reset();
}

TransferOutcome Described(const SessionOutcome& session, const std::string& port, bool download, int stopSignal,
                          const OpenFailure& open) {
    TransferOutcome o;
    static_cast<SessionOutcome&>(o) = session;
    // A stop signal that came ends it as cancelled, whatever else it met on its way out.
    if (stopSignal && o.kind != OutcomeKind::Done && o.kind != OutcomeKind::PortUnusable) o.kind = OutcomeKind::Cancelled;
    switch (o.kind) {
    case OutcomeKind::Done:
        o.sentence = o.message ? OneLine(MessageOf(*o.message).text) : "done";
        break;
    case OutcomeKind::Cancelled:
        o.signal = stopSignal;
        o.sentence = std::string("cancelled by ") + SignalName(stopSignal);
        break;
    case OutcomeKind::PortUnusable: o.sentence = PortProblem(port, *o.message, open); break;
    case OutcomeKind::BoxSilent:
        o.sentence = "the box did not answer on " + port +
                     ": check the cable and the port, then switch the box on holding channel " +
                     (download ? "up" : "down") + " after the transfer starts";
        break;
    case OutcomeKind::OutOfPatience: o.sentence = OutOfPatience(o); break;
    case OutcomeKind::PortLost:
        o.sentence = "the port " + port + " went away (" + Shown(MessageId::PortLost) + "): is the adapter still plugged in?";
        break;
    default:
        o.sentence = o.message ? Failed(o, download) : "the transfer ended without a word from the session";
        break;
    }
    return o;
}

void AddFastHeaderHint(TransferOutcome& outcome, bool firstPacketUnanswered) {
    if (outcome.Ok() || outcome.kind == OutcomeKind::Cancelled || outcome.kind == OutcomeKind::PortUnusable) return;
    const bool header = outcome.message && (*outcome.message == MessageId::HeaderNotReceived ||
                                            *outcome.message == MessageId::HeaderInvalid ||
                                            *outcome.message == MessageId::HeaderNotRead);
    if (header || firstPacketUnanswered)
        outcome.sentence += "; a box that does not keep up with --fast-header fails so: try again without it";
}
