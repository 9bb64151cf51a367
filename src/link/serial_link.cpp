#include "link/serial_link.h"

#include "app/config/link_settings.h"
#include "display/progress_display.h"

namespace {

SerialBackend* activeBackend = nullptr;  // nullptr: the platform's own

SerialBackend& Backend() { return activeBackend ? *activeBackend : PlatformSerialBackend(); }

}  // namespace

void SetSerialBackend(SerialBackend* backend) { activeBackend = backend; }

bool OpenSerialLink() {
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
    Backend().ApplyTimeouts(record);
}

void SetLinkTimeouts(LinkTimeouts& record, std::uint32_t readTotalMs, std::uint32_t writeTotalMs) {
    record.ReadTotalTimeoutMultiplier = 0;
    record.ReadTotalTimeoutConstant = readTotalMs;
    record.WriteTotalTimeoutMultiplier = 0;
    record.WriteTotalTimeoutConstant = writeTotalMs;
    Backend().ApplyTimeouts(record);
}

int ReadLink(std::uint8_t* buffer, int count) { return Backend().Read(buffer, count); }

int WriteLink(const std::uint8_t* buffer, int count) { return Backend().Write(buffer, count); }

void CloseSerialLink() { Backend().Close(); }
