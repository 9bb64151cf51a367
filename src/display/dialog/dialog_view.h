// The transfer dialogs' side of a session: each event of the transfer mapped to what
// the dialog does with it (its title, status line, repaints, the sections' bars by
// their control ids, the collapse of the section choice, and message boxes with
// their caption, icon and owner). A dialog (the Windows one, or a test's recording
// of one) gives the operations; the mapping is written once, here.
#pragma once

#include <optional>

#include "core/transfer_event.h"

// The transfer dialogs' progress bars, by control identifier: one per section, and
// the URT file's.
constexpr int UrtBarId = 1026;
int SectionBar(SectionKind kind);
// A section's bar, or the URT file's for none.
int ProgressBar(std::optional<SectionKind> section);

enum class MessageIcon { None, Error, Warning };
// Who owns a message box: the port-opening messages belong to the main window,
// everything else a transfer shows to the transfer dialog.
enum class MessageOwner { MainWindow, TransferDialog };

// A message as a dialog shows it.
struct DialogMessage {
    MessageId id;
    const char* text;
    const char* caption;  // "Error", "Handle Error" (the port could not be made), "Status" (a completion)
    MessageIcon icon;
    MessageOwner owner;
};

DialogMessage DialogMessageOf(MessageId id, const char* text);

class DialogView : public TransferObserver {
public:
    void Take(const TransferEvent& event) final;

    virtual void SetStatusText(const char* text) = 0;
    // The step the session is in (the status text says it to the user).
    virtual void EnterStep(TransferStep, std::optional<SectionKind>) {}
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
    // A data packet went out unasked (the dialog does not tell).
    virtual void NotePacketUnasked(int) {}
    // Section upload only: hides the section choice and shows the status line.
    virtual void CollapseSectionOptions() = 0;
    // A modal message box.
    virtual void ShowMessage(const DialogMessage& message) = 0;

private:
    bool statusShown_ = false;  // the session's first status text is painted at once
};
