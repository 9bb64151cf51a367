#include "app/cli/run/transfer_recorder.h"

#include <cerrno>
#include <cstring>

#include "app/cli/machine/serial_ports.h"
#include "app/cli/machine/clock.h"
#include "app/cli/run/signals.h"
#include "core/cancel_flag.h"
#include "display/console/console_lines.h"
#include "link/serial_link.h"

namespace {

constexpr double WaitShownAfter = 3;  // seconds of silence before the wait is shown

std::string NameOf(std::optional<SectionKind> section) { return section ? SectionName(*section) : "URT file"; }

// A message's text on one line.
std::string OneLine(const char* text) {
    std::string line;
    for (const char* c = text; *c; ++c) {
        if (*c != '\n') line += *c;
        else if (line.empty() || line.back() != ' ') line += line.empty() || line.back() == '.' ? " " : ". ";
    }
    return line;
}

bool LooksLikeWindowsPort(const std::string& port) {
    return port.size() > 3 && (port.compare(0, 3, "COM") == 0 || port.compare(0, 3, "com") == 0) &&
           port.find('/') == std::string::npos;
}

// Why the port could not be used, in this platform's words, with what to do.
std::string PortProblem(const std::string& port, const Message& shown) {
    const OpenFailure failure = LastOpenFailure();
    const int error = failure.systemError;
    std::string why;
    if (!error) {
        why = shown.text;
    } else if (failure.busy) {
        const std::string holders = ProgramsHolding(port);
        why = "it is in use by another program" + (holders.empty() ? " (fuser " + port + " names it)" : ": " + holders);
    } else if (error == ENOENT) {
        why = "no such device";
        why += LooksLikeWindowsPort(port) ? ": " + port + " is a Windows port name (from a config.ini made on Windows?); "
                                            "here serial ports are named like /dev/ttyUSB0"
                                          : ": is the adapter plugged in? kestrivane ports lists the serial ports";
    } else if (error == EACCES || error == EPERM) {
        why = "permission denied: add yourself to the dialout group (sudo adduser $USER dialout), then log in again";
    } else if (error == ENOTTY || error == EINVAL) {
        why = "not a serial port";
    } else {
        why = std::strerror(error);
    }
    return "cannot use the port " + port + ": " + why;
}

}  // namespace

TransferRecorder::TransferRecorder(ConsoleDisplay& drawing, bool download) : drawing_(drawing), download_(download) {}

void TransferRecorder::SetPatience(double seconds, std::function<double()> clock) {
    patience_ = seconds;
    if (clock) clock_ = std::move(clock);
    lastActivity_ = Now();
}

double TransferRecorder::Now() const {
    if (clock_) return clock_();
    return SteadySeconds();
}

void TransferRecorder::Activity() { lastActivity_ = Now(); }

void TransferRecorder::EnterStep(TransferStep step, std::optional<SectionKind> section) {
    step_ = step;
    stepSection_ = section;
    Activity();
    if (onStep_) onStep_(step, section);
    drawing_.EnterStep(step, section);
}

void TransferRecorder::ShowSectionProgress() {
    watching_ = true;
    drawing_.ShowSectionProgress();
}

void TransferRecorder::ShowUrtProgress() {
    watching_ = true;
    drawing_.ShowUrtProgress();
}

void TransferRecorder::SetProgressRange(int barId, int count) {
    lastBar_ = barId;
    tallies_[barId] = {count, 0, {}};
    if (firstBarAt_ < 0) firstBarAt_ = Now();
    Activity();
    drawing_.SetProgressRange(barId, count);
}

void TransferRecorder::AdvanceProgress(int barId) {
    ++tallies_[barId].advanced;
    ++donePackets_;
    Activity();
    drawing_.AdvanceProgress(barId);
}

void TransferRecorder::SetProgressPosition(int barId, int position) {
    Activity();
    drawing_.SetProgressPosition(barId, position);
}

void TransferRecorder::NotePacketUnasked(int barId) {
    tallies_[barId].unasked.push_back(tallies_[barId].advanced);
    drawing_.NotePacketUnasked(barId);
}

void TransferRecorder::PumpOneMessage() {
    Watch();
    drawing_.PumpOneMessage();
}

void TransferRecorder::ShowMessage(const Message& message) {
    // A file's failure is shown right after the call that failed: its reason is at hand.
    const int error = errno;
    if (IsCompletion(message.id)) {
        completion_ = message;  // said once the command knows it ends well
        drawing_.Finish();
        return;
    }
    if (failures_.empty()) {
        if (message.id == MessageId::IndexFileNotCreated || message.id == MessageId::SectionFileNotCreated ||
            message.id == MessageId::SectionFileNotWritten) {
            fileError_ = error;
            if (message.id != MessageId::IndexFileNotCreated) fileSection_ = stepSection_;
        }
        failureText_ = OneLine(TextElsewhere(message));
        failureBar_ = lastBar_;
        failureThrough_ = TallyOf(lastBar_) ? TallyOf(lastBar_)->advanced : 0;
    }
    failures_.push_back(message.id);
    if (message.owner == MessageOwner::MainWindow) {
        portMessage_ = message;  // the outcome says why, in this platform's words
        return;
    }
    drawing_.ShowMessage(message);
}

const TransferRecorder::Tally* TransferRecorder::TallyOf(int barId) const {
    const auto it = tallies_.find(barId);
    return it == tallies_.end() ? nullptr : &it->second;
}

bool TransferRecorder::Showed(MessageId id) const {
    for (MessageId shown : failures_)
        if (shown == id) return true;
    return false;
}

double TransferRecorder::Seconds() const {
    if (firstBarAt_ < 0) return 0;
    return (endedAt_ >= 0 ? endedAt_ : Now()) - firstBarAt_;
}

std::string TransferRecorder::StepSectionName() const { return NameOf(stepSection_); }

std::string TransferRecorder::Awaited() const {
    switch (step_) {
    case TransferStep::Announcement: return "the box to announce " + StepSectionName();
    case TransferStep::Handshake: return "the box to answer the handshake for " + StepSectionName();
    case TransferStep::HeaderRequest: return "the box to ask for the header of " + StepSectionName();
    default: break;
    }
    return {};
}

void TransferRecorder::Watch() {
    if (CancelFlag) return;
    if (step_ == TransferStep::PowerOn && !watching_) {
        // The box is to be switched on: how long the session still waits for it (a
        // download 10 s, then 15 s from the box's first ETB or from then; an upload two
        // silent reads of 15 s).
        const double left = (download_ ? 25 : 30) - (Now() - lastActivity_);
        drawing_.ShowWaiting(std::string("switch the box on holding channel ") + (download_ ? "up" : "down"),
                             Now() - lastActivity_, left < 0 ? 0 : left);
        return;
    }
    if (!watching_) return;
    const std::string awaited = Awaited();
    if (awaited.empty()) return;
    const double silent = Now() - lastActivity_;
    if (patience_ > 0 && silent >= patience_) {
        const std::string within = " within " + WholeSeconds(patience_) + " (" + StepSectionName() + " was next)";
        stoppedSection_ = stepSection_;
        std::string said = step_ == TransferStep::Announcement ? "the box announced no further section" + within
                           : step_ == TransferStep::Handshake  ? "the box answered no section handshake" + within
                                                               : "the box asked for no header" + within;
        // A section before it that ended short may be where the box stopped.
        const Tally* last = TallyOf(lastBar_);
        if (last && last->advanced < last->range && SectionOfBar(lastBar_)) {
            stoppedSection_ = SectionOfBar(lastBar_);
            said = std::string(SectionName(*stoppedSection_)) + " ended after data packet " +
                   std::to_string(last->advanced) + " of " + std::to_string(last->range) + ", and " + said;
        }
        outOfPatience_ = said;
        CancelFlag = 1;
        drawing_.CancelExplained();
        return;
    }
    if (silent >= WaitShownAfter) drawing_.ShowWaiting(awaited, silent);
}

TransferOutcome TransferRecorder::Outcome(int result, const std::string& port) {
    endedAt_ = Now();
    TransferOutcome o;
    const auto ended = [&](OutcomeKind kind, const std::string& sentence, std::optional<MessageId> id = {}) {
        o.kind = kind;
        o.sentence = sentence;
        o.message = id;
        return o;
    };
    // Where the first failure was shown.
    const std::optional<SectionKind> lastSection = SectionOfBar(failureBar_);
    const int through = failureThrough_;
    if (portMessage_) return ended(OutcomeKind::PortUnusable, PortProblem(port, *portMessage_), portMessage_->id);
    if (!outOfPatience_.empty()) {
        o.section = stoppedSection_;
        return ended(OutcomeKind::OutOfPatience, outOfPatience_);
    }
    if (Showed(MessageId::PortLost))
        return ended(OutcomeKind::PortLost, "the port " + port + " went away (" + TextElsewhere(MessageOf(MessageId::PortLost)) +
                                                "): is the adapter still plugged in?", MessageId::PortLost);
    if (CancelFlag) {
        o.signal = CancelSignal;
        return ended(OutcomeKind::Cancelled, std::string("cancelled by ") + SignalName(CancelSignal));
    }
    if (result == 0 && failures_.empty()) {
        if (completion_) return ended(OutcomeKind::Done, OneLine(completion_->text), completion_->id);
        return ended(OutcomeKind::Done, "done");
    }
    if (failures_.empty()) {
        if (tallies_.empty() && !watching_)
            return ended(OutcomeKind::BoxSilent, "the box did not answer on " + port +
                                                     ": check the cable and the port, then switch the box on holding "
                                                     "channel " + (download_ ? "up" : "down") +
                                                     " after the transfer starts");
        return ended(OutcomeKind::Failed, "the transfer ended without a word from the session");
    }
    const MessageId first = failures_.front();
    o.section = lastSection;
    const std::string where = lastSection ? std::string(" of ") + SectionName(*lastSection) : std::string();
    switch (first) {
    case MessageId::DataError:
        if (download_) {
            o.packet = through + 1;
            return ended(OutcomeKind::PacketDamaged, "data packet " + std::to_string(o.packet) + where +
                                                         " arrived damaged (its ETX or checksum is wrong); nothing "
                                                         "after it was stored", first);
        }
        o.packet = through;
        return ended(OutcomeKind::PacketRefused,
                     "the box refused " + (through > 0 ? "data packet " + std::to_string(through) : "the header packet") +
                         (failureBar_ == UrtBarId ? " of the URT file" : where), first);
    case MessageId::PacketLengthWrong:
        o.packet = through + 1;
        return ended(OutcomeKind::PacketDamaged, "data packet " + std::to_string(o.packet) + where +
                                                     " came with a length of 3000 bytes or more (" +
                                                     MessageOf(first).text + "): the section was cut there", first);
    case MessageId::PartitionWrongSize:
        o.packet = through + 1;
        return ended(OutcomeKind::PacketDamaged,
                     "data packet " + std::to_string(o.packet) + where + " came without its STX (" +
                         failureText_ + ")", first);
    case MessageId::IndexFileNotCreated:
    case MessageId::SectionFileNotCreated:
    case MessageId::SectionFileNotWritten:
        if (!writtenImage_.empty() && fileError_) {
            o.section = fileSection_;
            o.file = fileSection_ ? SectionFilePath(writtenImage_, *fileSection_) : writtenImage_;
            return ended(OutcomeKind::WriteFailed,
                         std::string(first == MessageId::SectionFileNotWritten ? "cannot write " : "cannot create ") +
                             o.file + ": " + std::strerror(fileError_) + " (" + MessageOf(first).text + ")", first);
        }
        return ended(OutcomeKind::WriteFailed,
                     (lastSection ? std::string(SectionName(*lastSection)) + ": " : std::string()) +
                         MessageOf(first).text + " (is the disk full, or the folder not writable?)", first);
    default: break;
    }
    return ended(OutcomeKind::Failed,
                 (lastSection ? std::string(SectionName(*lastSection)) + ": " : std::string()) + failureText_, first);
}

void TransferRecorder::ShowCompletion() {
    if (completion_) drawing_.ShowMessage(*completion_);
}
