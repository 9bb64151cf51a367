// The transfer display on Windows: every display operation acts on the transfer
// dialog that opened last, through its controls' own messages.
#pragma once

#include <windows.h>

#include "display/dialog/dialog_view.h"

// The transfer dialog that opened last; set by each dialog when it opens, never cleared.
extern HWND TransferDialog;

// The display operations on the transfer dialog, and what only the dialogs need.
class Win32Display final : public DialogView {
public:
    void SetStatusText(const char* text) override;
    void SetTransferTitle(const char* text) override;
    void Repaint() override;
    void ShowSectionProgress() override;
    void ShowUrtProgress() override;
    void SetProgressRange(int barId, int count) override;
    void AdvanceProgress(int barId) override;
    void SetProgressPosition(int barId, int position) override;
    void CollapseSectionOptions() override;
    void ShowMessage(const DialogMessage& message) override;

    // Handles at most one pending window message; returns at once when none waits
    // (a session's pump).
    void PumpOneMessage();
    // Check state of a section box of the section upload dialog.
    bool IsSectionChecked(SectionKind kind);

    // Sets the five labels to their texts, then repaints the dialog.
    void SetSectionLabels();
    // Shows the control in its normal state or hides it, then repaints it.
    void ShowDialogControl(int controlId, bool show);
    void SetBarColour(int barId, std::uint32_t colour);
};

// The display of the transfer dialogs: the observer their sessions report to.
Win32Display& Win32TransferDisplay();

// Width of the "Send Options" group box while it collapses, and its heights, in pixels.
constexpr int CollapseWidth = 278;
constexpr int CollapseFirstHeight = 65;
constexpr int CollapseLastHeight = 15;
constexpr DWORD CollapseStepMs = 30;
