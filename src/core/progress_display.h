// What a transfer shows the user, and the pump that keeps the user interface alive
// while a session blocks on the serial line.
//
// The sessions call these operations on the current display, which stands for the
// transfer dialog that opened last (the Windows dialogs, the console form, or a
// recording display in tests).
#pragma once

#include "link/section_kind.h"

enum class MessageIcon { None, Error, Warning, Question };
enum class MessageButtons { Ok, YesNo };
// Who owns a message box: the port-opening messages belong to the main window,
// everything else a transfer shows to the transfer dialog.
enum class MessageOwner { MainWindow, TransferDialog };
enum class MessageAnswer { Ok, Yes, No };

struct Message {
    const char* text;
    const char* caption;
    MessageIcon icon = MessageIcon::None;
    MessageOwner owner = MessageOwner::TransferDialog;
    MessageButtons buttons = MessageButtons::Ok;
};

class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;

    virtual void SetStatusText(const char* text) = 0;
    // Sets the dialog's title and repaints the dialog at once.
    virtual void SetTransferTitle(const char* text) = 0;
    // Repaints the dialog at once (after the first status text of a session).
    virtual void Repaint() = 0;
    virtual void SetSectionLabels() = 0;
    virtual void ShowDialogControl(int controlId, bool show) = 0;
    // Bar colours, section labels, labels and the five bars shown.
    virtual void ShowSectionProgress() = 0;
    // The URT bar coloured and shown, note line "Uploading progress".
    virtual void ShowUrtProgress() = 0;
    virtual void SetProgressRange(int barId, int count) = 0;
    virtual void AdvanceProgress(int barId) = 0;
    virtual void SetProgressPosition(int barId, int position) = 0;
    // Section upload only: hides the section choice and shows the status line.
    virtual void CollapseSectionOptions() = 0;
    // Handles at most one pending user-interface event; returns at once when none waits.
    virtual void PumpOneMessage() = 0;
    // Check state of a section box of the section upload dialog.
    virtual bool IsSectionChecked(SectionKind kind) = 0;
    // A modal message; returns the button pressed.
    virtual MessageAnswer ShowMessage(const Message& message) = 0;
};

// A display that shows nothing and answers every message with OK (or No).
class NullDisplay : public ProgressDisplay {
public:
    void SetStatusText(const char*) override {}
    void SetTransferTitle(const char*) override {}
    void Repaint() override {}
    void SetSectionLabels() override {}
    void ShowDialogControl(int, bool) override {}
    void ShowSectionProgress() override {}
    void ShowUrtProgress() override {}
    void SetProgressRange(int, int) override {}
    void AdvanceProgress(int) override {}
    void SetProgressPosition(int, int) override {}
    void CollapseSectionOptions() override {}
    void PumpOneMessage() override {}
    bool IsSectionChecked(SectionKind) override { return true; }
    MessageAnswer ShowMessage(const Message& m) override {
        return m.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

// The current display. Until one is installed, a display that shows nothing and
// prints messages on standard error stands in.
ProgressDisplay& CurrentDisplay();
void SetCurrentDisplay(ProgressDisplay* display);

// Shorthand for the sessions.
inline void PumpOneMessage() { CurrentDisplay().PumpOneMessage(); }
inline void ShowError(const char* text, MessageOwner owner = MessageOwner::TransferDialog) {
    CurrentDisplay().ShowMessage({text, "Error", MessageIcon::Error, owner});
}
