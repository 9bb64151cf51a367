#include "core/messages.h"

#include <cstddef>

namespace {

constexpr MessageKind Port = MessageKind::PortOpening;
constexpr MessageKind Failed = MessageKind::Failure;
constexpr MessageKind Done = MessageKind::Completion;

// A row per MessageId, in its order (checked below).
constexpr Message kMessages[] = {
    {MessageId::PortNotCreated, "port-not-created", "Failed to create a handle to COM port", Port},
    {MessageId::PortStateNotRead, "port-state-not-read", "Error while receiving COM port state", Port},
    {MessageId::PortStateNotSet, "port-state-not-set", "Error while setting COM port state", Port},
    {MessageId::PortLost, "port-lost", "Lost connection to COM port", Failed,
     "Lost connection to the serial port"},
    {MessageId::IndexFileNotCreated, "index-file-not-created", "Unable to create a file", Failed},
    {MessageId::SectionFileNotCreated, "section-file-not-created", "Failed to create file", Failed},
    {MessageId::SectionFileNotWritten, "section-file-not-written", "Failed to write file", Failed},
    {MessageId::HeaderNotReceived, "header-not-received", "Header packet NOT received!", Failed},
    {MessageId::HeaderInvalid, "header-invalid", "Header Packet Invalid", Failed},
    {MessageId::HeaderNotRead, "header-not-read", "Failed to read header packet", Failed},
    {MessageId::DataError, "data-error", "Error receiving data. Quit any other applications and try again", Failed},
    {MessageId::PartitionWrongSize, "partition-wrong-size",
     "Error - Partition is wrong size\n\nRestart Windows and try again", Failed,
     "Error - Partition is wrong size"},
    {MessageId::PacketLengthWrong, "packet-length-wrong", "Packet length wrong", Failed},
    {MessageId::DownloadComplete, "download-complete", "Transfer Complete", Done},
    {MessageId::DownloadCompleteWithoutApplication, "download-complete-without-application",
     "Transfer Complete\n\nNote: The application data was empty therefore *.ur5 has not been created", Done},
    {MessageId::StoredFileNotOpened, "stored-file-not-opened", "Could not open file", Failed},
    {MessageId::StoredHeaderInvalid, "stored-header-invalid", "Header packet in file is invalid", Failed},
    {MessageId::HeaderNotSent, "header-not-sent", "Header packet NOT sent!", Failed},
    {MessageId::StoredPacketMissing, "stored-packet-missing", "Packet NOT found in file!", Failed},
    {MessageId::StoredFileDamaged, "stored-file-damaged", "%s cannot be sent: %s.\n\nNothing was sent to the box.",
     Failed},
    {MessageId::PacketNotSent, "packet-not-sent", "Packet NOT sent!", Failed},
    {MessageId::UploadComplete, "upload-complete",
     "Transfer Complete - Do not switch off box until 'BOOT' is displayed", Done},
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

std::string FilledIn(MessageId id, std::initializer_list<std::string> values) {
    std::string text;
    auto value = values.begin();
    for (const char* c = MessageOf(id).text; *c; ++c) {
        if (c[0] == '%' && c[1] == 's' && value != values.end()) {
            text += *value++;
            ++c;
        } else {
            text += *c;
        }
    }
    return text;
}
