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

int ReadLink(std::uint8_t* buffer, int count) { return Backend().Read(buffer, count); }

int WriteLink(const std::uint8_t* buffer, int count) { return Backend().Write(buffer, count); }

void CloseSerialLink() { Backend().Close(); }
