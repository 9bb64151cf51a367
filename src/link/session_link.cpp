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
    const auto limit = [](std::uint64_t ms) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, UINT32_MAX));
    };
    std::uint64_t spent = 0;  // by the slices that found nothing, each its whole length
    for (;;) {
        if (bounded && total - spent <= ReadSliceMs) return s.backend.Read(buffer, count, limit(total - spent));
        const int got = s.backend.Read(buffer, count, ReadSliceMs);
        spent += ReadSliceMs;
        if (got == count || got < 0) return got;
        if (got > 0) {
            // Bytes came within the slice, which then waited out its length for the
            // rest: the rest comes as one read, to the count or the total.
            if (bounded && spent >= total) return got;
            return got + s.backend.Read(buffer + got, count - got, bounded ? limit(total - spent) : 0);
        }
        if (s.backend.Lost()) return 0;
        s.pump();
        if (s.stopRequested()) return 0;
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
