#include "core/messages.h"

namespace {

constexpr MessageIcon E = MessageIcon::Error;
constexpr MessageOwner Main = MessageOwner::MainWindow;
constexpr MessageOwner Dialog = MessageOwner::TransferDialog;

// In the order of MessageId.
constexpr Message kMessages[] = {
    {MessageId::PortNotCreated, "Failed to create a handle to COM port", "Handle Error", E, Main},
    {MessageId::PortStateNotRead, "Error while receiving COM port state", "Error", E, Main},
    {MessageId::PortStateNotSet, "Error while setting COM port state", "Error", E, Main},
    {MessageId::PortLost, "Lost connection to COM port", "Error", E, Dialog},
    {MessageId::IndexFileNotCreated, "Unable to create a file", "Error", E, Dialog},
    {MessageId::SectionFileNotCreated, "Failed to create file", "Error", E, Dialog},
    {MessageId::SectionFileNotWritten, "Failed to write file", "Error", E, Dialog},
    {MessageId::HeaderNotReceived, "Header packet NOT received!", "Error", E, Dialog},
    {MessageId::HeaderInvalid, "Header Packet Invalid", "Error", E, Dialog},
    {MessageId::HeaderNotRead, "Failed to read header packet", "Error", E, Dialog},
    {MessageId::DataError, "Error receiving data. Quit any other applications and try again", "Error", E, Dialog},
    {MessageId::PartitionWrongSize, "Error - Partition is wrong size\n\nRestart Windows and try again", "Error", E,
     Dialog},
    {MessageId::PacketLengthWrong, "Packet length wrong", "Error", E, Dialog},
    {MessageId::DownloadComplete, "Transfer Complete", "Status", MessageIcon::None, Dialog},
    {MessageId::DownloadCompleteWithoutApplication,
     "Transfer Complete\n\nNote: The application data was empty therefore *.ur5 has not been created", "Status",
     MessageIcon::Warning, Dialog},
    {MessageId::StoredFileNotOpened, "Could not open file", "Error", E, Dialog},
    {MessageId::StoredHeaderInvalid, "Header packet in file is invalid", "Error", E, Dialog},
    {MessageId::HeaderNotSent, "Header packet NOT sent!", "Error", E, Dialog},
    {MessageId::StoredPacketMissing, "Packet NOT found in file!", "Error", E, Dialog},
    {MessageId::PacketNotSent, "Packet NOT sent!", "Error", E, Dialog},
    {MessageId::UploadComplete, "Transfer Complete - Do not switch off box until 'BOOT' is displayed", "Status",
     MessageIcon::None, Dialog},
};

static_assert(sizeof kMessages / sizeof kMessages[0] == static_cast<int>(MessageId::UploadComplete) + 1,
              "one row per message");

}  // namespace

const Message& MessageOf(MessageId id) { return kMessages[static_cast<int>(id)]; }

bool IsCompletion(MessageId id) {
    return id == MessageId::DownloadComplete || id == MessageId::DownloadCompleteWithoutApplication ||
           id == MessageId::UploadComplete;
}
