#include "core/messages.h"

#include <cstddef>

namespace {

constexpr MessageIcon E = MessageIcon::Error;
constexpr MessageOwner Main = MessageOwner::MainWindow;
constexpr MessageOwner Dialog = MessageOwner::TransferDialog;

// A row per MessageId, in its order (checked below).
constexpr Message kMessages[] = {
    {MessageId::PortNotCreated, "port-not-created", "Failed to create a handle to COM port", "Handle Error", E, Main},
    {MessageId::PortStateNotRead, "port-state-not-read", "Error while receiving COM port state", "Error", E, Main},
    {MessageId::PortStateNotSet, "port-state-not-set", "Error while setting COM port state", "Error", E, Main},
    {MessageId::PortLost, "port-lost", "Lost connection to COM port", "Error", E, Dialog,
     "Lost connection to the serial port"},
    {MessageId::IndexFileNotCreated, "index-file-not-created", "Unable to create a file", "Error", E, Dialog},
    {MessageId::SectionFileNotCreated, "section-file-not-created", "Failed to create file", "Error", E, Dialog},
    {MessageId::SectionFileNotWritten, "section-file-not-written", "Failed to write file", "Error", E, Dialog},
    {MessageId::HeaderNotReceived, "header-not-received", "Header packet NOT received!", "Error", E, Dialog},
    {MessageId::HeaderInvalid, "header-invalid", "Header Packet Invalid", "Error", E, Dialog},
    {MessageId::HeaderNotRead, "header-not-read", "Failed to read header packet", "Error", E, Dialog},
    {MessageId::DataError, "data-error", "Error receiving data. Quit any other applications and try again", "Error",
     E, Dialog},
    {MessageId::PartitionWrongSize, "partition-wrong-size",
     "Error - Partition is wrong size\n\nRestart Windows and try again", "Error", E, Dialog,
     "Error - Partition is wrong size"},
    {MessageId::PacketLengthWrong, "packet-length-wrong", "Packet length wrong", "Error", E, Dialog},
    {MessageId::DownloadComplete, "download-complete", "Transfer Complete", "Status", MessageIcon::None, Dialog},
    {MessageId::DownloadCompleteWithoutApplication, "download-complete-without-application",
     "Transfer Complete\n\nNote: The application data was empty therefore *.ur5 has not been created", "Status",
     MessageIcon::Warning, Dialog},
    {MessageId::StoredFileNotOpened, "stored-file-not-opened", "Could not open file", "Error", E, Dialog},
    {MessageId::StoredHeaderInvalid, "stored-header-invalid", "Header packet in file is invalid", "Error", E, Dialog},
    {MessageId::HeaderNotSent, "header-not-sent", "Header packet NOT sent!", "Error", E, Dialog},
    {MessageId::StoredPacketMissing, "stored-packet-missing", "Packet NOT found in file!", "Error", E, Dialog},
    {MessageId::StoredFileDamaged, "stored-file-damaged", "%s cannot be sent: %s.\n\nNothing was sent to the box.",
     "Error", E, Dialog},
    {MessageId::PacketNotSent, "packet-not-sent", "Packet NOT sent!", "Error", E, Dialog},
    {MessageId::UploadComplete, "upload-complete",
     "Transfer Complete - Do not switch off box until 'BOOT' is displayed", "Status", MessageIcon::None, Dialog},
};

constexpr std::size_t MessageCount = sizeof kMessages / sizeof kMessages[0];

// Every id has its row, and each row stands where its id looks for it.
constexpr bool EveryIdHasItsRow() {
    if (MessageCount != static_cast<std::size_t>(MessageId::UploadComplete) + 1) return false;
    for (std::size_t i = 0; i < MessageCount; ++i)
        if (static_cast<std::size_t>(kMessages[i].id) != i) return false;
    return true;
}
static_assert(EveryIdHasItsRow(), "one row per message, in the order of MessageId");

}  // namespace

const Message& MessageOf(MessageId id) { return kMessages[static_cast<int>(id)]; }

Message FilledIn(MessageId id, std::initializer_list<std::string> values, std::string* text) {
    Message message = MessageOf(id);
    text->clear();
    auto value = values.begin();
    for (const char* c = message.text; *c; ++c) {
        if (c[0] == '%' && c[1] == 's' && value != values.end()) {
            *text += *value++;
            ++c;
        } else {
            *text += *c;
        }
    }
    message.text = text->c_str();
    return message;
}

bool IsCompletion(MessageId id) {
    return id == MessageId::DownloadComplete || id == MessageId::DownloadCompleteWithoutApplication ||
           id == MessageId::UploadComplete;
}
