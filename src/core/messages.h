// The texts the system shows, each named once: the messages a transfer reports (what
// each says, and its kind), and the status and title texts. How a message is shown
// (a dialog's caption, icon and owner) is the front end's business.
#pragma once

#include <initializer_list>
#include <string>

enum class MessageKind {
    PortOpening,  // the port could not be opened or set up
    Failure,      // the transfer failed
    Completion,   // the transfer is complete
};

// Every message a session can show. A front end that needs to know what went wrong
// asks by these, never by the text.
enum class MessageId {
    // Opening the port.
    PortNotCreated,
    PortStateNotRead,
    PortStateNotSet,
    // Any wait of a transfer.
    PortLost,
    // Download.
    IndexFileNotCreated,
    SectionFileNotCreated,
    SectionFileNotWritten,
    HeaderNotReceived,
    HeaderInvalid,
    HeaderNotRead,
    DataError,  // also the upload's, for a packet the box refused
    PartitionWrongSize,
    PacketLengthWrong,
    DownloadComplete,
    DownloadCompleteWithoutApplication,
    // Upload.
    StoredFileNotOpened,
    StoredHeaderInvalid,
    HeaderNotSent,
    StoredPacketMissing,
    StoredFileDamaged,  // takes the file and what is wrong with it
    PacketNotSent,
    UploadComplete,
};

struct Message {
    MessageId id;
    const char* name;  // the id as scripts read it: "data-error", "upload-complete" ..
    const char* text;
    MessageKind kind;
    // Where the text speaks of Windows ("COM port", "Restart Windows"), the words a
    // front end on another system shows instead (none: the text serves everywhere).
    const char* elsewhere = nullptr;
};

// The message's words on a system other than Windows.
inline const char* TextElsewhere(const Message& m) { return m.elsewhere ? m.elsewhere : m.text; }

const Message& MessageOf(MessageId id);

// A message whose text takes values: the row's text with each %s filled in, in
// order, by `values`.
std::string FilledIn(MessageId id, std::initializer_list<std::string> values);

// A completion, as opposed to a failure.
inline bool IsCompletion(MessageId id) { return MessageOf(id).kind == MessageKind::Completion; }

// Dialog titles during a transfer; the re-sent titles take the count (%i).
constexpr const char* ReceivingTitle = "Receiving Status - Wait To Return To Main Screen";
constexpr const char* SendingTitle = "Sending Status - Wait To Return To Main Screen";
constexpr const char* ReceivingResentTitle = "Receiving Status - Packets re-sent: %i";
constexpr const char* SendingResentTitle = "Sending Status - Packets re-sent: %i";

// Status lines (the per-section ones stand with the sections).
constexpr const char* IdleStatus = "Status: Idle";
constexpr const char* SwitchOnForDownloadStatus = "Status: Turn On Box Holding Channel Up";
constexpr const char* SwitchOnForUploadStatus = "Status: Turn On Box Holding Channel Down";
constexpr const char* SendingUrtStatus = "Status: Sending URT file";
constexpr const char* CompleteStatus = "Status: Transfer Complete";
