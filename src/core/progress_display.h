// What a transfer shows the user: the observer a session reports to. It only
// receives (status lines, steps, bars, messages); what the session runs with comes
// in its settings, and the pump that keeps a user interface alive is a hook of its
// own. The Windows transfer dialogs, the console's bars and JSON events, and a
// recording display in tests are such observers.
#pragma once

#include <optional>

#include "core/messages.h"
#include "core/section_kind.h"

// What a session is doing, told with every status text it shows and whenever it
// moves on without one: what it waits for the box to do, or that packets flow.
enum class TransferStep {
    PowerOn,        // the opening handshake: the box is to be switched on
    Announcement,   // download: the box is to announce the section
    Handshake,      // upload: the box is to answer the section's handshake
    HeaderRequest,  // upload: the box is to ask for the section's header
    Packets,        // the section's packets go, one on each request
    Closing,        // upload: after the last section, the box's answer and the closing ENQ
    Complete,
};

// The step's name as scripts read it: "power-on", "announcement", "handshake",
// "header-request", "packets", "closing", "complete".
const char* TransferStepName(TransferStep step);

class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;

    virtual void SetStatusText(const char* text) = 0;
    // The step the session is in; `section` is the section it concerns (none for the
    // opening handshake, the closing, or a URT file).
    virtual void EnterStep(TransferStep step, std::optional<SectionKind> section) = 0;
    // Sets the dialog's title and repaints the dialog at once.
    virtual void SetTransferTitle(const char* text) = 0;
    // Repaints the dialog at once (after the first status text of a session).
    virtual void Repaint() = 0;
    // Bar colours, section labels, labels and the five bars shown.
    virtual void ShowSectionProgress() = 0;
    // The URT bar coloured and shown, note line "Uploading progress".
    virtual void ShowUrtProgress() = 0;
    virtual void SetProgressRange(int barId, int count) = 0;
    virtual void AdvanceProgress(int barId) = 0;
    virtual void SetProgressPosition(int barId, int position) = 0;
    // A data packet went out unasked: after a second of silence that followed the box's
    // earlier request, not on a request of its own.
    virtual void NotePacketUnasked(int barId) = 0;
    // Section upload only: hides the section choice and shows the status line.
    virtual void CollapseSectionOptions() = 0;
    // A modal message.
    virtual void ShowMessage(const Message& message) = 0;
};

// A display that shows nothing.
class NullDisplay : public ProgressDisplay {
public:
    void SetStatusText(const char*) override {}
    void EnterStep(TransferStep, std::optional<SectionKind>) override {}
    void SetTransferTitle(const char*) override {}
    void Repaint() override {}
    void ShowSectionProgress() override {}
    void ShowUrtProgress() override {}
    void SetProgressRange(int, int) override {}
    void AdvanceProgress(int) override {}
    void SetProgressPosition(int, int) override {}
    void NotePacketUnasked(int) override {}
    void CollapseSectionOptions() override {}
    void ShowMessage(const Message&) override {}
};
