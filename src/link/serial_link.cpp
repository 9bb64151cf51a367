#include "link/serial_link.h"

#include <algorithm>

#include "core/cancel_flag.h"
#include "core/link_settings.h"
#include "core/progress_display.h"

namespace {

SerialBackend* activeBackend = nullptr;  // nullptr: the platform's own
LinkTimeouts applied;                    // the record SetLinkTimeouts applied last
bool lossReported = false;               // "Lost connection to COM port" shown for this open
std::function<void(const std::string&)> lineNoteListener;

SerialBackend& Backend() { return activeBackend ? *activeBackend : PlatformSerialBackend(); }

}  // namespace

void SetSerialBackend(SerialBackend* backend) { activeBackend = backend; }

bool OpenSerialLink() {
    lossReported = false;
    applied = LinkTimeouts{};
    switch (Backend().Open(LinkSettings.PortName, LinkSettings.BaudRate)) {
    case SerialBackend::OpenStatus::Ok:
        if (lineNoteListener && !Backend().LineNote().empty()) lineNoteListener(Backend().LineNote());
        return true;
    case SerialBackend::OpenStatus::CreateFailed:
        Show(MessageId::PortNotCreated);
        return false;
    case SerialBackend::OpenStatus::GetStateFailed:
        Show(MessageId::PortStateNotRead);
        return false;
    case SerialBackend::OpenStatus::SetStateFailed:
        Show(MessageId::PortStateNotSet);
        return false;
    }
    return false;
}

void SetLinkTimeouts(LinkTimeouts& record, std::uint32_t readTotalMs) {
    record.ReadTotalTimeoutMultiplier = 0;
    record.ReadTotalTimeoutConstant = readTotalMs;
    applied = record;
    Backend().ApplyTimeouts(record);
}

void SetLinkTimeouts(LinkTimeouts& record, std::uint32_t readTotalMs, std::uint32_t writeTotalMs) {
    record.ReadTotalTimeoutMultiplier = 0;
    record.ReadTotalTimeoutConstant = readTotalMs;
    record.WriteTotalTimeoutMultiplier = 0;
    record.WriteTotalTimeoutConstant = writeTotalMs;
    applied = record;
    Backend().ApplyTimeouts(record);
}

const LinkTimeouts& AppliedLinkTimeouts() { return applied; }

std::uint32_t AtLeastWireTime(std::uint32_t totalMs, int bytes) {
    const std::int64_t baud = LinkSettings.BaudRate;
    if (baud <= 0 || bytes <= 0) return totalMs;
    const std::int64_t wireMs = (std::int64_t{bytes} * 10 * 1000 + baud - 1) / baud;  // 10 bits a byte
    const std::int64_t needed = wireMs * 5 / 4 + 100;
    return needed > totalMs ? static_cast<std::uint32_t>(std::min<std::int64_t>(needed, UINT32_MAX)) : totalMs;
}

std::uint64_t UnboundedWriteLimitMs(int bytes, long baudRate) {
    const std::uint64_t wire = baudRate > 0 ? (std::uint64_t(bytes) * 10000 + std::uint64_t(baudRate) - 1) /
                                                  std::uint64_t(baudRate)
                                            : 0;
    return 5000 + wire;
}

bool LinkLost() { return Backend().Lost(); }

bool ReportIfLinkLost() {
    if (!LinkLost()) return false;
    if (!lossReported) {
        lossReported = true;
        Show(MessageId::PortLost);
    }
    return true;
}

bool TransferStopped() { return ReportIfLinkLost() || CancelFlag != 0; }

OpenFailure LastOpenFailure() { return Backend().LastOpenFailure(); }

void OnLineNote(std::function<void(const std::string&)> listener) { lineNoteListener = std::move(listener); }

int ReadLink(std::uint8_t* buffer, int count) {
    const std::uint64_t total =
        std::uint64_t{applied.ReadTotalTimeoutConstant} +
        std::uint64_t{applied.ReadTotalTimeoutMultiplier} * static_cast<std::uint64_t>(count > 0 ? count : 0);
    const bool bounded = total != 0;
    const auto limit = [](std::uint64_t ms) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, UINT32_MAX));
    };
    std::uint64_t spent = 0;  // by the slices that found nothing, each its whole length
    for (;;) {
        if (bounded && total - spent <= ReadSliceMs) return Backend().Read(buffer, count, limit(total - spent));
        const int got = Backend().Read(buffer, count, ReadSliceMs);
        spent += ReadSliceMs;
        if (got == count || got < 0) return got;
        if (got > 0) {
            // Bytes came within the slice, which then waited out its length for the
            // rest: the rest comes as one read, to the count or the total.
            if (bounded && spent >= total) return got;
            return got + Backend().Read(buffer + got, count - got, bounded ? limit(total - spent) : 0);
        }
        if (Backend().Lost()) return 0;
        PumpOneMessage();
        if (CancelFlag) return 0;
    }
}

int WriteLink(const std::uint8_t* buffer, int count) { return Backend().Write(buffer, count); }

void CloseSerialLink() { Backend().Close(); }
