#include "link/serial_link.h"

#include <algorithm>

#include "app/config/link_settings.h"
#include "display/cancel_flag.h"
#include "display/progress_display.h"

namespace {

SerialBackend* activeBackend = nullptr;  // nullptr: the platform's own
LinkTimeouts applied;                    // the record SetLinkTimeouts applied last
bool lossReported = false;               // "Lost connection to COM port" shown for this open

SerialBackend& Backend() { return activeBackend ? *activeBackend : PlatformSerialBackend(); }

}  // namespace

void SetSerialBackend(SerialBackend* backend) { activeBackend = backend; }

bool OpenSerialLink() {
    lossReported = false;
    applied = LinkTimeouts{};
    switch (Backend().Open(LinkSettings.PortName, LinkSettings.BaudRate)) {
    case SerialBackend::OpenStatus::Ok:
        return true;
    case SerialBackend::OpenStatus::CreateFailed:
        CurrentDisplay().ShowMessage({"Failed to create a handle to COM port", "Handle Error",
                                      MessageIcon::Error, MessageOwner::MainWindow});
        return false;
    case SerialBackend::OpenStatus::GetStateFailed:
        ShowError("Error while receiving COM port state", MessageOwner::MainWindow);
        return false;
    case SerialBackend::OpenStatus::SetStateFailed:
        ShowError("Error while setting COM port state", MessageOwner::MainWindow);
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

bool LinkLost() { return Backend().Lost(); }

bool LinkLostReported() {
    if (!LinkLost()) return false;
    if (!lossReported) {
        lossReported = true;
        ShowError("Lost connection to COM port");
    }
    return true;
}

bool TransferStopped() { return LinkLostReported() || CancelFlag != 0; }

int ReadLink(std::uint8_t* buffer, int count) { return Backend().Read(buffer, count); }

int WriteLink(const std::uint8_t* buffer, int count) { return Backend().Write(buffer, count); }

void CloseSerialLink() { Backend().Close(); }
