#include "link/session_link.h"

#include <algorithm>

bool OpenSerialLink(Session& s) {
    s.lossReported = false;
    s.applied = LinkTimeouts{};
    const auto failed = [&](MessageId message) {
        FailurePlace at;
        at.systemError = s.backend.LastOpenFailure().systemError;
        s.Fail(OutcomeKind::PortUnusable, message, at);
        return false;
    };
    switch (s.backend.Open(s.settings.link.PortName, s.settings.link.BaudRate)) {
    case SerialBackend::OpenStatus::Ok:
        if (s.lineNote && !s.backend.LineNote().empty()) s.lineNote(s.backend.LineNote());
        return true;
    case SerialBackend::OpenStatus::CreateFailed: return failed(MessageId::PortNotCreated);
    case SerialBackend::OpenStatus::GetStateFailed: return failed(MessageId::PortStateNotRead);
    case SerialBackend::OpenStatus::SetStateFailed: return failed(MessageId::PortStateNotSet);
    }
    return false;
}

void SetLinkTimeouts(Session& s, LinkTimeouts& record, std::uint32_t readTotalMs) {
    record.ReadTotalTimeoutMultiplier = 0;
    record.ReadTotalTimeoutConstant = readTotalMs;
    s.applied = record;
    s.backend.ApplyTimeouts(record);
}

void SetLinkTimeouts(Session& s, LinkTimeouts& record, std::uint32_t readTotalMs, std::uint32_t writeTotalMs) {
    record.ReadTotalTimeoutMultiplier = 0;
    record.ReadTotalTimeoutConstant = readTotalMs;
    record.WriteTotalTimeoutMultiplier = 0;
    record.WriteTotalTimeoutConstant = writeTotalMs;
    s.applied = record;
    s.backend.ApplyTimeouts(record);
}

std::uint32_t AtLeastWireTime(const Session& s, std::uint32_t totalMs, int bytes) {
    const std::int64_t baud = s.settings.link.BaudRate;
    if (baud <= 0 || bytes <= 0) return totalMs;
    const std::int64_t wireMs = (std::int64_t{bytes} * 10 * 1000 + baud - 1) / baud;  // 10 bits a byte
    const std::int64_t needed = wireMs * 5 / 4 + 100;
    return needed > totalMs ? static_cast<std::uint32_t>(std::min<std::int64_t>(needed, UINT32_MAX)) : totalMs;
}

bool LinkLost(const Session& s) { return s.backend.Lost(); }

bool ReportIfLinkLost(Session& s) {
    if (!LinkLost(s)) return false;
    if (!s.lossReported) {
        s.lossReported = true;
        s.Fail(OutcomeKind::PortLost, MessageId::PortLost);
    }
    return true;
}

bool TransferStopped(Session& s) {
    if (ReportIfLinkLost(s)) return true;
    if (!s.stopRequested()) return false;
    s.End(OutcomeKind::Cancelled);
    return true;
}

std::uint64_t ReadLinkTotalMs(const Session& s, int count) {
    const LinkTimeouts& applied = s.applied;
    return std::uint64_t{applied.ReadTotalTimeoutConstant} +
           std::uint64_t{applied.ReadTotalTimeoutMultiplier} * static_cast<std::uint64_t>(count > 0 ? count : 0);
}

int ReadLink(Session& s, std::uint8_t* buffer, int count) {
    return ReadLinkWithin(s, buffer, count, ReadLinkTotalMs(s, count));
}

int ReadLinkWithin(Session& s, std::uint8_t* buffer, int count, std::uint64_t total) {
    const bool bounded = total != 0;
    std::uint64_t spent = 0;  // a slice that ends short of the count waits its whole length
    int got = 0;
    for (;;) {
        const bool last = bounded && total - spent <= ReadSliceMs;
        const std::uint64_t slice = last ? total - spent : ReadSliceMs;
        const int more = s.backend.Read(buffer + got, count - got, static_cast<std::uint32_t>(slice));
        if (more < 0) return got > 0 ? got : more;
        got += more;
        if (got == count || last) return got;
        spent += ReadSliceMs;
        if (s.backend.Lost()) return got;
        s.pump();
        if (s.stopRequested()) return got;
    }
}

int WriteLink(Session& s, const std::uint8_t* buffer, int count) { return s.backend.Write(buffer, count); }

void CloseSerialLink(Session& s) { s.backend.Close(); }

int CompleteSession(Session& s, MessageId done) {
    s.Step(TransferStep::Complete);
    s.Status(CompleteStatus);
    CloseSerialLink(s);
    s.End(OutcomeKind::Done, {}, done);
    s.Show(done);
    return 0;
}
